// Logging: level filtering and raising, the console and file forms, the header, the marker
// files that set the level, and the engine's rule over its extract and run logs.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XEngineLog.h"
#include "foundation/XLogFile.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string ExceptionText(const std::function<void()>& action) {
  try {
    action();
  } catch (const XException& e) {
    return e.Text();
  }
  return "(nothing thrown)";
}

TEST(XLog, LevelNamesAndUnknown) {
  EXPECT_STREQ(LogLevelName(kLogProprietary), "Proprietary");
  EXPECT_STREQ(LogLevelName(kLogVerboseDebug), "Verbose Debug");
  EXPECT_STREQ(LogLevelName(kLogProgress), "Progress");
  EXPECT_STREQ(LogLevelName(kLogNone), "None");
  EXPECT_STREQ(LogLevelName(10), "Unknown");
  EXPECT_STREQ(LogLevelName(-1), "Unknown");
}

TEST(XLog, ConsoleFormFiltersAndPadsLevelNames) {
  XLogFile log("Console", kLogInfo);
  testing::internal::CaptureStdout();
  log.Write(kLogDebug, "dropped");
  log.Write(kLogNote, "a note");
  log.Write(kLogWarning, "careful");
  log.Write(kLogInfo, "info line");
  log.SetWriteLevel(kLogProprietary);
  log.Write(kLogVerboseDebug, "long name");
  log.WriteFormat(kLogError, "%d files", 3);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "a note\n"
            "[Warning] careful\n"
            "[Info   ] info line\n"
            "[Verbose Debug] long name\n"
            "[Error  ] 3 files\n");
}

TEST(XLog, FatalIsThrownAfterWritingAndEvenWhenSilenced) {
  TempDir dir;
  XLogFile log("T", XFileSpec(dir.File("log.txt")), kLogInfo);
  log.Begin();
  size_t headerSize = ReadAll(dir.File("log.txt")).size();

  // Written first, then raised with the same text and code 0.
  try {
    log.Write(kLogFatal, "the end");
    FAIL() << "a Fatal message must be raised";
  } catch (const XException& e) {
    EXPECT_STREQ(e.Text(), "the end");
    EXPECT_EQ(e.Code(), 0);
  }
  EXPECT_EQ(ReadAll(dir.File("log.txt")).substr(headerSize), "the end\r\n");

  // Write level 9: nothing reaches the file, the Fatal is still raised.
  log.SetWriteLevel(kLogNone);
  EXPECT_EQ(ExceptionText([&] { log.WriteFormat(kLogFatal, "silent %s", "fatal"); }),
            "silent fatal");
  log.Write(kLogError, "below the throw level");
  EXPECT_EQ(ReadAll(dir.File("log.txt")).substr(headerSize), "the end\r\n");

  // Throw level 9: Fatal is only written.
  log.SetWriteLevel(kLogInfo);
  log.SetThrowLevel(kLogNone);
  EXPECT_NO_THROW(log.Write(kLogFatal, "kept going"));
  EXPECT_EQ(ReadAll(dir.File("log.txt")).substr(headerSize), "the end\r\nkept going\r\n");
}

TEST(XLog, FormattedMessagesAreCutAt2048Characters) {
  TempDir dir;
  XLogFile log("T", XFileSpec(dir.File("log.txt")), kLogInfo);
  std::string longText(3000, 'x');
  log.WriteFormat(kLogInfo, "<%s>", longText.c_str());
  std::string expected = "<" + std::string(2047, 'x') + "\r\n";
  EXPECT_EQ(ReadAll(dir.File("log.txt")), expected);
}

