// The window of the Windows build: common controls, the application object with its window,
// and the message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/BridgeIdentity.h"
#include "app/WindowEntry.h"
#include "ui/AppMainWindow.h"
#include "xui/XUIText.h"

bool HasMainWindow() { return true; }

int RunMainWindow() {
  // Started from the desktop, the program's console is its own: the window needs none.
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) == 1) FreeConsole();

  // A second start only brings the open window to the front. It must not get as far as the
  // application object, whose start would begin the run log of the open window anew.
  if (XUIMainWindow::ActivateExisting(XString("WCL_") + bridge::kShortName, bridge::kTitle)) return 0;

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    AppMainWindow app;
    if (!app.Init(GetModuleHandleW(nullptr), SW_SHOWNORMAL)) return 0;
    return app.RunMessageLoop();
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, XUIWide(e.what()).c_str(), XUIWide(bridge::kTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
}
