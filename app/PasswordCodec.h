// The encoded password form kept in the registry, the site configuration and the district
// batch file: two characters per byte, high nibble first, from a fixed 16-character alphabet.
// The nibble 3 is written as a random character outside the alphabet, so the encoded text of
// one password differs from run to run. No character of the form is a double quote, percent,
// less-than, equals or greater-than sign, so it stands inside a quoted command-line argument,
// a batch file and an XML attribute.
#pragma once

#include "foundation/XString.h"

class PasswordCodec {
 public:
  // The alphabet: the character at index n stands for the nibble n (3 is never written as
  // alphabet[3], which only keeps the table 16 long). Values written by this build must be
  // read back by it, so the table never changes.
  static constexpr char kAlphabet[17] = "Hq7KxT2mWd9bZfR4";

  static XString Encode(const XString& plain);
  // Two characters make a byte; a character outside the alphabet counts as 3, and the missing
  // partner of a last odd character counts as 0.
  static XString Decode(const XString& encoded);
};
