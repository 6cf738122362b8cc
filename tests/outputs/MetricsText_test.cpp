#include "outputs/MetricsText.h"

#include <gtest/gtest.h>
#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/summary.h>
#include <prometheus/text_serializer.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& AText) {
  std::vector<std::string> Result;
  std::istringstream Stream(AText);
  for (std::string Line; std::getline(Stream, Line);) Result.push_back(Line);
  return Result;
}

// Every kind of family, label values that need escaping and numbers of every
// form give the client library's own lines, the numbers written as short as
// they read back the same.
TEST(MetricsText, WritesTheLinesOfTheClientLibrarysWriter) {
  prometheus::Registry Registry;
  auto& Counters = prometheus::BuildCounter().Name("c_total").Help("a help").Register(Registry);
  Counters.Add({{"host", "a\"b\\c\nd"}, {"ip", "::1"}}).Increment(3);
  auto& Gauges = prometheus::BuildGauge().Name("g").Help("h").Register(Registry);
  Gauges.Add({{"k", "inf"}}).Set(std::numeric_limits<double>::infinity());
  Gauges.Add({{"k", "nan"}}).Set(std::nan(""));
  Gauges.Add({{"k", "tiny"}}).Set(-1.25e-300);
  Gauges.Add({}).Set(0.1);
  auto& Histograms = prometheus::BuildHistogram().Name("h_seconds").Help("h").Register(Registry);
  auto& Histogram =
      Histograms.Add({{"host", "x"}}, prometheus::Histogram::BucketBoundaries{5e-5, 0.1, 26.2144});
  Histogram.Observe(0.02);
  Histogram.Observe(100);
  auto& Summaries = prometheus::BuildSummary().Name("s").Help("h").Register(Registry);
  Summaries.Add({}, prometheus::Summary::Quantiles{{0.5, 0.05}}).Observe(2);
  const auto Families = Registry.Collect();

  const auto Ours = Lines(MetricsText(Families));
  const auto Theirs = Lines(prometheus::TextSerializer().Serialize(Families));
  ASSERT_EQ(Ours.size(), Theirs.size()) << MetricsText(Families);
  for (std::size_t Index = 0; Index < Ours.size(); ++Index) {
    const std::size_t Space = Theirs[Index].rfind(' ');
    if (Theirs[Index].starts_with('#') || Ours[Index] == Theirs[Index]) {
      EXPECT_EQ(Ours[Index], Theirs[Index]);
      continue;
    }
    ASSERT_EQ(Ours[Index].substr(0, Ours[Index].rfind(' ')), Theirs[Index].substr(0, Space));
    const double Our = std::stod(Ours[Index].substr(Space + 1));
    const double Their = std::stod(Theirs[Index].substr(Space + 1));
    EXPECT_TRUE(Our == Their || (std::isnan(Our) && std::isnan(Their)))
        << Ours[Index] << " against " << Theirs[Index];
  }
}

}  // namespace
