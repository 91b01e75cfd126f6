// An owner-drawn control of the window class "XUICUSTOM_CLASS", which dialog resources name
// for their custom controls. The class's procedure finds the gizmo in the control's user data
// (set when the gizmo is bound) and calls its painting, mouse and keyboard operations; a
// double click is also reported to the parent as kXUINotifyDoubleClick.
#pragma once

#include "xui/XUIGizmo.h"
#include "xui/XUIKeyEvent.h"

class XUIFont;

class XUICustom : public XUIGizmo {
 public:
  static constexpr const wchar_t* kClassName = L"XUICUSTOM_CLASS";
  // Registers the class once per process; dialogs with custom controls need it first.
  static void RegisterWindowClass();

  XUICustom(XUIPane* parent, HWND handle, int id);
  ~XUICustom() override;

  void Invalidate();
  // The font the control draws with.
  static const XUIFont& Font();

 protected:
  virtual void Paint(HDC dc, const RECT& client) {}
  virtual void OnMouseDown(int x, int y) {}
  virtual void OnDoubleClick(int x, int y);
  virtual bool OnKey(const XUIKeyEvent& key) { return false; }
  virtual void OnWheel(int delta) {}
  virtual void OnResize() {}
  // Sends a notification with a row to the parent window.
  void NotifyParent(UINT code, int32_t row);

 private:
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
