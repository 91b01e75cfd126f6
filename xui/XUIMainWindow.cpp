#include "xui/XUIMainWindow.h"

#include <exception>

#include "foundation/XException.h"
#include "os/OsTime.h"
#include "xui/XUICustom.h"
#include "xui/XUIMessageBox.h"
#include "xui/XUIText.h"

namespace {
XUIMainWindow* g_mainWindow = nullptr;
}

XUIMainWindow::XUIMainWindow() : XUIWindow(0) { g_mainWindow = this; }

XUIMainWindow::~XUIMainWindow() {
  m_view.reset();
  m_retired.clear();
  if (Handle() != nullptr) {
    SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
    DestroyWindow(Handle());
    SetHandle(nullptr);
  }
  if (g_mainWindow == this) g_mainWindow = nullptr;
}

XUIMainWindow* XUIMainWindow::Current() { return g_mainWindow; }

bool XUIMainWindow::ActivateExisting(const XString& className, const XString& title) {
  HWND existing = FindWindowW(XUIWide(className).c_str(), XUIWide(title).c_str());
  if (existing == nullptr) return false;
  if (IsIconic(existing)) ShowWindow(existing, SW_RESTORE);
  SetForegroundWindow(existing);
  return true;
}

bool XUIMainWindow::Create(HINSTANCE instance, int showCommand, const XString& shortName,
                           const XString& title, int iconId, int menuId, int width, int height) {
  XString className = XString("WCL_") + shortName;
  if (ActivateExisting(className, title)) return false;
  XUICustom::RegisterWindowClass();

  std::wstring wideClass = XUIWide(className);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &XUIMainWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEW(menuId);
  windowClass.lpszClassName = wideClass.c_str();
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, TRUE, 0);
  HWND handle = CreateWindowExW(0, wideClass.c_str(), XUIWide(title).c_str(), style, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, nullptr, instance, static_cast<XUIBase*>(this));
  if (handle == nullptr) return false;
  m_accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(menuId));
  ShowWindow(handle, showCommand);
  UpdateWindow(handle);
  OnStart();
  return true;
}

LRESULT CALLBACK XUIMainWindow::WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* base = static_cast<XUIBase*>(create->lpCreateParams);
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(base));
    if (auto* window = dynamic_cast<XUIMainWindow*>(base)) window->SetHandle(handle);
  }
  auto* window = dynamic_cast<XUIMainWindow*>(reinterpret_cast<XUIBase*>(GetWindowLongPtrW(handle, GWLP_USERDATA)));
  if (window == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
  try {
    return window->HandleFrameMessage(message, wParam, lParam);
  } catch (const std::exception& e) {
    XUIMessageBox::Show(e.what(), window, MB_OK | MB_ICONERROR);
  } catch (...) {
    XUIMessageBox::Show("Unknown error.", window, MB_OK | MB_ICONERROR);
  }
  return 0;
}

LRESULT XUIMainWindow::HandleFrameMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      FitView();
      return 0;
    case WM_COMMAND:
      if (OnMenuCommand(LOWORD(wParam))) return 0;
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_GETMINMAXINFO:
      if (m_minClientWidth > 0 || m_minClientHeight > 0) {
        RECT frame{0, 0, m_minClientWidth, m_minClientHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), GetMenu(Handle()) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = frame.right - frame.left;
        limits->ptMinTrackSize.y = frame.bottom - frame.top;
        return 0;
      }
      break;
    case WM_DESTROY:
      SetHandle(nullptr);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(Handle(), message, wParam, lParam);
}

void XUIMainWindow::SetMinimumClientSize(int width, int height) {
  m_minClientWidth = width;
  m_minClientHeight = height;
}

void XUIMainWindow::SetView(std::unique_ptr<XUIWindow> view) {
  if (m_view) {
    if (m_view->Handle() != nullptr) ShowWindow(m_view->Handle(), SW_HIDE);
    m_retired.push_back(std::move(m_view));
  }
  m_view = std::move(view);
  if (!m_view) return;
  if (!m_view->CreateChild(Handle())) {
    m_view.reset();
    throw XException("The view could not be created.", 0);
  }
  FitView();
  ShowWindow(m_view->Handle(), SW_SHOW);
  // Focus the view's first tab stop, as a dialog does when it opens.
  HWND first = GetNextDlgTabItem(m_view->Handle(), nullptr, FALSE);
  if (first != nullptr) SetFocus(first);
}

void XUIMainWindow::FitView() {
  if (!m_view || m_view->Handle() == nullptr || Handle() == nullptr) return;
  RECT client;
  GetClientRect(Handle(), &client);
  MoveWindow(m_view->Handle(), 0, 0, client.right, client.bottom, TRUE);
}

void XUIMainWindow::DeleteRetiredViews() { m_retired.clear(); }

void XUIMainWindow::TranslateAndDispatch(MSG& message) {
  if (m_accelerators != nullptr && Handle() != nullptr &&
      TranslateAcceleratorW(Handle(), m_accelerators, &message)) {
    return;
  }
  if (m_view && m_view->Handle() != nullptr && IsDialogMessageW(m_view->Handle(), &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int XUIMainWindow::RunMessageLoop() {
  for (;;) {
    DeleteRetiredViews();
    MSG message;
    while (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      uint32_t start = os::TickCount();
      OnIdle(true);
      uint32_t spent = os::TickCount() - start;
      if (spent < kIdlePassMs) Sleep(kIdlePassMs - spent);
    }
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    OnIdle(false);
    TranslateAndDispatch(message);
  }
}

void XUIMainWindow::PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateAndDispatch(message);
  }
}

void XUIMainWindow::FlushInput() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
}

void XUIMainWindow::Quit(int exitCode) { PostQuitMessage(exitCode); }
