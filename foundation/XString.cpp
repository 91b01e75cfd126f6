#include "foundation/XString.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "foundation/XDigits.h"
#include "foundation/XException.h"
#include "os/OsText.h"

namespace {
// Win32 calls of the system take names and paths converted into a 260-character buffer.
constexpr size_t kWideBufferChars = 260;
static_assert(XString::kInlineLength >= xdigits::kMaxIntegerText, "a number's digits fit the inline buffer");
}  // namespace

char* XString::Allocate(uint32_t size) {
  char* p = new (std::nothrow) char[size];
  if (!p) throw XException("Failed to allocate memory.");
  return p;
}

void XString::ResetInline() {
  m_buffer = m_inline;
  m_length = 0;
  m_capacity = kInlineLength;
  m_inline[0] = 0;
}

char* XString::Grow(uint32_t capacity, bool growing) {
  if (capacity <= m_capacity) return nullptr;
  // An append asks for half as much again as the buffer had: a line built value by value is
  // copied a logarithmic number of times, not once per value.
  if (growing) {
    const uint64_t half = static_cast<uint64_t>(m_capacity) + m_capacity / 2;
    if (capacity < half) capacity = half < UINT32_MAX ? static_cast<uint32_t>(half) : UINT32_MAX - 1;
  }
  if (capacity == UINT32_MAX) throw XException("Failed to reallocate memory.");
  char* grown = new (std::nothrow) char[static_cast<size_t>(capacity) + 1];
  if (!grown) throw XException("Failed to reallocate memory.");
  std::memcpy(grown, m_buffer, m_length + 1);
  char* old = IsInline() ? nullptr : m_buffer;
  m_buffer = grown;
  m_capacity = capacity;
  return old;
}

void XString::AssignBytes(const char* text, uint32_t length) {
  if (length > m_capacity) {
    // A new buffer: the old one (which may hold the source) is freed only after the copy.
    char* copy = Allocate(length + 1);
    std::memcpy(copy, text, length);
    if (!IsInline()) delete[] m_buffer;
    m_buffer = copy;
    m_capacity = length;
  } else if (length > 0) {
    std::memmove(m_buffer, text, length);
  }
  m_buffer[length] = 0;
  m_length = length;
}

XString::XString() { ResetInline(); }

XString::XString(const char* text) : XString(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0) {}

XString::XString(const char* text, uint32_t length) {
  ResetInline();
  AssignBytes(text, length);
}

XString::XString(const std::string& text) : XString(text.data(), static_cast<uint32_t>(text.size())) {}

XString::XString(const XString& other) : XString(other.m_buffer, other.m_length) {}

XString::XString(XString&& other) noexcept {
  ResetInline();
  if (other.IsInline()) {
    std::memcpy(m_inline, other.m_inline, other.m_length + 1);
    m_length = other.m_length;
  } else {
    m_buffer = other.m_buffer;
    m_length = other.m_length;
    m_capacity = other.m_capacity;
  }
  // The moved-from string is left empty.
  other.ResetInline();
}

XString::XString(char c) : XString(&c, 1) {}

XString::XString(int value) : XString(static_cast<int64_t>(value)) {}

XString::XString(int64_t value) : XString() {
  // The digits "%lld" writes, without a format call: numbers of every row come here.
  char* end = xdigits::PutInteger(m_inline, value);
  m_length = static_cast<uint32_t>(end - m_inline);
  m_inline[m_length] = 0;
}

XString::XString(double value) : XString() { Format(352, "%.4f", value); }

XString::XString(float value, int precision) : XString() {
  Format(352, "%.*f", precision, static_cast<double>(value));
}

XString::XString(const char16_t* wide, int count) : XString() {
  if (!wide) return;
  size_t n = count < 0 ? std::char_traits<char16_t>::length(wide) : static_cast<size_t>(count);
  *this = XString(os::WideToNarrow(std::u16string(wide, n)));
}

XString::~XString() {
  if (!IsInline()) delete[] m_buffer;
}

XString& XString::operator=(const XString& other) {
  if (this != &other) AssignBytes(other.m_buffer, other.m_length);
  return *this;
}

XString& XString::operator=(XString&& other) noexcept {
  if (this == &other) return *this;
  if (other.IsInline()) {
    // Short text is copied; a heap buffer this string has stays for later use.
    std::memcpy(m_buffer, other.m_inline, other.m_length + 1);
    m_length = other.m_length;
  } else {
    if (!IsInline()) delete[] m_buffer;
    m_buffer = other.m_buffer;
    m_length = other.m_length;
    m_capacity = other.m_capacity;
  }
  other.ResetInline();
  return *this;
}

