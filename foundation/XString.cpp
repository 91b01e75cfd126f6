#include "foundation/XString.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "foundation/XException.h"
#include "os/OsText.h"

namespace {
// Win32 calls of the system take names and paths converted into a 260-character buffer.
constexpr size_t kWideBufferChars = 260;

// Every empty string shares this buffer instead of allocating one byte of its own: a run makes
// millions of them (unset fields, cleared values, moved-from strings). Nothing writes into a
// string's buffer in place, so it stays "", and it is never freed.
char g_empty[1] = {0};
}  // namespace

char* XString::EmptyBuffer() { return g_empty; }

void XString::Free(char* buffer) {
  if (buffer != g_empty) delete[] buffer;
}

char* XString::Allocate(uint32_t size) {
  char* p = new (std::nothrow) char[size];
  if (!p) throw XException("Failed to allocate memory.");
  return p;
}

void XString::Adopt(char* buffer, uint32_t length) {
  Free(m_buffer);
  m_buffer = buffer;
  m_length = length;
}

XString::XString() : m_buffer(EmptyBuffer()), m_length(0) {}

XString::XString(const char* text) : XString(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0) {}

XString::XString(const char* text, uint32_t length)
    : m_buffer(length ? Allocate(length + 1) : EmptyBuffer()), m_length(length) {
  if (length == 0) return;
  std::memcpy(m_buffer, text, length);
  m_buffer[length] = 0;
}

XString::XString(const std::string& text) : XString(text.data(), static_cast<uint32_t>(text.size())) {}

XString::XString(const XString& other) : XString(other.m_buffer, other.m_length) {}

XString::XString(XString&& other) noexcept : m_buffer(other.m_buffer), m_length(other.m_length) {
  // The moved-from string is left empty.
  other.m_buffer = EmptyBuffer();
  other.m_length = 0;
}

XString::XString(char c) : XString(&c, 1) {}

XString::XString(int value) : XString() { Format(16, "%d", value); }

XString::XString(int64_t value) : XString() { Format(24, "%" PRId64, value); }

XString::XString(double value) : XString() { Format(352, "%.4f", value); }

XString::XString(float value, int precision) : XString() {
  Format(352, "%.*f", precision, static_cast<double>(value));
}

XString::XString(const char16_t* wide, int count) : XString() {
  if (!wide) return;
  size_t n = count < 0 ? std::char_traits<char16_t>::length(wide) : static_cast<size_t>(count);
  *this = XString(os::WideToNarrow(std::u16string(wide, n)));
}

XString::~XString() { Free(m_buffer); }

XString& XString::operator=(const XString& other) {
  if (this != &other) {
    char* copy = other.m_length ? Allocate(other.m_length + 1) : EmptyBuffer();
    if (other.m_length) std::memcpy(copy, other.m_buffer, other.m_length + 1);
    Adopt(copy, other.m_length);
  }
  return *this;
}

XString& XString::operator=(XString&& other) noexcept {
  std::swap(m_buffer, other.m_buffer);
  std::swap(m_length, other.m_length);
  return *this;
}

XString& XString::operator=(const char* text) {
  uint32_t n = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
  if (n == 0) {
    Adopt(EmptyBuffer(), 0);
    return *this;
  }
  char* copy = Allocate(n + 1);
  std::memcpy(copy, text, n);
  copy[n] = 0;
  Adopt(copy, n);
  return *this;
}

int XString::Compare(const char* text) const { return std::strcmp(m_buffer, text ? text : ""); }

bool XString::Equals(const char* text) const { return Compare(text) == 0; }

int XString::CompareNoCase(const char* text) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_buffer);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(text ? text : "");
  for (;; ++a, ++b) {
    int ca = std::toupper(*a), cb = std::toupper(*b);
    if (ca != cb || ca == 0) return ca - cb;
  }
}

bool XString::BeginsWithHttp() const {
  static const char kPrefix[] = "http://";
  if (m_length < 7) return false;
  for (int i = 0; i < 7; ++i) {
    if (std::tolower(static_cast<unsigned char>(m_buffer[i])) != kPrefix[i]) return false;
  }
  return true;
}

uint32_t XString::Find(char c) const {
  for (uint32_t i = 0; i < m_length; ++i) {
    if (m_buffer[i] == c) return i;
  }
  return m_length;
}

bool XString::IsDigits() const {
  for (uint32_t i = 0; i < m_length; ++i) {
    if (m_buffer[i] < '0' || m_buffer[i] > '9') return false;
  }
  return true;
}

