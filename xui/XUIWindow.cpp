#include "xui/XUIWindow.h"

#include <exception>

#include "xui/XUIMessageBox.h"
#include "xui/XUINotify.h"

XUIWindow::XUIWindow(int resourceId) : XUIPane(nullptr, nullptr, resourceId), m_resourceId(resourceId) {}

XUIWindow::~XUIWindow() {
  if (!m_modal) Destroy();
}

bool XUIWindow::CreateChild(HWND parent) {
  m_modal = false;
  HWND handle = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_resourceId), parent,
                                   &XUIWindow::DialogProc, reinterpret_cast<LPARAM>(static_cast<XUIBase*>(this)));
  return handle != nullptr;
}

int XUIWindow::RunModal(HWND owner) {
  m_modal = true;
  INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_resourceId), owner,
                                   &XUIWindow::DialogProc, reinterpret_cast<LPARAM>(static_cast<XUIBase*>(this)));
  m_modal = false;
  ReleaseGizmos();
  SetHandle(nullptr);
  return static_cast<int>(result);
}

void XUIWindow::EndModal(int result) {
  if (m_modal && Handle() != nullptr) EndDialog(Handle(), result);
}

void XUIWindow::Destroy() {
  HWND handle = Handle();
  if (handle == nullptr) return;
  // The procedure must not reach this object while the window goes away.
  SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
  SetHandle(nullptr);
  ReleaseGizmos();
  DestroyWindow(handle);
}

XUIWindow* XUIWindow::FromHandle(HWND handle) {
  if (handle == nullptr) return nullptr;
  auto* base = reinterpret_cast<XUIBase*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  return dynamic_cast<XUIWindow*>(base);
}

INT_PTR CALLBACK XUIWindow::DialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* base = reinterpret_cast<XUIBase*>(lParam);
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(base));
    if (auto* window = dynamic_cast<XUIWindow*>(base)) window->SetHandle(handle);
  }
  XUIWindow* window = FromHandle(handle);
  if (window == nullptr) return FALSE;
  // An exception must not unwind through the system's frames: a handler's error is shown here.
  try {
    return window->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& e) {
    window->ShowHandlerError(e.what());
  } catch (...) {
    window->ShowHandlerError("Unknown error.");
  }
  return TRUE;
}

INT_PTR XUIWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (OnMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_INITDIALOG: {
      if (m_modal) CenterOnOwner();
      OnCreate();
      RECT client;
      GetClientRect(Handle(), &client);
      Layout(client);
      return TRUE;  // the system sets the focus to the first tab stop
    }
    case WM_SIZE: {
      RECT client{0, 0, LOWORD(lParam), HIWORD(lParam)};
      Layout(client);
      return TRUE;
    }
    case WM_COMMAND:
      return OnControlCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == kXUINotifyDoubleClick) {
        // The control itself may want the double click (a row of a list); else the window.
        XUIGizmo* gizmo = Find(static_cast<int>(header->idFrom));
        if (gizmo == nullptr || !gizmo->OnNotify(header)) OnDoubleClick();
        return TRUE;
      }
      return OnControlNotify(header) ? TRUE : FALSE;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
      XUIGizmo* gizmo = FindByHandle(reinterpret_cast<HWND>(lParam));
      return gizmo != nullptr && gizmo->OnScroll(LOWORD(wParam), message == WM_VSCROLL) ? TRUE : FALSE;
    }
    case WM_LBUTTONDBLCLK:
      OnDoubleClick();
      return TRUE;
    case WM_CLOSE:
      if (m_modal) {
        EndDialog(Handle(), IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void XUIWindow::CenterOnOwner() {
  HWND owner = GetWindow(Handle(), GW_OWNER);
  RECT area{};
  if (owner == nullptr || !GetWindowRect(owner, &area)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own{};
  GetWindowRect(Handle(), &own);
  int width = own.right - own.left;
  int height = own.bottom - own.top;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(Handle(), nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool XUIWindow::OnControlCommand(int id, int code) {
  if (XUIGizmo* gizmo = Find(id)) {
    if (gizmo->OnCommand(code)) return true;
  }
  if (m_modal && (id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
    EndDialog(Handle(), id);
    return true;
  }
  return false;
}

bool XUIWindow::OnControlNotify(NMHDR* header) {
  XUIGizmo* gizmo = Find(static_cast<int>(header->idFrom));
  return gizmo != nullptr && gizmo->OnNotify(header);
}

void XUIWindow::ShowHandlerError(const char* text) { XUIMessageBox::Show(text, this, MB_OK | MB_ICONERROR); }
