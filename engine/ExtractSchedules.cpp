// The class extracts. Meridane keeps a student's classes and the grades earned in them in one
// table, "StudentClass", one row per student and class: the sections are its distinct classes,
// the schedules its (student, class) pairs, and the grades one line per graded period of a row.
#include "engine/ExtractSteps.h"
#include "engine/SchoolYear.h"

#include "foundation/XFile.h"
#include "foundation/XLog.h"

namespace {

constexpr const char* kClassTable = "StudentClass";

// The grading periods of a class row: period 0 has the bare column names, periods 1 to 4 the
// names followed by "_1" ... "_4". The period numbers are the bin keys of the package.
constexpr int kGradingPeriods = 5;

XString PeriodColumn(const char* column, int period) {
  XString name(column);
  if (period > 0) name += XString("_") + XString(period);
  return name;
}

}  // namespace

bool ExtractSteps::HasSectionReferenceColumn() {
  return m_data.Schema().DoFieldExists(kClassTable, "ClassNum") || m_data.Schema().DoFieldExists(kClassTable, "SubjectName");
}

ODBCField* ExtractSteps::AddSectionReference(ODBCTable* classes, ValueFunction valueFunction,
                                          const XString& packageField) {
  auto declare = [&](const char* column, bool required) {
    if (packageField.IsEmpty()) return Query().AddField(column, classes, required);
    return m_pattern.AddExportField(required, classes, column, valueFunction, packageField);
  };
  // Older databases name a class by its subject only; there it is the one class column left,
  // so it cannot be optional.
  ODBCField* reference = declare("ClassNum", false);
  return reference != nullptr ? reference : declare("SubjectName", true);
}

void ExtractSteps::AddActiveClassConditions(ODBCTable* classes) {
  if (m_run.inactiveCutoff != -1) return;
  // On the class row an empty "Inactive" means active as well. The levels make the builder
  // put the three in one pair of parentheses.
  ODBCField* inactive = Query().AddField("Inactive", classes, true);
  Query().AddCondition(inactive, "AND", "=", "'No'", 1);
  Query().AddCondition(inactive, "OR", "=", "''", 1);
  Query().AddCondition(inactive, "OR", "IS", "NULL", 0);
}

int32_t ExtractSteps::WriteIncludedRecords(const std::function<void(XFile& out)>& writeRecord) {
  int32_t records = 0;
  XFile& out = m_writer.OpenTableOutput();
  try {
    if (m_table.OpenQuery(true)) {
      m_context.ResetProgressCount();
      for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
        // Every fetched record counts, also one of an excluded student: the bar follows the
        // query.
        m_context.CountProgressItem();
        if (!IsIncludedStudent()) continue;
        writeRecord(out);
        ++records;
      }
    }
    m_writer.CloseTableOutput();
  } catch (...) {
    m_writer.AbandonTableOutput();  // the previous complete table file stays
    throw;
  }
  return records;
}

void ExtractSteps::ExtractSections() {
  m_data.DumpTableDefinition(kClassTable);
  if (!HasSectionReferenceColumn()) {
    LogExtract(kLogInfo, "There is no ClassNum or SubjectName fields defined, so skipping Sections extract.");
    return;
  }

  m_pattern.BeginExtract("Sections", "Sections.qef");
  ODBCTable* classes = Query().AddTable("", kClassTable, "S");
  ODBCField* section = AddSectionReference(classes, GetString, "SecKey");
  m_pattern.AddExportField(false, classes, "Description", GetString, "SecName");
  m_pattern.AddExportField(false, classes, "Days", GetDayGroup, "SecDayGroup");
  m_pattern.AddExportField(false, classes, "Period", GetString, "SecPerRef");
  m_pattern.AddExportField(false, classes, "Term", GetTermGroup, "SecTermGroup");
  m_pattern.AddExportField(false, classes, "RoomNum", GetString, "SecRoomNum");
  m_pattern.AddExportField(false, classes, "Teacher", GetString, "SecStaffRef");

  Query().AddCondition(Query().AddField("SchoolYear", classes, true), "", "=", SqlStringLiteral(m_run.schoolYear), 0);
  Query().AddCondition(section, "AND", "<>", "''", 0);

  // The select list holds only class columns (and the one school year), so DISTINCT writes
  // each class once however many students take it.
  Query().SetDistinct(true);
  try {
    m_table.WriteTable();
  } catch (...) {
    Query().SetDistinct(false);
    throw;
  }
  Query().SetDistinct(false);
  m_table.FinishTable();
}

