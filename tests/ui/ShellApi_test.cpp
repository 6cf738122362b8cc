#include "ui/ShellApi.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "support/OffscreenApplication.h"

namespace {

constexpr const char* HomePage = "https://quorvel.example/";

// Every case answers through the hook: no browser or viewer is ever started.
struct TShellOpen : TOffscreenApplication, testing::Test {
  TShellOpen() {
    Previous = SetShellExecuteHook([this](const TShellRequest& Request) {
      Requests.push_back(Request);
      return std::intptr_t{42};
    });
    QFile Readme(Folder.filePath("readme.txt"));
    EXPECT_TRUE(Readme.open(QIODevice::WriteOnly));
  }
  ~TShellOpen() override { SetShellExecuteHook(Previous); }

  std::string InFolder(const char* Name) const {
    return Folder.filePath(Name).toLocal8Bit().toStdString();
  }

  TShellExecuteHook Previous;
  std::vector<TShellRequest> Requests;
  QTemporaryDir Folder;
  QWidget Window;
};

}  // namespace

TEST_F(TShellOpen, TheHookSeesEverythingPassedAndItsAnswerIsReturned) {
  EXPECT_EQ(ShellExecuteA(&Window, "open", HomePage, nullptr, nullptr, SW_SHOWNORMAL), 42);
  ASSERT_EQ(Requests.size(), 1U);
  const TShellRequest& Request = Requests[0];
  EXPECT_EQ(Request.Owner, &Window);
  EXPECT_EQ(Request.Operation, "open");
  EXPECT_EQ(Request.File, HomePage);
  EXPECT_EQ(Request.Parameters, std::nullopt);
  EXPECT_EQ(Request.Directory, std::nullopt);
  EXPECT_EQ(Request.ShowCmd, SW_SHOWNORMAL);
}

TEST_F(TShellOpen, ANullVerbMeansOpenAndTheVerbIgnoresCase) {
  EXPECT_GT(ShellExecuteA(nullptr, nullptr, "mailto:someone@quorvel.example", nullptr, nullptr,
                          SW_SHOWNORMAL),
            32);
  EXPECT_GT(ShellExecuteA(nullptr, "Open", HomePage, nullptr, nullptr, SW_SHOWNORMAL), 32);
  ASSERT_EQ(Requests.size(), 2U);
  EXPECT_EQ(Requests[0].Operation, "open");
  EXPECT_EQ(Requests[0].Owner, nullptr);
  EXPECT_EQ(Requests[1].Operation, "Open");
}

TEST_F(TShellOpen, AnUnknownVerbOpensNothing) {
  for (const char* Verb : {"print", "edit", "explore", ""})
    EXPECT_EQ(ShellExecuteA(&Window, Verb, HomePage, nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC)
        << Verb;
  EXPECT_TRUE(Requests.empty());
}

TEST_F(TShellOpen, AFileIsFoundInTheDirectoryAndParametersPassThrough) {
  const std::string Directory = Folder.path().toLocal8Bit().toStdString();
  EXPECT_EQ(ShellExecuteA(nullptr, "open", "readme.txt", "-v", Directory.c_str(), 3), 42);
  const std::string Absolute = InFolder("readme.txt");
  EXPECT_EQ(ShellExecuteA(nullptr, "open", Absolute.c_str(), nullptr, "/no/such/folder", 0), 42);
  const std::string Url = "file://" + Absolute;
  EXPECT_EQ(ShellExecuteA(nullptr, "open", Url.c_str(), nullptr, nullptr, SW_SHOWNORMAL), 42);
  ASSERT_EQ(Requests.size(), 3U);
  EXPECT_EQ(Requests[0].File, "readme.txt");
  EXPECT_EQ(Requests[0].Parameters, "-v");
  EXPECT_EQ(Requests[0].Directory, Directory);
  EXPECT_EQ(Requests[0].ShowCmd, 3);
  EXPECT_EQ(Requests[2].File, Url);
}

TEST_F(TShellOpen, AFileThatIsNotThereOpensNothing) {
  const std::string Directory = Folder.path().toLocal8Bit().toStdString();
  const std::string Missing = InFolder("missing.txt");
  EXPECT_EQ(ShellExecuteA(nullptr, "open", Missing.c_str(), nullptr, nullptr, SW_SHOWNORMAL),
            SE_ERR_FNF);
  EXPECT_EQ(
      ShellExecuteA(nullptr, "open", "missing.txt", nullptr, Directory.c_str(), SW_SHOWNORMAL),
      SE_ERR_FNF);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", ("file://" + Missing).c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL),
            SE_ERR_FNF);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
  // A name without a scheme is a file, even one that looks like a host.
  EXPECT_EQ(
      ShellExecuteA(nullptr, "open", "quorvel.example", nullptr, Directory.c_str(), SW_SHOWNORMAL),
      SE_ERR_FNF);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", "readme.txt", nullptr, "/no/such/folder", SW_SHOWNORMAL),
            SE_ERR_PNF);
  EXPECT_TRUE(Requests.empty());
}
