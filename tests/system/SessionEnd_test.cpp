// The real program ended by the system, as a log-out, a shutdown or a closed
// terminal ends it, closes its window as the user would, so the history is
// saved; root's installed copy saves it into the user's data folder, for the
// user alone, never beside the program.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <thread>

class SessionEnd : public testing::TestWithParam<int> {};

TEST_P(SessionEnd, TheSignalClosesTheWindowAndTheHistoryIsSaved) {
  const QTemporaryDir Root;
  const QString Program = Root.filePath("lib/quorvel");
  ASSERT_TRUE(QDir().mkpath(Program) && QDir().mkpath(Root.filePath("data/quorvel")));
  for (const QString Name : {"quorvel", "libws2_32.so"})
    ASSERT_TRUE(QFile::copy(QUORVEL_BIN "/" + Name, Program + "/" + Name));
  const std::string History = Root.filePath("data/quorvel/host.txt").toStdString();
  std::ofstream(History) << "b.example\nA.example\n";
  QProcess Run;
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  Environment.insert("QT_QPA_PLATFORM", "offscreen");
  Environment.insert("XDG_DATA_HOME", Root.filePath("data"));
  Run.setProcessEnvironment(Environment);
  Run.start(Program + "/quorvel", {});
  // Signalled once it handles the signal, as /proc tells.
  for (int Wait = 0; Wait < 600; ++Wait) {
    std::ifstream Status("/proc/" + std::to_string(Run.processId()) + "/status");
    std::string Line;
    while (std::getline(Status, Line) && !Line.starts_with("SigCgt:")) continue;
    if (Line.starts_with("SigCgt:") &&
        std::stoull(Line.substr(7), nullptr, 16) >> (GetParam() - 1) & 1)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(kill(static_cast<pid_t>(Run.processId()), GetParam()), 0);
  ASSERT_TRUE(Run.waitForFinished(30'000));
  EXPECT_EQ(Run.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Run.exitCode(), 0);
  EXPECT_EQ(std::filesystem::file_size(History), 22u) << "saved with CR LF line breaks";
  EXPECT_EQ(std::filesystem::status(History).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(QDir(Program).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEnd, testing::Values(SIGTERM, SIGHUP));
