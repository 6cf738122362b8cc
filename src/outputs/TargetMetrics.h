// The figures of every watched target as Prometheus metric families,
// labelled by the target's host text and address: probes sent and answered,
// errors by kind, the round trips as a histogram, the replies' TTL and
// whether the target is up by the model's health rule. It subscribes to the
// model; a scrape reads the registry from another thread.
#pragma once

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include <map>
#include <memory>
#include <string>

#include "monitor/Monitor.h"

class TTargetMetrics : public TMonitorSubscriber {
 public:
  // Upper bounds of the round-trip buckets, in seconds: 50 us doubling to
  // about 26 s, so both the spread and the slowest answers stay visible.
  static prometheus::Histogram::BucketBoundaries RoundTripBuckets();

  explicit TTargetMetrics(prometheus::Registry& ARegistry);
  ~TTargetMetrics() override;
  TTargetMetrics(const TTargetMetrics&) = delete;
  TTargetMetrics& operator=(const TTargetMetrics&) = delete;

  // Starts the figures of AHost, probed at AIp; a target already present
  // keeps its figures.
  void AddTarget(const std::string& AHost, const std::string& AIp);
  // Takes the figures of AHost out of the scrape.
  void RemoveTarget(const std::string& AHost);

  void AttemptRecorded(const TPingSession& ASession, const TAttempt& AAttempt) override;
  void HealthChanged(const TPingSession& ASession) override;

 private:
  struct TSeries;
  prometheus::Family<prometheus::Counter>& FSent;
  prometheus::Family<prometheus::Counter>& FAnswered;
  prometheus::Family<prometheus::Counter>& FErrors;
  prometheus::Family<prometheus::Histogram>& FRoundTrips;
  prometheus::Family<prometheus::Gauge>& FTtl;
  prometheus::Family<prometheus::Gauge>& FUp;
  std::map<std::string, std::unique_ptr<TSeries>, std::less<>> FTargets;
};
