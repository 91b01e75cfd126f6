#include "xui/XUIFolderBrowser.h"

#include <windows.h>
#include <shlobj.h>

#include "xui/XUIGizmo.h"
#include "xui/XUIText.h"

namespace {

// The browser's own window takes the caption as its title, too.
int CALLBACK OnBrowserEvent(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SetWindowTextW(window, reinterpret_cast<const wchar_t*>(data));
  return 0;
}

}  // namespace

XString XUIFolderBrowser::Choose(const XUIGizmo* owner, const XString& caption) {
  // The new-style dialog needs COM on this thread; a second initialisation is harmless.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring title = XUIWide(caption);
  BROWSEINFOW info{};
  info.hwndOwner = owner != nullptr ? GetAncestor(owner->Handle(), GA_ROOT) : nullptr;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &OnBrowserEvent;
  info.lParam = reinterpret_cast<LPARAM>(title.c_str());
  XString chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list, path)) chosen = XUINarrow(path);
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
