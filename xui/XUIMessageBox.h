// A message box owned by the top-level window of a gizmo, captioned with the application
// title.
#pragma once

#include <windows.h>

#include "foundation/XString.h"
#include "xui/XUIBase.h"

class XUIGizmo;

class XUIMessageBox : public XUIBase {
 public:
  // The caption of every message box (the application title).
  static void SetApplicationTitle(const XString& title);
  static const XString& ApplicationTitle();

  // Shows the text with the Win32 style (MB_OK | MB_ICONERROR, ...); the box is modal to the
  // top-level window of `owner` (none when null). Returns the button pressed (IDOK, ...).
  static int Show(const XString& text, const XUIGizmo* owner, UINT style);
};
