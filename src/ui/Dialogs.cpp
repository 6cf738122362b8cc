#include "ui/Dialogs.h"

#include <QMessageBox>

namespace {

TMessageBoxHook& Hook() {
  static TMessageBoxHook Instance;
  return Instance;
}

QMessageBox::Icon IconOf(unsigned Flags) {
  switch (Flags & 0xF0) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int MessageBox(QWidget* Owner, const std::string& Text, const std::string& Caption,
               unsigned Flags) {
  if (Hook()) return Hook()(Text, Caption, Flags);
  QMessageBox Box(IconOf(Flags), QString::fromLocal8Bit(Caption), QString::fromLocal8Bit(Text),
                  QMessageBox::Ok, Owner);
  // The text is the program's own message, never markup.
  Box.setTextFormat(Qt::PlainText);
  Box.exec();
  return IDOK;
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook AHook) {
  TMessageBoxHook Previous = std::move(Hook());
  Hook() = std::move(AHook);
  return Previous;
}
