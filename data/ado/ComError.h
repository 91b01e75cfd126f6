// What a failing ADO call raises, over ODBC: the failure as an XException that also carries
// the parts of a COM error (HRESULT, Source, Description) and the ODBC diagnostics it came
// from (SQLSTATE, native code, message). The connection's Errors collection holds the same
// diagnostics until the next failing call replaces them.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/XException.h"
#include "foundation/XString.h"

namespace ado {

// One entry of the Errors collection: one ODBC diagnostic record.
struct Error {
  int32_t number = 0;  // the HRESULT of the failing call (E_FAIL for driver failures)
  XString sqlState;    // five characters, e.g. "42000"
  int32_t nativeError = 0;
  XString description;  // the driver's message, with the driver manager's [vendor] prefixes
  XString source;       // the ODBC function that failed, e.g. "SQLExecDirectW"
};

using Errors = std::vector<Error>;

class ComError : public XException {
 public:
  // Text: the description, or when there are diagnostics
  // "<source>: [<SQLSTATE>] <message> (native error <n>)" for each, joined by line breaks.
  ComError(int32_t hresult, XString source, XString description, Errors errors = {});

  int32_t HResult() const { return Code(); }
  const XString& Source() const { return m_source; }
  // The first diagnostic's message, or the layer's own text when there is no diagnostic.
  const XString& Description() const { return m_description; }
  // SQLSTATE and native code of the first diagnostic ("" and 0 without one).
  XString SqlState() const;
  int32_t NativeError() const;
  const Errors& Diagnostics() const { return m_errors; }

 private:
  XString m_source;
  XString m_description;
  Errors m_errors;
};

}  // namespace ado
