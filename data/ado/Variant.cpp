#include "data/ado/Variant.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace ado {

bool Decimal::Parse(const char* text, size_t length, Decimal& out) {
  Decimal value;
  size_t i = 0;
  while (i < length && text[i] == ' ') ++i;
  if (i < length && (text[i] == '-' || text[i] == '+')) value.negative = text[i++] == '-';
  unsigned __int128 mantissa = 0;
  const unsigned __int128 limit = (static_cast<unsigned __int128>(1) << 96);
  bool digits = false;
  bool point = false;
  for (; i < length; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    digits = true;
    mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
    if (mantissa >= limit) return false;
    if (point && ++value.scale > 28) return false;
  }
  while (i < length && text[i] == ' ') ++i;
  if (!digits || i != length) return false;
  value.lo64 = static_cast<uint64_t>(mantissa);
  value.hi32 = static_cast<uint32_t>(mantissa >> 64);
  if (mantissa == 0) value.negative = false;
  out = value;
  return true;
}

double Decimal::ToDouble() const {
  double mantissa = static_cast<double>(lo64) + static_cast<double>(hi32) * 18446744073709551616.0;
  double result = mantissa / std::pow(10.0, scale);
  return negative ? -result : result;
}

Variant Variant::Null() {
  Variant v;
  v.m_type = VT_NULL;
  return v;
}

Variant Variant::I2(int16_t value) {
  Variant v;
  v.m_type = VT_I2;
  v.m_int = value;
  return v;
}

Variant Variant::I4(int32_t value) {
  Variant v;
  v.m_type = VT_I4;
  v.m_int = value;
  return v;
}

Variant Variant::I8(int64_t value) {
  Variant v;
  v.m_type = VT_I8;
  v.m_int = value;
  return v;
}

Variant Variant::UI1(uint8_t value) {
  Variant v;
  v.m_type = VT_UI1;
  v.m_int = value;
  return v;
}

Variant Variant::UI8(uint64_t value) {
  Variant v;
  v.m_type = VT_UI8;
  v.m_int = static_cast<int64_t>(value);  // the bits; GetUI8 reads them back unsigned
  return v;
}

Variant Variant::R4(float value) {
  Variant v;
  v.m_type = VT_R4;
  v.m_real = value;
  return v;
}

Variant Variant::R8(double value) {
  Variant v;
  v.m_type = VT_R8;
  v.m_real = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.m_type = VT_BOOL;
  v.m_int = value ? 1 : 0;
  return v;
}

Variant Variant::Date(double oleDate) {
  Variant v;
  v.m_type = VT_DATE;
  v.m_real = oleDate;
  return v;
}

Variant Variant::Dec(const Decimal& value) {
  Variant v;
  v.m_type = VT_DECIMAL;
  v.m_decimal = value;
  return v;
}

Variant Variant::Str(XString text) {
  Variant v;
  v.m_type = VT_BSTR;
  v.m_text = std::move(text);
  return v;
}

Variant Variant::Bytes(const void* data, size_t size) {
  Variant v;
  v.m_type = VT_UI1 | VT_ARRAY;
  v.m_bytes.resize(size);
  if (size) std::memcpy(v.m_bytes.data(), data, size);
  return v;
}

}  // namespace ado