bool XString::IsDecimal() const {
  int points = 0;
  for (uint32_t i = 0; i < m_length; ++i) {
    char c = m_buffer[i];
    if (c == '.') {
      if (++points > 1) return false;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

XString& XString::Append(const char* text, uint32_t length) {
  if (length == 0) return *this;
  char* grown = new (std::nothrow) char[m_length + length + 1];
  if (!grown) throw XException("Failed to reallocate memory.");
  std::memcpy(grown, m_buffer, m_length);
  std::memcpy(grown + m_length, text, length);
  grown[m_length + length] = 0;
  Adopt(grown, m_length + length);
  return *this;
}

XString& XString::Append(const char* text) {
  return text ? Append(text, static_cast<uint32_t>(std::strlen(text))) : *this;
}

XString& XString::Append(const XString& other) {
  if (&other == this) {
    XString copy(other);
    return Append(copy.m_buffer, copy.m_length);
  }
  return Append(other.m_buffer, other.m_length);
}

XString& XString::Format(uint32_t bufferSize, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatList(bufferSize, format, args);
  va_end(args);
  return *this;
}

XString& XString::FormatList(uint32_t bufferSize, const char* format, va_list args) {
  if (bufferSize == 0) bufferSize = 1;
  char* buffer = Allocate(bufferSize);
  int n = std::vsnprintf(buffer, bufferSize, format, args);
  uint32_t length = n < 0 ? 0 : static_cast<uint32_t>(n) >= bufferSize ? bufferSize - 1 : static_cast<uint32_t>(n);
  buffer[length] = 0;
  *this = XString(buffer, length);
  delete[] buffer;
  return *this;
}

XString XString::Quote() const {
  XString quoted("\"");
  quoted.Append(*this);
  quoted.Append("\"", 1);
  return quoted;
}

XString XString::Left(uint32_t n) const { return XString(m_buffer, n < m_length ? n : m_length); }

XString XString::Mid(uint32_t n) const {
  return n >= m_length ? XString() : XString(m_buffer + n, m_length - n);
}

XString& XString::Insert(uint32_t position, const char* text) {
  if (position >= m_length) return Append(text);
  XString result(m_buffer, position);
  result.Append(text);
  result.Append(m_buffer + position, m_length - position);
  return *this = std::move(result);
}

XString& XString::Trim() {
  uint32_t begin = 0, end = m_length;
  while (begin < end && std::isspace(static_cast<unsigned char>(m_buffer[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(m_buffer[end - 1]))) --end;
  if (begin == 0 && end == m_length) return *this;
  return *this = XString(m_buffer + begin, end - begin);
}

XString& XString::RemoveChars(const char* set) {
  std::string kept;
  kept.reserve(m_length);
  for (uint32_t i = 0; i < m_length; ++i) {
    if (!std::strchr(set, m_buffer[i]) || m_buffer[i] == 0) kept += m_buffer[i];
  }
  if (kept.size() != m_length) *this = XString(kept);
  return *this;
}

XString& XString::RemoveRange(unsigned char low, unsigned char high) {
  std::string kept;
  kept.reserve(m_length);
  for (uint32_t i = 0; i < m_length; ++i) {
    unsigned char c = static_cast<unsigned char>(m_buffer[i]);
    if (c < low || c > high) kept += m_buffer[i];
  }
  if (kept.size() != m_length) *this = XString(kept);
  return *this;
}

XString& XString::TrimTrailing(const char* set) {
  uint32_t end = m_length;
  while (end > 0 && m_buffer[end - 1] != 0 && std::strchr(set, m_buffer[end - 1])) --end;
  if (end != m_length) *this = XString(m_buffer, end);
  return *this;
}

XString& XString::RemoveAll(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0) return *this;
  std::string s(m_buffer, m_length);
  // Removing one occurrence can join two halves into a new one: repeat from the left until
  // none is left.
  for (size_t pos = s.find(text); pos != std::string::npos; pos = s.find(text)) s.erase(pos, n);
  if (s.size() != m_length) *this = XString(s);
  return *this;
}

XString& XString::SetLength(uint32_t n) {
  char* resized = new (std::nothrow) char[n + 1];
  if (!resized) throw XException("Failed to reallocate memory.");
  uint32_t keep = n < m_length ? n : m_length;
  std::memcpy(resized, m_buffer, keep);
  if (n > keep) std::memset(resized + keep, 0, n - keep);
  resized[n] = 0;
  Adopt(resized, n);
  return *this;
}

std::u16string XString::ToWideUnbounded() const { return os::NarrowToWide(ToStd()); }

std::u16string XString::ToWide() const {
  std::u16string wide;
  try {
    wide = ToWideUnbounded();
  } catch (const std::exception&) {
    throw XException("XString::WinToWChar error", 0);
  }
  if (wide.size() >= kWideBufferChars) throw XException("XString::WinToWChar error", 122);
  return wide;
}

XString operator+(const XString& a, const XString& b) {
  XString r(a);
  r.Append(b);
  return r;
}

XString operator+(const XString& a, const char* b) {
  XString r(a);
  r.Append(b);
  return r;
}

XString operator+(const char* a, const XString& b) {
  XString r(a);
  r.Append(b);
  return r;
}

bool operator==(const XString& a, const XString& b) {
  return a.Length() == b.Length() && std::memcmp(a.c_str(), b.c_str(), a.Length()) == 0;
}

bool operator==(const XString& a, const char* b) { return a.Compare(b) == 0; }

bool operator<(const XString& a, const XString& b) { return a.Compare(b.c_str()) < 0; }
