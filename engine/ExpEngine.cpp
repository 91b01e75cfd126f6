// Construction, the school year, and the extraction driver with its run start and run end.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"

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

const ExpEngine::DemographicExtract ExpEngine::kDemographicExtracts[] = {
    {&ExpEngine::ExtractTerms, "Terms", "Terms.qef"},
    {&ExpEngine::ExtractTumbles, "Tumble", "Tumbles.qef"},
    {&ExpEngine::ExtractPeriods, "Periods", "Periods.qef"},
    {&ExpEngine::ExtractCalendar, "Calendar", "Calendar.qef"},
    {&ExpEngine::ExtractGradingPeriods, "Grading Periods", "Bins.qef"},
    {&ExpEngine::ExtractSections, "Sections", "Sections.qef"},
    {&ExpEngine::ExtractStudents, "Student Demographics", "Students.qef"},
    {&ExpEngine::ExtractStudentNotes, "Student Notes", "StudentNotes.qef"},
    {&ExpEngine::ExtractStudentContacts, "Student Contacts", "StudentCon.qef"},
    {&ExpEngine::ExtractStudentDoctors, "Student Doctors", "StudentDoctor.qef"},
    {&ExpEngine::ExtractStudentSchedules, "Student Schedules", "StudentSched.qef"},
    {&ExpEngine::ExtractGrades, "Grades", "StudentGrades.qef"},
    {&ExpEngine::ExtractMedicalAlerts, "Student Medical Alert", "StudentAllergy.qef"},
    {&ExpEngine::ExtractMedicalTreatments, "Student Medical Treatments", "StudentMedHist.qef"},
    {&ExpEngine::ExtractImmunizations, "Student Immunizations", "StudentMedImmun.qef"},
    {&ExpEngine::ExtractConductIncidents, "Student Conduct Incidents", "StudentCndIncident.qef"},
    {&ExpEngine::ExtractConductOutcomes, "Student Conduct Outcomes", "ConductOutcome.qef"},
    {&ExpEngine::ExtractConductSuspensions, "Student Conduct Suspensions", "ConductSuspensions.qef"},
    {&ExpEngine::ExtractConductCommunications, "Student Conduct Communications", "ConductOutcome2.qef"},
    {&ExpEngine::ExtractStaff, "Staff Demographics", "Staff.qef"},
    {&ExpEngine::ExtractAttendanceCodes, "Attendance Codes", "AttCodes.qef"},
};
const size_t ExpEngine::kDemographicExtractCount =
    sizeof(ExpEngine::kDemographicExtracts) / sizeof(ExpEngine::kDemographicExtracts[0]);

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
  XString dataSourceName = m_dataSourceName.Left(m_dataSourceName.Find(';'));
  dataSourceName.Trim();
  if (dataSourceName.IsEmpty()) {
    LogExtract(kLogError, kNoDataSourceBeforeDatabaseMessage);
    throw XException(kNoDataSourceBeforeDatabaseMessage);
  }
  // An absent user name or password differs from an empty one for some database types.
  XString text = BuildConnectionString(m_dataSourceName.c_str(), m_hasUserName ? m_userName.c_str() : nullptr,
                                       m_hasPassword ? m_password.c_str() : nullptr);
  for (const std::string& key : ValuesUnsafeInString(text)) {
    const char* value = key == "UID"   ? "The user name (option -u)"
                        : key == "PWD" ? "The password (option -w)"
                                       : "The data source (option -d)";
    XException error = XException::Format(0, kUnsafeConnectionValueMessage, value);
    LogExtract(kLogError, error.Text());
    throw error;
  }
  return text;
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
    for (size_t i = 0; i < kDemographicExtractCount; ++i) (this->*kDemographicExtracts[i].run)();
    WritePackageHeader();
  }

  if (gatherAttendance) ExtractAttendanceUpdate();

  EndRun();
}
