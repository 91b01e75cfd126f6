// The dry run of an extraction: the steps of PerformExtract in their order, with the writer
// in its dry-run mode, so that a school can be checked before its first night without a file
// being written.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"

namespace {

// Ends the writer's dry run however the steps end.
class DryRunScope {
 public:
  DryRunScope(QDEWriter& writer, DryRunReport* report) : m_writer(writer) { m_writer.SetDryRun(report); }
  ~DryRunScope() { m_writer.SetDryRun(nullptr); }
  DryRunScope(const DryRunScope&) = delete;
  DryRunScope& operator=(const DryRunScope&) = delete;

 private:
  QDEWriter& m_writer;
};

}  // namespace

void ExpEngine::DryRunExtract(DryRunReport& report, const char* dataSource, const char* userName,
                              const char* password, const XString& schoolNumber,
                              int32_t inactiveCutoff) {
  StoreConnectionSettings(dataSource, userName, password);
  m_schoolNumber = schoolNumber;
  m_inactiveCutoff = inactiveCutoff;
  m_schoolYear = SchoolYearOf(XDateTime::Now().Date());
  m_schoolStartDate = m_schoolEndDate = XDate::kNone;
  if (IsConnected()) Disconnect();
  SetDataSource(m_dataSourceName);
  ConnectToSIS();

  // A step that fails is recorded where it failed, and the next step starts clean, as the
  // next extract of a run would.
  auto step = [&](void (ExpEngine::*run)()) {
    try {
      (this->*run)();
    } catch (const XException& error) {
      report.Fail(error.Text());
      CloseQuery();
      ClearColumns();
    }
  };

  {
    DryRunScope dryRun(*this, &report);
    step(&ExpEngine::LoadIncludedStudents);
    Reset();
    for (size_t i = 0; i < kDemographicExtractCount; ++i) {
      const DemographicExtract& extract = kDemographicExtracts[i];
      const size_t before = report.Tables().size();
      step(extract.run);
      if (report.Tables().size() == before) report.AddSkipped(extract.description, extract.fileName);
    }
  }

  // The attendance windows run from the school's first day, which only the rows of the
  // profiles tell: the dates are read for real (this writes nothing). When they cannot be
  // read, the terms extract has already recorded why.
  try {
    DetermineSchoolStartAndEndDates();
  } catch (const XException&) {
    CloseQuery();
  }

  {
    DryRunScope dryRun(*this, &report);
    for (bool daily : {true, false}) {
      try {
        ExtractAttendance(daily, m_schoolStartDate, m_schoolEndDate);
      } catch (const XException& error) {
        report.Fail(error.Text());
        CloseQuery();
        ClearColumns();
        ClearAttendanceChangeDates();
        SetDistinct(false);
      }
    }
  }

  report.Complete(CustomFields());
  ClearRunData();
  ClearIncludedStudents();
  Disconnect();
}
