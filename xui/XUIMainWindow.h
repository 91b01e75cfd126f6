// The top-level frame: its window class, menu and accelerators, the current view that fills
// its client area, the idle handler and the message loop. One main window exists per
// process; the progress bars reach it to pump waiting messages during long work.
#pragma once

#include <memory>
#include <vector>

#include "xui/XUIWindow.h"

class XUIMainWindow : public XUIWindow {
 public:
  XUIMainWindow();
  ~XUIMainWindow() override;

  // The main window of the process, or null.
  static XUIMainWindow* Current();

  // When a top-level window of the class and title already exists, brings it to the front
  // and returns false (the second process then ends without a loop). Otherwise registers the
  // class "WCL_<shortName>" (icon and menu from the resources), creates an overlapped window
  // whose client area is width x height, loads the accelerators of the menu's id, shows it,
  // and calls OnStart. Common controls (date picker included) must be initialised before.
  bool Create(HINSTANCE instance, int showCommand, const XString& shortName, const XString& title,
              int iconId, int menuId, int width, int height);

  // Brings an existing window of the class and title to the front; false when there is none.
  static bool ActivateExisting(const XString& className, const XString& title);

  // Makes the view current, created as a child of the frame and filling its client area. The
  // previous view is hidden at once and destroyed when the loop next runs: a view's own
  // button may be what replaced it.
  void SetView(std::unique_ptr<XUIWindow> view);
  XUIWindow* View() const { return m_view.get(); }

  // The loop: returns the exit code of WM_QUIT. While no message waits it calls OnIdle(true)
  // and sleeps for the rest of 100 ms since that idle pass began.
  int RunMessageLoop();
  // Dispatches every message that is waiting, without waiting for more and without idle
  // passes (a WM_QUIT is put back for the loop). Used by progress repaints during long work.
  void PumpPendingMessages();
  // Discards waiting keyboard and mouse input, so that clicks made during long work are not
  // replayed afterwards.
  static void FlushInput();
  // Offers a message to the accelerators, then to the current view's dialog navigation, and
  // dispatches it when neither took it.
  void TranslateAndDispatch(MSG& message);

  // Ends the loop with the exit code.
  void Quit(int exitCode);

  // The smallest client area that resizing the frame allows (WM_GETMINMAXINFO): below it the
  // views' controls would overlap. None by default.
  void SetMinimumClientSize(int width, int height);

  static constexpr DWORD kIdlePassMs = 100;

 protected:
  // The window exists: show the first view. Nothing by default.
  virtual void OnStart() {}
  // Each loop pass: `idle` true while no message waits.
  virtual void OnIdle(bool idle) {}
  // A menu or accelerator command. True when handled.
  virtual bool OnMenuCommand(int id) { return false; }
  // The frame is being closed (the close box). Quits by default.
  virtual void OnClose() { Quit(0); }

  HACCEL Accelerators() const { return m_accelerators; }

 private:
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void FitView();
  void DeleteRetiredViews();

  std::unique_ptr<XUIWindow> m_view;
  std::vector<std::unique_ptr<XUIWindow>> m_retired;
  HACCEL m_accelerators = nullptr;
  int m_minClientWidth = 0;
  int m_minClientHeight = 0;
};