XString& XString::operator=(const char* text) {
  AssignBytes(text ? text : "", text ? static_cast<uint32_t>(std::strlen(text)) : 0);
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
  if (length > UINT32_MAX - 1 - m_length) throw XException("Failed to reallocate memory.");
  const uint32_t total = m_length + length;
  if (total > m_capacity) {
    // The text may lie inside the old buffer: it is freed only after the copy.
    char* old = Grow(total, true);
    std::memcpy(m_buffer + m_length, text, length);
    delete[] old;
  } else {
    std::memmove(m_buffer + m_length, text, length);
  }
  m_buffer[total] = 0;
  m_length = total;
  return *this;
}

XString& XString::Append(const char* text) {
  return text ? Append(text, static_cast<uint32_t>(std::strlen(text))) : *this;
}

XString& XString::Append(const XString& other) { return Append(other.m_buffer, other.m_length); }

XString& XString::Format(uint32_t bufferSize, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatList(bufferSize, format, args);
  va_end(args);
  return *this;
}

XString& XString::FormatList(uint32_t bufferSize, const char* format, va_list args) {
  if (bufferSize == 0) bufferSize = 1;
  // Most formats fit a buffer on the stack; a larger one is allocated for the call.
  char small[512];
  std::unique_ptr<char[]> large(bufferSize > sizeof small ? Allocate(bufferSize) : nullptr);
  char* buffer = large ? large.get() : small;
  int n = std::vsnprintf(buffer, bufferSize, format, args);
  uint32_t length = n < 0 ? 0 : static_cast<uint32_t>(n) >= bufferSize ? bufferSize - 1 : static_cast<uint32_t>(n);
  AssignBytes(buffer, length);
  return *this;
}

XString XString::Quote() const {
  XString quoted;
  quoted.Reserve(m_length + 2);
  quoted.Append("\"", 1);
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
  const uint32_t n = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
  XString result;
  result.Reserve(m_length + n);
  result.Append(m_buffer, position);
  result.Append(text, n);
  result.Append(m_buffer + position, m_length - position);
  return *this = std::move(result);
}

XString& XString::Trim() {
  uint32_t begin = 0, end = m_length;
  while (begin < end && std::isspace(static_cast<unsigned char>(m_buffer[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(m_buffer[end - 1]))) --end;
  if (begin == 0 && end == m_length) return *this;
  AssignBytes(m_buffer + begin, end - begin);
  return *this;
}

// The kept characters move forward in the string's own buffer (never shared).
XString& XString::RemoveChars(const char* set) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < m_length; ++i) {
    const char c = m_buffer[i];
    if (c == 0 || !std::strchr(set, c)) m_buffer[kept++] = c;
  }
  m_buffer[kept] = 0;
  m_length = kept;
  return *this;
}

XString& XString::RemoveRange(unsigned char low, unsigned char high) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < m_length; ++i) {
    const unsigned char c = static_cast<unsigned char>(m_buffer[i]);
    if (c < low || c > high) m_buffer[kept++] = m_buffer[i];
  }
  m_buffer[kept] = 0;
  m_length = kept;
  return *this;
}

XString& XString::TrimTrailing(const char* set) {
  uint32_t end = m_length;
  while (end > 0 && m_buffer[end - 1] != 0 && std::strchr(set, m_buffer[end - 1])) --end;
  if (end != m_length) AssignBytes(m_buffer, end);
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
  if (n == UINT32_MAX) throw XException("Failed to reallocate memory.");
  if (n > m_length) {
    delete[] Grow(n, false);
    std::memset(m_buffer + m_length, 0, n - m_length);
  }
  m_buffer[n] = 0;
  m_length = n;
  return *this;
}

XString& XString::Reserve(uint32_t capacity) {
  if (capacity == UINT32_MAX) throw XException("Failed to reallocate memory.");
  delete[] Grow(capacity, false);
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

namespace {
XString Joined(const char* a, uint32_t aLength, const char* b, uint32_t bLength) {
  XString r;
  r.Reserve(aLength + bLength);
  r.Append(a, aLength);
  r.Append(b, bLength);
  return r;
}

uint32_t LengthOf(const char* text) { return text ? static_cast<uint32_t>(std::strlen(text)) : 0; }
}  // namespace

XString operator+(const XString& a, const XString& b) { return Joined(a.c_str(), a.Length(), b.c_str(), b.Length()); }

XString operator+(const XString& a, const char* b) { return Joined(a.c_str(), a.Length(), b, LengthOf(b)); }

XString operator+(const char* a, const XString& b) { return Joined(a, LengthOf(a), b.c_str(), b.Length()); }

bool operator==(const XString& a, const XString& b) {
  return a.Length() == b.Length() && std::memcmp(a.c_str(), b.c_str(), a.Length()) == 0;
}

bool operator==(const XString& a, const char* b) { return a.Compare(b) == 0; }

bool operator<(const XString& a, const XString& b) { return a.Compare(b.c_str()) < 0; }
