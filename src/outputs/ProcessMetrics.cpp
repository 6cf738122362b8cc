#include "outputs/ProcessMetrics.h"

#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Fields counted from the state, the first one after the command name.
constexpr std::size_t UserField = 11;
constexpr std::size_t SystemField = 12;
constexpr std::size_t StartField = 19;
constexpr std::size_t VirtualField = 20;
constexpr std::size_t ResidentField = 21;

prometheus::MetricFamily Single(const char* AName, const char* AHelp, prometheus::MetricType AType,
                                double AValue) {
  prometheus::ClientMetric Metric;
  if (AType == prometheus::MetricType::Counter)
    Metric.counter.value = AValue;
  else
    Metric.gauge.value = AValue;
  return {AName, AHelp, AType, {Metric}};
}

double OpenDescriptors() {
  std::error_code Error;
  const std::filesystem::directory_iterator Entries("/proc/self/fd", Error);
  return Error ? 0 : static_cast<double>(std::distance(Entries, {}));
}

double SecondsOf(clockid_t AClock) {
  timespec Now{};
  ::clock_gettime(AClock, &Now);
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) / 1e9;
}

}  // namespace

std::optional<TProcessStat> ParseProcessStat(std::string_view AText) {
  const std::size_t NameEnd = AText.rfind(')');
  if (NameEnd == std::string_view::npos) return std::nullopt;
  std::string_view Rest = AText.substr(NameEnd + 1);
  std::uint64_t Fields[ResidentField + 1] = {};
  for (std::size_t Field = 0; Field <= ResidentField; ++Field) {
    const std::size_t Start = Rest.find_first_not_of(' ');
    if (Start == std::string_view::npos) return std::nullopt;
    Rest.remove_prefix(Start);
    const std::size_t End = std::min(Rest.find_first_of(" \n"), Rest.size());
    // The state is a letter, and some fields skipped here may be negative.
    const bool Wanted = Field == UserField || Field == SystemField || Field >= StartField;
    if (Wanted) {
      const auto [Past, Error] = std::from_chars(Rest.data(), Rest.data() + End, Fields[Field]);
      if (Error != std::errc() || Past != Rest.data() + End) return std::nullopt;
    }
    Rest.remove_prefix(End);
  }
  return TProcessStat{Fields[UserField], Fields[SystemField], Fields[StartField],
                      Fields[VirtualField], Fields[ResidentField]};
}

std::vector<prometheus::MetricFamily> TProcessMetrics::Collect() const {
  using prometheus::MetricType;
  std::vector<prometheus::MetricFamily> Families;
  rlimit Limit{};
  if (::getrlimit(RLIMIT_NOFILE, &Limit) == 0)
    Families.push_back(Single("process_max_fds", "Most open file descriptors", MetricType::Gauge,
                              static_cast<double>(Limit.rlim_cur)));
  Families.push_back(
      Single("process_open_fds", "Open file descriptors", MetricType::Gauge, OpenDescriptors()));
  std::ifstream File("/proc/self/stat");
  const std::string Text((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  const std::optional<TProcessStat> Stat = ParseProcessStat(Text);
  if (!Stat) return Families;
  const auto Ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
  const auto PageSize = static_cast<double>(::sysconf(_SC_PAGESIZE));
  const double Started = SecondsOf(CLOCK_REALTIME) - SecondsOf(CLOCK_BOOTTIME) +
                         static_cast<double>(Stat->StartTicks) / Ticks;
  Families.push_back(Single("process_cpu_seconds_total", "User and system CPU time spent",
                            MetricType::Counter,
                            static_cast<double>(Stat->UserTicks + Stat->SystemTicks) / Ticks));
  Families.push_back(Single("process_resident_memory_bytes", "Resident memory", MetricType::Gauge,
                            static_cast<double>(Stat->ResidentPages) * PageSize));
  Families.push_back(Single("process_virtual_memory_bytes", "Virtual memory", MetricType::Gauge,
                            static_cast<double>(Stat->VirtualBytes)));
  Families.push_back(Single("process_start_time_seconds",
                            "Start of the process since 1970, in seconds", MetricType::Gauge,
                            Started));
  return Families;
}
