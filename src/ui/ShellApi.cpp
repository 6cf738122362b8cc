#include "ui/ShellApi.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <utility>
#include <variant>

#include "rtl/SysUtils.h"

namespace {

constexpr std::intptr_t Opened = 33;

TShellExecuteHook& Hook() {
  static TShellExecuteHook Instance;
  return Instance;
}

std::optional<std::string> TextOf(const char* Value) {
  if (Value == nullptr) return std::nullopt;
  return std::string(Value);
}

// What File names, or the failure that stops it being opened.
std::variant<QUrl, std::intptr_t> Target(const TShellRequest& Request) {
  if (Request.File.empty()) return SE_ERR_FNF;
  const QString File = QString::fromLocal8Bit(Request.File);
  const QUrl Url(File, QUrl::StrictMode);
  // A scheme of one letter would be a drive, not a URL.
  if (Url.isValid() && Url.scheme().size() > 1 && !Url.isLocalFile()) return Url;

  QString Path = Url.isLocalFile() ? Url.toLocalFile() : File;
  if (QFileInfo(Path).isRelative()) {
    const QString Folder =
        Request.Directory ? QString::fromLocal8Bit(*Request.Directory) : QDir::currentPath();
    if (!QFileInfo(Folder).isDir()) return SE_ERR_PNF;
    Path = QDir(Folder).filePath(Path);
  }
  const QFileInfo Info(Path);
  if (!Info.exists()) return SE_ERR_FNF;
  if (!Info.isReadable()) return SE_ERR_ACCESSDENIED;
  return QUrl::fromLocalFile(Info.absoluteFilePath());
}

}  // namespace

std::intptr_t ShellExecuteA(QWidget* Owner, const char* Operation, const char* File,
                            const char* Parameters, const char* Directory, int ShowCmd) {
  const TShellRequest Request{Owner,
                              Operation != nullptr ? Operation : "open",
                              File != nullptr ? File : "",
                              TextOf(Parameters),
                              TextOf(Directory),
                              ShowCmd};
  if (!SameText(Request.Operation, "open")) return SE_ERR_NOASSOC;
  const std::variant<QUrl, std::intptr_t> Found = Target(Request);
  if (const auto* Failure = std::get_if<std::intptr_t>(&Found)) return *Failure;
  if (Hook()) return Hook()(Request);
  return QDesktopServices::openUrl(std::get<QUrl>(Found)) ? Opened : SE_ERR_NOASSOC;
}

TShellExecuteHook SetShellExecuteHook(TShellExecuteHook AHook) {
  return std::exchange(Hook(), std::move(AHook));
}
