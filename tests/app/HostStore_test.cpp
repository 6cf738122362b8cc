#include "app/HostStore.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

using THosts = std::vector<std::string>;

// A folder of its own for each case, with the history file's path in it.
struct HostStoreTest : testing::Test {
  void Store(const std::string& Bytes) const { std::ofstream(FileName, std::ios::binary) << Bytes; }
  std::string Stored() const {
    std::ifstream In(FileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
  }
  QStringList Entries() const {
    return QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  // The message of the failure, or nothing when there is none.
  template <class TError>
  static std::string Failure(const std::function<void()>& Action) {
    try {
      Action();
    } catch (const TError& E) {
      return E.Message();
    }
    return "";
  }
  std::string LoadFailure() const {
    return Failure<EFOpenError>([this] { LoadHostFile(FileName); });
  }
  std::string SaveFailure(const THosts& Hosts) const {
    return Failure<EFCreateError>([&] { SaveHostFile(FileName, Hosts); });
  }

  QTemporaryDir Folder;
  std::string FileName = Folder.filePath("host.txt").toStdString();
};

}  // namespace

TEST_F(HostStoreTest, ReadsAPlainFileAndRefusesAnythingElseWithoutWaitingForIt) {
  EXPECT_EQ(HostFileName(), ExecutableFolder() + "/host.txt");
  EXPECT_FALSE(HostFileExists(FileName));
  Store("b.example\r\n a \nlast");
  EXPECT_EQ(LoadHostFile(FileName), (THosts{"b.example", " a ", "last"}));
  std::filesystem::remove(FileName);
  // A read that blocks ends the test program rather than hanging it.
  alarm(20);
  ASSERT_EQ(mkfifo(FileName.c_str(), 0600), 0);
  EXPECT_EQ(LoadFailure(), "Cannot open file " + FileName);
  std::filesystem::remove(FileName);
  std::filesystem::create_symlink("/dev/zero", FileName);
  EXPECT_EQ(LoadFailure(), "Cannot open file " + FileName);
  std::filesystem::remove(FileName);
  std::filesystem::create_directory(FileName);
  EXPECT_TRUE(HostFileExists(FileName));
  EXPECT_EQ(LoadFailure(), "Cannot open file " + FileName);
  alarm(0);
}

TEST_F(HostStoreTest, ReadsNoMoreThanTheSizeCap) {
  Store(std::string(MaxHostFileSize - 2, 'x') + "\r\n");
  EXPECT_EQ(LoadHostFile(FileName), THosts{std::string(MaxHostFileSize - 2, 'x')});
  Store(std::string(MaxHostFileSize + 1, '\n'));
  EXPECT_NE(LoadFailure(), "");
  // Eight gigabytes that take no room: refused at the cap, never read whole.
  std::filesystem::resize_file(FileName, std::uintmax_t{8} << 30);
  EXPECT_NE(LoadFailure(), "");
}

TEST_F(HostStoreTest, SavesCrLfLinesAndNoHostsAsAnEmptyFile) {
  SaveHostFile(FileName, {"b.example", "", "\xff\xfe"});
  EXPECT_EQ(Stored(), "b.example\r\n\r\n\xff\xfe\r\n");
  SaveHostFile(FileName, {});
  EXPECT_TRUE(std::filesystem::exists(FileName));
  EXPECT_EQ(Stored(), "");
  EXPECT_EQ(Entries(), QStringList{"host.txt"});
}

TEST_F(HostStoreTest, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  Store("old.example\r\n");
  // A file size limit fails the write part way, as a full disk does.
  rlimit Saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const rlimit Small{4096, Saved.rlim_max};
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
  EXPECT_EQ(SaveFailure(THosts(1000, "new.example")), "Cannot create file " + FileName);
  setrlimit(RLIMIT_FSIZE, &Saved);
  std::signal(SIGXFSZ, OldHandler);
  EXPECT_EQ(Stored(), "old.example\r\n");
  EXPECT_EQ(Entries(), QStringList{"host.txt"});
}

TEST_F(HostStoreTest, RefusesAFileTooLargeToLoadAgainAndAPathItCannotWrite) {
  Store("old.example\r\n");
  EXPECT_NE(SaveFailure(THosts(MaxHostFileSize / 2 + 1, "")), "");
  EXPECT_EQ(Stored(), "old.example\r\n");
  SaveHostFile(FileName, THosts(MaxHostFileSize / 2, ""));
  std::filesystem::remove(FileName);
  std::filesystem::create_directory(FileName);
  EXPECT_NE(SaveFailure({"a"}), "");
  EXPECT_TRUE(std::filesystem::is_directory(FileName));
  FileName = Folder.filePath("missing/host.txt").toStdString();
  EXPECT_EQ(SaveFailure({"a"}), "Cannot create file " + FileName);
}
