// The writer's part of a run on a real import folder: Begin opens the extract log after the
// housekeeping, Finish records the run and releases the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "foundation/XLog.h"
#include "foundation/XProgress.h"
#include "os/OsFiles.h"
#include "os/OsExclusiveFiles.h"
#include "os/OsSystem.h"
#include "package/ImportFolderLock.h"
#include "package/QDEWriter.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A run log that keeps its lines.
class RunLog : public XLog {
 public:
  explicit RunLog(int32_t level) : XLog(level) {}
  void Emit(int32_t, const char* message) override { lines.emplace_back(message); }
  bool Has(const std::string& text) const {
    for (const std::string& line : lines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<std::string> lines;
};

class WriterRun : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::SetBridgeIdentity(writerContext.Application());
    config.m_importFolder = XString(folder.Path().c_str());
    config.m_district = "North";
    config.m_schoolNumber = "101";
    config.m_schoolYear = "2009";
    config.m_dsn = "Meridane";
  }
  std::string ExtractLogText() const { return testsupport::ReadAll(folder.File("QvMeridaneExtractLog.txt")); }

  testsupport::TempDir folder;
  BridgeConfiguration config;
  RunLog runLog{kLogDebug};
  ExtractContext writerContext;
  QDEWriter writer{writerContext};
};

TEST_F(WriterRun, BeginOpensTheExtractLogAfterTheHousekeepingAndFinishReleasesIt) {
  writer.Begin(config, &runLog);
  EXPECT_EQ(writerContext.GetRunLog(), &runLog);
  EXPECT_TRUE(runLog.Has("Starting QDE Writer"));
  EXPECT_TRUE(runLog.Has("Bridge Configuration Changed."));  // no record of an earlier run
  EXPECT_EQ(XString(writer.Folder().Spec().Path()), XFileSpec::Folder(folder.Path().c_str()).Path());
  ASSERT_NE(writerContext.GetExtractLog(), nullptr);
  std::string text = ExtractLogText();
  EXPECT_EQ(text.rfind("Velkstrom Data Extractor for Meridane 1.1.2.1 Extract Log\r\n", 0), 0u);
  EXPECT_NE(text.find(std::string("Import Folder: ") + writer.Folder().Spec().c_str() + "\r\n"), std::string::npos);
  EXPECT_FALSE(runLog.Has("Import Folder: "));

  // The extract log writes at the run log's level.
  writer.StartTable("Terms", "Terms.qef");
  writer.AddHeaderField("TermRef");
  writer.RegisterCustomField("Key", "Title", "#customcomfield", "");
  writer.EndTable();
  text = ExtractLogText();
  EXPECT_NE(text.find("Finished Terms table/query.\r\n"), std::string::npos);

  writer.Finish();
  EXPECT_EQ(writerContext.GetExtractLog(), nullptr);
  EXPECT_EQ(writer.Headers().Count(), 0u);
  text = ExtractLogText();
  EXPECT_EQ(text.substr(text.size() - std::string("Export complete.\r\n").size()), "Export complete.\r\n");
  EXPECT_TRUE(os::PathExists(folder.File("SchoolConfig.xml")));

  // The next run finds the record of this one; the custom fields are the new run's own.
  RunLog secondLog{kLogInfo};
  writer.Begin(config, &secondLog);
  EXPECT_TRUE(secondLog.Has("Bridge Configuration Did Not Change."));
  EXPECT_EQ(writer.CustomFields().Count(), 0u);
  writer.StartTable("Terms", "Terms.qef");
  writer.EndTable();  // Debug: below this run's level
  EXPECT_EQ(ExtractLogText().find("Finished Terms table/query."), std::string::npos);
  writer.Finish();
}

TEST_F(WriterRun, AChangedConfigurationCleansTheFolderBeforeTheExtractLogOpens) {
  writer.Begin(config, &runLog);
  writer.Finish();
  testsupport::WriteAll(folder.File("Update 20090225121341.QDU"), "earlier changes");

  config.m_schoolYear = "2010";
  RunLog nextRun{kLogDebug};
  writer.Begin(config, &nextRun);
  EXPECT_TRUE(nextRun.Has("Bridge Configuration Changed."));
  EXPECT_TRUE(nextRun.Has("Deleted qdu files"));  // the cleaning reports to the run log
  EXPECT_FALSE(os::PathExists(folder.File("Update 20090225121341.QDU")));
  EXPECT_EQ(ExtractLogText().find("Deleted qdu files"), std::string::npos);
  writer.EndExtractLog();
  EXPECT_EQ(writerContext.GetExtractLog(), nullptr);
}

