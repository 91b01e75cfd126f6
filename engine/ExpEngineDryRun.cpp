// The dry run of an extraction: the steps of PerformExtract in their order, with the writer
// in its dry-run mode, so that a school can be checked before its first night without a file
// being written.
#include "engine/ExpEngine.h"

#include <functional>

#include "engine/SchoolYear.h"

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"

namespace {

// Ends the dry run of the writer and the data access however the steps end.
class DryRunScope {
 public:
  DryRunScope(QDEWriter& writer, ODBCDataAccess& data, DryRunReport* report) : m_writer(writer), m_data(data) {
    m_writer.SetDryRun(report);
    m_data.SetDryRun(report);
  }
  ~DryRunScope() {
    m_writer.SetDryRun(nullptr);
    m_data.SetDryRun(nullptr);
  }
  DryRunScope(const DryRunScope&) = delete;
  DryRunScope& operator=(const DryRunScope&) = delete;

 private:
  QDEWriter& m_writer;
  ODBCDataAccess& m_data;
};

}  // namespace

void ExpEngine::DryRunExtract(DryRunReport& report, const char* dataSource, const char* userName,
                              const char* password, const XString& schoolNumber,
                              int32_t inactiveCutoff) {
  StoreConnectionSettings(dataSource, userName, password);
  SchoolRun& run = m_pattern.Run();
  run.schoolNumber = schoolNumber;
  run.inactiveCutoff = inactiveCutoff;
  run.schoolYear = SchoolYearOf(XDateTime::Now().Date());
  run.startDate = run.endDate = XDate::kNone;
  if (m_data.IsConnected()) m_data.Disconnect();
  m_data.Connection().SetDataSource(m_dataSourceName);
  ConnectToSIS();

  // A step that fails is recorded where it failed, and the next step starts clean, as the
  // next extract of a run would.
  auto step = [&](const std::function<void()>& perform) {
    try {
      perform();
    } catch (const XException& error) {
      report.Fail(error.Text());
      m_data.CloseQuery();
      m_table.ClearColumns();
    }
  };

  {
    DryRunScope dryRun(m_writer, m_data, &report);
    step([this] { m_pattern.LoadIncludedStudents(); });
    m_writer.Reset();
    for (size_t i = 0; i < ExtractSteps::kDemographicExtractCount; ++i) {
      const ExtractSteps::DemographicExtract& extract = ExtractSteps::kDemographicExtracts[i];
      const size_t before = report.Tables().size();
      step([this, &extract] { (m_steps.*extract.run)(); });
      if (report.Tables().size() == before) report.AddSkipped(extract.description, extract.fileName);
    }
  }

  // The attendance windows run from the school's first day, which only the rows of the
  // profiles tell: the dates are read for real (this writes nothing). When they cannot be
  // read, the terms extract has already recorded why.
  try {
    m_steps.DetermineSchoolStartAndEndDates();
  } catch (const XException&) {
    m_data.CloseQuery();
  }

  {
    DryRunScope dryRun(m_writer, m_data, &report);
    for (bool daily : {true, false}) {
      try {
        m_steps.ExtractAttendance(daily, run.startDate, run.endDate);
      } catch (const XException& error) {
        report.Fail(error.Text());
        m_data.CloseQuery();
        m_table.ClearColumns();
        m_data.Query().ClearAttendanceChangeDates();
        m_data.Query().SetDistinct(false);
      }
    }
  }

  report.Complete(m_writer.CustomFields());
  m_table.ClearColumns();
  m_writer.DeleteHeaders();
  m_pattern.ClearIncludedStudents();
  m_data.Disconnect();
}
