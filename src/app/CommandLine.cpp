#include "app/CommandLine.h"

namespace {

constexpr std::string_view LogOption = "--log";

bool IsHelp(std::string_view AArgument) { return AArgument == "--help" || AArgument == "-h"; }

void SetLogFile(TCommandLine& ALine, std::string_view AFile) {
  if (!ALine.LogFile.empty()) throw ECommandLineError("--log is given more than once");
  if (AFile.empty()) throw ECommandLineError("--log needs the name of a file");
  ALine.LogFile = AFile;
}

void SetHost(TCommandLine& ALine, const std::string& AHost) {
  if (ALine.Host)
    throw ECommandLineError(Format("only one host can be given, not also %s", {AHost}));
  ALine.Host = AHost;
}

}  // namespace

bool HelpRequested(const std::vector<std::string>& AArguments) {
  for (const std::string& Argument : AArguments) {
    if (Argument == "--") return false;
    if (IsHelp(Argument)) return true;
  }
  return false;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& AArguments) {
  TCommandLine Line;
  bool Options = true;
  for (std::size_t Index = 0; Index < AArguments.size(); ++Index) {
    const std::string& Argument = AArguments[Index];
    if (!Options || Argument.empty() || Argument[0] != '-' || Argument == "-") {
      SetHost(Line, Argument);
    } else if (Argument == "--") {
      Options = false;
    } else if (Argument == LogOption) {
      if (Index + 1 == AArguments.size()) throw ECommandLineError("--log needs the name of a file");
      SetLogFile(Line, AArguments[++Index]);
    } else if (Argument.starts_with(std::string(LogOption) + "=")) {
      SetLogFile(Line, std::string_view(Argument).substr(LogOption.size() + 1));
    } else {
      throw ECommandLineError(Format("unknown option %s", {Argument}));
    }
  }
  return Line;
}

std::string HelpText(std::string_view AProgram) {
  return Format(
      "Usage: %s [--log FILE] [HOST]\n"
      "A ping tool with a live response-time chart.\n"
      "\n"
      "  HOST        put HOST in the host box at start\n"
      "  --log FILE  append every finished attempt to FILE as one JSON line\n"
      "  -h, --help  show this help and end\n",
      {AProgram});
}
