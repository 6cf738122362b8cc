// Feeds arbitrary bytes to the targets file's parser. It either refuses them
// with its own error or gives targets whose settings the page accepts, and
// writing those gives a text that reads back as the same targets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "outputs/TargetFile.h"

namespace {

bool Same(const TTargetSettings& A, const TTargetSettings& B) {
  return A.Host == B.Host && A.Interval == B.Interval && A.TimeOut == B.TimeOut &&
         A.Rule.DownAfterLosses == B.Rule.DownAfterLosses &&
         A.Rule.UpAfterAnswers == B.Rule.UpAfterAnswers &&
         A.Rule.DownLossPercent == B.Rule.DownLossPercent &&
         A.Rule.SlowAboveUs == B.Rule.SlowAboveUs && A.Paused == B.Paused;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  std::vector<TTargetSettings> Targets;
  try {
    Targets = ParseTargetFile(Bytes, 64);
  } catch (const ETargetFileError&) {
    return 0;
  }
  for (const TTargetSettings& T : Targets) CheckTargetSettings(T);
  const std::vector<TTargetSettings> Again = ParseTargetFile(FormatTargetFile(Targets), 64);
  if (Again.size() != Targets.size()) std::abort();
  for (std::size_t I = 0; I < Targets.size(); ++I)
    if (!Same(Targets[I], Again[I])) std::abort();
  return 0;
}
