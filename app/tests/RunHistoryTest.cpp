// The run history file and what is read from it: records written whole and read back, damaged
// lines skipped, the bound per school, and the schools' state and page made of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/JsonText.h"
#include "app/QvSchoolConf.h"
#include "app/QvSchoolConfDS.h"
#include "app/RunHistory.h"
#include "app/RunReport.h"
#include "app/RunStatus.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "os/OsExclusiveFiles.h"
#include "testsupport/TempDir.h"

namespace {

RunRecord Record(const std::string& number, const std::string& start, const char* outcome) {
  RunRecord record;
  record.schoolNumber = number.c_str();
  record.schoolName = ("School " + number).c_str();
  record.start = start.c_str();
  record.end = start.c_str();
  record.outcome = outcome;
  record.exitCode = record.Succeeded() ? 0 : 1;
  return record;
}

class RunHistoryTest : public ::testing::Test {
 protected:
  std::string Folder() const { return m_dir.Path() + os::kPathSeparator; }
  RunHistory History() const { return RunHistory(Folder().c_str()); }
  std::string Path() const { return Folder() + RunHistory::kFileName; }

  testsupport::TempDir m_dir;
};

}  // namespace

TEST_F(RunHistoryTest, ARecordComesBackAsWrittenAndDamagedLinesAreSkippedByNumber) {
  RunRecord full = Record("101", "2009-03-18T01:00:04+01:00", RunRecord::kFailed);
  // Code-page text (é is one byte), a quote, a backslash and a line break must survive.
  full.schoolName = "\xC9" "cole \"Nord\" \\ Est";
  full.district = "North";
  full.importFolder = "C:\\Import\\101\\";
  full.durationSeconds = 12.25;
  full.firstError = "Error: the disk is full\r\nsecond line";
  full.tables = {{"Students.qef", 184}, {"Staff.qef", 0}};
  full.attendanceRowsSent = 937;
  full.updateFile = "Update 20090318010004.QDU";
  RunHistory history = History();
  history.Append(full, nullptr);
  // A line of another program, a record without its outcome, then a record torn by a crash.
  std::string bytes = testsupport::ReadAll(Path());
  bytes += "not json\n{\"school\":\"102\",\"start\":\"2009-03-18T01:00:00+01:00\"}\n";
  testsupport::WriteAll(Path(), bytes);
  history.Append(Record("102", "2009-03-19T01:00:00+01:00", RunRecord::kSucceeded), nullptr);
  testsupport::WriteAll(Path(), testsupport::ReadAll(Path()) + "{\"school\":\"103\",\"dis");
  // The next run's record after the torn one still begins its own line.
  history.Append(Record("104", "2009-03-20T01:00:00+01:00", RunRecord::kSucceeded), nullptr);

  std::vector<XString> damaged;
  const std::vector<RunRecord> records = history.Read(&damaged);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].schoolNumber.ToStd(), "104");
  const RunRecord& back = records[0];
  EXPECT_EQ(back.schoolName.ToStd(), full.schoolName.ToStd());
  EXPECT_EQ(back.district.ToStd(), "North");
  EXPECT_EQ(back.importFolder.ToStd(), full.importFolder.ToStd());
  EXPECT_DOUBLE_EQ(back.durationSeconds, 12.25);
  EXPECT_EQ(back.firstError.ToStd(), full.firstError.ToStd());
  ASSERT_EQ(back.tables.size(), 2u);
  EXPECT_EQ(back.tables[0].first.ToStd(), "Students.qef");
  EXPECT_EQ(back.tables[0].second, 184);
  EXPECT_EQ(back.attendanceRowsSent, 937);
  EXPECT_EQ(back.updateFile.ToStd(), full.updateFile.ToStd());
  EXPECT_EQ(back.exitCode, 1);
  EXPECT_EQ(records[1].schoolNumber.ToStd(), "102");
  // Each record is one line: the line break of the error was escaped.
  EXPECT_EQ(testsupport::ReadAll(Path()).find("\r\n"), std::string::npos);
  ASSERT_EQ(damaged.size(), 3u);
  EXPECT_EQ(damaged[0].ToStd(), "line 2 of " + Path() + " is damaged; it is skipped.");
  EXPECT_EQ(damaged[1].ToStd().rfind("line 3 of ", 0), 0u);
  EXPECT_EQ(damaged[2].ToStd().rfind("line 5 of ", 0), 0u);
}

