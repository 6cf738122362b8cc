#include "app/pages/PageTexts.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/window/LogFormat.h"

std::string DecimalSeparator() { return LogSeparators(QLocale()).Decimal; }

std::string MsNumber(double AMicroseconds) {
  const auto Us = static_cast<unsigned long long>(std::llround(std::max(AMicroseconds, 0.0)));
  char Decimals[8];
  std::snprintf(Decimals, sizeof Decimals, "%03llu", Us % 1000);
  return std::to_string(Us / 1000) + DecimalSeparator() + Decimals;
}

std::string MsText(double AMicroseconds) { return MsNumber(AMicroseconds) + " ms"; }

// As integers: the C library's own formatting of a fraction follows the
// process's locale, whatever separator the page chose.
std::string PercentNumber(double APercent) {
  const auto Hundredths =
      static_cast<unsigned long long>(std::llround(std::clamp(APercent, 0.0, 100.0) * 100));
  char Decimals[4];
  std::snprintf(Decimals, sizeof Decimals, "%02llu", Hundredths % 100);
  return std::to_string(Hundredths / 100) + DecimalSeparator() + Decimals;
}

std::string PercentText(double APercent) { return PercentNumber(APercent) + " %"; }

std::string TimeText(TWallTime AWhen) {
  const QDateTime When =
      QDateTime::fromMSecsSinceEpoch(AWhen.UnixUs / 1000, Qt::OffsetFromUTC, AWhen.UtcOffset);
  return TimeStampText(When, LogSeparators(QLocale()).Time);
}
