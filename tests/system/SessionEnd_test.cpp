// The real program ended by the system, as a log-out, a shutdown or a closed
// terminal ends it: the window closes as the user would close it, so the
// history is saved, and for root's installed copy too into the user's data
// folder, never beside the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

// Whether the process APid has a handler for ASignal, as the kernel tells.
bool Catches(qint64 APid, int ASignal) {
  std::ifstream Status("/proc/" + std::to_string(APid) + "/status");
  for (std::string Line; std::getline(Status, Line);)
    if (Line.starts_with("SigCgt:"))
      return (std::stoull(Line.substr(7), nullptr, 16) >> (ASignal - 1)) & 1;
  return false;
}

class SessionEnd : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(SessionEnd, TheSignalClosesTheWindowAndTheHistoryIsSavedInTheUsersDataFolder) {
  // Installed as an install lays it out, in a folder root may write to.
  const QTemporaryDir Root;
  const QString Program = Root.filePath("lib/quorvel");
  ASSERT_TRUE(QDir().mkpath(Program));
  for (const QString Name : {"quorvel", "libws2_32.so"})
    ASSERT_TRUE(QFile::copy(QUORVEL_BIN "/" + Name, Program + "/" + Name));
  const std::string History = Root.filePath("data/quorvel/host.txt").toStdString();
  ASSERT_TRUE(QDir().mkpath(Root.filePath("data/quorvel")));
  std::ofstream(History) << "b.example\nA.example\n";

  QProcess Run;
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  Environment.insert("QT_QPA_PLATFORM", "offscreen");
  Environment.insert("XDG_DATA_HOME", Root.filePath("data"));
  Run.setProcessEnvironment(Environment);
  Run.start(Program + "/quorvel", {});
  ASSERT_TRUE(Run.waitForStarted());
  for (int Wait = 0; Wait < 600 && !Catches(Run.processId(), GetParam()); ++Wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(kill(static_cast<pid_t>(Run.processId()), GetParam()), 0);
  ASSERT_TRUE(Run.waitForFinished(30'000));
  EXPECT_EQ(Run.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Run.exitCode(), 0) << Run.readAllStandardError().toStdString();

  std::ifstream Saved(History, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Saved), {}), "b.example\r\nA.example\r\n");
  struct stat Status {};
  ASSERT_EQ(stat(History.c_str(), &Status), 0);
  EXPECT_EQ(Status.st_mode & 0777, 0600u);
  EXPECT_EQ(QDir(Program).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"libws2_32.so", "quorvel"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEnd, testing::Values(SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& AInfo) {
                           return AInfo.param == SIGTERM ? "Terminate" : "HangUp";
                         });
