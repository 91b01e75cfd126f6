// The encoded password form: any password encodes to text without the characters that cannot
// stand in a quoted argument, a batch file or an XML attribute, and decodes back to itself; any
// text decodes, and the password it gives encodes to a form that decodes to it again.
#include <cstring>
#include <string>

#include "app/PasswordCodec.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const XString plain(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
  const XString encoded = PasswordCodec::Encode(plain);
  FUZZ_CHECK(encoded.Length() == 2 * plain.Length());
  for (uint32_t i = 0; i < encoded.Length(); ++i) {
    FUZZ_CHECK(encoded[i] != '\0' && std::strchr("\"%<=>", encoded[i]) == nullptr);
  }
  FUZZ_CHECK(PasswordCodec::Decode(encoded) == plain);

  const XString decoded = PasswordCodec::Decode(plain);
  FUZZ_CHECK(decoded.Length() == (plain.Length() + 1) / 2);
  FUZZ_CHECK(PasswordCodec::Decode(PasswordCodec::Encode(decoded)) == decoded);
  return 0;
}
