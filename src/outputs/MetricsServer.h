// The HTTP side of the program without a window: `GET /metrics` serves the
// collected figures in Prometheus' text format, and `GET /probe?target=HOST
// &module=icmp` runs one probe for a scrape, within the scrape's time-out.
// Requests are served on the HTTP library's own threads.
#pragma once

#include <prometheus/collectable.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/ProbeReport.h"
#include "rtl/SysUtils.h"

// The server cannot listen where it was asked to; the message says where and why.
class EMetricsServerError : public Exception {
 public:
  using Exception::Exception;
};

// Runs one probe of AHost that waits at most ATimeout; called on a serving
// thread, it may block until then.
using TProbeFunction =
    std::function<TProbeReport(const std::string& AHost, std::chrono::nanoseconds ATimeout)>;

// How long a probe of a scrape may wait, from the value of its
// X-Prometheus-Scrape-Timeout-Seconds header (none: 5 s), leaving the
// scrape half a second to take the answer, from 1 ms to an hour; nullopt
// for a value that is no positive number of seconds.
std::optional<std::chrono::nanoseconds> ProbeTimeout(const char* AHeader);

class TMetricsServer {
 public:
  // Listens on AListen ("127.0.0.1:9427", "[::1]:9427") at once; raises
  // EMetricsServerError when it cannot. The collectables must outlive it.
  TMetricsServer(const std::string& AListen,
                 std::vector<const prometheus::Collectable*> ACollectables, TProbeFunction AProbe);
  // Waits for the requests being served.
  ~TMetricsServer();
  TMetricsServer(const TMetricsServer&) = delete;
  TMetricsServer& operator=(const TMetricsServer&) = delete;

 private:
  class TImpl;
  std::unique_ptr<TImpl> FImpl;
};
