// The conversions of column values to text, number and truth value. Any value of any type
// converts; a real writes what "%.4f" writes without its trailing zeros; an integer what "%lld"
// writes; a date what the date formatter writes for "YYYY/MM/DD HH:NN:SS"; an OLE date made of
// date and time parts gives those parts back.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/ODBCDataAccess.h"
#include "data/ado/GuidText.h"
#include "data/ado/OleDate.h"
#include "data/ado/Variant.h"
#include "foundation/XDateTime.h"
#include "fuzz/FuzzSupport.h"

namespace {

// The text the fast real formatting must equal.
std::string Fixed4(double value) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, "%.4f", value);
  size_t length = n < 0 ? 0 : static_cast<size_t>(n) >= sizeof text ? sizeof text - 1 : static_cast<size_t>(n);
  while (length > 0 && text[length - 1] == '0') --length;
  while (length > 0 && text[length - 1] == '.') --length;
  return std::string(text, length);
}

void Convert(const ado::Variant& value) {
  ODBCRecordReader::VariantToText(value);
  ODBCRecordReader::VariantToInteger(value);
  ODBCRecordReader::VariantToDouble(value);
  ODBCRecordReader::VariantToBool(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t bits = 0;
  std::memcpy(&bits, data, size < 8 ? size : 8);
  const std::string text = size > 8 ? std::string(reinterpret_cast<const char*>(data) + 8, size - 8) : std::string();
  double real;
  std::memcpy(&real, &bits, sizeof real);
  float single;
  const uint32_t low = static_cast<uint32_t>(bits);
  std::memcpy(&single, &low, sizeof single);

  const int64_t integer = static_cast<int64_t>(bits);
  FUZZ_CHECK_EQ(ODBCRecordReader::VariantToText(ado::Variant::I8(integer)).ToStd(),
                std::to_string(integer));
  FUZZ_CHECK_EQ(ODBCRecordReader::VariantToText(ado::Variant::I4(static_cast<int32_t>(low))).ToStd(),
                std::to_string(static_cast<int32_t>(low)));
  FUZZ_CHECK_EQ(ODBCRecordReader::VariantToText(ado::Variant::R8(real)).ToStd(), Fixed4(real));
  FUZZ_CHECK_EQ(ODBCRecordReader::VariantToText(ado::Variant::R4(single)).ToStd(), Fixed4(single));
  // Reals with few binary digits reach the halfway cases of the fourth decimal place.
  const double coarse = static_cast<double>(integer % 100000000) / 65536.0;
  FUZZ_CHECK_EQ(ODBCRecordReader::VariantToText(ado::Variant::R8(coarse)).ToStd(), Fixed4(coarse));
  Convert(ado::Variant::R8(real));
  Convert(ado::Variant::R4(single));
  Convert(ado::Variant::UI8(bits));
  Convert(ado::Variant::Str(XString(text)));
  Convert(ado::Variant::Bytes(text.data(), text.size()));

  const XDateTime when = XDateTime::FromOleDate(real);
  const XString dateText = ODBCRecordReader::VariantToText(ado::Variant::Date(real));
  if (when.Date() >= 0 && when.Time() >= 0) {
    FUZZ_CHECK_EQ(dateText.ToStd(), when.Format("YYYY/MM/DD HH:NN:SS").ToStd());
  } else {
    FUZZ_CHECK(dateText.IsEmpty());
  }
  ado::FromOleDate(real);

  ado::OleDateParts parts;
  parts.year = 1600 + static_cast<int32_t>(bits % 8400);
  parts.month = 1 + static_cast<int32_t>(bits / 8400 % 12);
  parts.day = 1 + static_cast<int32_t>(bits / 100800 % 28);
  parts.hour = static_cast<int32_t>(bits / 2822400 % 24);
  parts.minute = static_cast<int32_t>(bits / 67737600 % 60);
  parts.second = static_cast<int32_t>(bits / 4064256000 % 60);
  parts.nanosecond = static_cast<uint32_t>(bits >> 40) % 1000 * 1000000u;
  const ado::OleDateParts back = ado::FromOleDate(ado::ToOleDate(parts));
  char expected[64], actual[64];
  std::snprintf(expected, sizeof expected, "%d-%d-%d %d:%d:%d.%u", parts.year, parts.month, parts.day,
                parts.hour, parts.minute, parts.second, parts.nanosecond);
  std::snprintf(actual, sizeof actual, "%d-%d-%d %d:%d:%d.%u", back.year, back.month, back.day, back.hour,
                back.minute, back.second, back.nanosecond);
  FUZZ_CHECK_EQ(std::string(actual), std::string(expected));

  ado::Decimal decimal;
  if (ado::Decimal::Parse(text.data(), text.size(), decimal)) {
    FUZZ_CHECK(decimal.scale <= 28);
    Convert(ado::Variant::Dec(decimal));
  }
  ado::GuidText(text.data(), text.size());
  return 0;
}
