#include "app/service/ServiceOptions.h"

#include <charconv>
#include <cmath>

#include "wire/Address.h"

namespace {

// "ADDR:PORT", the address IPv4 or, in brackets, IPv6.
bool ValidListen(std::string_view AText) {
  const std::size_t Colon = AText.rfind(':');
  if (Colon == std::string_view::npos) return false;
  std::string_view Address = AText.substr(0, Colon);
  const std::string_view PortText = AText.substr(Colon + 1);
  unsigned Port = 0;
  const auto [Past, Error] =
      std::from_chars(PortText.data(), PortText.data() + PortText.size(), Port);
  if (Error != std::errc() || Past != PortText.data() + PortText.size() || Port == 0 ||
      Port > 65535)
    return false;
  const bool Bracketed = Address.starts_with('[') && Address.ends_with(']');
  if (Bracketed) Address = Address.substr(1, Address.size() - 2);
  const auto Parsed = quorvel::wire::ParseAddress(Address);
  return Parsed && (Parsed->family == quorvel::wire::Family::kIpv6) == Bracketed;
}

std::chrono::nanoseconds DurationOption(std::string_view AName, std::string_view AValue) {
  const auto Span = ParseDuration(AValue);
  if (!Span)
    throw EServiceOptionError(
        Format("%s needs a time from 1ms to 60m, such as 1s or 500ms, not \"%s\"",
               {std::string(AName), std::string(AValue)}));
  return *Span;
}

}  // namespace

std::optional<std::chrono::nanoseconds> ParseDuration(std::string_view AText) {
  double Scale = 1e9;
  if (AText.ends_with("ms")) {
    Scale = 1e6;
    AText.remove_suffix(2);
  } else if (AText.ends_with('s')) {
    AText.remove_suffix(1);
  } else if (AText.ends_with('m')) {
    Scale = 60e9;
    AText.remove_suffix(1);
  }
  double Value = 0;
  const auto [Past, Error] =
      std::from_chars(AText.data(), AText.data() + AText.size(), Value, std::chars_format::fixed);
  if (AText.empty() || Error != std::errc() || Past != AText.data() + AText.size())
    return std::nullopt;
  const double Nanoseconds = Value * Scale;
  if (!std::isfinite(Nanoseconds) || Nanoseconds < 1e6 || Nanoseconds > 3600e9) return std::nullopt;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(Nanoseconds));
}

TServiceOptions ParseServiceOptions(const std::vector<std::string>& AArguments) {
  TServiceOptions Options;
  bool OnlyTargets = false;
  for (std::size_t Index = 0; Index < AArguments.size(); ++Index) {
    const std::string& Argument = AArguments[Index];
    if (OnlyTargets || !Argument.starts_with('-')) {
      Options.Targets.push_back(Argument);
      continue;
    }
    if (Argument == "--") {
      OnlyTargets = true;
      continue;
    }
    const std::size_t Equals = Argument.find('=');
    const std::string Name = Argument.substr(0, Equals);
    std::string Value;
    if (Equals != std::string::npos)
      Value = Argument.substr(Equals + 1);
    else if (Index + 1 < AArguments.size() && (Name == "--listen" || Name == "--interval" ||
                                               Name == "--timeout" || Name == "--targets"))
      Value = AArguments[++Index];
    else
      throw EServiceOptionError(
          Format("unknown option \"%s\" or one without its value; see --help", {Argument}));
    if (Name == "--listen") {
      if (!ValidListen(Value))
        throw EServiceOptionError(Format(
            "--listen needs ADDR:PORT, such as 127.0.0.1:9427 or [::1]:9427, not \"%s\"", {Value}));
      Options.Listen = Value;
    } else if (Name == "--interval") {
      Options.Interval = DurationOption(Name, Value);
    } else if (Name == "--timeout") {
      Options.Timeout = DurationOption(Name, Value);
    } else if (Name == "--targets") {
      if (Value.empty()) throw EServiceOptionError("--targets needs the name of a file");
      Options.TargetsFile = Value;
    } else {
      throw EServiceOptionError(Format("unknown option \"%s\"; see --help", {Argument}));
    }
  }
  return Options;
}

std::string ServiceHelpText() {
  return "Usage: quorvel-monitor [OPTION]... [TARGET]...\n"
         "Pings every TARGET (an IPv4 or IPv6 address, or a host name) and serves\n"
         "their figures to Prometheus.\n"
         "\n"
         "  --listen ADDR:PORT  where to serve HTTP (default 127.0.0.1:9427; [::1]:9427\n"
         "                      for IPv6): /metrics, and /probe?target=HOST&module=icmp\n"
         "  --interval D        time between two probes of a target (default 1s)\n"
         "  --timeout D         how long a probe waits for its reply (default 1s)\n"
         "  --targets FILE      more targets, one a line: HOST [INTERVAL]; '#' starts a\n"
         "                      comment. The file is read again on SIGHUP.\n"
         "  --help              show this text and exit\n"
         "  --version           show the version and exit\n"
         "\n"
         "D is a number with the unit ms, s or m, such as 500ms or 2s.\n"
         "Exit status: 0 when stopped by SIGTERM or SIGINT, 2 for bad options, a port\n"
         "that cannot be listened on or a targets file that cannot be read.\n";
}
