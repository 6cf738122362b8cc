// The program's command line: `quorvel [--log FILE] [HOST]` and `--help`.
// Parsed from the arguments that remain once the toolkit has taken its own.
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

// The arguments after the program's name: "--log FILE" or "--log=FILE" once,
// at most one host, and "--" before a host that starts with "-". Raises
// ECommandLineError for anything else.
TCommandLine ParseCommandLine(const std::vector<std::string>& AArguments);

// What `--help` prints.
std::string HelpText(std::string_view AProgram);
