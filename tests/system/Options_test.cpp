// The program's command line as a user types it: the real program started
// with its options, answering before any window is made.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct TRun {
  int ExitCode;
  QString Output, Errors;
};

// Without a display, the toolkit cannot start at all.
TRun RunProgram(const QStringList& AArguments, bool ADisplay = true) {
  QProcess Program;
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    Environment.remove(Name);
  if (ADisplay) Environment.insert("QT_QPA_PLATFORM", "offscreen");
  Program.setProcessEnvironment(Environment);
  Program.start(QUORVEL_PROGRAM, AArguments);
  EXPECT_TRUE(Program.waitForFinished(60'000));
  return {Program.exitCode(), QString::fromUtf8(Program.readAllStandardOutput()),
          QString::fromUtf8(Program.readAllStandardError())};
}

}  // namespace

TEST(Options, HelpVersionAndAnUnknownOptionAnswerWithoutADisplay) {
  const TRun Help = RunProgram({"--help"}, false);
  EXPECT_EQ(Help.ExitCode, 0);
  EXPECT_TRUE(Help.Output.startsWith("Usage: quorvel [--log FILE] [HOST]\n"))
      << Help.Output.toStdString();
  const TRun Version = RunProgram({"--version"}, false);
  EXPECT_EQ(Version.ExitCode, 0);
  EXPECT_TRUE(Version.Output.contains(QRegularExpression("^quorvel \\d+\\.\\d+\\.\\d+\\.\\d+\n$")))
      << Version.Output.toStdString();
  const TRun Bogus = RunProgram({"-style", "Fusion", "--bogus"}, false);
  EXPECT_EQ(Bogus.ExitCode, 2);
  EXPECT_EQ(Bogus.Errors, "quorvel: unknown option --bogus\nTry 'quorvel --help'.\n");
}

TEST(Options, AnUnknownOptionOrAnUnwritableLogEndsTheProgramWithAMessage) {
  const TRun Unknown = RunProgram({"--lgo", "x.jsonl"});
  EXPECT_EQ(Unknown.ExitCode, 2);
  EXPECT_TRUE(Unknown.Errors.contains("quorvel: unknown option --lgo\n"))
      << Unknown.Errors.toStdString();
  const QTemporaryDir Folder;
  const TRun Log = RunProgram({"--log", Folder.filePath("none/run.jsonl")});
  EXPECT_EQ(Log.ExitCode, 1);
  EXPECT_TRUE(Log.Errors.contains("Cannot write to the log file " +
                                  Folder.filePath("none/run.jsonl") +
                                  " (open: No such file or directory)"))
      << Log.Errors.toStdString();
}
