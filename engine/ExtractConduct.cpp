// The conduct extracts. One Meridane discipline record ("Discipline_Record") is at once an
// incident and the source of its outcomes: an action, a suspension, and the parent
// communications. The outcome tables point back at the incident through the conduct key that
// ConductKey builds from the record's student, date, infraction and violation.
#include <cctype>
#include <string>

#include "engine/ExtractSteps.h"
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

void ExtractSteps::AddConductConditions(ODBCTable* student, ODBCTable* record, ODBCField* infraction,
                                     ODBCField* violation, const char* inactiveClose,
                                     bool suspensionBounds, ODBCField* fromSuspension,
                                     ODBCField* toSuspension) {
  m_pattern.AddStudentJoin(Query().AddField("ID", student, true), m_keyField);
  m_pattern.AddSchoolYearCondition(record);
  if (suspensionBounds) {
    // A record is a suspension when both of its days are set. A missing bound column ends
    // the run here: without it no record could be told to be a suspension.
    Query().AddCondition(fromSuspension, "AND (", "IS NOT", "NULL", 0);
    Query().AddCondition(toSuspension, "AND", "IS NOT", "NULL )", 0);
  }
  if (m_run.inactiveCutoff == -1) {
    ODBCField* inactive = Query().AddField("Inactive", student, true);
    Query().AddCondition(inactive, "AND (", "=", "'No'", 0);
    Query().AddCondition(inactive, "OR", "IS", inactiveClose, 0);
  }
  // The record must name an infraction or a violation. An empty text names nothing, so an
  // IS NOT NULL test would let a record with two empty columns through; "<> ''" is false for
  // NULL as well. Without either column the conditions cannot be formed and the run ends.
  Query().AddCondition(infraction, "AND (", "<>", "''", 0);
  Query().AddCondition(violation, "OR", "<>", "'')", 0);
}

void ExtractSteps::ExtractConductIncidents() {
  m_data.DumpTableDefinition(kRecordTable);

  m_pattern.BeginExtract("Student Conduct Incidents", "StudentCndIncident.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = Query().AddTable("", kRecordTable, "C");
  ODBCTable* student = Query().AddTable("", "Student", "S");

  m_pattern.AddExportField(false, record, "ID", ConductKeyValue(), "CndInKey");
  m_keyField = m_pattern.AddExportField(true, record, "ID", GetString, "CndInPerpStdRef");
  // Both type columns go out under the one package name: the importer reads either.
  m_conductInfractionField =
      m_pattern.AddExportField(false, record, "Infraction", GetString, "CndInTypeRef");
  m_conductViolationField =
      m_pattern.AddExportField(false, record, "Violation", GetString, "CndInTypeRef");
  m_pattern.AddExportField(false, record, "Comment", GetStringOneLine, "CndInNote");
  m_conductDateField = m_pattern.AddExportField(false, record, "Date", GetDate, "CndInDate");
  m_pattern.AddExportField(false, record, "Author", GetString, "CndInReferrerStaffName");
  m_pattern.AddExportField(false, record, "Classroom", GetString, "CndInRoomRef");
  m_pattern.AddExportField(false, record, "HearingOfficer", GetString, "CndInRefereeName");
  const SISExpCustomField copied("CCd", "CC", "#customcndinfield", "noformat");
  m_pattern.AddExportField(false, record, "CC", GetStringOneLine, "CndInCCd", &copied);

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL )");

  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
}

void ExtractSteps::ExtractConductOutcomes() {
  m_pattern.BeginExtract("Student Conduct Outcomes", "ConductOutcome.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = Query().AddTable("", kRecordTable, "C");
  ODBCTable* student = Query().AddTable("", "Student", "S");

  // One action per record: the outcome's key is its incident's.
  m_pattern.AddExportField(false, record, "ID", ConductKeyValue(), "CndOutKey");
  m_pattern.AddExportField(false, record, "ID", ConductKeyValue(), "CndOutInRef");
  m_keyField = m_pattern.AddExportField(true, record, "ID", GetString, "CndOutTargetStdRef");
  // Read for the conduct key only.
  m_conductInfractionField = Query().AddField("Infraction", record, false);
  m_conductViolationField = Query().AddField("Violation", record, false);
  m_conductDateField = Query().AddField("Date", record, false);
  m_pattern.AddExportField(false, record, "Action", GetStringOneLine, "CndOutTypeRef");
  m_pattern.AddExportField(false, record, "Days", GetString, "CndOutDuration");
  m_pattern.AddExportField(false, record, "FromDate", GetDate, "CndOutActualStartDate");
  m_pattern.AddExportField(false, record, "ToDate", GetDate, "CndOutActualEndDate");
  const SISExpCustomField pled("Pled", "Pled", "#customcndoutfield", "noformat");
  m_pattern.AddExportField(false, record, "Pled", GetString, "CndOutPled", &pled);

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)");

  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
}

