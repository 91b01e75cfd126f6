// The folder browser ("QDE Folder"), in the new style with its own "Make New Folder" button.
#pragma once

#include "foundation/XString.h"

class XUIGizmo;

class XUIFolderBrowser {
 public:
  // Asks for a folder, modal to the window of `owner`; the chosen folder, or empty when the
  // user cancelled.
  static XString Choose(const XUIGizmo* owner, const XString& caption = "QDE Folder");
};
