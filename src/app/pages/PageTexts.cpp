#include "app/pages/PageTexts.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/window/LogFormat.h"

std::string DecimalSeparator() { return LogSeparators(QLocale()).Decimal; }

namespace {

// AScaled as a number with APlaces decimals after the locale's separator,
// from integers: the C library's own formatting of a fraction follows the
// process's locale, whatever separator the page chose.
std::string Fixed(double AScaled, int APlaces) {
  const auto Scaled = static_cast<unsigned long long>(std::llround(std::max(AScaled, 0.0)));
  unsigned long long Unit = 1;
  for (int Place = 0; Place < APlaces; ++Place) Unit *= 10;
  char Decimals[24];
  std::snprintf(Decimals, sizeof Decimals, "%0*llu", APlaces, Scaled % Unit);
  return std::to_string(Scaled / Unit) + DecimalSeparator() + Decimals;
}

}  // namespace

std::string MsNumber(double AMicroseconds) { return Fixed(AMicroseconds, 3); }

std::string MsText(double AMicroseconds) { return MsNumber(AMicroseconds) + " ms"; }

std::string PercentNumber(double APercent) {
  return Fixed(std::clamp(APercent, 0.0, 100.0) * 100, 2);
}

std::string PercentText(double APercent) { return PercentNumber(APercent) + " %"; }

std::string TimeText(TWallTime AWhen) {
  const QDateTime When =
      QDateTime::fromMSecsSinceEpoch(AWhen.UnixUs / 1000, Qt::OffsetFromUTC, AWhen.UtcOffset);
  return TimeStampText(When, LogSeparators(QLocale()).Time);
}
