// Times of day as milliseconds since midnight (0 .. 86,399,999), -1 for no time.
#pragma once

#include "foundation/XString.h"

class XTime {
 public:
  static constexpr int kNone = -1;
  static constexpr int kMsPerDay = 86400000;

  // Milliseconds of a time of day; no range checks.
  static int FromHMS(int hour, int minute, int second, int millisecond = 0);
  // The parts of a time; all 0 for no time.
  static void ToHMS(int ms, int& hour, int& minute, int& second, int& millisecond);

  // The time tokens of a pattern replaced: HH hour (two digits), NN minutes, SS seconds, LLL
  // milliseconds, AA "AM"/"PM". Tokens are case-insensitive and must have exactly this length;
  // a run of another length is copied as it is, as is everything else (date tokens included).
  // The hour is in 12-hour form (1..12) when the pattern holds "AA" in upper case. No time gives
  // the empty text.
  static XString FormatTime(int ms, const char* pattern);
  // The same over text whose 12-hour form was decided elsewhere: XDateTime decides it on the
  // pattern before its date tokens were replaced.
  static XString FormatTime(int ms, const char* text, bool twelveHour);

  // Reads a time with a pattern such as "HH:NN:SS.LLL" or "HH:NN AA". Runs of H, N, S, L take
  // up to one digit per letter; a run of A takes the AM/PM marker; any other pattern character
  // skips one character of the text. Returns false and ms = -1 when no hour was read, the
  // pattern asks for a marker the text lacks, or a part is out of range.
  static bool ParseTime(const char* text, const char* pattern, int& ms);
};
