// The command line of quorvel-monitor, the program without a window:
// `quorvel-monitor [--listen ADDR:PORT] [--interval D] [--timeout D]
// [--targets FILE] [TARGET...]`, `--help` and `--version`.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/SysUtils.h"

// An option the program does not understand; the message says which.
class EServiceOptionError : public Exception {
 public:
  using Exception::Exception;
};

struct TServiceOptions {
  std::string Listen = "127.0.0.1:9427";
  std::chrono::nanoseconds Interval = std::chrono::seconds(1);
  std::chrono::nanoseconds Timeout = std::chrono::seconds(1);
  std::string TargetsFile;  // empty: none
  std::vector<std::string> Targets;
};

// A time span: a decimal number with the unit "ms", "s" or "m" (seconds
// when none), from 1 ms to an hour; nullopt for anything else.
std::optional<std::chrono::nanoseconds> ParseDuration(std::string_view AText);

// The arguments after the program's name, each option as "--name VALUE" or
// "--name=VALUE", and "--" before targets that start with "-". Raises
// EServiceOptionError for anything else.
TServiceOptions ParseServiceOptions(const std::vector<std::string>& AArguments);

// What `--help` prints.
std::string ServiceHelpText();
