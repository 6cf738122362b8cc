// The program's start and end: the application object, the main window made
// with its components, the message loop until the window closes, then the
// window destroyed and its components freed.
#include <QCoreApplication>
#include <cstdio>

#include "app/Unit1.h"
#include "platform/kernel/Privilege.h"
#include "ui/Application.h"

int main(int Argc, char** Argv) {
  try {
    // Before the toolkit exists: it loads plugins that the environment names.
    if (StartedWithPrivilege()) {
      DropPrivilege();
      std::fputs(
          "Quorvel: started with privileges, which a window program must not hold; "
          "gave them all up (pings that need them go through the echo helper)\n",
          stderr);
    }
    TApplication App(Argc, Argv);
    // The user's data folder (the history of an installed program) is named
    // after the program, whatever its file is called.
    QCoreApplication::setApplicationName("quorvel");
    App.CreateForm(Form1);
    App.Run();
  } catch (const std::exception& E) {
    // Only privileges that cannot be given up, or a window that cannot be
    // built at all, end up here.
    std::fprintf(stderr, "Quorvel: %s\n", E.what());
    return 1;
  }
  return 0;
}
