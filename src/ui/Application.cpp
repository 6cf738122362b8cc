#include "ui/Application.h"

#include <QApplication>
#include <QFileInfo>

#include "rtl/SysUtils.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"

TApplication* Application = nullptr;

namespace {

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "Unknown exception";
  }
}

std::string ExecutableTitle() {
  return TitleFromExeName(
      QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit().toStdString());
}

void ShowErrorBox(QWidget* Owner, const std::string& Message, const std::string& Title) {
  MessageBox(Owner, ErrorBoxText(Message), Title, MB_OK | MB_ICONERROR);
}

}  // namespace

std::string TitleFromExeName(std::string_view FileName) {
  const std::string_view Name = FileName.substr(0, FileName.find('.'));
  const QString Text = QString::fromLocal8Bit(Name.data(), static_cast<qsizetype>(Name.size()));
  if (Text.isEmpty()) return {};
  // The first character may be a surrogate pair; it stays as it is.
  const qsizetype FirstLength = Text.at(0).isHighSurrogate() && Text.size() > 1 ? 2 : 1;
  return (Text.left(FirstLength) + Text.mid(FirstLength).toLower()).toLocal8Bit().toStdString();
}

std::string ErrorBoxText(std::string_view Message) {
  std::string Result(Message);
  if (!Result.empty() && static_cast<unsigned char>(Result.back()) > '.') Result += '.';
  return Result;
}

void HandleException() {
  if (Application != nullptr) {
    Application->HandleException();
    return;
  }
  ShowErrorBox(nullptr, CurrentExceptionMessage(), ExecutableTitle());
}

TApplication::TApplication(int& Argc, char** Argv) : TComponent(nullptr) {
  if (QApplication::instance() == nullptr)
    FOwnApplication = std::make_unique<QApplication>(Argc, Argv);
  // The loop ends when the main form closes, not when the last box does.
  QApplication::setQuitOnLastWindowClosed(false);
  FTitle = ExecutableTitle();
  Application = this;
}

TApplication::~TApplication() {
  while (!FForms.empty()) {
    TForm* const Form = FForms.back();
    FForms.pop_back();
    Form->DoDestroy();
    delete Form;
  }
  FMainForm = nullptr;
  Application = nullptr;
}

void TApplication::AddForm(TForm* Form) {
  FForms.push_back(Form);
  if (FMainForm == nullptr) FMainForm = Form;
  Form->DoCreate();
}

void TApplication::Run() {
  if (FMainForm == nullptr || FTerminated) return;
  FMainForm->Show();
  if (!FTerminated) QApplication::exec();
}

void TApplication::Terminate() {
  FTerminated = true;
  QCoreApplication::quit();
}

void TApplication::HandleException() { ShowException(CurrentExceptionMessage()); }

void TApplication::ShowException(const std::string& Message) {
  ShowErrorBox(FMainForm, Message, FTitle);
}
