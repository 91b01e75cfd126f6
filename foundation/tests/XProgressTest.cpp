// Progress: step timing written to the progress log, nesting, and the stop request.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/XCLIProgress.h"
#include "foundation/XException.h"
#include "foundation/XLog.h"
#include "foundation/XProgress.h"
#include "os/Os.h"

namespace {

// A log whose medium is a list of lines, as the window's log view keeps them.
class ListLog : public XLog {
 public:
  ListLog() : XLog(kLogProprietary) {}
  void Emit(int32_t level, const char* message) override {
    lines.push_back(std::string(LogLevelName(level)) + ": " + message);
  }
  std::vector<std::string> lines;
};

// A progress front end that remembers what it was asked to show.
class RecordingProgress : public XProgress {
 public:
  using XProgress::XProgress;
  void ShowStepText(const char* text) override { shown.push_back(text); }
  void SetRange(int32_t) override {}
  void SetPosition(int32_t) override {}
  void Redraw() override { ++redraws; }
  void End(bool success) override {
    ended = true;
    endedWithSuccess = success;
  }
  std::vector<std::string> shown;
  int redraws = 0;
  bool ended = false;
  bool endedWithSuccess = true;
};

TEST(XProgress, StepsWriteTheirElapsedTime) {
  ListLog log;
  RecordingProgress progress(nullptr, &log);
  progress.BeginStep("Reading Students...");
  uint32_t sleptFrom = os::TickCount();
  const unsigned pause = 300;
  os::SleepMilliseconds(pause);
  uint32_t sleptTo = os::TickCount();
  progress.BeginStepFormat("Reading %s...", "Staff");

  ASSERT_EQ(log.lines.size(), 3u);
  EXPECT_EQ(log.lines[0], "Progress: Reading Students...");
  const std::string prefix = "Progress: Elapsed time for Reading Students...: ";
  ASSERT_EQ(log.lines[1].rfind(prefix, 0), 0u) << log.lines[1];
  long elapsed = std::strtol(log.lines[1].c_str() + prefix.size(), nullptr, 10);
  // At least the pause as the tick counter saw it. The Windows tick counter advances in steps
  // of up to ~16 ms, so it may see a little less than the requested sleep.
  EXPECT_GE(elapsed, static_cast<long>(sleptTo - sleptFrom));
  EXPECT_GE(elapsed, static_cast<long>(pause) - 20);
  EXPECT_EQ(log.lines[2], "Progress: Reading Staff...");
  EXPECT_EQ(progress.shown, (std::vector<std::string>{"Reading Students...", "Reading Staff..."}));
  EXPECT_EQ(progress.StepText(), "Reading Staff...");
}

TEST(XProgress, InnerProgressUsesTheParentsLogAndRedrawsTheParent) {
  ListLog log;
  RecordingProgress outer(nullptr, &log);
  RecordingProgress inner(&outer);
  EXPECT_EQ(inner.Log(), &log);
  inner.BeginStep(std::string(3000, 's').c_str());
  EXPECT_EQ(inner.StepText().Length(), XProgress::kMaxText);
  EXPECT_EQ(inner.redraws, 1);
  EXPECT_EQ(outer.redraws, 1);
  ASSERT_EQ(log.lines.size(), 1u);
}

TEST(XProgress, StopOnTheOuterProgressIsCaughtByTheInnerCheck) {
  ListLog log;
  RecordingProgress outer(nullptr, &log);
  outer.SetStopMessage("Extraction was cancelled.");
  RecordingProgress inner(&outer);
  inner.SetStopMessage("inner stop");
  inner.BeginStep("Reading Attendance...");
  EXPECT_NO_THROW(inner.CheckForStop());

  outer.RequestStop();
  try {
    inner.CheckForStop();
    FAIL() << "a requested stop must raise";
  } catch (const XException& e) {
    EXPECT_STREQ(e.Text(), "Extraction was cancelled.");
    EXPECT_EQ(e.Code(), 0);
  }
  EXPECT_TRUE(outer.ended);
  EXPECT_FALSE(outer.endedWithSuccess);
  EXPECT_FALSE(inner.ended);
  EXPECT_EQ(log.lines.back(), "Progress: Extraction was cancelled.");

  // The nearest stopped progress wins.
  inner.RequestStop();
  try {
    inner.CheckForStop();
    FAIL();
  } catch (const XException& e) {
    EXPECT_STREQ(e.Text(), "inner stop");
  }
}

TEST(XCLIDualProgress, ShowsTitleAndStepsEachOnItsOwnLine) {
  XCLIDualProgress progress;
  testing::internal::CaptureStdout();
  progress.SetTitle("Velkstrom Data Extractor for Meridane");
  progress.BeginStep("Initializing...");
  progress.BeginStep("Extracting Meridane data...");
  progress.SetRange(10);
  progress.SetPosition(4);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Velkstrom Data Extractor for Meridane\n"
            "Initializing...\n"
            "Extracting Meridane data...\n");
  EXPECT_EQ(progress.Step().Range(), 10);
  EXPECT_EQ(progress.Step().Position(), 4);
}

}  // namespace
