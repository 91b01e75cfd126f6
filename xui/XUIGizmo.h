// Anything bound to a window handle: a control of a dialog, a view, the main window. A gizmo
// knows its handle, its control id and the pane it belongs to; it shows and hides, enables,
// carries text and may handle the notifications of its own control.
#pragma once

#include <windows.h>

#include <functional>

#include "foundation/XString.h"
#include "xui/XUIBase.h"

class XUIPane;

class XUIGizmo : public XUIBase {
 public:
  XUIGizmo(XUIPane* parent, HWND handle, int id) : m_parent(parent), m_handle(handle), m_id(id) {}

  HWND Handle() const { return m_handle; }
  int Id() const { return m_id; }
  XUIPane* Parent() const { return m_parent; }

  // The rectangle in the client coordinates of the parent window.
  RECT Rect() const;
  virtual void Show(bool visible);
  bool IsVisible() const;
  virtual void Enable(bool enabled);
  bool IsEnabled() const;
  void Focus();

  virtual void SetText(const XString& text);
  virtual XString GetText() const;

  // A WM_COMMAND notification (BN_CLICKED, CBN_SELCHANGE, ...) of this control. True when
  // handled; the default runs the action for the notification that the control reports as
  // its own "activated" code.
  virtual bool OnCommand(int code);
  // A WM_NOTIFY from this control. True when handled.
  virtual bool OnNotify(NMHDR* header) { return false; }
  // WM_VSCROLL / WM_HSCROLL that a scroll bar control sends to its parent.
  virtual bool OnScroll(int request, bool vertical) { return false; }

  // What the control's "activated" notification runs (a click, a new choice).
  void SetAction(std::function<void()> action) { m_action = std::move(action); }

 protected:
  // The notification code that runs the action; 0 for none.
  virtual int ActionCode() const { return 0; }
  void SetHandle(HWND handle) { m_handle = handle; }
  void SetId(int id) { m_id = id; }
  void RunAction();

 private:
  XUIPane* m_parent;
  HWND m_handle;
  int m_id;
  std::function<void()> m_action;
};
