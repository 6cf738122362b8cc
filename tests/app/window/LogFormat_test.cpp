#include "app/window/LogFormat.h"

#include <gtest/gtest.h>

#include <limits>

TEST(LogFormat, AverageHasTwoDecimalsAtMostEightDigitsAndGroupedThousands) {
  const std::pair<double, const char*> Cases[] = {
      {0, "0.00"},
      {0.5, "0.50"},
      {12.5, "12.50"},
      {1000, "1,000.00"},
      {1234.567, "1,234.57"},
      {-1234.5, "-1,234.50"},
      {-0.004, "0.00"},
      {999.996, "1,000.00"},
      // A half of a double goes away from zero; the double nearest 1.005 lies below it.
      {0.125, "0.13"},
      {1.005, "1.00"},
      {1234567.891, "1,234,567.90"},
      {4294967295.0, "4,294,967,300.00"},
      {99999999.5, "100,000,000.00"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<double>::infinity(), "-INF"}};
  for (const auto& [Value, Text] : Cases)
    EXPECT_EQ(AverageText(Value, TLogSeparators{}), std::string(Text) + " [ms]") << Value;
}

TEST(LogFormat, SeparatorsComeFromTheLocale) {
  const TLogSeparators Us = LogSeparators(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(AverageText(1234.567, Us), "1,234.57 [ms]");
  EXPECT_EQ(Us.Time, ":");
  const TLogSeparators German = LogSeparators(QLocale(QLocale::German));
  EXPECT_EQ(AverageText(1234.567, German), "1.234,57 [ms]");
  EXPECT_EQ(German.Time, ":");
  // Finnish groups with a no-break space and puts a dot between hours and minutes.
  const TLogSeparators Finnish = LogSeparators(QLocale(QLocale::Finnish));
  EXPECT_EQ(AverageText(1000, Finnish), "1\u00A0000,00 [ms]");
  EXPECT_EQ(Finnish.Time, ".");
  // Quoted letters belong to the separator; a literal before the hours does not.
  EXPECT_EQ(LogSeparators(QLocale(QLocale::French, QLocale::Canada)).Time, " h ");
  EXPECT_EQ(LogSeparators(QLocale(QLocale::LowGerman, QLocale::Germany)).Time, ".");
}

TEST(LogFormat, TimeStampPadsEveryFieldAndTakesTheGivenSeparator) {
  EXPECT_EQ(TimeStampText(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)), ":"),
            "07.03.2026 14:05:09");
  EXPECT_EQ(TimeStampText(QDateTime(QDate(987, 12, 31), QTime(0, 0, 0)), " h "),
            "31.12.0987 00 h 00 h 00");
}

TEST(LogFormat, StatusNamesAsWritten) {
  EXPECT_EQ(StatusName(rsEcho), "rsEcho");
  EXPECT_EQ(StatusName(rsError), "rsError");
  EXPECT_EQ(StatusName(rsTimeOut), "rsTimeOut");
  EXPECT_EQ(StatusName(rsErrorUnreachable), "rsErrorUnreachable");
  EXPECT_EQ(StatusName(rsErrorTTLExceeded), "rsErrorTTLExceeded");
  EXPECT_EQ(StatusName(static_cast<TReplyStatusKind>(5)), "No Status");
}

TEST(LogFormat, TripTimeTextThatIsNoWholeNumberCountsAsZero) {
  EXPECT_EQ(TripTimeValue("4294967295"), 4294967295.0);
  for (const char* Text : {"", "12ms", "abc", "1e999", "inf"})
    EXPECT_EQ(TripTimeValue(Text), 0) << Text;
}
