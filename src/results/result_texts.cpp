#include "results/result_texts.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "avifile/avi_system.h"

std::string fixedText(double value) {
  // Room for the largest double in fixed notation (309 digits) and six decimals.
  char buffer[400];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (error != std::errc()) return {};
  return std::string(buffer, end);
}

std::string startTimeText(int64_t ticks) {
  constexpr int64_t kTicksPerSecond = 10'000'000;
  const int64_t seconds = ticks / kTicksPerSecond;  // truncated, as the start has always been
  if (seconds < 0) return {};
  return formatTimeStamp(seconds * kTicksPerSecond);
}

std::wstring progressText(double progress) {
  const double percent = progress * 100 + 0.5;
  // A damaged file's progress must not overflow the conversion; it shows as 0%.
  const int whole =
      std::isfinite(percent) && std::fabs(percent) < 1e9 ? static_cast<int>(percent) : 0;
  return std::to_wstring(whole) + L"%";
}

std::string csvQuote(std::string_view text) {
  if (text.find_first_of("\n\",\r") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}
