// A web address held as text.
#pragma once

#include "foundation/XString.h"

class XURL : public XString {
 public:
  using XString::XString;
  XURL() = default;
  XURL(const XString& text) : XString(text) {}

  // True when the address begins with the "http://" scheme prefix (any case).
  bool IsHttp() const { return BeginsWithHttp(); }
};
