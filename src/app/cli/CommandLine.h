// The program's command line: `quorvel [--log FILE] [HOST]`, `--help` and
// `--version`. Parsed before the toolkit starts, past the toolkit's own options.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/SysUtils.h"

// An argument the program does not understand; the message says which.
class ECommandLineError : public Exception {
 public:
  using Exception::Exception;
};

struct TCommandLine {
  std::string LogFile;              // empty: no log
  std::optional<std::string> Host;  // put in the host box at start
};

// Whether the arguments ask for the help text: "--help" or "-h" before any "--".
bool HelpRequested(const std::vector<std::string>& AArguments);
// Whether they ask for the version: "--version" before any "--".
bool VersionRequested(const std::vector<std::string>& AArguments);

// The arguments after the program's name: "--log FILE" or "--log=FILE" once,
// at most one host, and "--" before a host that starts with "-". The
// toolkit's own options ("-platform NAME", "-style=NAME", "-reverse", ...,
// with one dash or two) are passed over, with their values. Raises
// ECommandLineError for anything else.
TCommandLine ParseCommandLine(const std::vector<std::string>& AArguments);

// What `--help` prints.
std::string HelpText(std::string_view AProgram);
