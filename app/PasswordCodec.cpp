#include "app/PasswordCodec.h"

#include <cstring>
#include <random>

namespace {

// Characters the form must never hold (see the header).
constexpr const char* kForbidden = "\"%<=>";

bool InAlphabet(char c) { return std::memchr(PasswordCodec::kAlphabet, c, 16) != nullptr; }

char RandomStandInForThree() {
  static thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> printable(32, 121);
  for (;;) {
    char c = static_cast<char>(printable(generator));
    if (!InAlphabet(c) && !std::strchr(kForbidden, c)) return c;
  }
}

char EncodeNibble(unsigned n) { return n == 3 ? RandomStandInForThree() : PasswordCodec::kAlphabet[n]; }

unsigned DecodeChar(char c) {
  const void* at = std::memchr(PasswordCodec::kAlphabet, c, 16);
  return at ? static_cast<unsigned>(static_cast<const char*>(at) - PasswordCodec::kAlphabet) : 3;
}

}  // namespace

XString PasswordCodec::Encode(const XString& plain) {
  std::string out;
  out.reserve(plain.Length() * 2);
  for (uint32_t i = 0; i < plain.Length(); ++i) {
    unsigned byte = static_cast<unsigned char>(plain[i]);
    out += EncodeNibble(byte >> 4);
    out += EncodeNibble(byte & 0x0F);
  }
  return XString(out);
}

XString PasswordCodec::Decode(const XString& encoded) {
  std::string out;
  out.reserve(encoded.Length() / 2 + 1);
  for (uint32_t i = 0; i < encoded.Length(); i += 2) {
    unsigned high = DecodeChar(encoded[i]);
    unsigned low = i + 1 < encoded.Length() ? DecodeChar(encoded[i + 1]) : 0;
    out += static_cast<char>(high * 16 + low);
  }
  return XString(out);
}
