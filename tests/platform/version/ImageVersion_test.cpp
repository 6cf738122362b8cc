#include "platform/version/ImageVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "platform/kernel/LastError.h"
#include "platform/version/VersionFixture.h"
#include "platform/version/VersionWriter.h"

using namespace quorvel::version;
using quorvel::test::ReadFileBytes;
using quorvel::test::TFixtureFolder;
using quorvel::test::TRcVersion;

namespace {

TRcVersion Rc(int ResourceId = 1) {
  TRcVersion R;
  R.ResourceId = ResourceId;
  R.FileVersion = {3, 1, 4, 1};
  R.Tables = {{"040904B0", {{"ProductName", "Fixture"}}}};
  R.Translations = {{0x0409, 0x04B0}};
  return R;
}

TVersionResource FromBytes(const std::vector<std::uint8_t>& Bytes) {
  // A copy of exactly this size, so that the sanitizers see any read beyond it.
  const std::unique_ptr<std::uint8_t[]> Exact(
      new std::uint8_t[std::max<std::size_t>(Bytes.size(), 1)]);
  std::copy(Bytes.begin(), Bytes.end(), Exact.get());
  return ReadImageVersion(TMemoryImage(Exact.get(), Bytes.size()));
}

void Put32(std::vector<std::uint8_t>& B, std::size_t At, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) B.at(At + I) = static_cast<std::uint8_t>(V >> (8 * I));
}

// The resource data entry: its size, followed by a zero code page and a
// zero reserved word.
std::size_t DataEntrySizeField(const std::vector<std::uint8_t>& Pe, std::size_t Size) {
  for (std::size_t At = 4; At + 12 <= Pe.size(); At += 4)
    if (std::equal(Pe.begin() + At, Pe.begin() + At + 12,
                   std::vector<std::uint8_t>{static_cast<std::uint8_t>(Size),
                                             static_cast<std::uint8_t>(Size >> 8), 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0}
                       .begin()))
      return At;
  return 0;
}

}  // namespace

TEST(ImageVersion, FindsTheResourceThatWindresWroteInAPeFile) {
  const TFixtureFolder Folder;
  const std::vector<std::uint8_t> Resource = Folder.MakeResource(Rc());
  const TVersionResource Found = FromBytes(ReadFileBytes(Folder.MakePe("fixture.exe", Rc())));
  EXPECT_EQ(Found.Error, ERROR_SUCCESS);
  EXPECT_EQ(Found.Bytes, Resource);
}

TEST(ImageVersion, FindsTheVersionSectionOfAnElfFileCutToItsRootBlock) {
  const TFixtureFolder Folder;
  std::vector<std::uint8_t> Section = Folder.MakeResource(Rc());
  const std::vector<std::uint8_t> Resource = Section;
  Section.resize(Section.size() + 64, 0xEE);  // room that a section may have beyond it
  const TVersionResource Found = FromBytes(ReadFileBytes(Folder.MakeElf("image.o", Section)));
  EXPECT_EQ(Found.Error, ERROR_SUCCESS);
  EXPECT_EQ(Found.Bytes, Resource);
}

TEST(ImageVersion, ReportsImagesWithoutAVersionResource) {
  const TFixtureFolder Folder;
  const std::vector<std::uint8_t> Resource = Folder.MakeResource(Rc());
  EXPECT_EQ(FromBytes({}).Error, ERROR_BAD_FORMAT);
  EXPECT_EQ(FromBytes({'h', 'e', 'l', 'l', 'o', '\n'}).Error, ERROR_BAD_FORMAT);
  EXPECT_EQ(FromBytes(Resource).Error, ERROR_BAD_FORMAT);  // a bare resource is no image
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakeElf("other.o", Resource, ".other"))).Error,
            ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakePeWithoutResources("plain.exe"))).Error,
            ERROR_RESOURCE_DATA_NOT_FOUND);
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakePe("second.exe", Rc(2)))).Error,
            ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST(ImageVersion, ReportsResourcesThatPassTheEndOrAreNoVersionBlock) {
  const TFixtureFolder Folder;
  const std::vector<std::uint8_t> Resource = Folder.MakeResource(Rc());
  std::vector<std::uint8_t> Pe = ReadFileBytes(Folder.MakePe("fixture.exe", Rc()));
  const std::size_t SizeField = DataEntrySizeField(Pe, Resource.size());
  ASSERT_NE(SizeField, 0u);
  Put32(Pe, SizeField, 0x7FFFFFF0);
  EXPECT_EQ(FromBytes(Pe).Error, ERROR_INVALID_DATA);
  Put32(Pe, SizeField - 4, 0xFFFFFF00);  // the data's address
  Put32(Pe, SizeField, 16);
  EXPECT_EQ(FromBytes(Pe).Error, ERROR_INVALID_DATA);

  std::vector<std::uint8_t> Longer = Resource;
  Longer[0] = 0xFF;  // the root claims more bytes than the section has
  Longer[1] = 0x7F;
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakeElf("long.o", Longer))).Error, ERROR_INVALID_DATA);
  std::vector<std::uint8_t> Misnamed = Resource;
  Misnamed[6] = 'W';
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakeElf("name.o", Misnamed))).Error, ERROR_INVALID_DATA);
  EXPECT_EQ(FromBytes(ReadFileBytes(Folder.MakeElf("empty.o", {0, 0}))).Error, ERROR_INVALID_DATA);
}

TEST(ImageVersion, ReportsEveryTruncationOfAnImage) {
  const TFixtureFolder Folder;
  const std::vector<std::uint8_t> Resource = Folder.MakeResource(Rc());
  for (const std::vector<std::uint8_t>& Image :
       {ReadFileBytes(Folder.MakePe("fixture.exe", Rc())),
        ReadFileBytes(Folder.MakeElf("image.o", Resource))}) {
    for (std::size_t Size = 0; Size < Image.size(); ++Size) {
      const TVersionResource Found =
          FromBytes(std::vector<std::uint8_t>(Image.begin(), Image.begin() + Size));
      // An ELF file keeps its section headers last, so every cut loses them;
      // a PE file cut only after its resource still has it.
      if (Found.Error == ERROR_SUCCESS) {
        EXPECT_EQ(Found.Bytes, Resource) << Size;
      }
      if (Size < 64) {
        EXPECT_EQ(Found.Error, ERROR_BAD_FORMAT) << Size;
      }
    }
  }
}

// Mutated images through the whole search, with the same rule: any result,
// but no byte read outside the image, which the sanitizer build checks.
TEST(ImageVersion, SurvivesMutatedImages) {
  const TFixtureFolder Folder;
  const std::vector<std::uint8_t> Resource = Folder.MakeResource(Rc());
  std::mt19937 Random(7);
  for (const std::vector<std::uint8_t>& Image :
       {ReadFileBytes(Folder.MakePe("fixture.exe", Rc())),
        ReadFileBytes(Folder.MakeElf("image.o", Resource))}) {
    for (int Round = 0; Round < 100000; ++Round) {
      std::vector<std::uint8_t> Mutant = Image;
      // Whole words, where the offsets and sizes of the headers live.
      for (int E = 0; E < 2; ++E) {
        const std::uint32_t Word = Random() % 2 ? Random() % 0x2000 : Random();
        Put32(Mutant, (Random() % (Mutant.size() - 4)) & ~std::size_t{1}, Word);
      }
      const TVersionResource Found = FromBytes(Mutant);
      if (Found.Error == ERROR_SUCCESS) {
        EXPECT_LE(Found.Bytes.size(), MaxResourceSize);
      }
    }
  }
}
