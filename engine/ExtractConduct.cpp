// The conduct extracts. One Meridane discipline record ("Discipline_Record") is at once an
// incident and the source of its outcomes: an action, a suspension, and the parent
// communications. The outcome tables point back at the incident through the conduct key that
// GetConductKey builds from the record's student, date, infraction and violation.
#include <cctype>
#include <string>

#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XFile.h"
#include "package/SISExpCustomField.h"

namespace {

constexpr const char* kRecordTable = "Discipline_Record";

// Trimmed text upper-cased byte by byte in the C locale: the same answer on every machine.
XString UpperText(const XString& text) {
  std::string upper = text.ToStd();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return XString(upper);
}

}  // namespace

void ExpEngine::AddConductConditions(ODBCTable* student, ODBCTable* record, ODBCField* infraction,
                                     ODBCField* violation, const char* inactiveClose,
                                     bool suspensionBounds, ODBCField* fromSuspension,
                                     ODBCField* toSuspension) {
  AddStudentJoin(AddField("ID", student, true), m_keyField);
  AddSchoolYearCondition(record);
  if (suspensionBounds) {
    // A record is a suspension when both of its days are set. A missing bound column ends
    // the run here: without it no record could be told to be a suspension.
    AddCondition(fromSuspension, "AND (", "IS NOT", "NULL", 0);
    AddCondition(toSuspension, "AND", "IS NOT", "NULL )", 0);
  }
  if (m_inactiveCutoff == -1) {
    ODBCField* inactive = AddField("Inactive", student, true);
    AddCondition(inactive, "AND (", "=", "'No'", 0);
    AddCondition(inactive, "OR", "IS", inactiveClose, 0);
  }
  // The record must name an infraction or a violation. An empty text names nothing, so an
  // IS NOT NULL test would let a record with two empty columns through; "<> ''" is false for
  // NULL as well. Without either column the conditions cannot be formed and the run ends.
  AddCondition(infraction, "AND (", "<>", "''", 0);
  AddCondition(violation, "OR", "<>", "'')", 0);
}

void ExpEngine::ExtractConductIncidents() {
  DumpTableDefinition(kRecordTable);

  BeginExtract("Student Conduct Incidents", "StudentCndIncident.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = AddTable("", kRecordTable, "C");
  ODBCTable* student = AddTable("", "Student", "S");

  AddExportField(false, record, "ID", &ExpEngine::GetConductKey, "CndInKey");
  m_keyField = AddExportField(true, record, "ID", &DataAccessBase::GetString, "CndInPerpStdRef");
  // Both type columns go out under the one package name: the importer reads either.
  m_conductInfractionField =
      AddExportField(false, record, "Infraction", &DataAccessBase::GetString, "CndInTypeRef");
  m_conductViolationField =
      AddExportField(false, record, "Violation", &DataAccessBase::GetString, "CndInTypeRef");
  AddExportField(false, record, "Comment", &DataAccessBase::GetStringOneLine, "CndInNote");
  m_conductDateField = AddExportField(false, record, "Date", &DataAccessBase::GetDate, "CndInDate");
  AddExportField(false, record, "Author", &DataAccessBase::GetString, "CndInReferrerStaffName");
  AddExportField(false, record, "Classroom", &DataAccessBase::GetString, "CndInRoomRef");
  AddExportField(false, record, "HearingOfficer", &DataAccessBase::GetString, "CndInRefereeName");
  const SISExpCustomField copied("CCd", "CC", "#customcndinfield", "noformat");
  AddExportField(false, record, "CC", &DataAccessBase::GetStringOneLine, "CndInCCd", &copied);

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL )");

  WriteTable(&ExpEngine::IsIncludedStudent);
  FinishTable();
}

