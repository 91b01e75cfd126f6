// The phone formatter of the package: brings a SIS phone number into the form the importing
// tool shows (555-1234, 555 123-4567, +1-555-123-4567, ...) with its extension after " x".
#pragma once

#include "foundation/XString.h"

class PhoneNumber {
 public:
  // The formatted number. `message` is empty on success; otherwise it says why the number
  // could not be read, and the result is the input unchanged.
  static XString Format(const XString& raw, XString& message);
};
