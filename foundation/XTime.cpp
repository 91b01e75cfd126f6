#include "foundation/XTime.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsTimeLetter(char upper) {
  return upper == 'H' || upper == 'N' || upper == 'S' || upper == 'L' || upper == 'A';
}

void AppendNumber(XString& out, const char* format, int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  out.Append(buffer);
}

}  // namespace

int XTime::FromHMS(int hour, int minute, int second, int millisecond) {
  return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

void XTime::ToHMS(int ms, int& hour, int& minute, int& second, int& millisecond) {
  if (ms < 0) {
    hour = minute = second = millisecond = 0;
    return;
  }
  hour = ms / 3600000;
  minute = ms / 60000 % 60;
  second = ms / 1000 % 60;
  millisecond = ms % 1000;
}

XString XTime::FormatTime(int ms, const char* pattern) {
  return FormatTime(ms, pattern, pattern != nullptr && std::strstr(pattern, "AA") != nullptr);
}

XString XTime::FormatTime(int ms, const char* text, bool twelveHour) {
  XString out;
  if (ms < 0 || text == nullptr) return out;
  int hour, minute, second, millisecond;
  ToHMS(ms, hour, minute, second, millisecond);
  int shownHour = hour;
  if (twelveHour) {
    if (shownHour > 12) shownHour -= 12;
    if (shownHour == 0) shownHour = 12;
  }

  for (const char* p = text; *p;) {
    const char letter = Upper(*p);
    if (!IsTimeLetter(letter)) {
      out += *p++;
      continue;
    }
    const char* start = p;
    while (*p && Upper(*p) == letter) ++p;
    const size_t run = static_cast<size_t>(p - start);
    if (letter == 'H' && run == 2) AppendNumber(out, "%02d", shownHour);
    else if (letter == 'N' && run == 2) AppendNumber(out, "%02d", minute);
    else if (letter == 'S' && run == 2) AppendNumber(out, "%02d", second);
    else if (letter == 'L' && run == 3) AppendNumber(out, "%03d", millisecond);
    else if (letter == 'A' && run == 2) out += hour < 12 ? "AM" : "PM";
    else out.Append(start, static_cast<uint32_t>(run));
  }
  return out;
}

bool XTime::ParseTime(const char* text, const char* pattern, int& ms) {
  ms = kNone;
  if (text == nullptr || pattern == nullptr) return false;
  // Each part as read; -1 while unset. Parts are capped so that long runs of digits cannot
  // overflow, and checked against their ranges at the end.
  int64_t parts[4] = {-1, -1, -1, -1};  // H, N, S, L
  bool wantsMarker = false;
  for (const char* p = pattern; *p; ++p) wantsMarker |= Upper(*p) == 'A';
  char marker[3] = {};

  const char* t = text;
  const char* p = pattern;
  while (*p && *t) {
    const char letter = Upper(*p);
    if (!IsTimeLetter(letter)) {
      ++p;
      ++t;
      continue;
    }
    size_t run = 0;
    while (*p && Upper(*p) == letter) {
      ++p;
      ++run;
    }
    if (letter == 'A') {
      char taken[3] = {};
      size_t count = 0;
      for (size_t i = 0; i < run && *t; ++i) {
        const char c = Upper(*t);
        if (c != 'A' && c != 'M' && c != 'P') continue;
        if (count < 2) taken[count] = c;
        ++count;
        ++t;
      }
      if (count == 2) std::memcpy(marker, taken, sizeof marker);
      continue;
    }
    int64_t value = 0;
    size_t digits = 0;
    for (size_t i = 0; i < run && IsDigit(*t); ++i, ++t, ++digits) {
      if (value < 100000) value = value * 10 + (*t - '0');
    }
    const int slot = letter == 'H' ? 0 : letter == 'N' ? 1 : letter == 'S' ? 2 : 3;
    if (digits > 0 || letter != 'H') parts[slot] = value;
  }

  int64_t hour = parts[0];
  if (hour < 0) return false;
  if (wantsMarker && marker[0] == '\0') return false;
  if (marker[0] == 'P' && hour < 12) hour += 12;
  else if (marker[0] != '\0' && marker[0] != 'P' && hour == 12) hour = 0;
  const int64_t minute = parts[1] < 0 ? 0 : parts[1];
  const int64_t second = parts[2] < 0 ? 0 : parts[2];
  const int64_t millisecond = parts[3] < 0 ? 0 : parts[3];
  // Out-of-range parts are not a time of day; accepting them would produce values past
  // midnight that no formatter or comparison expects.
  if (hour > 23 || minute > 59 || second > 59 || millisecond > 999) return false;
  ms = static_cast<int>(hour * 3600000 + minute * 60000 + second * 1000 + millisecond);
  return true;
}
