#include "xui/XUIText.h"

#include "os/OsText.h"

std::wstring XUIWide(const XString& text) {
  std::u16string wide = os::NarrowToWide(text.ToStd());
  return std::wstring(wide.begin(), wide.end());
}

XString XUINarrow(const wchar_t* text) {
  if (text == nullptr) return XString();
  std::u16string wide;
  for (const wchar_t* p = text; *p != 0; ++p) wide += static_cast<char16_t>(*p);
  return XString(os::WideToNarrow(wide));
}