TEST_F(RunHistoryTest, EachSchoolKeepsItsLastRunsAndAHeldLockOnlyPostponesTheTrim) {
  RunHistory history = History();
  const size_t kept = RunHistory::kRunsKept;
  const auto start = [](size_t n) {
    char text[40];
    std::snprintf(text, sizeof text, "2009-03-18T01:%02zu:%02zu+00:00", n / 60 % 60, n % 60);
    return std::string(text);
  };
  for (size_t i = 0; i < 5; ++i) history.Append(Record("202", start(i), RunRecord::kSucceeded), nullptr);
  // Past the bound by a tenth the oldest runs of that school go; the other school keeps all.
  const size_t runs = kept + kept / 10 + 10;
  for (size_t i = 0; i < runs; ++i) {
    RunRecord record = Record("101", start(i), RunRecord::kSucceeded);
    record.attendanceRowsSent = static_cast<int64_t>(i);
    history.Append(record, nullptr);
  }
  std::vector<RunRecord> records = history.Read(nullptr);
  size_t first101 = runs, count101 = 0, count202 = 0;
  for (const RunRecord& record : records) {
    if (record.schoolNumber == "202") ++count202;
    if (record.schoolNumber != "101") continue;
    if (count101++ == 0) first101 = static_cast<size_t>(record.attendanceRowsSent);
  }
  EXPECT_EQ(count202, 5u);
  EXPECT_EQ(count101, kept + 9);  // trimmed to the bound at the run that passed it, 9 since
  EXPECT_EQ(first101, runs - (kept + 9));
  EXPECT_EQ(records.back().attendanceRowsSent, static_cast<int64_t>(runs - 1));

  // Up to the point of trimming again; then another run holds the lock: the record that
  // passes the bound is still appended, and the file is left as it was.
  while (count101 < kept + kept / 10) {
    history.Append(Record("101", start(count101++), RunRecord::kSucceeded), nullptr);
  }
  os::FileHandle lock = os::kInvalidFile;
  const std::string lockPath = Folder() + RunHistory::kLockName;
  ASSERT_EQ(os::TakeFileLock(lockPath, "other run", lock), os::LockResult::kTaken);
  history.Append(Record("101", start(0), RunRecord::kFailed), nullptr);
  os::ReleaseFileLock(lock, lockPath);
  records = history.Read(nullptr);
  EXPECT_EQ(records.size(), 5 + kept + kept / 10 + 1);
  EXPECT_EQ(records.back().outcome.ToStd(), RunRecord::kFailed);
}

TEST_F(RunHistoryTest, AHistoryThatCannotBeWrittenFailsTheAppendNamingTheFile) {
  os::CreateOneDirectory(Path());  // a folder where the file should be
  try {
    History().Append(Record("101", "2009-03-18T01:00:00+00:00", RunRecord::kSucceeded), nullptr);
    FAIL() << "appended into a folder";
  } catch (const XException& e) {
    EXPECT_NE(std::string(e.what()).find(Path()), std::string::npos) << e.what();
  }
}

TEST_F(RunHistoryTest, TimesAreLocalWithTheirOffset) {
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 18), XTime::FromHMS(1, 2, 3)));
  const std::string now = RunHistory::IsoNow().ToStd();
  XDateTime::ClearFixedNow();
  ASSERT_EQ(now.size(), 25u) << now;
  EXPECT_EQ(now.substr(0, 19), "2009-03-18T01:02:03");
  EXPECT_TRUE(now[19] == '+' || now[19] == '-') << now;
  EXPECT_EQ(now[22], ':');
  int day = 0, ms = 0;
  ASSERT_TRUE(RunHistory::ParseIso(XString(now), day, ms));
  EXPECT_EQ(day, XDate::FromYMD(2009, 3, 18));
  EXPECT_EQ(ms, (3600 + 2 * 60 + 3) * 1000);
  EXPECT_FALSE(RunHistory::ParseIso("2009-03-18 01:02:03", day, ms));
  EXPECT_FALSE(RunHistory::ParseIso("2009-13-18T01:02:03+00:00", day, ms));
}

namespace {

// Schools of a site configuration and a "now" to measure the nights from.
class RunStatusTest : public ::testing::Test {
 protected:
  void AddSchool(const std::string& number, const std::string& name) {
    auto school = std::make_unique<QvSchoolConf>();
    school->m_schoolNumber = number.c_str();
    school->m_schoolName = name.c_str();
    m_schools.Add(std::move(school));
  }
  XDateTime m_now{XDate::FromYMD(2009, 3, 20), XTime::FromHMS(7, 30, 0)};
  QvSchoolConfDS m_schools;
};

}  // namespace

