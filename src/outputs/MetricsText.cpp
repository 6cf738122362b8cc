#include "outputs/MetricsText.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

namespace {

using prometheus::ClientMetric;
using prometheus::MetricType;

void AppendNumber(std::string& AText, double AValue) {
  if (std::isnan(AValue)) {
    AText += "NaN";
  } else if (std::isinf(AValue)) {
    AText += AValue > 0 ? "+Inf" : "-Inf";
  } else {
    char Digits[32];
    AText.append(Digits, std::to_chars(Digits, Digits + sizeof Digits, AValue).ptr);
  }
}

// Escapes a backslash and a line break, and in label values a double quote.
void AppendEscaped(std::string& AText, std::string_view AValue, bool AQuotes) {
  for (const char C : AValue) {
    if (C == '\\')
      AText += "\\\\";
    else if (C == '\n')
      AText += "\\n";
    else if (C == '"' && AQuotes)
      AText += "\\\"";
    else
      AText += C;
  }
}

// One sample line: the name with its suffix, the labels and one more (le),
// the value and the metric's time stamp, if it has one.
void AppendSample(std::string& AText, const std::string& AName, std::string_view ASuffix,
                  const ClientMetric& AMetric, double AValue, const char* AExtraName = nullptr,
                  double AExtraValue = 0) {
  AText += AName;
  AText += ASuffix;
  const auto Label = [&](std::string_view ALabel, bool AFirst) {
    AText += AFirst ? '{' : ',';
    AText += ALabel;
    AText += "=\"";
  };
  bool First = true;
  for (const ClientMetric::Label& L : AMetric.label) {
    Label(L.name, std::exchange(First, false));
    AppendEscaped(AText, L.value, true);
    AText += '"';
  }
  if (AExtraName != nullptr) {
    Label(AExtraName, std::exchange(First, false));
    AppendNumber(AText, AExtraValue);
    AText += '"';
  }
  if (!First) AText += '}';
  AText += ' ';
  AppendNumber(AText, AValue);
  if (AMetric.timestamp_ms != 0) {
    AText += ' ';
    AText += std::to_string(AMetric.timestamp_ms);
  }
  AText += '\n';
}

// The count and sum lines of a histogram or a summary.
void AppendTotals(std::string& AText, const std::string& AName, const ClientMetric& AMetric,
                  std::uint64_t ACount, double ASum) {
  AppendSample(AText, AName, "_count", AMetric, static_cast<double>(ACount));
  AppendSample(AText, AName, "_sum", AMetric, ASum);
}

const char* TypeName(MetricType AType) {
  switch (AType) {
    case MetricType::Counter:
      return "counter";
    case MetricType::Gauge:
      return "gauge";
    case MetricType::Histogram:
      return "histogram";
    case MetricType::Summary:
      return "summary";
    default:
      return "untyped";
  }
}

}  // namespace

std::string MetricsText(const std::vector<prometheus::MetricFamily>& AFamilies) {
  // Room for every line at once: growing a text of megabytes copies it over
  // and over, and the copies cost more than the writing.
  std::size_t Lines = 0;
  for (const prometheus::MetricFamily& Family : AFamilies)
    for (const ClientMetric& Metric : Family.metric)
      Lines += 2 + Metric.histogram.bucket.size() + Metric.summary.quantile.size();
  std::string Text;
  Text.reserve(Lines * 96);
  for (const prometheus::MetricFamily& Family : AFamilies) {
    if (Family.metric.empty()) continue;
    Text += "# HELP ";
    Text += Family.name;
    Text += ' ';
    AppendEscaped(Text, Family.help, false);
    Text += "\n# TYPE ";
    Text += Family.name;
    Text += ' ';
    Text += TypeName(Family.type);
    Text += '\n';
    for (const ClientMetric& Metric : Family.metric) {
      switch (Family.type) {
        case MetricType::Counter:
          AppendSample(Text, Family.name, "", Metric, Metric.counter.value);
          break;
        case MetricType::Gauge:
          AppendSample(Text, Family.name, "", Metric, Metric.gauge.value);
          break;
        case MetricType::Histogram:
          AppendTotals(Text, Family.name, Metric, Metric.histogram.sample_count,
                       Metric.histogram.sample_sum);
          for (const ClientMetric::Bucket& Bucket : Metric.histogram.bucket)
            AppendSample(Text, Family.name, "_bucket", Metric,
                         static_cast<double>(Bucket.cumulative_count), "le", Bucket.upper_bound);
          break;
        case MetricType::Summary:
          AppendTotals(Text, Family.name, Metric, Metric.summary.sample_count,
                       Metric.summary.sample_sum);
          for (const ClientMetric::Quantile& Quantile : Metric.summary.quantile)
            AppendSample(Text, Family.name, "", Metric, Quantile.value, "quantile",
                         Quantile.quantile);
          break;
        default:
          AppendSample(Text, Family.name, "", Metric, Metric.untyped.value);
          break;
      }
    }
  }
  return Text;
}
