#include "outputs/MetricsServer.h"

#include <CivetServer.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "outputs/MetricsText.h"

namespace {

constexpr double DefaultProbeSeconds = 5;
// What the scrape keeps for itself of its time-out, as probers of its kind do.
constexpr double ScrapeMarginSeconds = 0.5;

// The reason the server did not start, as the library logs it on the
// starting thread, its first message; the serving threads' messages are not shown.
thread_local std::string StartFailure;

int KeepLog(const mg_connection*, const char* AMessage) {
  if (StartFailure.empty()) StartFailure = AMessage;
  return 1;
}

void Answer(mg_connection* AConnection, const char* AType, const std::string& ABody) {
  mg_send_http_ok(AConnection, AType, static_cast<long long>(ABody.size()));
  mg_write(AConnection, ABody.data(), ABody.size());
}

constexpr const char* TextFormat = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace

std::optional<std::chrono::nanoseconds> ProbeTimeout(const char* AHeader) {
  double Seconds = DefaultProbeSeconds;
  if (AHeader != nullptr) {
    const char* const End = AHeader + std::strlen(AHeader);
    const auto [Past, Error] = std::from_chars(AHeader, End, Seconds);
    if (Error != std::errc() || Past != End || !std::isfinite(Seconds) || Seconds <= 0)
      return std::nullopt;
    Seconds = Seconds > 2 * ScrapeMarginSeconds ? Seconds - ScrapeMarginSeconds : Seconds / 2;
  }
  // A probe waits at least a millisecond, and no scrape waits for hours.
  return std::chrono::nanoseconds(
      static_cast<std::int64_t>(std::clamp(Seconds, 0.001, 3600.0) * 1e9));
}

class TMetricsServer::TImpl {
 public:
  TImpl(const std::string& AListen, std::vector<const prometheus::Collectable*> ACollectables,
        TProbeFunction AProbe)
      : FMetrics(std::move(ACollectables)), FProbe(std::move(AProbe)) {
    CivetCallbacks Callbacks;
    Callbacks.log_message = KeepLog;
    StartFailure.clear();
    try {
      FServer = std::make_unique<CivetServer>(
          std::vector<std::string>{"listening_ports", AListen, "num_threads", "4",
                                   "request_timeout_ms", "30000"},
          &Callbacks);
    } catch (const CivetException& E) {
      throw EMetricsServerError("Cannot listen on " + AListen + ": " +
                                (StartFailure.empty() ? E.what() : StartFailure));
    }
    FServer->addHandler("/metrics", FMetrics);
    FServer->addHandler("/probe", FProbe);
  }

  ~TImpl() {
    // Stops serving before the handlers go.
    if (FServer) FServer->close();
  }

 private:
  struct TMetricsHandler : CivetHandler {
    explicit TMetricsHandler(std::vector<const prometheus::Collectable*> ACollectables)
        : Collectables(std::move(ACollectables)) {}
    bool handleGet(CivetServer*, mg_connection* AConnection) override {
      std::vector<prometheus::MetricFamily> Families;
      for (const prometheus::Collectable* Source : Collectables) {
        std::vector<prometheus::MetricFamily> More = Source->Collect();
        std::move(More.begin(), More.end(), std::back_inserter(Families));
      }
      Answer(AConnection, TextFormat, MetricsText(Families));
      return true;
    }
    std::vector<const prometheus::Collectable*> Collectables;
  };

  struct TProbeHandler : CivetHandler {
    explicit TProbeHandler(TProbeFunction AProbe) : Probe(std::move(AProbe)) {}
    bool handleGet(CivetServer*, mg_connection* AConnection) override {
      std::string Target;
      std::string Module;
      if (!CivetServer::getParam(AConnection, "target", Target) || Target.empty())
        return Refuse(AConnection, "Target parameter is missing");
      if (CivetServer::getParam(AConnection, "module", Module) && Module != "icmp")
        return Refuse(AConnection, "Unknown module \"" + Module + "\": only icmp is served");
      const auto Timeout =
          ProbeTimeout(CivetServer::getHeader(AConnection, "X-Prometheus-Scrape-Timeout-Seconds"));
      if (!Timeout)
        return Refuse(AConnection,
                      "X-Prometheus-Scrape-Timeout-Seconds is no positive number of seconds");
      Answer(AConnection, TextFormat, ProbeReportText(Probe(Target, *Timeout)));
      return true;
    }
    static bool Refuse(mg_connection* AConnection, const std::string& AWhy) {
      mg_send_http_error(AConnection, 400, "%s\n", AWhy.c_str());
      return true;
    }
    TProbeFunction Probe;
  };

  TMetricsHandler FMetrics;
  TProbeHandler FProbe;
  std::unique_ptr<CivetServer> FServer;
};

TMetricsServer::TMetricsServer(const std::string& AListen,
                               std::vector<const prometheus::Collectable*> ACollectables,
                               TProbeFunction AProbe)
    : FImpl(std::make_unique<TImpl>(AListen, std::move(ACollectables), std::move(AProbe))) {}

TMetricsServer::~TMetricsServer() = default;
