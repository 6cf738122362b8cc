#include "ui/MessageBeep.h"

#include <QApplication>
#include <utility>

namespace {

TMessageBeepHook& BeepHook() {
  static TMessageBeepHook Hook;
  return Hook;
}

}  // namespace

void MessageBeep(unsigned int Type) {
  if (BeepHook()) {
    BeepHook()(Type);
    return;
  }
  QApplication::beep();
}

TMessageBeepHook SetMessageBeepHook(TMessageBeepHook Hook) {
  return std::exchange(BeepHook(), std::move(Hook));
}
