#include "support/OffscreenApplication.h"

#include <QApplication>

void StartOffscreenApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int Argc = 1;
  static char Program[] = "quorvel-test";
  static char* Argv[] = {Program, nullptr};
  new QApplication(Argc, Argv);
}

// The font library that Qt loads for text, the message bus library that it
// loads on a real display, and Qt's own bus connections, which live as long
// as the application that tests never free, keep a few blocks they never
// free; the leak checker of sanitized builds is told to let them be, and
// nothing else.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libQt6DBus.so\n";
}
