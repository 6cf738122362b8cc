#include "app/window/HostFile.h"

#include <algorithm>

namespace {

constexpr std::string_view LineBreak = "\r\n";

}  // namespace

std::vector<std::string> ParseHostFile(std::string_view Bytes, std::size_t MaxHosts) {
  const std::string_view Text = Bytes.substr(0, Bytes.find('\0'));
  std::vector<std::string> Hosts;
  std::size_t Start = 0;
  // Every pass takes a line and its break, so the loop ends within Text.size() passes.
  while (Start < Text.size() && Hosts.size() < MaxHosts) {
    const std::size_t End = std::min(Text.find_first_of("\r\n", Start), Text.size());
    Hosts.emplace_back(Text.substr(Start, End - Start));
    if (End == Text.size()) break;
    Start = End + 1;
    if (Text[End] == '\r' && Start < Text.size() && Text[Start] == '\n') ++Start;
  }
  return Hosts;
}

std::string FormatHostFile(const std::vector<std::string>& Hosts) {
  std::string Bytes;
  for (const std::string& Host : Hosts) {
    Bytes += Host;
    Bytes += LineBreak;
  }
  return Bytes;
}

std::size_t HostFileSize(std::size_t Hosts, std::size_t HostBytes) {
  return Hosts * (HostBytes + LineBreak.size());
}
