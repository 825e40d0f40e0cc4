// The texts of the results view and its CSV export: numbers as the table shows them, the start
// time of a pass, the progress of a running pass and the quoting of a CSV cell.
//
// Plain functions of their arguments, for any thread; none depends on the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// printf's "%f" of the value: fixed notation with six decimals ("2.000000", "-0.500000",
// "inf", "nan"), whatever the locale.
std::string fixedText(double value);

// The start of a pass (100-ns ticks since 1970-01-01 UTC), cut to whole seconds, as local time
// "Wed Jan 02 02:03:55 1980"; empty before 1970 or when the time cannot be written.
std::string startTimeText(int64_t ticks);

// A running pass's progress (a fraction) in whole percent, rounded half up: 0.456 gives "46%".
std::wstring progressText(double progress);

// A cell as CSV writes it: a text holding a line feed, a double quote, a comma or a carriage
// return is enclosed in double quotes with its inner double quotes doubled; any other text is
// written as it is.
std::string csvQuote(std::string_view text);
