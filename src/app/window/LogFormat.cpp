#include "app/window/LogFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr const char* AverageUnit = " [ms]";

// Decimals of the exact expansion that the rounding reads. A double and a value
// half-way between two averages of two decimals differ by far more than this,
// or not at all, so the digits beyond never decide the rounding.
constexpr int ExactDecimals = 40;
constexpr int SignificantDigits = 8;
constexpr int AverageDecimals = 2;

std::string Utf8(const QString& Text) { return Text.toLocal8Bit().toStdString(); }

// The text between the hour field and the minute field of a time format, with
// its quotes removed; empty when the format has none.
std::string TimeSeparatorOf(const QString& Format) {
  QString Separator;
  bool Quoted = false;
  bool SeenHours = false;
  for (const QChar Char : Format) {
    if (Char == u'\'') {
      Quoted = !Quoted;
      continue;
    }
    const bool Hour = !Quoted && (Char == u'h' || Char == u'H');
    if (!SeenHours) {
      SeenHours = Hour;
      continue;
    }
    if (Hour && Separator.isEmpty()) continue;  // the rest of the hour field
    if (!Quoted && Char == u'm') return Utf8(Separator);
    Separator += Char;
  }
  return {};
}

// The digits of a magnitude as the average shows it, without the point: the
// integer digits, then exactly two decimals.
std::string RoundedDigits(double AMagnitude) {
  std::array<char, std::numeric_limits<double>::max_exponent10 + ExactDecimals + 3> Buffer;
  const std::to_chars_result Written =
      std::to_chars(Buffer.data(), Buffer.data() + Buffer.size(), AMagnitude,
                    std::chars_format::fixed, ExactDecimals);
  std::string Digits(Buffer.data(), Written.ptr);
  const std::size_t Point = Digits.find('.');
  Digits.erase(Point, 1);
  // Two decimals, unless the integer digits leave fewer of the significant ones.
  const std::size_t Kept = std::min<std::size_t>(Point + AverageDecimals, SignificantDigits);
  const bool RoundUp = Digits[Kept] >= '5';
  std::fill(Digits.begin() + static_cast<std::ptrdiff_t>(Kept), Digits.end(), '0');
  Digits.resize(Point + AverageDecimals);
  if (RoundUp) {
    std::size_t Carry = Kept;
    while (Carry > 0 && Digits[Carry - 1] == '9') Digits[--Carry] = '0';
    if (Carry == 0)
      Digits.insert(Digits.begin(), '1');
    else
      ++Digits[Carry - 1];
  }
  return Digits;
}

// The integer digits with the separator before every group of three from the right.
std::string Grouped(std::string_view Integer, std::string_view Separator) {
  std::string Result;
  for (std::size_t I = 0; I < Integer.size(); ++I) {
    if (I > 0 && (Integer.size() - I) % 3 == 0) Result += Separator;
    Result += Integer[I];
  }
  return Result;
}

std::string Padded(int Value, std::size_t Width) {
  std::string Text = std::to_string(Value);
  if (Text.size() < Width) Text.insert(0, Width - Text.size(), '0');
  return Text;
}

}  // namespace

TLogSeparators LogSeparators(const QLocale& ALocale) {
  TLogSeparators Result;
  Result.Decimal = Utf8(ALocale.decimalPoint());
  Result.Thousands = Utf8(ALocale.groupSeparator());
  const std::string Time = TimeSeparatorOf(ALocale.timeFormat(QLocale::ShortFormat));
  if (!Time.empty()) Result.Time = Time;
  return Result;
}

std::string AverageText(double AValue, const TLogSeparators& ASeparators) {
  if (std::isnan(AValue)) return std::string("NAN") + AverageUnit;
  if (std::isinf(AValue)) return std::string(AValue > 0 ? "INF" : "-INF") + AverageUnit;
  const std::string Digits = RoundedDigits(std::fabs(AValue));
  const std::string_view All(Digits);
  const std::size_t Point = All.size() - AverageDecimals;
  const bool Negative = AValue < 0 && All.find_first_not_of('0') != std::string_view::npos;
  return (Negative ? "-" : "") + Grouped(All.substr(0, Point), ASeparators.Thousands) +
         ASeparators.Decimal + std::string(All.substr(Point)) + AverageUnit;
}

std::string TimeStampText(const QDateTime& AWhen, std::string_view ATimeSeparator) {
  const QDate Date = AWhen.date();
  const QTime Time = AWhen.time();
  std::string Result = Padded(Date.day(), 2) + "." + Padded(Date.month(), 2) + "." +
                       Padded(Date.year(), 4) + " " + Padded(Time.hour(), 2);
  Result += ATimeSeparator;
  Result += Padded(Time.minute(), 2);
  Result += ATimeSeparator;
  Result += Padded(Time.second(), 2);
  return Result;
}

std::string StatusName(TReplyStatusKind AStatus) {
  switch (AStatus) {
    case rsEcho:
      return "rsEcho";
    case rsError:
      return "rsError";
    case rsTimeOut:
      return "rsTimeOut";
    case rsErrorUnreachable:
      return "rsErrorUnreachable";
    case rsErrorTTLExceeded:
      return "rsErrorTTLExceeded";
  }
  return "No Status";
}

double TripTimeValue(std::string_view AText) {
  double Value = 0;
  const char* const End = AText.data() + AText.size();
  const std::from_chars_result Read = std::from_chars(AText.data(), End, Value);
  if (Read.ec != std::errc{} || Read.ptr != End || !std::isfinite(Value)) return 0;
  return Value;
}