void ExpEngine::ExtractConductOutcomes() {
  BeginExtract("Student Conduct Outcomes", "ConductOutcome.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = AddTable("", kRecordTable, "C");
  ODBCTable* student = AddTable("", "Student", "S");

  // One action per record: the outcome's key is its incident's.
  AddExportField(false, record, "ID", &ExpEngine::GetConductKey, "CndOutKey");
  AddExportField(false, record, "ID", &ExpEngine::GetConductKey, "CndOutInRef");
  m_keyField = AddExportField(true, record, "ID", &DataAccessBase::GetString, "CndOutTargetStdRef");
  // Read for the conduct key only.
  m_conductInfractionField = AddField("Infraction", record, false);
  m_conductViolationField = AddField("Violation", record, false);
  m_conductDateField = AddField("Date", record, false);
  AddExportField(false, record, "Action", &DataAccessBase::GetStringOneLine, "CndOutTypeRef");
  AddExportField(false, record, "Days", &DataAccessBase::GetString, "CndOutDuration");
  AddExportField(false, record, "FromDate", &DataAccessBase::GetDate, "CndOutActualStartDate");
  AddExportField(false, record, "ToDate", &DataAccessBase::GetDate, "CndOutActualEndDate");
  const SISExpCustomField pled("Pled", "Pled", "#customcndoutfield", "noformat");
  AddExportField(false, record, "Pled", &DataAccessBase::GetString, "CndOutPled", &pled);

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)");

  WriteTable(&ExpEngine::IsIncludedStudent);
  FinishTable();
}

void ExpEngine::ExtractConductSuspensions() {
  BeginExtract("Student Conduct Suspensions", "ConductSuspensions.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = AddTable("", kRecordTable, "C");
  ODBCTable* student = AddTable("", "Student", "S");

  AddExportField(false, record, "ID", &ExpEngine::GetSuspensionKey, "CndOutKey");
  AddExportField(false, record, "ID", &ExpEngine::GetConductKey, "CndOutInRef");
  m_keyField = AddExportField(true, record, "ID", &DataAccessBase::GetString, "CndOutTargetStdRef");
  m_conductInfractionField = AddField("Infraction", record, false);
  m_conductViolationField = AddField("Violation", record, false);
  m_conductDateField = AddField("Date", record, false);
  AddExportField(false, record, "ID", &ExpEngine::GetSuspensionType, "CndOutTypeRef");
  ODBCField* from =
      AddExportField(false, record, "FromSuspension", &DataAccessBase::GetDate, "CndOutActualStartDate");
  ODBCField* to =
      AddExportField(false, record, "ToSuspension", &DataAccessBase::GetDate, "CndOutActualEndDate");

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)", true, from, to);

  WriteTable(&ExpEngine::IsIncludedStudent);
  FinishTable();
}

void ExpEngine::ExtractConductCommunications() {
  BeginExtract("Student Conduct Communications", "ConductOutcome2.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = AddTable("", kRecordTable, "C");
  ODBCTable* student = AddTable("", "Student", "S");

  m_keyField = AddField("ID", record, true);
  m_conductInfractionField = AddField("Infraction", record, false);
  m_conductViolationField = AddField("Violation", record, false);
  m_conductDateField = AddField("Date", record, false);
  ODBCField* notified = AddField("Notified", record, false);
  ODBCField* notifiedDate = AddField("NotDate", record, false);
  AddField("NotTime", record, false);  // read with the record, not written
  ODBCField* letterSent = AddField("LetterSent", record, false);
  ODBCField* spokeWith = AddField("SpokeWith", record, false);

  for (const char* name : {"CndOutKey", "CndOutInRef", "CndOutTargetStdRef", "CndOutTypeRef",
                           "CndOutDate", "CndOutNote"}) {
    AddHeaderField(name);
  }

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)");

  // GetConductKey reads the remembered fields only; the column is a formality.
  ExportColumn keyColumn(nullptr, XString(), nullptr, kCommandNone);
  WriteIncludedRecords([&](XFile& out) {
    const XString conductKey = GetConductKey(keyColumn);
    const XString key = ValueText(m_keyField);
    if (UpperText(ValueText(notified)) == "YES") {
      const XString person = ValueText(spokeWith);
      out.WriteField("ParentNotified");
      out.WriteField(conductKey);
      out.WriteField(key);
      out.WriteField("Parent Notified");
      out.WriteField(XDate::FormatDate(GetFieldDate(notifiedDate), HeaderSettings().m_dateFormat.c_str()));
      out.WriteField(person.IsEmpty() ? XString() : XString("Spoke with ") + person);
      out.EndLine();
    }
    if (UpperText(ValueText(letterSent)) == "YES") {
      out.WriteField("LetterSent");
      out.WriteField(conductKey);
      out.WriteField(key);
      out.WriteField("Letter Sent");
      out.WriteField("");
      out.WriteField("");
      out.EndLine();
    }
  });
  FinishTable();
}
