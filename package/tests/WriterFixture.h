// A package writer set up as the bridge runs it (identity, logs, an import folder inside a real
// temporary folder), on a clock the test sets, and the attendance part of an update run as
// the engine drives it.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XLogFile.h"
#include "foundation/XTime.h"
#include "os/OsFaults.h"
#include "os/OsFiles.h"
#include "package/QDEWriter.h"
#include "package/AttendanceExport.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"

namespace attstoretest {

inline int Day(int y, int m, int d) { return XDate::FromYMD(y, m, d); }

// One attendance row of the SIS as the extracts hand it to the store.
struct SisRow {
  std::string student;
  int day;
  std::string key;  // time frame or period
  std::string code;
  std::string header;  // empty: the kind's own header; "-": recorded with an empty header
};

// The data lines of each table of an update file, by table description.
using UpdateTables = std::map<std::string, std::vector<std::string>>;

class WriterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_import = m_dir.File("School") + os::kPathSeparator + "Import";
    XFileSpec::Folder(m_import.c_str()).CreateFolder();
    m_config.m_importFolder = m_import;
    m_config.m_district = "North";
    m_config.m_schoolNumber = "101";
    m_config.m_schoolYear = "2009";
    m_config.m_dsn = "Meridane";
    m_runLog = std::make_unique<XLogFile>("Run Log", XFileSpec(m_dir.File("RunLog.txt").c_str()),
                                          kLogProprietary);
    m_runLog->Begin();
    SetToday(Day(2009, 3, 2));
  }
  void TearDown() override { XDateTime::ClearFixedNow(); }

  static void SetToday(int day) { XDateTime::SetFixedNow(XDateTime(day, XTime::FromHMS(20, 15, 0))); }

  void Prepare(ExtractContext& context) {
    QDEApplication& app = context.Application();
    testsupport::SetBridgeIdentity(app);
    app.m_buildDate = Day(2009, 2, 20);
    context.SetRunLog(m_runLog.get());
  }

  std::string ImportFile(const std::string& name) const { return m_import + os::kPathSeparator + name; }
  std::string RunLogText() const { return testsupport::ReadAll(m_dir.File("RunLog.txt")); }

  // How a run ends: completed; ended before its update file is completed (a crash); or with
  // every write, the sync to the disk or the close of the update file failing, as a full disk
  // or a lost network drive would fail them.
  enum class Ending { kComplete, kUnfinished, kFailedWrites, kFailedSync, kFailedClose };

  // The attendance part of an update run: the daily and the period extract record the SIS
  // rows of their window (from the store's update date to today), then the changes are
  // exported into the update file. Returns the update file's tables; a failing run rethrows
  // after the writer is gone.
  UpdateTables Run(const std::vector<SisRow>& daily, const std::vector<SisRow>& period,
                   Ending ending = Ending::kComplete) {
    std::string updateFile;
    {
      std::unique_ptr<os::FaultPlan> faults;
      if (ending >= Ending::kFailedWrites) {
        faults = std::make_unique<os::FaultPlan>();
        const os::FaultKind kind = ending == Ending::kFailedWrites ? os::FaultKind::kWrite
                                   : ending == Ending::kFailedSync ? os::FaultKind::kSync
                                                                   : os::FaultKind::kClose;
        faults->FailPath(kind, ".QDU");
      }
      ExtractContext writerContext;
  QDEWriter writer{writerContext};
      Prepare(writerContext);
      writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
      updateFile = writer.BeginUpdateFile().Path().ToStd();
      Record(writer, AttendanceStore::kDaily, daily, "AttTimeFrameRef");
      Record(writer, AttendanceStore::kPeriod, period, "AttPerRef");
      try {
        AttendanceExport(writer).WriteChanges(true);
        AttendanceExport(writer).WriteChanges(false);
        if (ending != Ending::kUnfinished) {
          writer.CompleteUpdateFile();
          writer.SaveSchoolConfig();
        }
      } catch (const XException&) {
        m_lastUpdateFile = updateFile;
        throw;
      }
      m_lastFailure = writer.Attendance().Failure().ToStd();
    }
    m_lastUpdateFile = updateFile;
    return ReadUpdateFile(updateFile);
  }

  static void Record(QDEWriter& writer, const char* kind, const std::vector<SisRow>& rows,
                     const char* header) {
    writer.StartAttTable(kind);
    writer.Attendance().BeginRecording();
    int from = writer.Attendance().UpdateDate();
    int today = XDate::Today();
    for (const SisRow& row : rows) {
      if ((from > 0 && row.day < from) || row.day > today) continue;
      AttendanceRow recorded;
      recorded.kind = kind;
      recorded.attdate = row.day;
      recorded.stdkey = row.student.c_str();
      recorded.key = row.key.c_str();
      recorded.header = row.header.empty() ? header : row.header == "-" ? "" : row.header.c_str();
      recorded.newcode = row.code.c_str();
      writer.Attendance().Record(recorded);
    }
    writer.Attendance().CommitRecording();
  }

  // Splits an update file into its inline tables: after "// <description>" and the field
  // line come the data lines up to the terminator "*".
  static UpdateTables ReadUpdateFile(const std::string& path) {
    UpdateTables tables;
    std::string bytes = testsupport::ReadAll(path);
    std::vector<std::string> lines;
    for (size_t start = 0; start < bytes.size();) {
      size_t end = bytes.find("\r\n", start);
      if (end == std::string::npos) end = bytes.size();
      lines.push_back(bytes.substr(start, end - start));
      start = end + 2;
    }
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].rfind("// Cached ", 0) != 0) continue;
      std::vector<std::string>& rows = tables[lines[i].substr(3)];
      rows.push_back(lines[i + 1]);  // the field names first
      for (size_t k = i + 2; k < lines.size() && lines[k] != "*"; ++k) rows.push_back(lines[k]);
    }
    return tables;
  }

  testsupport::TempDir m_dir;
  std::string m_import;
  BridgeConfiguration m_config;
  std::unique_ptr<XLogFile> m_runLog;
  std::string m_lastUpdateFile;
  std::string m_lastFailure;  // the store's first failure in the last run, if any
};

}  // namespace attstoretest
