#include "xui/XUIFolderBrowser.h"

#include <windows.h>
#include <shlobj.h>

#include "xui/XUIGizmo.h"
#include "xui/XUIText.h"

XString XUIFolderBrowser::Choose(const XUIGizmo* owner, const XString& caption) {
  // The new-style dialog needs COM on this thread; a second initialisation is harmless.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring title = XUIWide(caption);
  BROWSEINFOW info{};
  info.hwndOwner = owner != nullptr ? GetAncestor(owner->Handle(), GA_ROOT) : nullptr;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  XString chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list, path)) chosen = XUINarrow(path);
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