// One run at a time per import folder: a second writer waits for the first one's lock, then
// fails naming the folder and when the other run started; the lock ends with the run.
TEST_F(WriterRun, ASecondRunIntoTheFolderWaitsAndThenFailsNamingTheOtherRun) {
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 2, 25), XTime::FromHMS(12, 13, 41)));
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "1");
  writer.Begin(config, &runLog);
  EXPECT_TRUE(writer.Folder().IsLocked());
  EXPECT_TRUE(os::PathExists(folder.File("QvMeridaneRun.lock")));

  ExtractContext secondContext;
  QDEWriter second{secondContext};
  testsupport::SetBridgeIdentity(secondContext.Application());
  RunLog secondLog{kLogDebug};
  try {
    second.Begin(config, &secondLog);
    ADD_FAILURE() << "the second run was let in";
  } catch (const XException& e) {
    std::string text = e.what();
    EXPECT_NE(text.find(std::string("Another run is writing into the import folder ") +
                        writer.Folder().Spec().c_str() + ": it started 2009-02-25 12:13:41 (process " +
                        std::to_string(os::CurrentProcessId()) + ")"),
              std::string::npos)
        << text;
    EXPECT_TRUE(secondLog.Has("Another run is writing into the import folder"));
  }
  // The waiting run wrote nothing: no extract log of its own, nothing cleaned.
  EXPECT_EQ(secondContext.GetExtractLog(), nullptr);

  writer.Finish();
  EXPECT_FALSE(writer.Folder().IsLocked());
  EXPECT_FALSE(os::PathExists(folder.File("QvMeridaneRun.lock")));
  second.Begin(config, &secondLog);
  EXPECT_TRUE(second.Folder().IsLocked());
  second.AbandonRun();
  EXPECT_FALSE(second.Folder().IsLocked());
  EXPECT_EQ(secondContext.GetExtractLog(), nullptr);
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "");
  XDateTime::ClearFixedNow();
}

// A progress display that keeps its step texts and asks to stop at its fourth redraw.
class StoppingProgress : public XProgress {
 public:
  void ShowStepText(const char* text) override { steps.emplace_back(text); }
  void SetRange(int32_t) override {}
  void SetPosition(int32_t) override {}
  void Redraw() override {
    if (++redraws == 4) RequestStop();
  }
  std::vector<std::string> steps;
  int redraws = 0;
};

// While another run holds the folder, the waiting run says once whom it waits for and since
// when, keeps its display alive, and the display's Cancel ends the wait without the lock.
TEST_F(WriterRun, AWaitForAnotherRunIsShownAndCanBeCancelled) {
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 2, 25), XTime::FromHMS(12, 13, 41)));
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "30");
  writer.Begin(config, &runLog);

  ExtractContext secondContext;
  QDEWriter second{secondContext};
  testsupport::SetBridgeIdentity(secondContext.Application());
  RunLog secondLog{kLogDebug};
  StoppingProgress progress;
  progress.SetStopMessage("Extraction was cancelled.");
  secondContext.SetProgress(&progress);
  try {
    second.Begin(config, &secondLog);
    ADD_FAILURE() << "the second run was let in";
  } catch (const XException& e) {
    EXPECT_STREQ(e.what(), "Extraction was cancelled.");
  }
  const std::string waiting = "Waiting for another run, started 2009-02-25 12:13:41 (process " +
                              std::to_string(os::CurrentProcessId()) + "), to finish in the import folder " +
                              config.m_importFolder.c_str() + ".";
  ASSERT_EQ(progress.steps.size(), 1u);
  EXPECT_EQ(progress.steps[0], waiting);
  EXPECT_TRUE(secondLog.Has(waiting));
  // Stopped at the request (the stop redraws once more), not after the 30 seconds.
  EXPECT_GE(progress.redraws, 4);
  EXPECT_LE(progress.redraws, 5);
  EXPECT_FALSE(second.Folder().IsLocked());
  EXPECT_TRUE(writer.Folder().IsLocked());
  writer.Finish();
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "");
  XDateTime::ClearFixedNow();
}

