#include "version/QKVersion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/kernel/LastError.h"
#include "platform/version/VersionFixture.h"
#include "platform/version/VersionWriter.h"

using namespace quorvel::version;
using quorvel::test::TFixtureFolder;
using quorvel::test::TRcVersion;

namespace {

TRcVersion Rc(std::array<std::uint16_t, 4> FileVersion, std::vector<quorvel::test::TRcTable> Tables,
              std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations) {
  TRcVersion R;
  R.FileVersion = FileVersion;
  R.ProductVersion = {9, 9, 9, 9};
  R.Tables = std::move(Tables);
  R.Translations = std::move(Translations);
  return R;
}

const quorvel::test::TRcTable EnglishTable{
    "040904E4",
    {{"ProductVersion", "1.3 beta"}, {"ProductName", "Fixture"}, {"CompanyName", "Makers"}}};

class QKVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Version = new TQKVersion(Owner.get());
    Version->OnError = [this](TComponent* Sender) { Senders.push_back(Sender); };
  }

  const std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
  TQKVersion* Version = nullptr;
  std::vector<TComponent*> Senders;
  TFixtureFolder Folder;
};

}  // namespace

TEST_F(QKVersionTest, StartsEmptyAndReadsNothingBeforeAName) {
  EXPECT_EQ(Version->FileName(), "");
  EXPECT_EQ(Version->VersionText(), "0.0.0.0");
  EXPECT_EQ(Version->LastError(), 0u);
  EXPECT_EQ(Version->ProductVersion(), "");
  EXPECT_EQ(Version->ProductName(), "");
  EXPECT_EQ(Version->CompanyName(), "");
  EXPECT_TRUE(Senders.empty());
  EXPECT_EQ(Version->Owner(), Owner.get());
}

TEST_F(QKVersionTest, ReadsTheNumbersAndStringsOfAFile) {
  Version->SetFileName(
      Folder.MakePe("a.exe", Rc({10, 0, 12, 345}, {EnglishTable}, {{0x409, 1252}})));
  EXPECT_EQ(Version->Major(), 10);
  EXPECT_EQ(Version->Minor(), 0);
  EXPECT_EQ(Version->Release(), 12);
  EXPECT_EQ(Version->Build(), 345);
  EXPECT_EQ(Version->VersionText(), "10.0.12.345");  // the file version, not the product's
  EXPECT_EQ(Version->ProductVersion(), "1.3 beta");
  EXPECT_EQ(Version->ProductName(), "Fixture");
  EXPECT_EQ(Version->CompanyName(), "Makers");
  EXPECT_TRUE(Senders.empty());
  EXPECT_EQ(Version->LastError(), 0u);
}

TEST_F(QKVersionTest, ShowsTheProgramsOwnVersion) {
  Version->SetFileName(QUORVEL_PROGRAM);
  EXPECT_EQ(Version->VersionText(), QUORVEL_FILE_VERSION);
  EXPECT_EQ(Version->ProductVersion(), QUORVEL_VERSION);
  EXPECT_EQ(Version->ProductName(), "Quorvel");
  EXPECT_EQ(Version->CompanyName(), "The Quorvel developers");
}

TEST_F(QKVersionTest, UsesOnlyTheFirstTranslationForTheStrings) {
  const quorvel::test::TRcTable German{
      "040704B0",
      {{"ProductVersion", "2"}, {"ProductName", "Vorrichtung"}, {"CompanyName", "Hersteller"}}};
  Version->SetFileName(Folder.MakePe(
      "a.exe", Rc({1, 0, 0, 0}, {German, EnglishTable}, {{0x407, 0x4B0}, {0x409, 1252}})));
  EXPECT_EQ(Version->ProductName(), "Vorrichtung");
  EXPECT_EQ(Version->CompanyName(), "Hersteller");
  // A first translation without its table finds no strings at all.
  Version->SetFileName(
      Folder.MakePe("b.exe", Rc({1, 0, 0, 0}, {EnglishTable}, {{0x407, 0x4B0}, {0x409, 1252}})));
  EXPECT_EQ(Version->ProductName(), "Vorrichtung");
}

