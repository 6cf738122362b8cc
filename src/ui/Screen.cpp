#include "ui/Screen.h"

#include <QGuiApplication>

namespace {

TScreen TheScreen;

}  // namespace

TScreen* const Screen = &TheScreen;

void TScreen::SetCursor(TCursor Value) {
  if (Value == FCursor) return;
  if (Value == crDefault)
    QGuiApplication::restoreOverrideCursor();
  else if (FCursor == crDefault)
    QGuiApplication::setOverrideCursor(ToQCursor(Value));
  else
    QGuiApplication::changeOverrideCursor(ToQCursor(Value));
  FCursor = Value;
}
