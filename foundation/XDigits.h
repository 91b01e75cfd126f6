// Decimal digits written straight into a character buffer, as "%d", "%0Nd" and "%lld" write
// them but without a format call: every number and date of every extracted row passes here,
// and the general formatter costs more than fetching the row did.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

namespace xdigits {

// Room for any 64-bit value with its sign.
constexpr uint32_t kMaxIntegerText = 21;

// Writes the value's digits, at least `minDigits` of them (zeros in front; the sign counts
// toward the width, as in printf) and returns the character after the last one. `out` needs
// kMaxIntegerText characters, or `minDigits` when that is larger.
char* PutInteger(char* out, int64_t value, int minDigits = 1);

// Writes exactly `count` digits of the value (its last ones; zeros in front when it has fewer)
// and returns the character after them. For the fixed-width fields of dates and times.
inline char* PutFixed(char* out, uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return out + count;
}

// Appends the value's digits, as PutInteger writes them.
void AppendInteger(XString& out, int64_t value, int minDigits = 1);

// The value's digits as a new text.
XString IntegerText(int64_t value);

// "<year><sep>MM<sep>DD": the year with at least `yearDigits` digits, month and day with two.
// Returns the character after the day; `out` needs 12 + yearDigits characters.
char* PutDate(char* out, int year, int month, int day, char separator, int yearDigits);

// "HH:NN:SS" of a time in milliseconds since midnight; returns the character after it.
char* PutTime(char* out, int32_t milliseconds);

}  // namespace xdigits
