// The texts of the reply log, the error log and their statistics that follow the
// user's locale or need more than a decimal: the average, the time stamp, the status name.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <string>
#include <string_view>

#include "net/IdIcmpClient.h"

// The separators of a locale that the logs' texts use, in UTF-8. Each may be
// more than one byte (a no-break space, for one).
struct TLogSeparators {
  std::string Decimal = ".";
  std::string Thousands = ",";
  std::string Time = ":";
};

// The decimal and thousands separators of ALocale and its time separator: the
// text between the hours and the minutes of its short time format, or ":"
// when that format has no such text.
TLogSeparators LogSeparators(const QLocale& ALocale);

// The average trip time as lbAVG shows it: AValue rounded once, halves away from
// zero, to two decimals or to 8 significant digits, whichever keeps fewer; then
// written with exactly two decimals, the thousands separator between groups of
// three integer digits, and " [ms]". A value that is not finite shows as "NAN",
// "INF" or "-INF" before the unit.
std::string AverageText(double AValue, const TLogSeparators& ASeparators);

// "dd.mm.yyyy hh:nn:ss": every field with two digits and the year with four, the
// hours on the 24-hour clock, the dots as written and ATimeSeparator for the colons.
std::string TimeStampText(const QDateTime& AWhen, std::string_view ATimeSeparator);

// The name of a status as the error log shows it; "No Status" for a value that
// is none of the kinds.
std::string StatusName(TReplyStatusKind AStatus);

// The number that a text of the trip time column holds, or 0 when the whole text
// is not a number.
double TripTimeValue(std::string_view AText);
