// The targets file of quorvel-monitor: one target a line, "HOST [INTERVAL]",
// blank lines and '#' comments passed over. Read at start and again on SIGHUP.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/SysUtils.h"

// The file cannot be read or a line is not a target; the message names the
// file and the line.
class ETargetsFileError : public Exception {
 public:
  using Exception::Exception;
};

struct TTargetEntry {
  std::string Host;
  // Its own time between two probes; none: the program's.
  std::optional<std::chrono::nanoseconds> Interval;
  friend bool operator==(const TTargetEntry&, const TTargetEntry&) = default;
};

// The targets in AText, in their order, a host given twice taken once with
// its last interval. Raises ETargetsFileError naming AFile and the line.
std::vector<TTargetEntry> ParseTargets(std::string_view AText, const std::string& AFile);

// The file's targets; raises ETargetsFileError when it cannot be read.
std::vector<TTargetEntry> ReadTargetsFile(const std::string& AFile);
