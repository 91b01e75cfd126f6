#include "foundation/XDigits.h"

namespace xdigits {

char* PutInteger(char* out, int64_t value, int minDigits) {
  char buffer[kMaxIntegerText];
  char* end = buffer + sizeof buffer;
  char* p = end;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int digits = static_cast<int>(end - p);
  int zeros = minDigits - digits - (value < 0 ? 1 : 0);
  if (value < 0) *out++ = '-';
  while (zeros-- > 0) *out++ = '0';
  for (; p < end; ++p) *out++ = *p;
  return out;
}

void AppendInteger(XString& out, int64_t value, int minDigits) {
  if (minDigits > static_cast<int>(kMaxIntegerText)) minDigits = kMaxIntegerText;
  char text[kMaxIntegerText + 1];
  const char* end = PutInteger(text, value, minDigits);
  out.Append(text, static_cast<uint32_t>(end - text));
}

XString IntegerText(int64_t value) {
  char text[kMaxIntegerText];
  const char* end = PutInteger(text, value);
  return XString(text, static_cast<uint32_t>(end - text));
}

char* PutDate(char* out, int year, int month, int day, char separator, int yearDigits) {
  out = PutInteger(out, year, yearDigits);
  *out++ = separator;
  out = PutFixed(out, static_cast<uint32_t>(month), 2);
  *out++ = separator;
  return PutFixed(out, static_cast<uint32_t>(day), 2);
}

char* PutTime(char* out, int32_t milliseconds) {
  out = PutFixed(out, static_cast<uint32_t>(milliseconds / 3600000), 2);
  *out++ = ':';
  out = PutFixed(out, static_cast<uint32_t>(milliseconds / 60000 % 60), 2);
  *out++ = ':';
  return PutFixed(out, static_cast<uint32_t>(milliseconds / 1000 % 60), 2);
}

}  // namespace xdigits
