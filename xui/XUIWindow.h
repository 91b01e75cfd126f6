// A view or a dialog made from a dialog resource. The window keeps its object in its user
// data; the dialog procedure finds the object there and routes commands, notifications,
// scrolling and double clicks to the gizmos bound to the control ids, or to the window's own
// handlers. A child view is created modeless inside its parent; a dialog runs modally and
// returns the id of the button that ended it.
#pragma once

#include <memory>

#include "xui/XUIPane.h"

class XUIWindow : public XUIPane {
 public:
  explicit XUIWindow(int resourceId);
  ~XUIWindow() override;

  int ResourceId() const { return m_resourceId; }

  // A modeless view inside `parent` (its client area); false when the resource is missing.
  bool CreateChild(HWND parent);
  // A modal dialog owned by `owner`; returns the id of the button that ended it (1 for OK),
  // or -1 when the dialog could not be made.
  int RunModal(HWND owner);
  // Ends a modal dialog with the result.
  void EndModal(int result);
  // Destroys a modeless view's window.
  void Destroy();

  // Binds a gizmo of class T to a control of this window (`T(XUIPane*, HWND, int id)`).
  template <class T, class... Args>
  T* Bind(int id, Args&&... args) {
    return Adopt(std::make_unique<T>(this, GetDlgItem(Handle(), id), id, std::forward<Args>(args)...));
  }

  // The window of a handle, when an XUIWindow object owns it.
  static XUIWindow* FromHandle(HWND handle);

  // The dialog procedure of every window of the toolkit.
  static INT_PTR CALLBACK DialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // After the window exists: bind the gizmos and fill them. Called once.
  virtual void OnCreate() {}
  // A WM_COMMAND: the default offers it to the gizmo of the control id, then ends a modal
  // dialog on IDOK / IDCANCEL. True when handled.
  virtual bool OnControlCommand(int id, int code);
  // A WM_NOTIFY from a control: the default offers it to the gizmo of the control id.
  virtual bool OnControlNotify(NMHDR* header);
  // A double click in the window or in one of its custom controls. Nothing by default.
  virtual void OnDoubleClick() {}
  // Any other message; return true when handled and set `result`.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) { return false; }
  // Shows an error that a handler raised (a message box by default).
  virtual void ShowHandlerError(const char* text);

  bool IsModal() const { return m_modal; }
  // Places a dialog over the middle of its owner (of the work area without one).
  void CenterOnOwner();

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  int m_resourceId;
  bool m_modal = false;
};
