// quorvel-monitor as a service: a real Prometheus server scrapes it and a
// blackbox-style probe job, and its own query interface shows the figures
// of a scripted peer with a known delay and loss, of a silent host and of
// loopback; the targets file is read again on SIGHUP, a broken one keeps the
// targets; a bad start ends with status 2.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "support/ChildProcess.h"
#include "support/EchoPeer.h"
#include "support/TestNetwork.h"

namespace {

using namespace std::chrono_literals;
using quorvel::test::ChildProcess;
using quorvel::test::HttpGet;

constexpr int MonitorPort = 9427;
constexpr int PrometheusPort = 9090;

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// Waits a bounded time for `ready`.
bool Eventually(const std::function<bool()>& ready, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

std::string Encoded(const std::string& text) {
  std::string result;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '_' || c == '.') {
      result += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      result += hex;
    }
  }
  return result;
}

// The value of a query that gives one series, through Prometheus' HTTP API;
// NaN when it gives none.
double Query(const std::string& promql) {
  const std::string answer = HttpGet(PrometheusPort, "/api/v1/query?query=" + Encoded(promql));
  std::smatch value;
  if (!std::regex_search(answer, value, std::regex(R"re("value":\[[0-9.]+,"([^"]+)"\])re")))
    return std::nan("");
  return std::stod(value[1]);
}

// A series' value in quorvel-monitor's own /metrics; NaN when it is not there.
double Scraped(const std::string& metrics, const std::string& series) {
  const std::size_t at = metrics.find("\n" + series + " ");
  return at == std::string::npos ? std::nan("") : std::stod(metrics.substr(at + series.size() + 2));
}

class MonitorService : public testing::Test {
 protected:
  void SetUp() override {
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647\n";
    peer_ = net_.AddNamespace("p1", false);
    net_.Link("", "192.0.2.1/24", "p1", "192.0.2.2/24");
    work_ =
        std::filesystem::temp_directory_path() / ("quorvel-service-" + std::to_string(getpid()));
    std::filesystem::create_directories(work_);
  }
  void TearDown() override { std::filesystem::remove_all(work_); }

  std::string Path(const char* name) const { return (work_ / name).string(); }

  quorvel::test::TestNetwork net_;
  std::string peer_;
  std::filesystem::path work_;
};

TEST_F(MonitorService, PrometheusScrapesTheFiguresOfADelayedLossyPeerAndABlackboxProbe) {
  // 20 ms late, every fourth request unanswered; 192.0.2.3 answers nothing.
  quorvel::test::SteadyEchoPeer script(peer_, quorvel::wire::Family::kIpv4, 20, 4);
  WriteFile(Path("targets"), "# the peer, fast\n192.0.2.2 100ms\n192.0.2.3  # silent\n");
  ChildProcess monitor({QUORVEL_MONITOR, "--interval", "200ms", "--timeout", "300ms", "--targets",
                        Path("targets"), "127.0.0.1"});
  WriteFile(Path("prometheus.yml"), R"(global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: quorvel
    static_configs:
      - targets: ['127.0.0.1:9427']
  - job_name: blackbox
    metrics_path: /probe
    params:
      module: [icmp]
    static_configs:
      - targets: ['::1', '192.0.2.3']
    relabel_configs:
      - source_labels: [__address__]
        target_label: __param_target
      - source_labels: [__param_target]
        target_label: instance
      - target_label: __address__
        replacement: 127.0.0.1:9427
)");
  ChildProcess prometheus({"prometheus", "--config.file=" + Path("prometheus.yml"),
                           "--storage.tsdb.path=" + Path("data"),
                           "--web.listen-address=127.0.0.1:9090"});
  ASSERT_TRUE(Eventually([] { return Query("up{job=\"quorvel\"}") == 1; }, 30s))
      << prometheus.Output() << monitor.Output();
  // Scrapes for a few seconds more: about fifty probes of the peer.
  std::this_thread::sleep_for(5s);

  const double sent = Query("quorvel_probes_sent_total{host=\"192.0.2.2\"}");
  const double answered = Query("quorvel_probes_answered_total{host=\"192.0.2.2\"}");
  EXPECT_GE(sent, 30) << monitor.Output();
  EXPECT_NEAR(answered / sent, 0.75, 0.1);
  EXPECT_NEAR(Query("quorvel_probe_errors_total{host=\"192.0.2.2\",kind=\"timeout\"}"),
              sent - answered, 2);
  // The replies took 20 ms: the middle one lies in the bucket from 12.8 ms to 25.6 ms.
  const double median = Query(
      "histogram_quantile(0.5, sum by (le) (quorvel_rtt_seconds_bucket{host=\"192.0.2.2\"}))");
  EXPECT_GT(median, 0.0128);
  EXPECT_LE(median, 0.0256);
  EXPECT_EQ(Query("quorvel_reply_ttl{host=\"192.0.2.2\"}"), 64);
  EXPECT_EQ(Query("quorvel_target_up{host=\"192.0.2.2\"}"), 1);
  EXPECT_EQ(Query("quorvel_target_up{host=\"192.0.2.3\",ip=\"192.0.2.3\"}"), 0);
  EXPECT_EQ(Query("quorvel_target_up{host=\"127.0.0.1\"}"), 1);
  EXPECT_EQ(Query("quorvel_probes_answered_total{host=\"192.0.2.3\"}"), 0);
  EXPECT_GT(Query("process_resident_memory_bytes{job=\"quorvel\"}"), 0);

  EXPECT_EQ(Query("probe_success{instance=\"::1\"}"), 1);
  EXPECT_EQ(Query("probe_ip_protocol{instance=\"::1\"}"), 6);
  EXPECT_EQ(Query("probe_icmp_reply_hop_limit{instance=\"::1\"}"), 64);
  EXPECT_EQ(Query("probe_success{instance=\"192.0.2.3\"}"), 0);
  // The silent host's probe ends within the scrape's time-out, so the scrape succeeds.
  EXPECT_EQ(Query("up{instance=\"192.0.2.3\"}"), 1);
  EXPECT_LT(Query("probe_duration_seconds{instance=\"192.0.2.3\"}"), 1);
}

TEST_F(MonitorService, ABrokenTargetsFileOnSighupKeepsTheTargetsAndAGoodOneKeepsTheirFigures) {
  WriteFile(Path("targets"), "127.0.0.1 50ms\n127.0.0.2 50ms\n");
  ChildProcess monitor({QUORVEL_MONITOR, "--targets", Path("targets")});
  const auto sent = [](const char* host) {
    return Scraped(
        HttpGet(MonitorPort, "/metrics"),
        std::string("quorvel_probes_sent_total{host=\"") + host + "\",ip=\"" + host + "\"}");
  };
  ASSERT_TRUE(Eventually([&] { return sent("127.0.0.1") >= 5; }, 10s)) << monitor.Output();

  WriteFile(Path("targets"), "127.0.0.1 50ms\n127.0.0.3 fast\n");
  monitor.Signal(SIGHUP);
  ASSERT_TRUE(Eventually(
      [&] { return monitor.Output().find("keeping the 2 targets") != std::string::npos; }, 10s))
      << monitor.Output();
  EXPECT_NE(monitor.Output().find("line 2: the interval"), std::string::npos);
  const double before = sent("127.0.0.2");
  EXPECT_TRUE(Eventually([&] { return sent("127.0.0.2") > before; }, 5s))
      << "127.0.0.2 is probed still";

  // 127.0.0.2 leaves, 127.0.0.1 goes slower and keeps its counts.
  const double kept = sent("127.0.0.1");
  WriteFile(Path("targets"), "127.0.0.1 100ms\n127.0.0.3\n");
  monitor.Signal(SIGHUP);
  ASSERT_TRUE(Eventually([&] { return sent("127.0.0.3") >= 1; }, 10s)) << monitor.Output();
  EXPECT_TRUE(std::isnan(sent("127.0.0.2")));
  EXPECT_GE(sent("127.0.0.1"), kept);
  monitor.Signal(SIGTERM);
  EXPECT_EQ(monitor.Wait(10s), 0);
}

struct BadStart {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;
};

class MonitorServiceStart : public testing::TestWithParam<BadStart> {};

TEST_P(MonitorServiceStart, EndsWithStatus2AndSaysWhy) {
  ChildProcess holder({QUORVEL_MONITOR, "--listen", "127.0.0.1:9500"});
  ASSERT_TRUE(Eventually([] { return !HttpGet(9500, "/metrics").empty(); }, 10s));
  std::vector<std::string> argv{QUORVEL_MONITOR};
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  ChildProcess monitor(argv);
  EXPECT_EQ(monitor.Wait(10s), 2);
  EXPECT_NE(monitor.Output().find(GetParam().message), std::string::npos) << monitor.Output();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonitorServiceStart,
    testing::Values(BadStart{"PortInUse", {"--listen", "127.0.0.1:9500"}, "Address already in use"},
                    BadStart{"UnknownOption", {"--colour"}, "unknown option \"--colour\""},
                    BadStart{"UnreadableTargets",
                             {"--targets", "/nonexistent/targets"},
                             "cannot read /nonexistent/targets"}),
    [](const testing::TestParamInfo<BadStart>& start) { return std::string(start.param.name); });

}  // namespace