TEST_F(RunStatusTest, TheExitCodeIsTheWorstSchoolsAndOverdueNeedsALook) {
  AddSchool("101", "Lakeside");
  AddSchool("102", "Hillcrest");
  std::vector<RunRecord> records = {Record("101", "2009-03-19T01:00:00+01:00", RunRecord::kSucceeded),
                                    Record("102", "2009-03-19T01:00:00+01:00", RunRecord::kSucceeded),
                                    Record("999", "2009-03-19T01:00:00+01:00", RunRecord::kFailed)};
  EXPECT_EQ(RunStatus(m_schools, records, m_now).ExitCode(), RunStatus::kAllGood);
  // 36 hours are the limit: 36 hours old is fine, a minute more is overdue.
  records[1].start = "2009-03-18T19:30:00+01:00";
  EXPECT_EQ(RunStatus(m_schools, records, m_now).ExitCode(), RunStatus::kAllGood);
  records[1].start = "2009-03-18T19:29:00+01:00";
  EXPECT_EQ(RunStatus(m_schools, records, m_now).ExitCode(), RunStatus::kAttention);
  records[1].start = "2009-03-19T01:00:00+01:00";
  records[1].outcome = RunRecord::kWarnings;
  EXPECT_EQ(RunStatus(m_schools, records, m_now).ExitCode(), RunStatus::kAttention);
  // A failure wins over a school that needs a look, and is told with its error.
  records.push_back(Record("101", "2009-03-20T01:00:00+01:00", RunRecord::kFailed));
  records.back().firstError = "Error: the disk\tis full";
  const RunStatus status(m_schools, records, m_now);
  EXPECT_EQ(status.ExitCode(), RunStatus::kFailed);
  EXPECT_EQ(status.Schools()[0].nightsSinceSuccess, 1);
  const std::string text = status.Text().ToStd();
  EXPECT_NE(text.find("101\tLakeside\t\t2009-03-20T01:00:00+01:00\tfailed\t0.0 s\t0\t1\tError: the disk is full\n"),
            std::string::npos)
      << text;
  // A school that never ran is overdue, with no last success.
  AddSchool("103", "Westview");
  const RunStatus withNew(m_schools, records, m_now);
  EXPECT_TRUE(withNew.Schools()[2].overdue);
  EXPECT_NE(withNew.Text().ToStd().find("103\tWestview\t\tnever\tno run\t\t\tnever\t\n"), std::string::npos);
}

TEST_F(RunStatusTest, TheJsonReadsBackAndThePageIsSelfContainedAndEscaped) {
  AddSchool("101", "<script>alert(1)</script> & Co");
  std::vector<RunRecord> records = {Record("101", "2009-03-17T01:00:00+01:00", RunRecord::kFailed),
                                    Record("101", "2009-03-19T01:00:00+01:00", RunRecord::kWarnings)};
  records[0].firstError = "Error: <b>bad</b>";
  records[1].attendanceRowsSent = 42;
  const RunStatus status(m_schools, records, m_now);

  JsonValue json;
  ASSERT_TRUE(JsonValue::Parse(status.Json({XString("line 7 of h is damaged; it is skipped.")}), json));
  EXPECT_EQ(json.Member("exitCode")->Number(-1), RunStatus::kAttention);
  ASSERT_EQ(json.Member("schools")->Items().size(), 1u);
  const JsonValue& school = json.Member("schools")->Items()[0];
  EXPECT_EQ(school.Member("name")->Text().ToStd(), "<script>alert(1)</script> & Co");
  EXPECT_EQ(school.Member("outcome")->Text().ToStd(), "succeeded with warnings");
  EXPECT_EQ(school.Member("attendanceRowsSent")->Number(), 42);
  EXPECT_EQ(school.Member("nightsSinceSuccess")->Number(-1), 1);
  EXPECT_TRUE(school.Member("firstError")->IsNull());
  EXPECT_EQ(json.Member("damagedLines")->Items().size(), 1u);

  const std::string html = RunReport::Html(status, {});
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; Co"), std::string::npos);
  EXPECT_NE(html.find("Error: &lt;b&gt;bad&lt;/b&gt;"), std::string::npos);
  for (const char* remote : {"http:", "https:", "src=", "href=", "url(", "@import"}) {
    EXPECT_EQ(html.find(remote), std::string::npos) << remote;
  }
  // Thirty nights in the strip, oldest first: the failure three nights ago, the warning
  // yesterday, and nothing on the other nights.
  std::vector<std::string> nights;
  for (size_t at = html.find("<svg class=\"strip\""); (at = html.find("<rect class=\"", at)) != std::string::npos;) {
    at += 13;
    const std::string css = html.substr(at, html.find('"', at) - at);
    nights.push_back(css);
    if (nights.size() == RunReport::kNights) break;
  }
  ASSERT_EQ(nights.size(), static_cast<size_t>(RunReport::kNights));
  EXPECT_EQ(nights[RunReport::kNights - 4], "fail");
  EXPECT_EQ(nights[RunReport::kNights - 2], "warn");
  EXPECT_EQ(nights[RunReport::kNights - 1], "none");
  EXPECT_EQ(nights[0], "none");
}
