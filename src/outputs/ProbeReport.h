// One probe asked for by a scrape, and its figures in the text format that
// an existing ICMP probe job of Prometheus expects from its prober.
#pragma once

#include <optional>
#include <string>

struct TProbeReport {
  bool Success = false;
  // The phases of the probe, in seconds: the name's lookup, the probe's
  // set-up and the wait for the reply.
  double ResolveSeconds = 0;
  double SetupSeconds = 0;
  double RoundTripSeconds = 0;
  double DurationSeconds = 0;
  // 4 or 6, the family probed; 0 when the name did not resolve.
  int IpProtocol = 0;
  // Of the reply; none without one.
  std::optional<int> HopLimit;
};

std::string ProbeReportText(const TProbeReport& AReport);
