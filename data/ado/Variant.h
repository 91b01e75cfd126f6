// A tagged value as ADO hands it out: an OLE Automation VARIANT reduced to the types that
// ODBC columns convert to. The type tags carry the VT_ numbers of OLE Automation, so code that
// switches on them reads as it would over COM. Text is narrow, in the system code page.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/XString.h"

namespace ado {

enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_ARRAY = 0x2000,
};

// The payload of a VT_DECIMAL as OLE Automation lays it out: a 96-bit unsigned mantissa
// (hi32:lo64), a sign and a power-of-ten scale (0 to 28).
struct Decimal {
  uint64_t lo64 = 0;
  uint32_t hi32 = 0;
  uint8_t scale = 0;
  bool negative = false;

  // Parses "-123.4500", "42", ".5" (as a NUMERIC column reads as text). False when the text is
  // not a plain decimal number or does not fit 96 bits and scale 28.
  static bool Parse(const char* text, size_t length, Decimal& out);
  double ToDouble() const;
};

class Variant {
 public:
  Variant() = default;  // VT_EMPTY

  static Variant Null();
  static Variant I2(int16_t value);
  static Variant I4(int32_t value);
  static Variant I8(int64_t value);
  static Variant UI1(uint8_t value);
  static Variant UI8(uint64_t value);
  static Variant R4(float value);
  static Variant R8(double value);
  static Variant Bool(bool value);
  // An OLE date: days since 1899-12-30, the time of day as the fraction (see OleDate.h).
  static Variant Date(double oleDate);
  static Variant Dec(const Decimal& value);
  static Variant Str(XString text);
  // VT_UI1 | VT_ARRAY: a one-dimensional byte array.
  static Variant Bytes(const void* data, size_t size);

  uint16_t Type() const { return m_type; }
  bool IsEmpty() const { return m_type == VT_EMPTY; }
  bool IsNull() const { return m_type == VT_NULL; }
  bool IsArray() const { return (m_type & VT_ARRAY) != 0; }

  // The payload, read as its own type. Reading a payload of another type gives 0, false, an
  // empty text or no bytes: switch on Type() first.
  int16_t GetI2() const { return m_type == VT_I2 ? static_cast<int16_t>(m_int) : 0; }
  int32_t GetI4() const { return m_type == VT_I4 ? static_cast<int32_t>(m_int) : 0; }
  int64_t GetI8() const { return m_type == VT_I8 ? m_int : 0; }
  uint8_t GetUI1() const { return m_type == VT_UI1 ? static_cast<uint8_t>(m_int) : 0; }
  uint64_t GetUI8() const { return m_type == VT_UI8 ? static_cast<uint64_t>(m_int) : 0; }
  float GetR4() const { return m_type == VT_R4 ? static_cast<float>(m_real) : 0.0f; }
  double GetR8() const { return m_type == VT_R8 ? m_real : 0.0; }
  double GetDate() const { return m_type == VT_DATE ? m_real : 0.0; }
  bool GetBool() const { return m_type == VT_BOOL && m_int != 0; }
  const Decimal& GetDecimal() const { return m_decimal; }
  const XString& GetStr() const { return m_text; }
  // Moves the text out (VT_BSTR), leaving the value's text empty.
  XString TakeStr() { return std::move(m_text); }
  const std::vector<uint8_t>& GetBytes() const { return m_bytes; }

 private:
  uint16_t m_type = VT_EMPTY;
  int64_t m_int = 0;
  double m_real = 0.0;
  Decimal m_decimal;
  XString m_text;
  std::vector<uint8_t> m_bytes;
};

}  // namespace ado
