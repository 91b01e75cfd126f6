// The system's string: narrow 8-bit text in the system code page, with an explicit length
// and an owned buffer whose byte after the text is always 0. Text of up to kInlineLength
// bytes lives inside the object (most values of a row: codes, keys, dates); longer text lives
// on the heap, and a string that is appended to grows its buffer by half again, so building a
// line does not copy it at every step. Copies copy; nothing is shared.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

class XString {
 public:
  // The longest text held inside the object itself.
  static constexpr uint32_t kInlineLength = 23;

  XString();
  XString(const char* text);  // null gives empty
  XString(const char* text, uint32_t length);
  XString(const std::string& text);
  XString(const XString& other);
  XString(XString&& other) noexcept;
  explicit XString(char c);
  explicit XString(int value);
  explicit XString(int64_t value);
  explicit XString(double value);           // "%.4f"
  XString(float value, int precision);      // "%.<precision>f"
  // UTF-16 text, count of code units or -1 for NUL-terminated; converted to the code page,
  // unmappable characters replaced by the default character.
  XString(const char16_t* wide, int count);
  virtual ~XString();

  XString& operator=(const XString& other);
  XString& operator=(XString&& other) noexcept;
  XString& operator=(const char* text);

  // Queries
  uint32_t Length() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  const char* c_str() const { return m_buffer; }
  operator const char*() const { return m_buffer; }
  char operator[](uint32_t i) const { return m_buffer[i]; }
  std::string ToStd() const { return std::string(m_buffer, m_length); }

  // Byte-by-byte comparison with NUL-terminated text (strcmp rules).
  int Compare(const char* text) const;
  bool Equals(const char* text) const;
  // Case-insensitive (toupper on both sides): difference of the first differing characters.
  int CompareNoCase(const char* text) const;
  bool BeginsWithHttp() const;
  // Position of the first occurrence of c, or Length() when there is none.
  uint32_t Find(char c) const;
  // True when every character is a decimal digit (the empty text counts).
  bool IsDigits() const;
  // Digits with at most one '.'.
  bool IsDecimal() const;

  // Building
  XString& Append(const char* text);
  XString& Append(const char* text, uint32_t length);
  XString& Append(const XString& other);
  XString& operator+=(const char* text) { return Append(text); }
  XString& operator+=(const XString& other) { return Append(other); }
  XString& operator+=(char c) { return Append(&c, 1); }
  // printf formatting into a buffer of bufferSize bytes; the length becomes what was written
  // (cut at bufferSize - 1).
  XString& Format(uint32_t bufferSize, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;
  XString& FormatList(uint32_t bufferSize, const char* format, va_list args);
  // The text surrounded by double quotes.
  XString Quote() const;

  // Extraction
  XString Left(uint32_t n) const;
  XString Mid(uint32_t n) const;
  XString& Insert(uint32_t position, const char* text);

  // Editing in place
  XString& Trim();
  XString& RemoveChars(const char* set);
  XString& RemoveRange(unsigned char low, unsigned char high);
  XString& TrimTrailing(const char* set);
  XString& RemoveAll(const char* text);
  XString& SetLength(uint32_t n);
  // Room for `capacity` bytes of text without another allocation.
  XString& Reserve(uint32_t capacity);

  // Bytes of text the buffer holds before it must grow.
  uint32_t Capacity() const { return m_capacity; }

  // UTF-16 form for the Win32 boundary; throws "XString::WinToWChar error" when the text does
  // not fit the 260-character conversion buffer.
  std::u16string ToWide() const;
  std::u16string ToWideUnbounded() const;

 private:
  bool IsInline() const { return m_buffer == m_inline; }
  // Points the string at its own inline buffer, emptied (the heap buffer is not freed).
  void ResetInline();
  // Copies `length` bytes (which may lie inside this string's own buffer) as the whole text.
  void AssignBytes(const char* text, uint32_t length);
  // A buffer of at least `capacity` text bytes, keeping the text; growing appends ask for more.
  // Returns the replaced heap buffer (null when there was none or nothing changed), which the
  // caller frees once it no longer reads from it.
  char* Grow(uint32_t capacity, bool growing);
  static char* Allocate(uint32_t size);

  char* m_buffer;
  uint32_t m_length;
  uint32_t m_capacity;
  char m_inline[kInlineLength + 1];
};

XString operator+(const XString& a, const XString& b);
XString operator+(const XString& a, const char* b);
XString operator+(const char* a, const XString& b);
bool operator==(const XString& a, const XString& b);
bool operator==(const XString& a, const char* b);
inline bool operator!=(const XString& a, const XString& b) { return !(a == b); }
inline bool operator!=(const XString& a, const char* b) { return !(a == b); }
bool operator<(const XString& a, const XString& b);
