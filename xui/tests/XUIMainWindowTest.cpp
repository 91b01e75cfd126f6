// The main window: the single-instance test by class and title, the message loop's idle
// pacing and exit code, and the input flush.
#include <gtest/gtest.h>

#include "XUITestSupport.h"
#include "os/OsTime.h"
#include "xui/XUIMainWindow.h"

namespace {

class CountingMain : public XUIMainWindow {
 public:
  int idlePasses = 0;
  int busyPasses = 0;
  int quitAfter = 3;
  int lastCommand = 0;

 protected:
  void OnIdle(bool idle) override {
    if (!idle) {
      ++busyPasses;
      return;
    }
    if (++idlePasses == quitAfter) Quit(7);
  }
  bool OnMenuCommand(int id) override {
    lastCommand = id;
    return true;
  }
};

}  // namespace

TEST(XUIMainWindowLoop, SecondWindowOfTheSameClassAndTitleIsRefused) {
  xuitest::InitToolkit();
  CountingMain first;
  ASSERT_TRUE(first.Create(GetModuleHandleW(nullptr), SW_HIDE, "XuiTest", "Toolkit Test", 0,
                           xuitest::kTestMenu, 320, 200));
  EXPECT_TRUE(XUIMainWindow::ActivateExisting("WCL_XuiTest", "Toolkit Test"));
  EXPECT_FALSE(XUIMainWindow::ActivateExisting("WCL_XuiTest", "Another Title"));
  CountingMain second;
  EXPECT_FALSE(second.Create(GetModuleHandleW(nullptr), SW_HIDE, "XuiTest", "Toolkit Test", 0,
                             xuitest::kTestMenu, 320, 200));
  EXPECT_EQ(second.Handle(), nullptr);

  RECT client;
  GetClientRect(first.Handle(), &client);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 200);
}

TEST(XUIMainWindowLoop, IdlePassesLastAtLeast100MillisecondsAndQuitCarriesTheCode) {
  xuitest::InitToolkit();
  CountingMain main;
  ASSERT_TRUE(main.Create(GetModuleHandleW(nullptr), SW_HIDE, "XuiLoop", "Loop Test", 0,
                          xuitest::kTestMenu, 200, 100));
  main.PumpPendingMessages();  // what creating the window queued
  main.quitAfter = 4;
  uint32_t start = os::TickCount();
  EXPECT_EQ(main.RunMessageLoop(), 7);
  uint32_t elapsed = os::TickCount() - start;
  EXPECT_EQ(main.idlePasses, 4);
  // Four idle passes, the last one ended by the quit it posted: at least three full passes.
  EXPECT_GE(elapsed, 3 * XUIMainWindow::kIdlePassMs - 5);
}

TEST(XUIMainWindowLoop, PumpDispatchesWaitingMessagesAndKeepsAQuitForTheLoop) {
  xuitest::InitToolkit();
  CountingMain main;
  ASSERT_TRUE(main.Create(GetModuleHandleW(nullptr), SW_HIDE, "XuiPump", "Pump Test", 0,
                          xuitest::kTestMenu, 200, 100));
  main.PumpPendingMessages();
  PostMessageW(main.Handle(), WM_COMMAND, MAKEWPARAM(32773, 0), 0);
  main.Quit(3);
  main.PumpPendingMessages();
  EXPECT_EQ(main.lastCommand, 32773);
  main.quitAfter = 1000;
  EXPECT_EQ(main.RunMessageLoop(), 3);  // the quit waited for the loop
}

TEST(XUIInputFlush, DiscardsKeyboardAndMouseInputOnly) {
  xuitest::InitToolkit();
  HWND window = xuitest::HostWindow();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  PostMessageW(window, WM_APP + 1, 0, 0);
  PostMessageW(window, WM_CHAR, 'x', 0);
  XUIMainWindow::FlushInput();
  int others = 0;
  int input = 0;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_APP + 1) {
      ++others;
    } else if ((message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
               (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST)) {
      ++input;
    }
  }
  EXPECT_EQ(others, 1);
  EXPECT_EQ(input, 0);
}

// Resizing stops at the minimum client area, whatever size is asked for; above it the frame
// takes the size asked.
TEST(XUIMainWindowSize, ResizingStopsAtTheMinimumClientArea) {
  xuitest::InitToolkit();
  CountingMain main;
  ASSERT_TRUE(main.Create(GetModuleHandleW(nullptr), SW_HIDE, "XuiMinSize", "Min Size Test", 0,
                          xuitest::kTestMenu, 400, 300));
  main.SetMinimumClientSize(360, 270);
  SetWindowPos(main.Handle(), nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(main.Handle(), &client);
  EXPECT_EQ(client.right, 360);
  EXPECT_EQ(client.bottom, 270);
  SetWindowPos(main.Handle(), nullptr, 0, 0, 700, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT frame;
  GetWindowRect(main.Handle(), &frame);
  EXPECT_EQ(frame.right - frame.left, 700);
  EXPECT_EQ(frame.bottom - frame.top, 600);
}
