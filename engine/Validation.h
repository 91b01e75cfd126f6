// The answer of a check made before an extraction (the connection, the school, the school
// list): passed, or why not, as one line (the driver's diagnostics or what was not found).
#pragma once

#include "foundation/XString.h"

class Validation {
 public:
  static Validation Passed() { return Validation(true, XString()); }
  // The reason on one line: its line breaks, tabs and runs of blanks become single blanks.
  static Validation Failed(const XString& reason);

  explicit operator bool() const { return m_passed; }
  // Empty when it passed.
  const XString& Failure() const { return m_failure; }

 private:
  Validation(bool passed, const XString& failure) : m_passed(passed), m_failure(failure) {}

  bool m_passed;
  XString m_failure;
};
