// The steps' construction and their table, the included-students row filter, and the value
// functions that the Meridane extracts add to the generic family: fields derived from several
// columns, or fixed texts that still need their source column to exist.
#include "engine/ExtractSteps.h"

ExtractSteps::ExtractSteps(ODBCDataAccess& data, QDEWriter& writer, TableExtractor& table,
                           ExtractPattern& pattern, ExtractContext& context)
    : m_data(data), m_writer(writer), m_table(table), m_pattern(pattern), m_context(context),
      m_run(pattern.Run()) {}

const ExtractSteps::DemographicExtract ExtractSteps::kDemographicExtracts[] = {
    {&ExtractSteps::ExtractTerms, "Terms", "Terms.qef"},
    {&ExtractSteps::ExtractTumbles, "Tumble", "Tumbles.qef"},
    {&ExtractSteps::ExtractPeriods, "Periods", "Periods.qef"},
    {&ExtractSteps::ExtractCalendar, "Calendar", "Calendar.qef"},
    {&ExtractSteps::ExtractGradingPeriods, "Grading Periods", "Bins.qef"},
    {&ExtractSteps::ExtractSections, "Sections", "Sections.qef"},
    {&ExtractSteps::ExtractStudents, "Student Demographics", "Students.qef"},
    {&ExtractSteps::ExtractStudentNotes, "Student Notes", "StudentNotes.qef"},
    {&ExtractSteps::ExtractStudentContacts, "Student Contacts", "StudentCon.qef"},
    {&ExtractSteps::ExtractStudentDoctors, "Student Doctors", "StudentDoctor.qef"},
    {&ExtractSteps::ExtractStudentSchedules, "Student Schedules", "StudentSched.qef"},
    {&ExtractSteps::ExtractGrades, "Grades", "StudentGrades.qef"},
    {&ExtractSteps::ExtractMedicalAlerts, "Student Medical Alert", "StudentAllergy.qef"},
    {&ExtractSteps::ExtractMedicalTreatments, "Student Medical Treatments", "StudentMedHist.qef"},
    {&ExtractSteps::ExtractImmunizations, "Student Immunizations", "StudentMedImmun.qef"},
    {&ExtractSteps::ExtractConductIncidents, "Student Conduct Incidents", "StudentCndIncident.qef"},
    {&ExtractSteps::ExtractConductOutcomes, "Student Conduct Outcomes", "ConductOutcome.qef"},
    {&ExtractSteps::ExtractConductSuspensions, "Student Conduct Suspensions", "ConductSuspensions.qef"},
    {&ExtractSteps::ExtractConductCommunications, "Student Conduct Communications", "ConductOutcome2.qef"},
    {&ExtractSteps::ExtractStaff, "Staff Demographics", "Staff.qef"},
    {&ExtractSteps::ExtractAttendanceCodes, "Attendance Codes", "AttCodes.qef"},
};
const size_t ExtractSteps::kDemographicExtractCount =
    sizeof(ExtractSteps::kDemographicExtracts) / sizeof(ExtractSteps::kDemographicExtracts[0]);

bool ExtractSteps::IsIncludedStudent() {
  return m_pattern.IsIncludedKey(ExtractPattern::StudentKey(Reader().GetFieldTrimmed(m_keyField)));
}

RowFilter ExtractSteps::IncludedStudents() {
  return [this] { return IsIncludedStudent(); };
}

ValueFunction ExtractSteps::ConductKeyValue() {
  return [this](RowValues& row, ExportColumn&) {
    return ConductKey(row, m_keyField, m_conductDateField, m_conductInfractionField, m_conductViolationField);
  };
}

XString GetIsESE(RowValues& row, DataAccessField* spEdCode, ExportColumn& column) {
  bool special = !row.Text(spEdCode).IsEmpty() || !row.Text(column.Field()).IsEmpty();
  return special ? "True" : "False";
}

XString ConductKey(RowValues& row, DataAccessField* key, DataAccessField* date, DataAccessField* infraction,
                   DataAccessField* violation) {
  return row.Text(key) + "-" + row.Text(date) + "-" + row.Text(infraction) + "-" + row.Text(violation);
}

XString GetTermGroup(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  text.RemoveChars(";, ");
  return text;
}

XString GetDayGroup(RowValues&, ExportColumn&) { return "1"; }

XString GetDoctorRelationship(RowValues&, ExportColumn&) { return "Doctor"; }

XString GetSuspensionKey(RowValues&, ExportColumn&) { return "SUSP"; }

XString GetSuspensionType(RowValues&, ExportColumn&) { return "Suspension"; }
