// A group of gizmos laid out together. The pane owns the gizmos bound to it and finds them
// by control id or by handle.
#pragma once

#include <memory>
#include <vector>

#include "xui/XUIGizmo.h"
#include "xui/XUILayout.h"

class XUIPane : public XUIGizmo {
 public:
  XUIPane(XUIPane* parent, HWND handle, int id) : XUIGizmo(parent, handle, id) {}

  // The gizmo bound to the control id, or null.
  XUIGizmo* Find(int id) const;
  XUIGizmo* FindByHandle(HWND handle) const;

  // Places the controls by the pane's layout in the new client rectangle.
  virtual void Layout(const RECT& client);
  XUILayout& Placements() { return m_layout; }

 protected:
  // Takes ownership of a gizmo; returns it.
  template <class T>
  T* Adopt(std::unique_ptr<T> gizmo) {
    T* raw = gizmo.get();
    m_gizmos.push_back(std::move(gizmo));
    return raw;
  }
  void ReleaseGizmos() { m_gizmos.clear(); }

 private:
  std::vector<std::unique_ptr<XUIGizmo>> m_gizmos;
  XUILayout m_layout;
};
