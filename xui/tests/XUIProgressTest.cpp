// Progress bars: every position is stored at once, the bar repaints at most once per 125 ms
// of the tick count (across its wrap), and a new step always repaints a progress window.
#include <gtest/gtest.h>

#include "XUITestSupport.h"
#include "xui/XUIProgressBar.h"
#include "xui/XUIProgressWindow.h"
#include "xui/XUIRepaintLimiter.h"
#include "foundation/XException.h"

namespace {

class BarView : public XUIWindow {
 public:
  BarView() : XUIWindow(xuitest::kTestDialog) {}
  XUIProgressBar* bar = nullptr;

 protected:
  void OnCreate() override { bar = Bind<XUIProgressBar>(xuitest::kProgressBar); }
};

class ProgressView : public XUIProgressWindow {
 public:
  ProgressView() : XUIProgressWindow(xuitest::kTestDialog) {}
  XUIProgressBar* bar = nullptr;
  XUILabel* caption = nullptr;
  int ends = 0;
  bool endedWell = false;

 protected:
  void OnCreate() override {
    bar = Bind<XUIProgressBar>(xuitest::kProgressBar);
    caption = Bind<XUILabel>(xuitest::kEdit);
    BindProgress(nullptr, nullptr, caption, bar, nullptr);
  }
  void OnProgressEnd(bool success) override {
    ++ends;
    endedWell = success;
  }
};

}  // namespace

TEST(XUIRepaintLimit, AtMostOnceEvery125Milliseconds) {
  XUIRepaintLimiter limiter;
  EXPECT_TRUE(limiter.Due(5000));  // the first repaint is always due
  EXPECT_FALSE(limiter.Due(5000));
  EXPECT_FALSE(limiter.Due(5124));
  EXPECT_TRUE(limiter.Due(5125));
  EXPECT_FALSE(limiter.Due(5200));  // counted from the last repaint, not the first
  EXPECT_TRUE(limiter.Due(5250));
  limiter.Reset();
  EXPECT_TRUE(limiter.Due(5251));

  // The tick count wraps after 49.7 days; the interval still holds across it.
  XUIRepaintLimiter wrapping;
  EXPECT_TRUE(wrapping.Due(0xFFFFFFC0u));
  EXPECT_FALSE(wrapping.Due(0x0000001Fu));  // 95 ms later
  EXPECT_TRUE(wrapping.Due(0x0000003Du));   // 125 ms later
}

TEST(XUIRepaintLimit, BarStoresEveryPositionButShowsItOnlyWhenDue) {
  BarView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  XUIProgressBar& bar = *view.bar;
  bar.SetRange(1000);
  EXPECT_TRUE(bar.SetPositionAt(10, 20000));
  EXPECT_EQ(bar.ShownPosition(), 10);
  EXPECT_FALSE(bar.SetPositionAt(20, 20060));
  EXPECT_FALSE(bar.SetPositionAt(30, 20124));
  EXPECT_EQ(bar.Position(), 30);
  EXPECT_EQ(bar.ShownPosition(), 10);
  EXPECT_TRUE(bar.SetPositionAt(40, 20125));
  EXPECT_EQ(bar.ShownPosition(), 40);
  // A new range starts a new count: its first position shows at once.
  bar.SetRange(50);
  EXPECT_TRUE(bar.SetPositionAt(5, 20130));
  EXPECT_EQ(bar.ShownPosition(), 5);
}

TEST(XUIRepaintLimit, ProgressWindowRepaintsEveryNewStepAndEndsOnce) {
  ProgressView view;
  ASSERT_TRUE(xuitest::CreateHidden(view));
  view.SetRange(100);
  view.ShowStepText("Students");
  view.SetPosition(7);
  view.ShowStepText("Staff");  // a new step: the stored position shows at once
  EXPECT_EQ(view.bar->ShownPosition(), 7);
  EXPECT_EQ(view.caption->GetText(), "Staff");
  EXPECT_TRUE(view.Running());

  // Cancel sets the flag; the running code sees it at its next check and ends the progress.
  view.RequestStop();
  view.SetStopMessage("Extraction was cancelled.");
  try {
    view.CheckForStop();
    ADD_FAILURE() << "no stop raised";
  } catch (const XException& e) {
    EXPECT_STREQ(e.what(), "Extraction was cancelled.");
  }
  EXPECT_FALSE(view.Running());
  EXPECT_EQ(view.ends, 1);
  EXPECT_FALSE(view.endedWell);
  view.End(true);  // the engine's own end after the error changes nothing
  EXPECT_EQ(view.ends, 1);
}
