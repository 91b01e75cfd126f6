#include "xui/XUICustom.h"

#include <windowsx.h>

#include <exception>

#include "xui/XUIFont.h"
#include "xui/XUINotify.h"

void XUICustom::RegisterWindowClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &XUICustom::WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  registered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

const XUIFont& XUICustom::Font() {
  static XUIFont font(8);
  return font;
}

XUICustom::XUICustom(XUIPane* parent, HWND handle, int id) : XUIGizmo(parent, handle, id) {
  if (handle != nullptr) {
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<XUIBase*>(this)));
  }
}

XUICustom::~XUICustom() {
  if (Handle() != nullptr && IsWindow(Handle())) SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
}

void XUICustom::Invalidate() {
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, TRUE);
}

void XUICustom::NotifyParent(UINT code, int32_t row) {
  HWND parent = GetParent(Handle());
  if (parent == nullptr) return;
  XUIRowNotify notify{};
  notify.header.hwndFrom = Handle();
  notify.header.idFrom = static_cast<UINT_PTR>(Id());
  notify.header.code = code;
  notify.row = row;
  SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&notify));
}

void XUICustom::OnDoubleClick(int x, int y) { NotifyParent(kXUINotifyDoubleClick, -1); }

LRESULT CALLBACK XUICustom::WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* custom = dynamic_cast<XUICustom*>(reinterpret_cast<XUIBase*>(GetWindowLongPtrW(handle, GWLP_USERDATA)));
  if (custom == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
  try {
    return custom->HandleMessage(message, wParam, lParam);
  } catch (const std::exception&) {
    // Painting and input must never unwind into the system; the control simply stays as it was.
    return 0;
  }
}

LRESULT XUICustom::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND handle = Handle();
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(handle, &paint);
      RECT client;
      GetClientRect(handle, &client);
      Paint(dc, client);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(handle);
      OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_KEYDOWN:
      if (OnKey(XUIKeyEvent(static_cast<UINT>(wParam)))) return 0;
      break;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case WM_SIZE:
      OnResize();
      Invalidate();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}
