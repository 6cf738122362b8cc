// Numbers and times as the pages beyond the design show them, with the decimal
// separator of the user's locale, formatted as integers so the C library's
// own locale never mixes in.
#pragma once

#include <string>

#include "monitor/Attempt.h"

// The user's decimal separator, as the window's logs use it.
std::string DecimalSeparator();
// Microseconds as milliseconds with three decimals: "0.042".
std::string MillisecondsText(double AMicroseconds);
// A share in percent with two decimals: "12.50".
std::string PercentNumberText(double APercent);
// A wall time as the error log writes its time stamps, in its own zone.
std::string WallTimeText(TWallTime AWhen);
