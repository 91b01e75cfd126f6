// What the toolkit's tests share: common controls, the custom class, a view made from the
// test dialog 200 as a top-level (hidden) window.
#pragma once

#include <windows.h>

#include "xui/XUIWindow.h"

namespace xuitest {

constexpr int kTestDialog = 200;
constexpr int kFirstButton = 1001;
constexpr int kSecondButton = 1002;
constexpr int kList = 1003;
constexpr int kListScroll = 1004;
constexpr int kProgressBar = 1005;
constexpr int kEdit = 1006;
constexpr int kTestMenu = 300;

// Registers the common controls and the custom class once.
void InitToolkit();

// A hidden top-level window that test views live in.
HWND HostWindow();
// Creates the view inside the hidden host window; false when it cannot.
bool CreateHidden(XUIWindow& view);

}  // namespace xuitest
