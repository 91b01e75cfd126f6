// The class extracts. Meridane keeps a student's classes and the grades earned in them in one
// table, "StudentClass", one row per student and class: the sections are its distinct classes,
// the schedules its (student, class) pairs, and the grades one line per graded period of a row.
#include "engine/ExpEngine.h"

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

bool ExpEngine::HasSectionReferenceColumn() {
  return DoFieldExists(kClassTable, "ClassNum") || DoFieldExists(kClassTable, "SubjectName");
}

ODBCField* ExpEngine::AddSectionReference(ODBCTable* classes, ValueFunction valueFunction,
                                          const XString& packageField) {
  auto declare = [&](const char* column, bool required) {
    if (packageField.IsEmpty()) return AddField(column, classes, required);
    return AddExportField(required, classes, column, valueFunction, packageField);
  };
  // Older databases name a class by its subject only; there it is the one class column left,
  // so it cannot be optional.
  ODBCField* reference = declare("ClassNum", false);
  return reference != nullptr ? reference : declare("SubjectName", true);
}

void ExpEngine::AddActiveClassConditions(ODBCTable* classes) {
  if (m_inactiveCutoff != -1) return;
  // On the class row an empty "Inactive" means active as well. The levels make the builder
  // put the three in one pair of parentheses.
  ODBCField* inactive = AddField("Inactive", classes, true);
  AddCondition(inactive, "AND", "=", "'No'", 1);
  AddCondition(inactive, "OR", "=", "''", 1);
  AddCondition(inactive, "OR", "IS", "NULL", 0);
}

int32_t ExpEngine::WriteIncludedRecords(const std::function<void(XFile& out)>& writeRecord) {
  int32_t records = 0;
  XFile& out = OpenTableOutput();
  try {
    if (OpenQuery(true)) {
      ResetProgressCount();
      for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
        // Every fetched record counts, also one of an excluded student: the bar follows the
        // query.
        CountProgressItem();
        if (!IsIncludedStudent()) continue;
        writeRecord(out);
        ++records;
      }
    }
    CloseTableOutput();
  } catch (...) {
    AbandonTableOutput();  // the previous complete table file stays
    throw;
  }
  return records;
}

void ExpEngine::ExtractSections() {
  DumpTableDefinition(kClassTable);
  if (!HasSectionReferenceColumn()) {
    LogExtract(kLogInfo, "There is no ClassNum or SubjectName fields defined, so skipping Sections extract.");
    return;
  }

  BeginExtract("Sections", "Sections.qef");
  ODBCTable* classes = AddTable("", kClassTable, "S");
  ODBCField* section = AddSectionReference(classes, &DataAccessBase::GetString, "SecKey");
  AddExportField(false, classes, "Description", &DataAccessBase::GetString, "SecName");
  AddExportField(false, classes, "Days", &ExpEngine::GetDayGroup, "SecDayGroup");
  AddExportField(false, classes, "Period", &DataAccessBase::GetString, "SecPerRef");
  AddExportField(false, classes, "Term", &ExpEngine::GetTermGroup, "SecTermGroup");
  AddExportField(false, classes, "RoomNum", &DataAccessBase::GetString, "SecRoomNum");
  AddExportField(false, classes, "Teacher", &DataAccessBase::GetString, "SecStaffRef");

  AddCondition(AddField("SchoolYear", classes, true), "", "=", SqlStringLiteral(m_schoolYear), 0);
  AddCondition(section, "AND", "<>", "''", 0);

  // The select list holds only class columns (and the one school year), so DISTINCT writes
  // each class once however many students take it.
  SetDistinct(true);
  try {
    WriteTable();
  } catch (...) {
    SetDistinct(false);
    throw;
  }
  SetDistinct(false);
  FinishTable();
}