// Only a file of the run's own is a lock file or an extract log: anything else at their names
// (or a link at the store's folder) goes before the run writes there, saying what it was.
TEST_F(WriterRun, WhatIsNoFileAtTheLockAndLogNamesIsRemovedSayingWhatItWas) {
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "2");
  testsupport::TempDir outside;
  testsupport::WriteAll(outside.File("target.txt"), "outside");
  const bool links = os::MakeSymbolicLink(outside.File("target.txt"), outside.File("probe"));
  for (const char* name : {"QvMeridaneRun.lock", "QvMeridaneExtractLog.txt"}) {
    const std::string role = name[10] == 'R' ? "run lock file" : "extract log";
    for (const char* kind : {"a folder", "a link"}) {
      os::DeleteFilePath(folder.File(name));  // the extract log of the run before
      if (kind[2] == 'f') {
        os::CreateOneDirectory(folder.File(name));
        testsupport::WriteAll(folder.File(name) + os::kPathSeparator + "inside.txt", "x");
      } else if (!links || !os::MakeSymbolicLink(outside.File("target.txt"), folder.File(name))) {
        continue;
      }
      RunLog log{kLogDebug};
      writer.Begin(config, &log);
      EXPECT_TRUE(writer.Folder().IsLocked()) << name << ": " << kind;
      EXPECT_TRUE(log.Has(std::string("Found ") + kind + " at the name of the " + role + " " + folder.File(name)))
          << name << ": " << kind;
      writer.Finish();
      EXPECT_EQ(os::KindOfEntry(folder.File(name)),
                name[10] == 'R' ? os::EntryKind::kNone : os::EntryKind::kFile);
    }
  }
  EXPECT_EQ(testsupport::ReadAll(outside.File("target.txt")), "outside");
#ifndef _WIN32
  // A pipe that another holder keeps open and locked was waited on, then read, for ever.
  ASSERT_EQ(::mkfifo(folder.File("QvMeridaneRun.lock").c_str(), 0600), 0);
  const int held = ::open(folder.File("QvMeridaneRun.lock").c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  ::alarm(20);
  RunLog log{kLogDebug};
  writer.Begin(config, &log);
  ::alarm(0);
  EXPECT_TRUE(log.Has("Found a pipe, socket or device at the name of the run lock file"));
  EXPECT_EQ(os::KindOfEntry(folder.File("QvMeridaneRun.lock")), os::EntryKind::kFile);
  writer.Finish();
  ::close(held);
#endif
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "");
}

TEST_F(WriterRun, ALockWaitThatIsNoNumberIsRefusedAndOneOutOfRangeClamped) {
  const struct {
    const char* text;
    int seconds;
    const char* warning;
  } cases[] = {{"", 60, nullptr},     {"7", 7, nullptr},   {"abc", 60, "refused, 60"}, {"2x", 60, "refused, 60"},
               {"-5", 0, "clamped, 0"}, {"99999999999999999999", 3600, "clamped, 3600"}, {"3601", 3600, "clamped, 3600"}};
  for (const auto& c : cases) {
    os::SetEnv("QV_LOCK_WAIT_SECONDS", c.text);
    XString warning;
    EXPECT_EQ(ImportFolderLock::WaitSeconds(&warning), c.seconds) << c.text;
    if (c.warning == nullptr) {
      EXPECT_TRUE(warning.IsEmpty()) << warning.c_str();
    } else {
      EXPECT_EQ(warning.ToStd(), std::string("QV_LOCK_WAIT_SECONDS \"") + c.text +
                                     "\" is not a number of seconds from 0 to 3600; " + c.warning + " is used.");
    }
  }
  // The run says so in its run log.
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "abc");
  writer.Begin(config, &runLog);
  writer.Finish();
  EXPECT_TRUE(runLog.Has("QV_LOCK_WAIT_SECONDS \"abc\" is not a number of seconds from 0 to 3600; refused, 60 is used."));
  os::SetEnv("QV_LOCK_WAIT_SECONDS", "");
}

// What killed runs left under temporary names goes at the start of the next run, whatever
// it gathers; nothing else in the folder is touched.
TEST_F(WriterRun, TheUnfinishedFilesOfKilledRunsAreRemovedWhenARunBegins) {
  const std::vector<std::string> leftovers = {"Terms.qef.4242.partial", "Update 20090225121341.QDU.4242.partial",
                                              "QvMeridane.QDE.77.partial"};
  for (const std::string& name : leftovers) testsupport::WriteAll(folder.File(name), "torn");
  os::CreateOneDirectory(folder.File("notes.partial"));
  testsupport::WriteAll(folder.File("Terms.qef"), "complete");
  writer.Begin(config, &runLog);
  for (const std::string& name : leftovers) EXPECT_FALSE(os::PathExists(folder.File(name))) << name;
  EXPECT_TRUE(os::IsDirectory(folder.File("notes.partial")));
  EXPECT_EQ(testsupport::ReadAll(folder.File("Terms.qef")), "complete");
  EXPECT_TRUE(runLog.Has("Removed the unfinished file of an earlier run: "));
  writer.Finish();
}

}  // namespace
