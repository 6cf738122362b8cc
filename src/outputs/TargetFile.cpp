#include "outputs/TargetFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

#include "outputs/AtomicFile.h"
#include "outputs/FileStart.h"
#include "rtl/FileErrors.h"

namespace {

constexpr const char* Heading =
    "# Quorvel targets: host, interval ms, time-out ms, down after losses, up after answers, "
    "down above loss % (0: off), slow above us (0: off), running or paused\n";
constexpr std::size_t Fields = 8;
// A line's numbers take far fewer bytes than this besides the host.
constexpr std::size_t MaxLineBytes = TTargetSettings::MaxHostBytes + 128;

std::vector<std::string_view> Split(std::string_view ALine, char ASeparator) {
  std::vector<std::string_view> Parts;
  for (std::size_t From = 0;;) {
    const std::size_t At = ALine.find(ASeparator, From);
    Parts.push_back(ALine.substr(From, At - From));
    if (At == std::string_view::npos) return Parts;
    From = At + 1;
  }
}

template <class TNumber>
TNumber Number(std::string_view AText, const char* AName) {
  TNumber Value{};
  const auto [End, Error] = std::from_chars(AText.data(), AText.data() + AText.size(), Value);
  if (AText.empty() || Error != std::errc() || End != AText.data() + AText.size())
    throw ETargetFileError(Format("%s is no number: \"%s\"", {AName, std::string(AText)}));
  return Value;
}

TTargetSettings ParseLine(std::string_view ALine) {
  const std::vector<std::string_view> Parts = Split(ALine, '\t');
  if (Parts.size() != Fields)
    throw ETargetFileError(Format("%s fields where there are %s",
                                  {std::to_string(Parts.size()), std::to_string(Fields)}));
  TTargetSettings Settings;
  Settings.Host = std::string(Parts[0]);
  Settings.Interval = std::chrono::milliseconds(Number<std::int64_t>(Parts[1], "The interval"));
  Settings.TimeOut = std::chrono::milliseconds(Number<std::int64_t>(Parts[2], "The time-out"));
  Settings.Rule.DownAfterLosses = Number<std::uint32_t>(Parts[3], "Down after losses");
  Settings.Rule.UpAfterAnswers = Number<std::uint32_t>(Parts[4], "Up after answers");
  Settings.Rule.DownLossPercent = Number<double>(Parts[5], "The loss threshold");
  Settings.Rule.SlowAboveUs = Number<std::uint64_t>(Parts[6], "The slow threshold");
  if (Parts[7] != "running" && Parts[7] != "paused")
    throw ETargetFileError("The last field is neither \"running\" nor \"paused\"");
  Settings.Paused = Parts[7] == "paused";
  if (Settings.Rule.DownAfterLosses == 0 || Settings.Rule.UpAfterAnswers == 0)
    throw ETargetFileError("A run of losses or answers is at least 1");
  try {
    CheckTargetSettings(Settings);
  } catch (const ETargetError& E) {
    throw ETargetFileError(E.what());
  }
  return Settings;
}

// The loss threshold as the shortest text that reads back the same, with a
// point whatever the locale.
std::string PercentText(double APercent) {
  char Text[32];
  const auto [End, Error] = std::to_chars(Text, Text + sizeof Text, APercent);
  return Error == std::errc() ? std::string(Text, End) : "0";
}

}  // namespace

std::vector<TTargetSettings> ParseTargetFile(std::string_view ABytes, std::size_t AMaxTargets) {
  std::vector<TTargetSettings> Targets;
  std::set<std::string, std::less<>> Hosts;
  std::size_t Number = 0;
  for (std::string_view Line : Split(ABytes, '\n')) {
    ++Number;
    if (Line.ends_with('\r')) Line.remove_suffix(1);
    if (Line.empty() || Line.starts_with('#')) continue;
    try {
      if (Targets.size() == AMaxTargets)
        throw ETargetFileError(Format("More than %s targets", {std::to_string(AMaxTargets)}));
      TTargetSettings Settings = ParseLine(Line);
      if (!Hosts.insert(Settings.Host).second)
        throw ETargetFileError(Format("%s is named twice", {Settings.Host}));
      Targets.push_back(std::move(Settings));
    } catch (const ETargetFileError& E) {
      throw ETargetFileError(Format("line %s: %s", {std::to_string(Number), E.what()}));
    }
  }
  return Targets;
}

std::string FormatTargetFile(const std::vector<TTargetSettings>& ATargets) {
  std::string Text = Heading;
  for (const TTargetSettings& T : ATargets)
    Text += T.Host + '\t' + std::to_string(T.Interval.count()) + '\t' +
            std::to_string(T.TimeOut.count()) + '\t' + std::to_string(T.Rule.DownAfterLosses) +
            '\t' + std::to_string(T.Rule.UpAfterAnswers) + '\t' +
            PercentText(T.Rule.DownLossPercent) + '\t' + std::to_string(T.Rule.SlowAboveUs) + '\t' +
            (T.Paused ? "paused" : "running") + '\n';
  return Text;
}

std::vector<TTargetSettings> LoadTargetFile(const std::string& AFileName) {
  const std::size_t Limit = std::string_view(Heading).size() + TTargets::MaxTargets * MaxLineBytes;
  const std::optional<std::string> Bytes =
      ReadFileStart(AFileName, Limit + 1, TTargets::MaxTargets + 1);
  if (!Bytes) throw EFOpenError(AFileName);
  try {
    if (Bytes->size() > Limit || Bytes->find('\0') != std::string::npos)
      throw ETargetFileError("it is no targets file of this program");
    return ParseTargetFile(*Bytes, TTargets::MaxTargets);
  } catch (const ETargetFileError& E) {
    throw ETargetFileError(Format("The targets file %s cannot be read, %s", {AFileName, E.what()}));
  }
}

void SaveTargetFile(const std::string& AFileName, const std::vector<TTargetSettings>& ATargets) {
  SaveFileWhole(AFileName, FormatTargetFile(ATargets));
}