void ExpEngine::ExtractStudentSchedules() {
  DumpTableDefinition(kClassTable);

  BeginExtract("Student Schedules", "StudentSched.qef");
  ODBCTable* classes = AddTable("", kClassTable, "S");
  m_keyField = AddExportField(true, classes, "ID", &DataAccessBase::GetString, "StdKey");
  ODBCField* section = AddSectionReference(classes, &DataAccessBase::GetString, "StdSecRef");

  AddCondition(AddField("SchoolYear", classes, true), "", "=", SqlStringLiteral(m_schoolYear), 0);
  AddCondition(section, "AND", "<>", "''", 0);
  AddActiveClassConditions(classes);

  WriteTable(&ExpEngine::IsIncludedStudent);
  FinishTable();
}

void ExpEngine::ExtractGrades() {
  if (!HasSectionReferenceColumn()) {
    LogExtract(kLogInfo, "There is no ClassNum or SubjectName fields defined, so skipping Grades extract.");
    return;
  }

  BeginExtract("Grades", "StudentGrades.qef");
  ODBCTable* grades = AddTable("", kClassTable, "G");
  m_keyField = AddField("ID", grades, true);
  ODBCField* section = AddSectionReference(grades, nullptr, XString());
  AddField("CourseNum", grades, false);  // read with the row, not written

  struct PeriodFields {
    ODBCField* letter;
    ODBCField* percent;
    ODBCField* points;
    ODBCField* pointsEarned;
  };
  PeriodFields periods[kGradingPeriods];
  for (int period = 0; period < kGradingPeriods; ++period) {
    periods[period].letter = AddField(PeriodColumn("GradeLetter", period), grades, false);
    periods[period].percent = AddField(PeriodColumn("GradePct", period), grades, false);
    periods[period].points = AddField(PeriodColumn("GradePoint", period), grades, false);
    periods[period].pointsEarned = AddField(PeriodColumn("GradePointsEarned", period), grades, false);
  }
  ODBCField* testPoints = AddField("GradePoint_Test", grades, false);
  ODBCField* testPointsEarned = AddField("GradePointsEarned_Test", grades, false);

  AddHeaderField("GrdStdRef");
  AddHeaderField("GrdSecRef");
  AddHeaderField("GrdBinRef");
  const struct {
    const char* field;
    const char* key;
    const char* title;
  } gradeFields[] = {{"GrdLetter", "Letter", "Let"},       {"GrdPct", "Pct", "%"},
                     {"GrdPoints", "Points", "Pnt"},       {"GrdPointsEarned", "PointsEarned", "P E"},
                     {"GrdTest", "Test", "Tst"},           {"GrdEarnedTest", "EarnedTest", "PET"}};
  for (const auto& gradeField : gradeFields) {
    AddHeaderField(gradeField.field);
    RegisterCustomField(gradeField.key, gradeField.title, "#customgradefield", "noformat");
  }

  // No school-year condition: a grade may name a class of another year, which the package
  // header tells the importer not to create as a section. With active students only, the class
  // row must be 'No' or NULL in "Inactive".
  if (m_inactiveCutoff == -1) {
    ODBCField* inactive = AddField("Inactive", grades, true);
    AddCondition(inactive, "", "=", "'No'", 0);
    AddCondition(inactive, "OR", "IS", "NULL", 0);
  }

  WriteIncludedRecords([&](XFile& out) {
    const XString key = ValueText(m_keyField);
    const XString reference = ValueText(section);
    for (int period = 0; period < kGradingPeriods; ++period) {
      const PeriodFields& fields = periods[period];
      if (fields.letter == nullptr) continue;
      const XString letter = ValueText(fields.letter);
      if (letter.IsEmpty()) continue;
      out.WriteField(key);
      out.WriteField(reference);
      out.WriteField(XString(period));
      out.WriteField(letter);
      out.WriteField(ValueText(fields.percent));
      out.WriteField(ValueText(fields.points));
      out.WriteField(ValueText(fields.pointsEarned));
      out.WriteField("");
      out.WriteField("");
      out.EndLine();
    }
    if (testPoints != nullptr) {
      const XString points = ValueText(testPoints);
      if (!points.IsEmpty()) {
        out.WriteField(key);
        out.WriteField(reference);
        out.WriteField("Test");
        for (int i = 0; i < 4; ++i) out.WriteField("");
        out.WriteField(points);
        out.WriteField(ValueText(testPointsEarned));
        out.EndLine();
      }
    }
  });
  FinishTable();
}
