#include "XUITestSupport.h"

#include <commctrl.h>

#include "xui/XUICustom.h"

namespace xuitest {

void InitToolkit() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  XUICustom::RegisterWindowClass();
  done = true;
}

HWND HostWindow() {
  static HWND host = nullptr;
  if (host == nullptr) {
    InitToolkit();
    host = CreateWindowExW(0, L"STATIC", L"xui test host", WS_POPUP, 0, 0, 400, 300, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  return host;
}

bool CreateHidden(XUIWindow& view) { return HostWindow() != nullptr && view.CreateChild(HostWindow()); }

}  // namespace xuitest
