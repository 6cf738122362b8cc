#include "app/service/TargetsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "app/service/ServiceOptions.h"

namespace {

// Longer than any host name or address text.
constexpr std::size_t HostLimit = 253;
// A larger file is no list of targets.
constexpr std::size_t FileLimit = 16 << 20;

std::vector<std::string_view> Words(std::string_view ALine) {
  std::vector<std::string_view> Result;
  constexpr std::string_view Blanks = " \t\r";
  for (std::size_t At = ALine.find_first_not_of(Blanks); At != std::string_view::npos;
       At = ALine.find_first_not_of(Blanks, At)) {
    const std::size_t End = std::min(ALine.find_first_of(Blanks, At), ALine.size());
    Result.push_back(ALine.substr(At, End - At));
    At = End;
  }
  return Result;
}

}  // namespace

std::vector<TTargetEntry> ParseTargets(std::string_view AText, const std::string& AFile) {
  std::vector<TTargetEntry> Targets;
  std::int64_t Number = 0;
  while (!AText.empty()) {
    const std::size_t End = std::min(AText.find('\n'), AText.size());
    std::string_view Line = AText.substr(0, End);
    AText.remove_prefix(std::min(End + 1, AText.size()));
    ++Number;
    Line = Line.substr(0, Line.find('#'));
    const std::vector<std::string_view> Fields = Words(Line);
    if (Fields.empty()) continue;
    const auto Fail = [&](const char* AWhy) {
      throw ETargetsFileError(Format("%s, line %d: %s", {AFile, Number, AWhy}));
    };
    if (Fields.size() > 2) Fail("expected HOST [INTERVAL]");
    if (Fields[0].size() > HostLimit) Fail("the host is too long");
    if (Fields[0].find('\0') != std::string_view::npos) Fail("the host holds a zero byte");
    TTargetEntry Entry{std::string(Fields[0]), std::nullopt};
    if (Fields.size() == 2) {
      Entry.Interval = ParseDuration(Fields[1]);
      if (!Entry.Interval) Fail("the interval is no time from 1ms to 60m, such as 1s or 500ms");
    }
    const auto Same = std::find_if(Targets.begin(), Targets.end(),
                                   [&](const TTargetEntry& A) { return A.Host == Entry.Host; });
    if (Same != Targets.end())
      *Same = Entry;
    else
      Targets.push_back(std::move(Entry));
  }
  return Targets;
}

std::vector<TTargetEntry> ReadTargetsFile(const std::string& AFile) {
  std::ifstream File(AFile, std::ios::binary);
  if (!File) throw ETargetsFileError(Format("cannot read %s: %s", {AFile, std::strerror(errno)}));
  std::string Text;
  char Chunk[1 << 16];
  while (File.read(Chunk, sizeof Chunk) || File.gcount() > 0) {
    Text.append(Chunk, static_cast<std::size_t>(File.gcount()));
    if (Text.size() > FileLimit) throw ETargetsFileError(Format("%s is too large", {AFile}));
  }
  if (File.bad())
    throw ETargetsFileError(Format("cannot read %s: %s", {AFile, std::strerror(errno)}));
  return ParseTargets(Text, AFile);
}
