#include "outputs/ProbeReport.h"

#include <prometheus/gauge.h>
#include <prometheus/registry.h>

#include "outputs/MetricsText.h"

namespace {

prometheus::Family<prometheus::Gauge>& Gauge(prometheus::Registry& ARegistry, const char* AName,
                                             const char* AHelp) {
  return prometheus::BuildGauge().Name(AName).Help(AHelp).Register(ARegistry);
}

}  // namespace

std::string ProbeReportText(const TProbeReport& AReport) {
  prometheus::Registry Registry;
  Gauge(Registry, "probe_dns_lookup_time_seconds", "How long the name's lookup took")
      .Add({})
      .Set(AReport.ResolveSeconds);
  Gauge(Registry, "probe_duration_seconds", "How long the probe took")
      .Add({})
      .Set(AReport.DurationSeconds);
  auto& Phases = Gauge(Registry, "probe_icmp_duration_seconds", "Duration of each ICMP phase");
  Phases.Add({{"phase", "resolve"}}).Set(AReport.ResolveSeconds);
  Phases.Add({{"phase", "setup"}}).Set(AReport.SetupSeconds);
  Phases.Add({{"phase", "rtt"}}).Set(AReport.RoundTripSeconds);
  if (AReport.HopLimit)
    Gauge(Registry, "probe_icmp_reply_hop_limit", "TTL or hop limit of the reply")
        .Add({})
        .Set(*AReport.HopLimit);
  Gauge(Registry, "probe_ip_protocol", "IP version of the probe").Add({}).Set(AReport.IpProtocol);
  Gauge(Registry, "probe_success", "Whether the probe succeeded").Add({}).Set(AReport.Success);
  return MetricsText(Registry.Collect());
}
