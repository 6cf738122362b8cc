#include "platform/version/VersionBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "platform/version/VersionBlock.h"
#include "platform/version/VersionWriter.h"

using namespace quorvel::version;

namespace {

// A buffer of exactly the size the library asks for, so that the sanitizers
// see any byte read beyond it.
struct TFilled {
  explicit TFilled(const std::vector<std::uint8_t>& Resource)
      : Size(VersionBufferSize(Resource.size())), Bytes(new std::uint8_t[Size]) {
    FillVersionBuffer(Resource.data(), Bytes.get());
  }
  std::string Text(std::string_view Path) const {
    const std::optional<TVersionValue> V = QueryVersionBuffer(Bytes.get(), Path);
    return V ? std::string(static_cast<const char*>(V->Address)) : "<none>";
  }
  std::size_t Size;
  std::unique_ptr<std::uint8_t[]> Bytes;
};

std::vector<std::uint8_t> Resource(std::vector<TVersionNode> Strings) {
  return EncodeVersionNode(
      {"VS_VERSION_INFO",
       std::vector<std::uint8_t>(52, 0),
       {{"StringFileInfo", {}, {{"040904B0", {}, std::move(Strings)}}},
        {"VarFileInfo", {}, {{"Translation", std::vector<std::uint8_t>{9, 4, 0xB0, 4}, {}}}}}});
}

// Every look-up's bytes lie inside the buffer; a text ends with its zero there.
void ExpectInside(const TFilled& F, std::string_view Path) {
  const std::optional<TVersionValue> V = QueryVersionBuffer(F.Bytes.get(), Path);
  if (!V) return;
  const auto* First = static_cast<const std::uint8_t*>(V->Address);
  ASSERT_GE(First, F.Bytes.get());
  ASSERT_LE(First + V->Length, F.Bytes.get() + F.Size);
}

}  // namespace

TEST(VersionBuffer, GivesTextsAsZeroTerminatedUtf8WithTheirLength) {
  const TFilled F(Resource({{"ProductName", "Quorvel", {}},
                            {"Empty", "", {}},
                            {"Legal",
                             "\xC2\xA9 Gr\xC3\xBC\xC3\x9F"
                             "e \xF0\x9D\x84\x9E",
                             {}}}));
  const std::string Path = "\\StringFileInfo\\040904B0\\";
  const std::optional<TVersionValue> Name = QueryVersionBuffer(F.Bytes.get(), Path + "ProductName");
  ASSERT_TRUE(Name);
  EXPECT_EQ(Name->Length, 8u);
  EXPECT_STREQ(static_cast<const char*>(Name->Address), "Quorvel");
  EXPECT_EQ(QueryVersionBuffer(F.Bytes.get(), Path + "Empty")->Length, 1u);
  EXPECT_EQ(F.Text(Path + "Empty"), "");
  EXPECT_EQ(F.Text(Path + "Legal"),
            "\xC2\xA9 Gr\xC3\xBC\xC3\x9F"
            "e \xF0\x9D\x84\x9E");
  EXPECT_EQ(F.Text(Path + "Missing"), "<none>");
}

TEST(VersionBuffer, GivesBinaryValuesInPlaceAndEmptyTextWithLengthZero) {
  std::vector<std::uint8_t> R = Resource({{"Lone", "ab", {}}, {"Blank", "x", {}}});
  const TVersionBlock Root = *ReadVersionRoot(R.data(), R.size());
  const TVersionBlock Lone = *FindVersionBlock(R.data(), Root, "\\StringFileInfo\\040904B0\\Lone");
  R[Lone.ValueOffset + 1] = 0xDC;  // a low surrogate without its high half
  const TVersionBlock Blank =
      *FindVersionBlock(R.data(), Root, "\\StringFileInfo\\040904B0\\Blank");
  R[Blank.Offset + 2] = 0;  // value length 0
  const TFilled F(R);
  const std::optional<TVersionValue> Fixed = QueryVersionBuffer(F.Bytes.get(), "\\");
  ASSERT_TRUE(Fixed);
  EXPECT_EQ(Fixed->Length, 52u);
  EXPECT_EQ(Fixed->Address, F.Bytes.get() + 40);
  const std::optional<TVersionValue> Translation =
      QueryVersionBuffer(F.Bytes.get(), "\\VarFileInfo\\Translation");
  ASSERT_TRUE(Translation);
  EXPECT_EQ(Translation->Length, 4u);
  EXPECT_EQ(std::memcmp(Translation->Address, "\x09\x04\xB0\x04", 4), 0);
  EXPECT_EQ(F.Text("\\StringFileInfo\\040904B0\\Lone"),
            "\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(QueryVersionBuffer(F.Bytes.get(), "\\StringFileInfo\\040904B0\\Blank")->Length, 0u);
  EXPECT_EQ(F.Text("\\StringFileInfo\\040904B0\\Blank"), "");
}

// A million mutations of a sound resource: bytes changed, lengths set to
// anything, the end cut off. Whatever the parser accepts it must fill and
// look up without a byte read or written outside its buffers, which the
// sanitizer build checks.
TEST(VersionBuffer, SurvivesAMillionMutatedResources) {
  const std::vector<std::uint8_t> Sound = Resource({{"ProductVersion", "1.2.3.4", {}},
                                                    {"ProductName", "Quorvel", {}},
                                                    {"CompanyName", "Q", {}}});
  const char* Paths[] = {
      "\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductVersion",
      "\\StringFileInfo\\040904B0\\ProductName", "\\StringFileInfo\\040904B0\\CompanyName"};
  std::mt19937 Random(20260101);
  std::size_t Accepted = 0;
  for (int Round = 0; Round < 1000000; ++Round) {
    std::vector<std::uint8_t> Mutant = Sound;
    const int Edits = 1 + static_cast<int>(Random() % 4);
    for (int E = 0; E < Edits; ++E) {
      const std::size_t At = Random() % Mutant.size();
      switch (Random() % 3) {
        case 0:
          Mutant[At] = static_cast<std::uint8_t>(Random());
          break;
        case 1:  // a length or value length field, on a 16-bit boundary
          Mutant[At & ~std::size_t{1}] = static_cast<std::uint8_t>(Random());
          Mutant[At | 1] = static_cast<std::uint8_t>(Random() % 2 ? 0 : Random());
          break;
        default:
          Mutant.resize(At);
          break;
      }
      if (Mutant.empty()) break;
    }
    const std::unique_ptr<std::uint8_t[]> Exact(new std::uint8_t[Mutant.size()]);
    std::copy(Mutant.begin(), Mutant.end(), Exact.get());
    const std::optional<TVersionBlock> Root = ReadVersionRoot(Exact.get(), Mutant.size());
    if (!Root) continue;
    ++Accepted;
    std::vector<std::uint8_t> Cut(Exact.get(), Exact.get() + Root->End);
    const TFilled F(Cut);
    for (const char* Path : Paths) ExpectInside(F, Path);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(Accepted, 100000u);
}