void ExtractSteps::ExtractStudentSchedules() {
  m_data.DumpTableDefinition(kClassTable);

  m_pattern.BeginExtract("Student Schedules", "StudentSched.qef");
  ODBCTable* classes = Query().AddTable("", kClassTable, "S");
  m_keyField = m_pattern.AddExportField(true, classes, "ID", GetString, "StdKey");
  ODBCField* section = AddSectionReference(classes, GetString, "StdSecRef");

  Query().AddCondition(Query().AddField("SchoolYear", classes, true), "", "=", SqlStringLiteral(m_run.schoolYear), 0);
  Query().AddCondition(section, "AND", "<>", "''", 0);
  AddActiveClassConditions(classes);

  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
}

void ExtractSteps::ExtractGrades() {
  if (!HasSectionReferenceColumn()) {
    LogExtract(kLogInfo, "There is no ClassNum or SubjectName fields defined, so skipping Grades extract.");
    return;
  }

  m_pattern.BeginExtract("Grades", "StudentGrades.qef");
  ODBCTable* grades = Query().AddTable("", kClassTable, "G");
  m_keyField = Query().AddField("ID", grades, true);
  ODBCField* section = AddSectionReference(grades, nullptr, XString());
  Query().AddField("CourseNum", grades, false);  // read with the row, not written

  struct PeriodFields {
    ODBCField* letter;
    ODBCField* percent;
    ODBCField* points;
    ODBCField* pointsEarned;
  };
  PeriodFields periods[kGradingPeriods];
  for (int period = 0; period < kGradingPeriods; ++period) {
    periods[period].letter = Query().AddField(PeriodColumn("GradeLetter", period), grades, false);
    periods[period].percent = Query().AddField(PeriodColumn("GradePct", period), grades, false);
    periods[period].points = Query().AddField(PeriodColumn("GradePoint", period), grades, false);
    periods[period].pointsEarned = Query().AddField(PeriodColumn("GradePointsEarned", period), grades, false);
  }
  ODBCField* testPoints = Query().AddField("GradePoint_Test", grades, false);
  ODBCField* testPointsEarned = Query().AddField("GradePointsEarned_Test", grades, false);

  m_writer.AddHeaderField("GrdStdRef");
  m_writer.AddHeaderField("GrdSecRef");
  m_writer.AddHeaderField("GrdBinRef");
  const struct {
    const char* field;
    const char* key;
    const char* title;
  } gradeFields[] = {{"GrdLetter", "Letter", "Let"},       {"GrdPct", "Pct", "%"},
                     {"GrdPoints", "Points", "Pnt"},       {"GrdPointsEarned", "PointsEarned", "P E"},
                     {"GrdTest", "Test", "Tst"},           {"GrdEarnedTest", "EarnedTest", "PET"}};
  for (const auto& gradeField : gradeFields) {
    m_writer.AddHeaderField(gradeField.field);
    m_writer.RegisterCustomField(gradeField.key, gradeField.title, "#customgradefield", "noformat");
  }

  // No school-year condition: a grade may name a class of another year, which the package
  // header tells the importer not to create as a section. With active students only, the class
  // row must be 'No' or NULL in "Inactive".
  if (m_run.inactiveCutoff == -1) {
    ODBCField* inactive = Query().AddField("Inactive", grades, true);
    Query().AddCondition(inactive, "", "=", "'No'", 0);
    Query().AddCondition(inactive, "OR", "IS", "NULL", 0);
  }

  WriteIncludedRecords([&](XFile& out) {
    const XString key = m_table.Values().Text(m_keyField);
    const XString reference = m_table.Values().Text(section);
    for (int period = 0; period < kGradingPeriods; ++period) {
      const PeriodFields& fields = periods[period];
      if (fields.letter == nullptr) continue;
      const XString letter = m_table.Values().Text(fields.letter);
      if (letter.IsEmpty()) continue;
      out.WriteField(key);
      out.WriteField(reference);
      out.WriteField(XString(period));
      out.WriteField(letter);
      out.WriteField(m_table.Values().Text(fields.percent));
      out.WriteField(m_table.Values().Text(fields.points));
      out.WriteField(m_table.Values().Text(fields.pointsEarned));
      out.WriteField("");
      out.WriteField("");
      out.EndLine();
    }
    if (testPoints != nullptr) {
      const XString points = m_table.Values().Text(testPoints);
      if (!points.IsEmpty()) {
        out.WriteField(key);
        out.WriteField(reference);
        out.WriteField("Test");
        for (int i = 0; i < 4; ++i) out.WriteField("");
        out.WriteField(points);
        out.WriteField(m_table.Values().Text(testPointsEarned));
        out.EndLine();
      }
    }
  });
  m_table.FinishTable();
}