void ExtractSteps::ExtractConductSuspensions() {
  m_pattern.BeginExtract("Student Conduct Suspensions", "ConductSuspensions.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = Query().AddTable("", kRecordTable, "C");
  ODBCTable* student = Query().AddTable("", "Student", "S");

  m_pattern.AddExportField(false, record, "ID", GetSuspensionKey, "CndOutKey");
  m_pattern.AddExportField(false, record, "ID", ConductKeyValue(), "CndOutInRef");
  m_keyField = m_pattern.AddExportField(true, record, "ID", GetString, "CndOutTargetStdRef");
  m_conductInfractionField = Query().AddField("Infraction", record, false);
  m_conductViolationField = Query().AddField("Violation", record, false);
  m_conductDateField = Query().AddField("Date", record, false);
  m_pattern.AddExportField(false, record, "ID", GetSuspensionType, "CndOutTypeRef");
  ODBCField* from =
      m_pattern.AddExportField(false, record, "FromSuspension", GetDate, "CndOutActualStartDate");
  ODBCField* to =
      m_pattern.AddExportField(false, record, "ToSuspension", GetDate, "CndOutActualEndDate");

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)", true, from, to);

  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
}

void ExtractSteps::ExtractConductCommunications() {
  m_pattern.BeginExtract("Student Conduct Communications", "ConductOutcome2.qef");
  m_conductDateField = m_conductInfractionField = m_conductViolationField = nullptr;
  ODBCTable* record = Query().AddTable("", kRecordTable, "C");
  ODBCTable* student = Query().AddTable("", "Student", "S");

  m_keyField = Query().AddField("ID", record, true);
  m_conductInfractionField = Query().AddField("Infraction", record, false);
  m_conductViolationField = Query().AddField("Violation", record, false);
  m_conductDateField = Query().AddField("Date", record, false);
  ODBCField* notified = Query().AddField("Notified", record, false);
  ODBCField* notifiedDate = Query().AddField("NotDate", record, false);
  Query().AddField("NotTime", record, false);  // read with the record, not written
  ODBCField* letterSent = Query().AddField("LetterSent", record, false);
  ODBCField* spokeWith = Query().AddField("SpokeWith", record, false);

  for (const char* name : {"CndOutKey", "CndOutInRef", "CndOutTargetStdRef", "CndOutTypeRef",
                           "CndOutDate", "CndOutNote"}) {
    m_writer.AddHeaderField(name);
  }

  AddConductConditions(student, record, m_conductInfractionField, m_conductViolationField,
                       "NULL)");

  WriteIncludedRecords([&](XFile& out) {
    const XString conductKey =
        ConductKey(m_table.Values(), m_keyField, m_conductDateField, m_conductInfractionField, m_conductViolationField);
    const XString key = m_table.Values().Text(m_keyField);
    if (UpperText(m_table.Values().Text(notified)) == "YES") {
      const XString person = m_table.Values().Text(spokeWith);
      out.WriteField("ParentNotified");
      out.WriteField(conductKey);
      out.WriteField(key);
      out.WriteField("Parent Notified");
      out.WriteField(XDate::FormatDate(Reader().GetFieldDate(notifiedDate), m_writer.HeaderSettings().m_dateFormat.c_str()));
      out.WriteField(person.IsEmpty() ? XString() : XString("Spoke with ") + person);
      out.EndLine();
    }
    if (UpperText(m_table.Values().Text(letterSent)) == "YES") {
      out.WriteField("LetterSent");
      out.WriteField(conductKey);
      out.WriteField(key);
      out.WriteField("Letter Sent");
      out.WriteField("");
      out.WriteField("");
      out.EndLine();
    }
  });
  m_table.FinishTable();
}
