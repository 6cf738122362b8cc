#include "outputs/LinkGuard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "outputs/AtomicFile.h"
#include "outputs/AttemptLog.h"

namespace {

std::string Read(const std::string& AFileName) {
  std::ifstream In(AFileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

unsigned Mode(const std::string& AFileName) {
  struct stat Status {};
  stat(AFileName.c_str(), &Status);
  return Status.st_mode & 07777;
}

// A sticky folder that everyone may write to, as /tmp is, beside a victim's
// file that a second user, nobody, would like us to overwrite.
struct LinkGuardTest : testing::Test {
  LinkGuardTest() {
    chmod(Folder.path().toLocal8Bit().constData(), 0755);
    mkdir(Shared.c_str(), 01777);
    chmod(Shared.c_str(), 01777);
    std::ofstream(Victim) << "victim's key\n";
  }
  // Plants a link to ATarget at ALink as nobody, in a process of its own.
  static void Plant(const std::string& ATarget, const std::string& ALink) {
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0)
      _exit(setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0 &&
                    symlink(ATarget.c_str(), ALink.c_str()) == 0
                ? 0
                : 1);
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << "nobody could not plant it";
  }
  template <class TAction>
  static std::string Refusal(TAction AAction) {
    try {
      AAction();
    } catch (const EPlantedLinkError& E) {
      return E.Message();
    }
    return "written";
  }

  QTemporaryDir Folder;
  const std::string Shared = Folder.filePath("shared").toStdString();
  const std::string Victim = Folder.filePath("authorized_keys").toStdString();
};

}  // namespace

TEST_F(LinkGuardTest, ALinkAnotherUserPlantedIsRefusedForTheExportAndTheLogAndWritesNothing) {
  Plant(Victim, Shared + "/session.csv");
  Plant(Victim, Shared + "/run.jsonl");
  const auto Message = [&](const std::string& ALink) {
    return "Refused to write through " + ALink +
           ": it is a symbolic link that another user put in the shared folder " + Shared;
  };
  EXPECT_EQ(Refusal([&] { SaveFileWhole(Shared + "/session.csv", "a,b\r\n"); }),
            Message(Shared + "/session.csv"));
  EXPECT_EQ(Refusal([&] { TAttemptLog Log(Shared + "/run.jsonl"); }),
            Message(Shared + "/run.jsonl"));
  // Also when a link of our own leads there.
  std::filesystem::create_symlink(Shared + "/session.csv", Folder.filePath("mine").toStdString());
  EXPECT_EQ(Refusal([&] { SaveFileWhole(Folder.filePath("mine").toStdString(), "x"); }),
            Message(Shared + "/session.csv"));
  EXPECT_EQ(Read(Victim), "victim's key\n");
  EXPECT_EQ(QDir(QString::fromStdString(Shared))
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"run.jsonl", "session.csv"}));
}

TEST_F(LinkGuardTest, OurOwnLinksAreFollowedAndTheFilesWeMakeAreOursAlone) {
  std::filesystem::create_symlink("../authorized_keys", Shared + "/own.csv");
  EXPECT_EQ(UnplantedPath(Shared + "/../shared/./own.csv"), Victim);
  SaveFileWhole(Shared + "/own.csv", "new\r\n");
  EXPECT_EQ(Read(Victim), "new\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(Shared + "/own.csv"));
  EXPECT_EQ(Mode(Victim), 0600u);
  { const TAttemptLog Log(Shared + "/run.jsonl"); }
  EXPECT_EQ(Mode(Shared + "/run.jsonl"), 0600u);
}
