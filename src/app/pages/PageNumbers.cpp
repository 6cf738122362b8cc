#include "app/pages/PageNumbers.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/window/LogFormat.h"

std::string DecimalSeparator() { return LogSeparators(QLocale()).Decimal; }

std::string MillisecondsText(double AMicroseconds) {
  const auto Us = static_cast<unsigned long long>(std::llround(std::max(AMicroseconds, 0.0)));
  char Decimals[8];
  std::snprintf(Decimals, sizeof Decimals, "%03llu", Us % 1000);
  return std::to_string(Us / 1000) + DecimalSeparator() + Decimals;
}

std::string PercentNumberText(double APercent) {
  const auto Hundredths =
      static_cast<unsigned long long>(std::llround(std::clamp(APercent, 0.0, 100.0) * 100));
  char Decimals[4];
  std::snprintf(Decimals, sizeof Decimals, "%02llu", Hundredths % 100);
  return std::to_string(Hundredths / 100) + DecimalSeparator() + Decimals;
}

std::string WallTimeText(TWallTime AWhen) {
  const QDateTime When =
      QDateTime::fromMSecsSinceEpoch(AWhen.UnixUs / 1000, Qt::OffsetFromUTC, AWhen.UtcOffset);
  return TimeStampText(When, LogSeparators(QLocale()).Time);
}
