// The system's one exception type: a message text and a 32-bit code (an HRESULT, a SQLite
// result code, a field status or 0).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <string>

class XString;

class XException : public std::exception {
 public:
  // Formatted exception texts are cut at this many characters.
  static constexpr size_t kMaxText = 1024;

  XException(const char* text, int32_t code = 0);
  XException(const XString& text, int32_t code = 0);

  // printf-style text, cut at kMaxText characters.
  static XException Format(int32_t code, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;

  const char* what() const noexcept override { return m_text.c_str(); }
  const char* Text() const noexcept { return m_text.c_str(); }
  int32_t Code() const noexcept { return m_code; }

 private:
  std::string m_text;
  int32_t m_code;
};
