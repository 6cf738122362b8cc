#include "ui/SaveDialog.h"

#include <QFileDialog>

namespace {

TSaveDialogHook& Hook() {
  static TSaveDialogHook Instance;
  return Instance;
}

}  // namespace

std::optional<std::string> PromptSaveFile(QWidget* Owner, const TSaveRequest& Request) {
  if (Hook()) return Hook()(Request);
  const QString Name = QFileDialog::getSaveFileName(Owner, QString::fromLocal8Bit(Request.Title),
                                                    QString::fromLocal8Bit(Request.FileName),
                                                    QString::fromLocal8Bit(Request.Filter));
  if (Name.isEmpty()) return std::nullopt;
  return QFile::encodeName(Name).toStdString();
}

TSaveDialogHook SetSaveDialogHook(TSaveDialogHook AHook) {
  TSaveDialogHook Previous = std::move(Hook());
  Hook() = std::move(AHook);
  return Previous;
}
