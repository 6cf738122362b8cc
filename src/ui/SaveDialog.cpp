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
  QString Kind;
  const QString Name = QFileDialog::getSaveFileName(Owner, QString::fromLocal8Bit(Request.Title),
                                                    QString::fromLocal8Bit(Request.FileName),
                                                    QString::fromLocal8Bit(Request.Filter), &Kind);
  if (Name.isEmpty()) return std::nullopt;
  return SuffixedName(QFile::encodeName(Name).toStdString(), Kind.toLocal8Bit().toStdString());
}

std::string SuffixedName(const std::string& AName, const std::string& AKind) {
  const std::size_t Base = AName.rfind('/') + 1;  // 0 without a folder
  if (AName.find('.', Base) != std::string::npos) return AName;
  const std::size_t Pattern = AKind.find("*.");
  if (Pattern == std::string::npos) return AName;
  const std::size_t End = AKind.find_first_of(" ;)", Pattern);
  return AName + AKind.substr(Pattern + 1, End - Pattern - 1);
}

TSaveDialogHook SetSaveDialogHook(TSaveDialogHook AHook) {
  TSaveDialogHook Previous = std::move(Hook());
  Hook() = std::move(AHook);
  return Previous;
}
