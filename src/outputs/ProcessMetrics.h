// The process's own figures for a scrape, under the names every Prometheus
// exporter gives them: CPU time, memory, open descriptors and start time,
// read from /proc at each scrape.
#pragma once

#include <prometheus/collectable.h>
#include <prometheus/metric_family.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The fields of /proc/<pid>/stat that the figures need.
struct TProcessStat {
  std::uint64_t UserTicks = 0;
  std::uint64_t SystemTicks = 0;
  std::uint64_t StartTicks = 0;  // after the machine booted
  std::uint64_t VirtualBytes = 0;
  std::uint64_t ResidentPages = 0;
};

// Reads the text of /proc/<pid>/stat; nullopt when it is not of that form.
// The command name, in parentheses, may hold any byte, spaces and ')' too.
std::optional<TProcessStat> ParseProcessStat(std::string_view AText);

class TProcessMetrics : public prometheus::Collectable {
 public:
  std::vector<prometheus::MetricFamily> Collect() const override;
};