TEST(XLogFile, HeaderIsTitleDateOsAndAnEmptyLineAndBeginTruncates) {
  TempDir dir;
  XDateTime when(XDate::FromYMD(2009, 3, 18), XTime::FromHMS(14, 5, 9));
  XDateTime::SetFixedNow(when);
  WriteAll(dir.File("run.txt"), "an old run's lines\r\n");
  XLogFile log("QvMeridane Run Log", XFileSpec(dir.File("run.txt")), kLogInfo);
  log.Begin();
  log.Write(kLogInfo, "first line");
  XDateTime::ClearFixedNow();

  std::string text = ReadAll(dir.File("run.txt"));
  std::vector<std::string> lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 5u) << text;
  EXPECT_EQ(lines[0], "QvMeridane Run Log");
  EXPECT_EQ(lines[1], when.Format("WWW, MMM DD, YYYY: HH:NN:SS AA").ToStd());
  EXPECT_NE(lines[1].find(" 18, 2009: 02:05:09 PM"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "OS: " + os::OperatingSystemName());
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "first line");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(XLogFile, UnopenableFileRaisesTheFileError) {
  TempDir dir;
  std::string path = dir.File("missing-folder") + os::kPathSeparator + "log.txt";
  XLogFile log("T", XFileSpec(path), kLogInfo);
  std::string text = ExceptionText([&] { log.Write(kLogInfo, "line"); });
  EXPECT_EQ(text.rfind("Could not open file ( ", 0), 0u) << text;
  EXPECT_NE(text.find(" ): " + path), std::string::npos) << text;
}

class LogLevelFiles : public testing::Test {
 protected:
  // Runs the marker-file check with a file log and returns its lines after the header.
  std::vector<std::string> Check(int32_t& level) {
    XLogFile log("T", XFileSpec(m_logs.File("log.txt")), kLogInfo);
    log.Begin();
    level = log.SetWriteLevelFromFiles(XString(m_app.Path()), "1.1.2.1");
    EXPECT_EQ(log.WriteLevel(), level);
    std::vector<std::string> lines = SplitCrLf(ReadAll(m_logs.File("log.txt")));
    return std::vector<std::string>(lines.begin() + 4, lines.end());
  }
  void Touch(const char* name, const std::string& content = "") {
    WriteAll(m_app.File(name), content);
  }

  TempDir m_app;
  TempDir m_logs;
};

TEST_F(LogLevelFiles, NoMarkerGivesInfoAndEachStepIsLogged) {
  int32_t level = -1;
  std::vector<std::string> lines = Check(level);
  EXPECT_EQ(level, kLogInfo);
  EXPECT_EQ(lines, (std::vector<std::string>{"Setting Log Level from File.",
                                             "WriteLevel Changed to: 3"}));
}

TEST_F(LogLevelFiles, MarkerPrecedence) {
  int32_t level = -1;
  Touch("quiet.txt");
  Check(level);
  EXPECT_EQ(level, kLogNone);
  Touch("debug.txt");
  std::vector<std::string> lines = Check(level);
  EXPECT_EQ(level, kLogDebug);
  EXPECT_EQ(lines.back(), "WriteLevel Changed to: 2");
  Touch("verbosedebug.txt");
  Check(level);
  EXPECT_EQ(level, kLogVerboseDebug);
}

TEST_F(LogLevelFiles, ProprietaryNeedsTheKeyOfThisVersion) {
  int32_t level = -1;
  Touch("debug.txt");
  Touch("proprietary.txt", XLog::ProprietaryKey("1.1.2.0").ToStd());
  std::vector<std::string> lines = Check(level);
  EXPECT_EQ(level, kLogDebug);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1],
            "Key match failed for proprietary.txt, so will not set Proprietary Logging.  Please "
            "update to the correct proprietary.txt for this version or remove the current "
            "proprietary.txt file.");

  XString key = XLog::ProprietaryKey("1.1.2.1");
  Touch("proprietary.txt", key.ToStd() + "\r\n");
  lines = Check(level);
  EXPECT_EQ(level, kLogProprietary);
  EXPECT_EQ(lines.back(), "WriteLevel Changed to: 0");
  // The key itself never appears in a log.
  EXPECT_EQ(ReadAll(m_logs.File("log.txt")).find(key.ToStd()), std::string::npos);
}

class EngineLog : public testing::Test {
 protected:
  EngineLog()
      : m_run("Run", XFileSpec(m_dir.File("run.txt")), kLogProprietary),
        m_extract("Extract", XFileSpec(m_dir.File("extract.txt")), kLogProprietary),
        m_engine(&m_run, &m_extract) {
    m_run.SetThrowLevel(kLogNone);
  }
  std::vector<std::string> Lines(const char* name) { return SplitCrLf(ReadAll(m_dir.File(name))); }

