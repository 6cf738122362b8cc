#include "platform/version/VersionWriter.h"

#include <gtest/gtest.h>

#include "platform/version/VersionFixture.h"

using namespace quorvel::version;
using quorvel::test::TFixtureFolder;
using quorvel::test::TRcVersion;

namespace {

// The same content as an .rc text and as the writer's input.
TVersionContent Content() {
  TVersionContent C;
  C.FileVersion = {2, 7, 1, 8};
  C.ProductVersion = {2, 7, 0, 0};
  C.FileOS = 0x40004;
  C.Language = 0x0409;
  C.CodePage = 0x04B0;
  C.Strings = {{"CompanyName", "The Quorvel developers"},
               {"FileVersion", "2.7.1.8"},
               {"ProductName", "Quorvel"},
               {"LegalCopyright",
                "\xC2\xA9 2026 Gr\xC3\xBC\xC3\x9F"
                "e"}};
  return C;
}

TRcVersion Rc(const TVersionContent& C) {
  TRcVersion R;
  R.FileVersion = C.FileVersion;
  R.ProductVersion = C.ProductVersion;
  R.FileFlagsMask = C.FileFlagsMask;
  R.FileOS = C.FileOS;
  R.FileType = C.FileType;
  R.Tables = {{"040904B0", C.Strings}};
  R.Translations = {{C.Language, C.CodePage}};
  return R;
}

}  // namespace

TEST(VersionWriter, WritesTheBytesThatWindresWritesForTheSameContent) {
  const TFixtureFolder Folder;
  const TVersionContent C = Content();
  EXPECT_EQ(EncodeVersionNode(VersionInfoNode(C)), Folder.MakeResource(Rc(C)));
}

TEST(VersionWriter, WritesContainersTextAndBinaryValuesWithTheirTypes) {
  const std::vector<std::uint8_t> Bytes =
      EncodeVersionNode({"A", std::vector<std::uint8_t>{1, 2, 3}, {{"B", {}, {{"C", "xy", {}}}}}});
  // "A": header 6, key 4, value 3 at 12, child "B" at 16; its child "C" at
  // 28 with its value at 40.
  ASSERT_EQ(Bytes.size(), 46u);
  EXPECT_EQ(Bytes[0], Bytes.size());
  EXPECT_EQ(Bytes[2], 3u);  // value bytes
  EXPECT_EQ(Bytes[4], 0u);  // binary
  EXPECT_EQ(Bytes[16], 30u);
  EXPECT_EQ(Bytes[16 + 2], 0u);  // "B" has no value
  EXPECT_EQ(Bytes[16 + 4], 1u);
  EXPECT_EQ(Bytes[28 + 2], 3u);  // "xy" and its zero, in UTF-16 units
  EXPECT_EQ(Bytes[28 + 4], 1u);
}
