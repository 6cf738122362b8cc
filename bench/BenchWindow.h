// The window as the program makes it, for benchmarks that run it: on the
// offscreen platform, with a folder of its own for the history and the
// targets, in place before the window reads them.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>

#include "app/window/HostStore.h"
#include "app/window/Unit1.h"
#include "ui/Application.h"

struct TBenchWindow {
  TBenchWindow() {
    SetHostFolder(DataFolder.path().toStdString());
    App.CreateForm(Form1);
  }

  const bool Offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
  const QTemporaryDir DataFolder;
  int Argc = 1;
  char Program[8] = "quorvel";
  char* Argv[2] = {Program, nullptr};
  TApplication App{Argc, Argv};
};
