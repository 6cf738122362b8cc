#include "app/LogFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const TLogSeparators PointAndComma{".", ",", ":"};

std::string UsAverage(double Value) { return AverageText(Value, PointAndComma); }

}  // namespace

TEST(LogFormat, AverageHasTwoDecimalsAndGroupsThousands) {
  EXPECT_EQ(UsAverage(0), "0.00 [ms]");
  EXPECT_EQ(UsAverage(0.5), "0.50 [ms]");
  EXPECT_EQ(UsAverage(12.5), "12.50 [ms]");
  EXPECT_EQ(UsAverage(999), "999.00 [ms]");
  EXPECT_EQ(UsAverage(1000), "1,000.00 [ms]");
  EXPECT_EQ(UsAverage(1234.567), "1,234.57 [ms]");
  EXPECT_EQ(UsAverage(123456.784), "123,456.78 [ms]");
  EXPECT_EQ(UsAverage(-1234.5), "-1,234.50 [ms]");
}

TEST(LogFormat, AverageRoundsHalvesAwayFromZeroOnce) {
  // Exactly half-way values of a double.
  EXPECT_EQ(UsAverage(0.125), "0.13 [ms]");
  EXPECT_EQ(UsAverage(2.375), "2.38 [ms]");
  EXPECT_EQ(UsAverage(-0.125), "-0.13 [ms]");
  // The double nearest 1.005 lies below it.
  EXPECT_EQ(UsAverage(1.005), "1.00 [ms]");
  EXPECT_EQ(UsAverage(0.004), "0.00 [ms]");
  EXPECT_EQ(UsAverage(-0.004), "0.00 [ms]");
  // A carry through every digit adds one.
  EXPECT_EQ(UsAverage(999.996), "1,000.00 [ms]");
  EXPECT_EQ(UsAverage(0.999), "1.00 [ms]");
}

TEST(LogFormat, AverageKeepsAtMostEightSignificantDigits) {
  EXPECT_EQ(UsAverage(123456.789), "123,456.79 [ms]");
  EXPECT_EQ(UsAverage(1234567.891), "1,234,567.90 [ms]");
  EXPECT_EQ(UsAverage(12345678.9), "12,345,679.00 [ms]");
  EXPECT_EQ(UsAverage(4294967295.0), "4,294,967,300.00 [ms]");
  EXPECT_EQ(UsAverage(99999999.5), "100,000,000.00 [ms]");
  EXPECT_EQ(UsAverage(1e20), "100,000,000,000,000,000,000.00 [ms]");
}

TEST(LogFormat, AverageOfAValueThatIsNotFiniteIsNamed) {
  EXPECT_EQ(UsAverage(std::numeric_limits<double>::quiet_NaN()), "NAN [ms]");
  EXPECT_EQ(UsAverage(std::numeric_limits<double>::infinity()), "INF [ms]");
  EXPECT_EQ(UsAverage(-std::numeric_limits<double>::infinity()), "-INF [ms]");
}

TEST(LogFormat, SeparatorsComeFromTheLocale) {
  const TLogSeparators Us = LogSeparators(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(Us.Decimal, ".");
  EXPECT_EQ(Us.Thousands, ",");
  EXPECT_EQ(Us.Time, ":");
  EXPECT_EQ(AverageText(1234.567, Us), "1,234.57 [ms]");
  const TLogSeparators German = LogSeparators(QLocale(QLocale::German));
  EXPECT_EQ(German.Decimal, ",");
  EXPECT_EQ(German.Thousands, ".");
  EXPECT_EQ(German.Time, ":");
  EXPECT_EQ(AverageText(1234.567, German), "1.234,57 [ms]");
  EXPECT_EQ(AverageText(0.5, German), "0,50 [ms]");
  // Finnish groups with a no-break space and separates the hours with a dot.
  const TLogSeparators Finnish = LogSeparators(QLocale(QLocale::Finnish));
  EXPECT_EQ(Finnish.Thousands, "\u00A0");
  EXPECT_EQ(Finnish.Time, ".");
  EXPECT_EQ(AverageText(1000, Finnish), "1\u00A0000,00 [ms]");
}

TEST(LogFormat, TimeSeparatorIsTheTextBetweenHoursAndMinutes) {
  EXPECT_EQ(LogSeparators(QLocale::c()).Time, ":");
  EXPECT_EQ(LogSeparators(QLocale(QLocale::Danish)).Time, ".");
  // Quoted letters are part of the separator.
  EXPECT_EQ(LogSeparators(QLocale(QLocale::French, QLocale::Canada)).Time, " h ");
  // A literal before the hours is not.
  EXPECT_EQ(LogSeparators(QLocale(QLocale::LowGerman, QLocale::Germany)).Time, ".");
}

TEST(LogFormat, TimeStampPadsEveryFieldAndTakesTheGivenSeparator) {
  const QDateTime Afternoon(QDate(2026, 3, 7), QTime(14, 5, 9));
  EXPECT_EQ(TimeStampText(Afternoon, ":"), "07.03.2026 14:05:09");
  EXPECT_EQ(TimeStampText(Afternoon, "."), "07.03.2026 14.05.09");
  EXPECT_EQ(TimeStampText(Afternoon, " h "), "07.03.2026 14 h 05 h 09");
  EXPECT_EQ(TimeStampText(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)), ":"),
            "31.12.2025 23:59:59");
  EXPECT_EQ(TimeStampText(QDateTime(QDate(987, 1, 1), QTime(0, 0, 0)), ":"), "01.01.0987 00:00:00");
}

TEST(LogFormat, StatusNamesAsWritten) {
  EXPECT_EQ(StatusName(rsEcho), "rsEcho");
  EXPECT_EQ(StatusName(rsError), "rsError");
  EXPECT_EQ(StatusName(rsTimeOut), "rsTimeOut");
  EXPECT_EQ(StatusName(rsErrorUnreachable), "rsErrorUnreachable");
  EXPECT_EQ(StatusName(rsErrorTTLExceeded), "rsErrorTTLExceeded");
  EXPECT_EQ(StatusName(static_cast<TReplyStatusKind>(5)), "No Status");
  EXPECT_EQ(StatusName(static_cast<TReplyStatusKind>(255)), "No Status");
}

TEST(LogFormat, TripTimeTextThatIsNoNumberCountsAsZero) {
  EXPECT_EQ(TripTimeValue("0"), 0);
  EXPECT_EQ(TripTimeValue("17"), 17);
  EXPECT_EQ(TripTimeValue("4294967295"), 4294967295.0);
  EXPECT_EQ(TripTimeValue(""), 0);
  EXPECT_EQ(TripTimeValue("12ms"), 0);
  EXPECT_EQ(TripTimeValue("abc"), 0);
  EXPECT_EQ(TripTimeValue("1e999"), 0);
  EXPECT_EQ(TripTimeValue("inf"), 0);
}
