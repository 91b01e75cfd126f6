#include "data/ado/ComError.h"

#include <utility>

namespace ado {
namespace {

XString ComposeText(const XString& source, const XString& description, const Errors& errors) {
  if (errors.empty()) return description;
  XString text;
  for (const Error& error : errors) {
    if (!text.IsEmpty()) text += "\r\n";
    XString line;
    line.Format(static_cast<uint32_t>(error.description.Length() + error.source.Length() + 64),
                "%s: [%s] %s (native error %d)", error.source.c_str(), error.sqlState.c_str(),
                error.description.c_str(), static_cast<int>(error.nativeError));
    text += line;
  }
  return text;
}

}  // namespace

ComError::ComError(int32_t hresult, XString source, XString description, Errors errors)
    : XException(ComposeText(source, description, errors), hresult),
      m_source(std::move(source)),
      m_description(errors.empty() || !description.IsEmpty() ? std::move(description)
                                                             : errors.front().description),
      m_errors(std::move(errors)) {}

XString ComError::SqlState() const { return m_errors.empty() ? XString() : m_errors.front().sqlState; }

int32_t ComError::NativeError() const { return m_errors.empty() ? 0 : m_errors.front().nativeError; }

}  // namespace ado
