// Construction and the extraction driver.
#include "engine/ExpEngine.h"

#include "engine/SchoolYear.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"

namespace {

ExpEngine* g_engine = nullptr;

// Minimum importer version 7.2.3, one byte per part.
constexpr uint32_t kMinImporterVersion = 0x07020300;

}  // namespace

ExpEngine::ExpEngine(IValidateErrorDisplay* owner)
    : m_data(0x01 | kVerifySchema, m_context.EngineLog()),
      m_writer(m_context),
      m_table(m_data, m_writer, m_context),
      m_pattern(m_data, m_writer, m_table, m_context),
      m_steps(m_data, m_writer, m_table, m_pattern, m_context),
      m_owner(owner) {
  m_data.Connection().SetDatabaseType(kDbNone);

  QDEHeaderSettings& settings = m_writer.HeaderSettings();
  settings.m_gradesDontCreateSections = true;
  settings.m_termsAreBins = false;
  settings.m_maxExpectedTimeSlots = 50;
  settings.m_minVersion = kMinImporterVersion;

  m_data.Schema().SetQuoteFields(true);
  m_data.Schema().SetQuoteTables(true);
  m_data.Connection().SetConnectionTimeout(100);
  m_data.Connection().SetCommandTimeout(100);
  g_engine = this;
}

ExpEngine::~ExpEngine() {
  if (g_engine == this) g_engine = nullptr;
}

ExpEngine* ExpEngine::Current() { return g_engine; }

void ExpEngine::ShowValidateError(const XString& message, const XString& value) {
  if (m_owner != nullptr) {
    m_owner->ShowValidateError(message.c_str(), value.c_str());
    return;
  }
  m_context.EngineLog().RunLogWrite(
      kLogDebug, XString("No Owner set in ODBCExpEngineBase.  Could not ShowValidateError: errMsg=") + message +
                     " value=" + value);
}

void ExpEngine::PerformExtract(XProgress* progress, const char* dataSource, const char* userName,
                               const char* password, const ExtractSettings& settings,
                               bool gatherDemographic, bool gatherAttendance) {
  m_context.SetProgress(progress);
  m_context.StartProgress("Extracting Meridane data...");

  StoreConnectionSettings(dataSource, userName, password);
  SchoolRun& run = m_pattern.Run();
  run.schoolNumber = settings.m_schoolNumber;
  run.inactiveCutoff = settings.m_inactiveCutoff;

  // The year comes from today's date; the configured school year is not consulted.
  run.schoolYear = SchoolYearOf(XDateTime::Now().Date());

  if (m_data.IsConnected()) m_data.Disconnect();
  m_data.Connection().SetDataSource(m_dataSourceName);
  StartRun(settings);

  m_pattern.ClearIncludedStudents();
  m_pattern.LoadIncludedStudents();

  if (gatherDemographic) {
    m_writer.Reset();
    for (size_t i = 0; i < ExtractSteps::kDemographicExtractCount; ++i) {
      (m_steps.*ExtractSteps::kDemographicExtracts[i].run)();
    }
    m_writer.WritePackageHeader();
  }

  if (gatherAttendance) m_steps.ExtractAttendanceUpdate();

  EndRun();
}
