// Data sources: load only when marked, the progress texts, sorting, filtering and the change
// counter that views compare; the log whose lines are rows.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/IProgress.h"
#include "testsupport/TempDir.h"
#include "xui/XUIDataSource.h"
#include "xui/XUILog.h"

using testsupport::TempDir;

namespace {

class RecordingProgress : public IProgress {
 public:
  std::vector<std::string> texts;
  void ShowStepText(const char* text) override { texts.push_back(text); }
  void SetRange(int32_t) override {}
  void SetPosition(int32_t) override {}
};

class SchoolsSource : public XUITextDataSource {
 public:
  SchoolsSource() : XUITextDataSource("Schools") {}
  int reloads = 0;
  std::vector<Cells> next;

 protected:
  void Reload() override {
    ++reloads;
    ClearRows();
    for (const Cells& cells : next) AddRow(cells);
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> FirstCells(XUIDataSource& source) {
  std::vector<std::string> out;
  XUIDataSource::Cells cells;
  for (uint32_t row = 0; row < source.RowCount(); ++row) {
    source.FillCells(row, cells);
    out.push_back(cells.empty() ? "" : cells[0].ToStd());
  }
  return out;
}

}  // namespace

TEST(XUIDataSourceRows, LoadsOnlyWhenMarkedAndReportsByName) {
  SchoolsSource source;
  source.next = {{"Oak Hill", "101"}, {"Birch Lane", "102"}, {"alder Park", "103"}};
  RecordingProgress progress;
  EXPECT_TRUE(source.NeedsLoad());
  source.Load(&progress);
  EXPECT_EQ(source.reloads, 1);
  EXPECT_EQ(progress.texts, std::vector<std::string>{"Loading Schools"});
  EXPECT_TRUE(source.NeedsSort());
  EXPECT_EQ(source.RowCount(), 3u);

  source.Load(&progress);  // not marked: nothing happens
  EXPECT_EQ(source.reloads, 1);

  source.SetSortColumn(0);
  source.Sort(&progress);
  EXPECT_EQ(progress.texts.back(), "Sorting Schools");
  EXPECT_FALSE(source.NeedsSort());
  // Byte order: upper-case letters before lower-case ones.
  EXPECT_EQ(FirstCells(source), (std::vector<std::string>{"Birch Lane", "Oak Hill", "alder Park"}));

  // A source without a name loads silently.
  XUITextDataSource quiet;
  quiet.Load(&progress);
  EXPECT_EQ(progress.texts.size(), 2u);
}

TEST(XUIDataSourceRows, FilterMatchesAnyCellIgnoringCaseAndALoadClearsIt) {
  SchoolsSource source;
  source.next = {{"Oak Hill", "101"}, {"Birch Lane", "102"}, {"Hillside", "210"}};
  source.Load();
  source.SetFilter("HILL");
  EXPECT_EQ(FirstCells(source), (std::vector<std::string>{"Oak Hill", "Hillside"}));
  EXPECT_EQ(source.SourceRow(1), 2u);
  source.SetFilter("10");  // the second cell counts too
  EXPECT_EQ(FirstCells(source), (std::vector<std::string>{"Oak Hill", "Birch Lane", "Hillside"}));
  source.SetFilter("nowhere");
  EXPECT_EQ(source.RowCount(), 0u);
  XUIDataSource::Cells cells{"stale"};
  source.FillCells(0, cells);  // beyond the end: the default fill
  EXPECT_TRUE(cells.empty());

  source.Invalidate();
  source.Load();
  EXPECT_TRUE(source.Filter().IsEmpty());
  EXPECT_EQ(source.RowCount(), 3u);

  // A row added while a filter is set is filtered as well.
  source.SetFilter("lane");
  source.AddRow({"Elm Lane", "104"});
  EXPECT_EQ(FirstCells(source), (std::vector<std::string>{"Birch Lane", "Elm Lane"}));
}

TEST(XUIDataSourceRows, ChangeCounterMovesWithEveryChangeAViewMustSee) {
  SchoolsSource source;
  source.next = {{"B"}, {"A"}};
  uint32_t seen = source.ChangeCount();
  source.Load();
  EXPECT_GT(source.ChangeCount(), seen);
  seen = source.ChangeCount();
  source.SetSortColumn(0);
  source.Sort();
  EXPECT_GT(source.ChangeCount(), seen);
  seen = source.ChangeCount();
  source.Sort();  // already sorted: no change
  EXPECT_EQ(source.ChangeCount(), seen);
  source.SetFilter("a");
  EXPECT_GT(source.ChangeCount(), seen);
  seen = source.ChangeCount();
  source.Load();  // not marked
  EXPECT_EQ(source.ChangeCount(), seen);
}

TEST(XUILogRows, LinesAboveTheLevelBecomeRowsAndFileLines) {
  TempDir dir;
  std::string path = dir.File("RunLog.txt");
  XUILog log("Test Run Log", XFileSpec(XString(path)), kLogInfo);
  log.Begin();
  log.Write(kLogInfo, "first");
  log.Write(kLogDebug, "hidden");
  log.WriteFormat(kLogError, "Error: %s", "Extraction was cancelled.");
  EXPECT_EQ(FirstCells(log), (std::vector<std::string>{"first", "Error: Extraction was cancelled."}));

  std::string text = ReadAll(path);
  EXPECT_NE(text.find("first\r\n"), std::string::npos);
  EXPECT_EQ(text.find("hidden"), std::string::npos);
  EXPECT_NE(text.find("Error: Extraction was cancelled."), std::string::npos);

  // Marked for reloading, the next load starts the rows afresh; the file keeps its lines.
  log.Invalidate();
  log.Load();
  EXPECT_EQ(log.RowCount(), 0u);
  log.Write(kLogInfo, "second run");
  EXPECT_EQ(FirstCells(log), std::vector<std::string>{"second run"});
  EXPECT_NE(ReadAll(path).find("first\r\n"), std::string::npos);
}

// Another process holding the file (a command-line run writing its line) does not end the
// window's run: the line is listed at once and reaches the file, in order, with the next one.
TEST(XUILogRows, ALineThatFindsTheFileHeldIsWrittenWithTheNext) {
  TempDir dir;
  std::string path = dir.File("RunLog.txt");
  XUILog log("Test Run Log", XFileSpec(XString(path)), kLogInfo);
  log.Begin();
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_NO_THROW(log.Write(kLogInfo, "while held"));
  EXPECT_EQ(log.UnwrittenLines(), 1u);
  CloseHandle(held);
  log.Write(kLogInfo, "after");
  EXPECT_EQ(log.UnwrittenLines(), 0u);
  EXPECT_EQ(FirstCells(log), (std::vector<std::string>{"while held", "after"}));
  std::string text = ReadAll(path);
  EXPECT_NE(text.find("while held\r\nafter\r\n"), std::string::npos) << text;
}
