// Construction, the school year, and the extraction driver with its run start and run end.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"

namespace {

ExpEngine* g_engine = nullptr;

// Byte-wise order of the included-students list.
int CompareKeys(const XString* a, const XString* b) { return a->Compare(b->c_str()); }

// Minimum importer version 7.2.3, one byte per part.
constexpr uint32_t kMinImporterVersion = 0x07020300;

}  // namespace

ExpEngine::ExpEngine(IValidateErrorDisplay* owner)
    : ODBCExpEngineBase(0x01 | kVerifySchema), m_includedStudents(5, CompareKeys) {
  SetOwner(owner);
  SetDatabaseType(kDbNone);

  QDEHeaderSettings& settings = HeaderSettings();
  settings.m_gradesDontCreateSections = true;
  settings.m_termsAreBins = false;
  settings.m_maxExpectedTimeSlots = 50;
  settings.m_minVersion = kMinImporterVersion;

  SetQuoteFields(true);
  SetQuoteTables(true);
  SetConnectionTimeout(100);
  SetCommandTimeout(100);
  g_engine = this;
}

ExpEngine::~ExpEngine() {
  ClearIncludedStudents();
  if (g_engine == this) g_engine = nullptr;
}

ExpEngine* ExpEngine::Current() { return g_engine; }

void ExpEngine::ClearIncludedStudents() {
  m_includedStudents.DeleteAll();
}

XString ExpEngine::SchoolYearOf(int32_t day) {
  int year = 0, month = 0, dayOfMonth = 0;
  XDate::ToYMD(day, year, month, dayOfMonth);
  int first = month >= 7 ? year : year - 1;
  XString text;
  text.Format(32, "%d-%d", first, first + 1);
  return text;
}

void ExpEngine::StoreConnectionSettings(const char* dataSource, const char* userName,
                                        const char* password) {
  m_dataSourceName = dataSource;
  m_hasUserName = userName != nullptr;
  m_userName = userName;
  m_hasPassword = password != nullptr;
  m_password = password;
  SetDataSource(m_dataSourceName);
}

XString ExpEngine::BuildStoredConnectionString() {
  if (m_dataSourceName.IsEmpty()) {
    LogExtract(kLogError, kNoDataSourceMessage);
    throw XException(kNoDataSourceMessage);
  }
  // An absent user name or password differs from an empty one for some database types.
  return BuildConnectionString(m_dataSourceName.c_str(), m_hasUserName ? m_userName.c_str() : nullptr,
                               m_hasPassword ? m_password.c_str() : nullptr);
}

void ExpEngine::ConnectToSIS() { Connect(BuildStoredConnectionString()); }

void ExpEngine::PerformExtract(XProgress* progress, const char* dataSource, const char* userName,
                               const char* password, const ExtractSettings& settings,
                               bool gatherDemographic, bool gatherAttendance) {
  SetProgress(progress);
  StartProgress("Extracting Meridane data...");

  StoreConnectionSettings(dataSource, userName, password);
  m_schoolNumber = settings.m_schoolNumber;
  m_inactiveCutoff = settings.m_inactiveCutoff;

  // The year comes from today's date; the configured school year is not consulted.
  m_schoolYear = SchoolYearOf(XDateTime::Now().Date());

  if (IsConnected()) Disconnect();
  SetDataSource(m_dataSourceName);
  StartRun(settings);

  ClearIncludedStudents();
  LoadIncludedStudents();

  if (gatherDemographic) {
    Reset();
    ExtractTerms();
    ExtractTumbles();
    ExtractPeriods();
    ExtractCalendar();
    ExtractGradingPeriods();
    ExtractSections();
    ExtractStudents();
    ExtractStudentNotes();
    ExtractStudentContacts();
    ExtractStudentDoctors();
    ExtractStudentSchedules();
    ExtractGrades();
    ExtractMedicalAlerts();
    ExtractMedicalTreatments();
    ExtractImmunizations();
    ExtractConductIncidents();
    ExtractConductOutcomes();
    ExtractConductSuspensions();
    ExtractConductCommunications();
    ExtractStaff();
    ExtractAttendanceCodes();
    WritePackageHeader();
  }

  if (gatherAttendance) {
    BeginUpdateFile();
    DetermineSchoolStartAndEndDates();
    ExtractDailyAttendance(m_schoolStartDate, m_schoolEndDate);
    ExtractPeriodAttendance(m_schoolStartDate, m_schoolEndDate);
    WriteAttendanceFromStore();
    // Closes the update file on the disk before the store marks its rows as sent.
    CompleteUpdateFile();
  }

  EndRun();
}
