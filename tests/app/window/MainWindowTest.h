// The main window as the program makes it, for tests of the window and of the
// whole program: an application on the offscreen platform, a history folder of
// the test's own, and message boxes and the shell answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/window/HostStore.h"
#include "app/window/Unit1.h"
#include "support/OffscreenApplication.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/ShellApi.h"

// A folder of its own for the history file, in place before the window loads
// the history and until the last window has saved it.
struct THostFolder {
  THostFolder() { SetHostFolder(Folder.path().toStdString()); }
  ~THostFolder() { SetHostFolder(""); }

  QTemporaryDir Folder;
  const std::string FileName = Folder.filePath("host.txt").toStdString();
};

// The main window as the program makes it, in an active window of the
// offscreen platform; message boxes and the shell are answered here.
struct MainWindowTest : testing::Test, TOffscreenApplication, THostFolder {
  MainWindowTest() {
    SetMessageBoxHook([this](const std::string& Text, const std::string&, unsigned) {
      Boxes.push_back(Text);
      return IDOK;
    });
    SetShellExecuteHook([this](const TShellRequest& Request) {
      Requests.push_back(Request);
      return std::intptr_t{42};
    });
    App->CreateForm(Form1);
  }
  ~MainWindowTest() override {
    SetShellExecuteHook({});
    SetMessageBoxHook({});
  }

  // Ends this run of the program as closing its window does: the window is
  // destroyed, which saves the history. The next run loads it.
  void EndRun() { App.reset(); }
  void StartRun() {
    App = std::make_unique<TApplication>(Argc, Argv);
    App->CreateForm(Form1);
  }

  void ShowWindow() {
    Form1->Show();
    QApplication::setActiveWindow(Form1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
  }

  int Argc = 1;
  char Program[16] = "quorvel";
  char* Argv[2] = {Program, nullptr};
  std::vector<std::string> Boxes;
  std::vector<TShellRequest> Requests;
  std::unique_ptr<TApplication> App = std::make_unique<TApplication>(Argc, Argv);
};
