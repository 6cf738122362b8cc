#include "app/window/HostStore.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/window/HostFile.h"
#include "platform/kernel/Library.h"
#include "rtl/FileErrors.h"

namespace {

using THosts = std::vector<std::string>;

// A folder of its own for each case, with the history file's path in it, and
// bounds on the hosts read and on the file's size.
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
    return Failure<EFOpenError>([this] { LoadHostFile(FileName, MaxHosts, MaxHostBytes); });
  }
  std::string SaveFailure(const THosts& Hosts) const {
    return Failure<EFCreateError>([&] { SaveHostFile(FileName, Hosts, Limit); });
  }

  // Eight hosts and their line breaks fill the file to the byte.
  static constexpr std::size_t MaxHosts = 8;
  static constexpr std::size_t MaxHostBytes = 8190;
  static constexpr std::size_t Limit = 64 * 1024;
  QTemporaryDir Folder;
  std::string FileName = Folder.filePath("host.txt").toStdString();
};

}  // namespace

TEST_F(HostStoreTest, ReadsAPlainFileAndRefusesAnythingElseWithoutWaitingForIt) {
  EXPECT_EQ(HostFileName(), ExecutableFolder() + "/host.txt");
  EXPECT_FALSE(HostFileExists(FileName));
  Store("b.example\r\n a \nlast");
  EXPECT_EQ(LoadHostFile(FileName, MaxHosts, MaxHostBytes), (THosts{"b.example", " a ", "last"}));
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

TEST_F(HostStoreTest, ReadsOnlyTheHostsItCanHoldAndRefusesOneTooLong) {
  Store(std::string(Limit + 1, '\n'));
  // Eight gigabytes that take no room behind them are never read.
  std::filesystem::resize_file(FileName, std::uintmax_t{8} << 30);
  EXPECT_EQ(LoadHostFile(FileName, MaxHosts, MaxHostBytes), THosts(MaxHosts, ""));
  THosts Longest(MaxHosts, std::string(MaxHostBytes, 'x'));
  Store(FormatHostFile(Longest) + std::string(Limit, 'y'));
  EXPECT_EQ(LoadHostFile(FileName, MaxHosts, MaxHostBytes), Longest);
  Longest.back() += 'x';
  Store(FormatHostFile(Longest));
  EXPECT_EQ(LoadFailure(), "Cannot open file " + FileName);
}

TEST_F(HostStoreTest, SavesCrLfLinesAndNoHostsAsAnEmptyFile) {
  SaveHostFile(FileName, {"b.example", "", "\xff\xfe"}, Limit);
  EXPECT_EQ(Stored(), "b.example\r\n\r\n\xff\xfe\r\n");
  SaveHostFile(FileName, {}, Limit);
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
  EXPECT_EQ(HostFileSize(MaxHosts, MaxHostBytes), Limit);
  THosts Largest(MaxHosts, std::string(MaxHostBytes, 'x'));
  Largest.back() += 'x';
  EXPECT_EQ(SaveFailure(Largest), "Cannot create file " + FileName);
  EXPECT_EQ(Stored(), "old.example\r\n");
  Largest.back().pop_back();
  SaveHostFile(FileName, Largest, Limit);
  EXPECT_EQ(Stored().size(), Limit);
  EXPECT_EQ(LoadHostFile(FileName, MaxHosts, MaxHostBytes), Largest);
  std::filesystem::remove(FileName);
  std::filesystem::create_directory(FileName);
  EXPECT_NE(SaveFailure({"a"}), "");
  EXPECT_TRUE(std::filesystem::is_directory(FileName));
  FileName = Folder.filePath("missing/host.txt").toStdString();
  EXPECT_EQ(SaveFailure({"a"}), "Cannot create file " + FileName);
}

namespace {

// A folder that nobody may write to, as an installed program's folder is to
// its users: an empty file system mounted read-only, so even root is refused.
struct TReadOnlyFolder {
  TReadOnlyFolder() {
    Mounted =
        mount("tmpfs", Folder.path().toLocal8Bit().constData(), "tmpfs", MS_RDONLY, nullptr) == 0;
  }
  ~TReadOnlyFolder() {
    if (Mounted) umount(Folder.path().toLocal8Bit().constData());
  }
  std::string Path() const { return Folder.path().toStdString(); }

  QTemporaryDir Folder;
  bool Mounted = false;
};

// The user's data folders under a temporary home, for the program "quorvel".
struct HostFolderTest : testing::Test {
  void SetUp() override {
    QCoreApplication::setApplicationName("quorvel");
    qputenv("XDG_DATA_HOME", QFile::encodeName(Home.filePath("data")));
  }
  void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

  QTemporaryDir Home;
};

}  // namespace

TEST_F(HostFolderTest, AWritableProgramFolderKeepsTheHistoryBesideTheProgram) {
  const QTemporaryDir Program;
  EXPECT_EQ(HostFolder(Program.path().toStdString()), Program.path().toStdString());
  EXPECT_FALSE(QFileInfo::exists(Home.filePath("data"))) << "no user folder is made";
}

TEST_F(HostFolderTest, AReadOnlyProgramFolderKeepsTheHistoryInTheUsersDataFolder) {
  const TReadOnlyFolder Program;
  ASSERT_TRUE(Program.Mounted) << "mounting needs a mount namespace of our own";
  const std::string Folder = HostFolder(Program.Path());
  EXPECT_EQ(Folder, Home.filePath("data/quorvel").toStdString());
  EXPECT_TRUE(std::filesystem::is_directory(Folder)) << "made when missing";
  // Made once, the folder is used as it is from then on.
  SaveHostFile(Folder + "/host.txt", {"127.0.0.1", "b.example"}, HostStoreTest::Limit);
  EXPECT_EQ(HostFolder(Program.Path()), Folder);
  EXPECT_EQ(LoadHostFile(HostFolder(Program.Path()) + "/host.txt", HostStoreTest::MaxHosts,
                         HostStoreTest::MaxHostBytes),
            (THosts{"127.0.0.1", "b.example"}));
}

// Root may write anywhere, also where an install puts the program.
TEST_F(HostFolderTest, AnInstalledProgramKeepsTheHistoryInTheUsersOwnDataFolder) {
  const QTemporaryDir Prefix;
  const QString Program = Prefix.filePath("lib/quorvel");
  ASSERT_TRUE(QDir().mkpath(Program));
  const std::string Folder = HostFolder(Program.toStdString());
  EXPECT_EQ(Folder, Home.filePath("data/quorvel").toStdString());
  EXPECT_EQ(std::filesystem::status(Folder).permissions(), std::filesystem::perms::owner_all);
}

TEST_F(HostFolderTest, WithoutAUserFolderEitherTheProgramFolderStaysAndItsSaveFails) {
  const TReadOnlyFolder Program;
  ASSERT_TRUE(Program.Mounted);
  qputenv("XDG_DATA_HOME", QFile::encodeName(QString::fromStdString(Program.Path() + "/data")));
  EXPECT_EQ(HostFolder(Program.Path()), Program.Path());
  const std::string FileName = Program.Path() + "/host.txt";
  try {
    SaveHostFile(FileName, {"a"}, HostStoreTest::Limit);
    FAIL() << "saved into a read-only folder";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), "Cannot create file " + FileName);
  }
}
