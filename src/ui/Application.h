// The application object: the program's title, its forms from creation to
// destruction, the message loop, and the default handling of an exception that
// leaves an event handler: a modal error box, after which the program goes on.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Classes.h"

class QApplication;
class TForm;

class TApplication : public TComponent {
 public:
  // Uses the process's Qt application when there is one, or makes it.
  TApplication(int& Argc, char** Argv);
  // Destroys the forms, newest first: each one's OnDestroy runs, then it is freed.
  ~TApplication() override;

  // The caption of the program's message boxes.
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  // Makes a form owned by the application; the first one made is the main
  // form. Its OnCreate runs once it is made.
  template <class TFormClass>
  void CreateForm(TFormClass*& Reference) {
    Reference = new TFormClass(this);
    AddForm(Reference);
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until the program ends:
  // the main form is closed or Terminate is called.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // The default handling of the exception being handled: called in a catch block.
  void HandleException();
  // Shows Message in the modal error box under the title.
  void ShowException(const std::string& Message);

 private:
  void AddForm(TForm* Form);

  std::unique_ptr<QApplication> FOwnApplication;
  std::string FTitle;
  std::vector<TForm*> FForms;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
};

// The application of the process, while one exists.
extern TApplication* Application;

// The title rule: the executable's file name cut at its first full stop, every
// letter after the first in lower case.
std::string TitleFromExeName(std::string_view FileName);

// The text of the error box: the message, with a full stop added when its last
// character sorts after ".".
std::string ErrorBoxText(std::string_view Message);

// Shows the exception being handled by the application's default handling, or,
// with no application, in the same error box under the executable's title.
void HandleException();

// Runs an event handler of the program. An exception it raises is handled at
// once by HandleException and never reaches the framework's caller.
template <class TEvent, class... TArgs>
void CallEvent(const TEvent& Event, TArgs&&... Args) {
  if (!Event) return;
  try {
    Event(std::forward<TArgs>(Args)...);
  } catch (...) {
    HandleException();
  }
}