TEST_F(QKVersionTest, ASecondFileWithoutStringsKeepsTheFirstOnesStrings) {
  Version->SetFileName(Folder.MakePe("a.exe", Rc({1, 2, 3, 4}, {EnglishTable}, {{0x409, 1252}})));
  Version->SetFileName(Folder.MakePe("b.exe", Rc({5, 6, 7, 8}, {}, {})));
  EXPECT_EQ(Version->VersionText(), "5.6.7.8");
  EXPECT_EQ(Version->ProductName(), "Fixture");
  // A table that lacks one string keeps just that one.
  Version->SetFileName(Folder.MakePe(
      "c.exe", Rc({1, 0, 0, 0}, {{"040904E4", {{"ProductName", "Other"}}}}, {{0x409, 1252}})));
  EXPECT_EQ(Version->ProductName(), "Other");
  EXPECT_EQ(Version->CompanyName(), "Makers");
  EXPECT_EQ(Version->ProductVersion(), "1.3 beta");
}

TEST_F(QKVersionTest, AFileWithoutVersionInformationReportsAndShowsZeros) {
  Version->SetFileName(Folder.MakePe("a.exe", Rc({1, 2, 3, 4}, {EnglishTable}, {{0x409, 1252}})));
  Version->SetFileName(Folder.Path("missing.exe"));
  EXPECT_EQ(Version->FileName(), Folder.Path("missing.exe"));
  EXPECT_EQ(Version->LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Senders, std::vector<TComponent*>{Version});
  EXPECT_EQ(Version->VersionText(), "0.0.0.0");
  EXPECT_EQ(Version->ProductName(), "Fixture");

  Version->SetFileName(Folder.MakePeWithoutResources("plain.exe"));
  EXPECT_EQ(Version->LastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
  Version->SetFileName(Folder.MakePe("a.exe", Rc({1, 2, 3, 4}, {}, {})));
  EXPECT_EQ(Version->LastError(), ERROR_RESOURCE_DATA_NOT_FOUND);  // kept by a good read
  EXPECT_EQ(Senders.size(), 2u);

  Version->OnError = nullptr;
  Version->SetFileName("");
  EXPECT_EQ(Version->LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(QKVersionTest, AssigningTheSameNameReadsTheFileAgain) {
  const std::string Path = Folder.Path("same.exe");
  std::filesystem::copy_file(Folder.MakePe("a.exe", Rc({1, 0, 0, 0}, {}, {})), Path);
  Version->SetFileName(Path);
  std::filesystem::copy_file(Folder.MakePe("b.exe", Rc({2, 0, 0, 0}, {}, {})), Path,
                             std::filesystem::copy_options::overwrite_existing);
  Version->SetFileName(Path);
  EXPECT_EQ(Version->VersionText(), "2.0.0.0");
  std::filesystem::remove(Path);
  Version->SetFileName(Path);
  Version->SetFileName(Path);
  EXPECT_EQ(Senders.size(), 2u);
}

TEST_F(QKVersionTest, IgnoresAFixedBlockThatIsMissingShortOrUnsigned) {
  TVersionContent Content;
  Content.FileVersion = {4, 3, 2, 1};
  Content.Language = 0x0409;
  Content.CodePage = 0x04E4;
  Content.Strings = {{"ProductName", "No fixed block"}};
  TVersionNode Node = VersionInfoNode(Content);
  Version->SetFileName(Folder.MakeElf("good.o", EncodeVersionNode(Node)));
  EXPECT_EQ(Version->VersionText(), "4.3.2.1");

  for (auto Fixed : {std::vector<std::uint8_t>(), std::vector<std::uint8_t>(16, 0xFF),
                     std::vector<std::uint8_t>(52, 0x11)}) {
    Node.Value = Fixed;
    Version->SetFileName(Folder.MakeElf("bad.o", EncodeVersionNode(Node)));
    EXPECT_EQ(Version->VersionText(), "0.0.0.0") << Fixed.size();
    EXPECT_EQ(Version->ProductName(), "No fixed block");
  }
  EXPECT_TRUE(Senders.empty());
}
