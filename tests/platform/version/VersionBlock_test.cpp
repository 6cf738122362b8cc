#include "platform/version/VersionBlock.h"

#include <gtest/gtest.h>

#include "platform/version/VersionWriter.h"

using namespace quorvel::version;

namespace {

std::vector<std::uint8_t> Sample() {
  TVersionContent C;
  C.FileVersion = {1, 2, 3, 4};
  C.Strings = {{"ProductName", "Quorvel"}, {"CompanyName", "Makers"}};
  return EncodeVersionNode(VersionInfoNode(C));
}

void Put16(std::vector<std::uint8_t>& B, std::size_t At, std::uint16_t V) {
  B.at(At) = static_cast<std::uint8_t>(V);
  B.at(At + 1) = static_cast<std::uint8_t>(V >> 8);
}

}  // namespace

TEST(VersionBlock, ReadsTheRootWithItsFixedValueAndChildren) {
  const std::vector<std::uint8_t> B = Sample();
  const std::optional<TVersionBlock> Root = ReadVersionRoot(B.data(), B.size());
  ASSERT_TRUE(Root);
  EXPECT_EQ(Root->End, B.size());
  EXPECT_EQ(Root->KeyUnits, 15u);
  EXPECT_EQ(Root->ValueOffset, 40u);  // 6 + 32 bytes of key, on a 32-bit boundary
  EXPECT_EQ(Root->ValueSize, 52u);
  EXPECT_FALSE(Root->Text);
  const std::vector<TVersionBlock> Children = ChildBlocks(B.data(), *Root);
  ASSERT_EQ(Children.size(), 2u);
  EXPECT_TRUE(KeyIs(B.data(), Children[0], "StringFileInfo"));
  EXPECT_TRUE(KeyIs(B.data(), Children[1], "VarFileInfo"));
  EXPECT_EQ(AllVersionBlocks(B.data(), *Root).size(), 7u);
}

TEST(VersionBlock, FindsPathsByKeyInAnyCase) {
  const std::vector<std::uint8_t> B = Sample();
  const TVersionBlock Root = *ReadVersionRoot(B.data(), B.size());
  EXPECT_EQ(FindVersionBlock(B.data(), Root, "\\")->Offset, 0u);
  const std::optional<TVersionBlock> Name =
      FindVersionBlock(B.data(), Root, "\\stringfileinfo\\040904b0\\PRODUCTNAME");
  ASSERT_TRUE(Name);
  EXPECT_TRUE(Name->Text);
  EXPECT_EQ(Name->ValueSize, 16u);  // "Quorvel" and its zero
  EXPECT_TRUE(FindVersionBlock(B.data(), Root, "\\\\StringFileInfo\\\\040904B0\\CompanyName"));
  EXPECT_FALSE(FindVersionBlock(B.data(), Root, "\\StringFileInfo\\040904B0\\Company"));
  EXPECT_FALSE(FindVersionBlock(B.data(), Root, "\\StringFileInfo\\040904B0\\CompanyNameX"));
  EXPECT_FALSE(FindVersionBlock(B.data(), Root, "\\VarFileInfo\\Translation\\More"));
}

TEST(VersionBlock, RejectsRootsThatAreCutShortOrMisnamed) {
  std::vector<std::uint8_t> B = Sample();
  EXPECT_FALSE(ReadVersionRoot(B.data(), 0));
  EXPECT_FALSE(ReadVersionRoot(B.data(), 5));
  EXPECT_FALSE(ReadVersionRoot(B.data(), B.size() - 1));  // its length passes the end
  std::vector<std::uint8_t> Short = B;
  Put16(Short, 0, 5);
  EXPECT_FALSE(ReadVersionRoot(Short.data(), Short.size()));
  std::vector<std::uint8_t> NoZero = B;
  Put16(NoZero, 0, 20);  // the key's zero lies beyond the block
  EXPECT_FALSE(ReadVersionRoot(NoZero.data(), NoZero.size()));
  Put16(B, 6, 'W');
  EXPECT_FALSE(ReadVersionRoot(B.data(), B.size()));
}

TEST(VersionBlock, CutsValuesAtTheirBlockAndStopsAtAChildThatDoesNotFit) {
  std::vector<std::uint8_t> B = Sample();
  Put16(B, 2, 0xFFFF);  // the fixed value claims more than the root holds
  TVersionBlock Root = *ReadVersionRoot(B.data(), B.size());
  EXPECT_EQ(Root.ValueOffset + Root.ValueSize, Root.End);
  EXPECT_TRUE(ChildBlocks(B.data(), Root).empty());

  B = Sample();
  Root = *ReadVersionRoot(B.data(), B.size());
  const TVersionBlock Strings = ChildBlocks(B.data(), Root)[0];
  Put16(B, Strings.Offset, static_cast<std::uint16_t>(B.size()));  // past the root's end
  Root = *ReadVersionRoot(B.data(), B.size());
  EXPECT_TRUE(ChildBlocks(B.data(), Root).empty());
}

TEST(VersionBlock, WalksDeepNestingWithoutRecursion) {
  TVersionNode Deep{"VS_VERSION_INFO", {}, {}};
  TVersionNode* Tip = &Deep;
  for (int I = 0; I < 3000; ++I) {
    Tip->Children.push_back({"k", {}, {}});
    Tip = &Tip->Children.back();
  }
  // Each level is 12 bytes, so the lengths wrap beyond 5461 levels; 3000 fit.
  const std::vector<std::uint8_t> B = EncodeVersionNode(Deep);
  const TVersionBlock Root = *ReadVersionRoot(B.data(), B.size());
  EXPECT_EQ(AllVersionBlocks(B.data(), Root).size(), 3001u);
}
