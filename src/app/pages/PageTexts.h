// How the pages beyond the design write numbers and times for people: the
// locale's decimal separator, round trips in milliseconds to the microsecond,
// percentages to the hundredth, times as the error log writes them.
#pragma once

#include <string>

#include "monitor/Attempt.h"

std::string DecimalSeparator();
// Microseconds as milliseconds with three decimals: "0.042"; MsText adds " ms".
std::string MsNumber(double AMicroseconds);
std::string MsText(double AMicroseconds);
// Two decimals, 0 to 100: "25.00"; PercentText adds " %".
std::string PercentNumber(double APercent);
std::string PercentText(double APercent);
// A wall time as the error log writes its time stamps, in its own zone.
std::string TimeText(TWallTime AWhen);
