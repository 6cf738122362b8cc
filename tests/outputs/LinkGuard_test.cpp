#include "outputs/LinkGuard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "outputs/AtomicFile.h"
#include "outputs/AttemptLog.h"

// In a sticky folder everyone may write to, as /tmp is, a second user,
// nobody, plants links to a victim's file: our export and log refuse them and
// write nothing, while a link of our own there is followed.
TEST(LinkGuard, ALinkAnotherUserPlantedInASharedFolderIsRefusedAndOursFollowed) {
  const QTemporaryDir Folder;
  const std::string Shared = Folder.filePath("shared").toStdString();
  const std::string Victim = Folder.filePath("keys").toStdString();
  chmod(Folder.path().toLocal8Bit().constData(), 0755);
  ASSERT_EQ(mkdir(Shared.c_str(), 0) | chmod(Shared.c_str(), 01777), 0);
  std::ofstream(Victim) << "key\n";
  const pid_t Planter = fork();
  if (Planter == 0)
    _exit(setresgid(65534, 65534, 65534) | setresuid(65534, 65534, 65534) |
          symlink(Victim.c_str(), (Shared + "/a.csv").c_str()) |
          symlink(Victim.c_str(), (Shared + "/a.jsonl").c_str()));
  int Status = -1;
  waitpid(Planter, &Status, 0);
  ASSERT_EQ(Status, 0) << "nobody could not plant the links";
  const auto Refusal = [](auto AWrite) {
    try {
      AWrite();
    } catch (const EPlantedLinkError& E) {
      return E.Message();
    }
    return std::string("written");
  };
  const std::string Why = ": it is a symbolic link that another user put in the shared folder ";
  EXPECT_EQ(Refusal([&] { SaveFileWhole(Shared + "/a.csv", "x"); }),
            "Refused to write through " + Shared + "/a.csv" + Why + Shared);
  EXPECT_EQ(Refusal([&] { TAttemptLog Log(Shared + "/a.jsonl"); }),
            "Refused to write through " + Shared + "/a.jsonl" + Why + Shared);
  EXPECT_EQ(std::filesystem::file_size(Victim), 4u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Shared), {}), 2);

  std::filesystem::create_symlink("../keys", Shared + "/own.csv");
  SaveFileWhole(Shared + "/./../shared/own.csv", "new");
  EXPECT_EQ(std::filesystem::file_size(Victim), 3u);
  EXPECT_EQ(std::filesystem::status(Victim).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