  TempDir m_dir;
  XLogFile m_run;
  XLogFile m_extract;
  XEngineLog m_engine;
};

TEST_F(EngineLog, TimePrefixOnEveryLevelButInfoAndProgress) {
  const std::regex timed(R"(\d\d/\d\d/\d{4}\|\d\d:\d\d:\d\d message)");
  for (int32_t level = kLogProprietary; level <= kLogError; ++level) {
    m_engine.ExtractLogWrite(level, "message");
  }
  std::vector<std::string> lines = Lines("extract.txt");
  ASSERT_EQ(lines.size(), 8u);
  for (int32_t level = kLogProprietary; level <= kLogError; ++level) {
    if (level == kLogInfo || level == kLogProgress) {
      EXPECT_EQ(lines[level], "message");
    } else {
      EXPECT_TRUE(std::regex_match(lines[level], timed)) << level << ": " << lines[level];
    }
  }
  EXPECT_EQ(ReadAll(m_dir.File("run.txt")), "");
}

TEST_F(EngineLog, TimePrefixIsTheClockInDayMonthYearOrder) {
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 8), XTime::FromHMS(16, 7, 5)));
  XString prefix = XEngineLog::TimePrefix();
  XDateTime::ClearFixedNow();
  EXPECT_EQ(prefix, "08/03/2009|16:07:05 ");
}

TEST_F(EngineLog, FailedExtractLogFallsBackToTheRunLog) {
  std::string unreachable = m_dir.File("no-folder") + os::kPathSeparator + "extract.txt";
  XLogFile broken("Extract", XFileSpec(unreachable), kLogInfo);
  m_engine.SetExtractLog(&broken);
  m_engine.ExtractLogWrite(kLogInfo, "Update Date is: x");
  EXPECT_EQ(Lines("run.txt"),
            (std::vector<std::string>{
                "Writing next message to Run Log because failed to write to extract log.",
                "Update Date is: x"}));

  // Without an extract log the line goes straight to the run log, prefix and all.
  m_engine.SetExtractLog(nullptr);
  m_engine.ExtractLogWrite(kLogDebug, "direct");
  std::vector<std::string> lines = Lines("run.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(\d\d/\d\d/\d{4}\|\d\d:\d\d:\d\d direct)")));

  // Without either log there is nowhere to write.
  m_engine.SetRunLog(nullptr);
  EXPECT_EQ(ExceptionText([&] { m_engine.ExtractLogWrite(kLogInfo, "x"); }),
            "No RunLog set.  Cannot log.");
  EXPECT_EQ(ExceptionText([&] { m_engine.RunLogWrite(kLogInfo, "x"); }),
            "No RunLog set.  Cannot log.");
}

TEST_F(EngineLog, ErrorLogsWithoutPrefixThenThrows) {
  try {
    m_engine.ErrorFormat(kLogError, "Bad school %d", 7);
    FAIL() << "Error must throw";
  } catch (const XException& e) {
    EXPECT_STREQ(e.Text(), "Bad school 7");
    EXPECT_EQ(e.Code(), 0);
  }
  // A Fatal error: the extract log writes it and raises it itself at its throw level. That is
  // not a failed write, so the run log gets no fallback copy.
  EXPECT_EQ(ExceptionText([&] { m_engine.Error(kLogFatal, "Cannot connect"); }), "Cannot connect");
  EXPECT_EQ(Lines("extract.txt"), (std::vector<std::string>{"Bad school 7", "Cannot connect"}));
  EXPECT_EQ(ReadAll(m_dir.File("run.txt")), "");

  // The same for a timed Fatal line written directly: written once, then raised.
  EXPECT_EQ(ExceptionText([&] { m_engine.ExtractLogWrite(kLogFatal, "fatal"); }).substr(20),
            "fatal");
  EXPECT_EQ(Lines("extract.txt").size(), 3u);
  EXPECT_EQ(ReadAll(m_dir.File("run.txt")), "");
}

}  // namespace
