#include "app/cli/CommandLine.h"

#include <initializer_list>

namespace {

constexpr std::string_view LogOption = "--log";

// The options that the toolkit takes out of the arguments when it starts.
struct TToolkitOption {
  std::string_view Name;
  bool TakesValue;
};

constexpr TToolkitOption ToolkitOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowtitle", true},
    {"qwindowicon", true},
    {"geometry", true},
    {"title", true},
    {"icon", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"visual", true},
    {"style", true},
    {"stylesheet", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"qmljsdebugger", false},
};

// The toolkit's option that AArgument names, if it names one.
const TToolkitOption* ToolkitOption(std::string_view AArgument) {
  std::string_view Name = AArgument.substr(AArgument.starts_with("--") ? 2 : 1);
  Name = Name.substr(0, Name.find('='));
  for (const TToolkitOption& Option : ToolkitOptions)
    if (Option.Name == Name) return &Option;
  return nullptr;
}

bool Requested(const std::vector<std::string>& AArguments,
               std::initializer_list<std::string_view> ANames) {
  for (const std::string& Argument : AArguments) {
    if (Argument == "--") return false;
    for (const std::string_view Name : ANames)
      if (Argument == Name) return true;
  }
  return false;
}

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
  return Requested(AArguments, {"--help", "-h"});
}

bool VersionRequested(const std::vector<std::string>& AArguments) {
  return Requested(AArguments, {"--version"});
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
    } else if (const TToolkitOption* Toolkit = ToolkitOption(Argument)) {
      // The toolkit complains itself about a value that is missing.
      if (Toolkit->TakesValue && Argument.find('=') == std::string::npos &&
          Index + 1 < AArguments.size())
        ++Index;
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
      "  -h, --help  show this help and end\n"
      "  --version   show the program's version and end\n",
      {AProgram});
}
