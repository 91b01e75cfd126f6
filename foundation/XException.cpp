#include "foundation/XException.h"

#include <cstdio>

#include "foundation/XString.h"

XException::XException(const char* text, int32_t code) : m_text(text ? text : ""), m_code(code) {}

XException::XException(const XString& text, int32_t code)
    : m_text(text.c_str(), text.Length()), m_code(code) {}

XException XException::Format(int32_t code, const char* format, ...) {
  char buffer[kMaxText + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return XException(buffer, code);
}
