#include "xui/XUIMessageBox.h"

#include "xui/XUIGizmo.h"
#include "xui/XUIText.h"

namespace {
XString g_title;
}

void XUIMessageBox::SetApplicationTitle(const XString& title) { g_title = title; }

const XString& XUIMessageBox::ApplicationTitle() { return g_title; }

int XUIMessageBox::Show(const XString& text, const XUIGizmo* owner, UINT style) {
  HWND window = owner != nullptr ? owner->Handle() : nullptr;
  if (window != nullptr) window = GetAncestor(window, GA_ROOT);
  return MessageBoxW(window, XUIWide(text).c_str(), XUIWide(g_title).c_str(), style);
}
