// The file of watched targets, "targets.txt" beside the host history: one
// target a line, its host, interval, time-out, health rule and whether it
// runs, separated by tabs, after a comment line naming the fields. The text
// is parsed and made by pure functions; reading and saving follow the
// history's rules: only a plain file of a bounded size is read, and the file
// is replaced whole or not at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/Targets.h"
#include "rtl/SysUtils.h"

// The text of a targets file is not one this program wrote; the message
// names the line and what is wrong with it.
class ETargetFileError : public Exception {
 public:
  using Exception::Exception;
};

// The targets of a file's text, in file order. Blank lines and lines that
// begin with "#" say nothing. Raises ETargetFileError for a line of another
// shape, settings that CheckTargetSettings refuses, a host named twice, or
// more than MaxTargets targets.
std::vector<TTargetSettings> ParseTargetFile(std::string_view ABytes, std::size_t AMaxTargets);
// The text of a file holding ATargets, which ParseTargetFile reads back.
std::string FormatTargetFile(const std::vector<TTargetSettings>& ATargets);

// The targets in the file at AFileName. Raises EFOpenError when it cannot be
// opened or read or is no plain file, and ETargetFileError, naming the file,
// for a text that ParseTargetFile refuses or a file too large for
// TTargets::MaxTargets.
std::vector<TTargetSettings> LoadTargetFile(const std::string& AFileName);
// Replaces the file at AFileName by one holding ATargets; raises what
// SaveFileWhole raises, the old file unchanged.
void SaveTargetFile(const std::string& AFileName, const std::vector<TTargetSettings>& ATargets);
