// An e-mail address held as text.
#pragma once

#include "foundation/XString.h"

class XEmailAddress : public XString {
 public:
  using XString::XString;
  XEmailAddress() = default;
  XEmailAddress(const XString& text) : XString(text) {}
};
