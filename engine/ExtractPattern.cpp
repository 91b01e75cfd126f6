// What every extract does the same way: opening an extract, declaring its output fields, the
// conditions that tie a student table to the students and the school year of the run, and the
// included-students list.
#include "engine/ExtractPattern.h"

#include "engine/SchoolYear.h"

namespace {

// Byte-wise order of the included-students list.
int CompareKeys(const XString* a, const XString* b) { return a->Compare(b->c_str()); }

}  // namespace

ExtractPattern::ExtractPattern(ODBCDataAccess& data, QDEWriter& writer, TableExtractor& table,
                               ExtractContext& context)
    : m_data(data), m_writer(writer), m_table(table), m_context(context), m_includedStudents(5, CompareKeys) {}

ExtractPattern::~ExtractPattern() { ClearIncludedStudents(); }

void ExtractPattern::BeginExtract(const XString& description, const XString& fileName) {
  m_writer.StartTable(description, fileName);
  m_table.ClearColumns();
  m_data.Query().ClearQuery();
}

void ExtractPattern::BeginAttendanceExtract(const XString& kind, int32_t firstReadable, int32_t lastReadable) {
  m_writer.StartAttTable(kind, firstReadable, lastReadable);
  m_table.ClearColumns();
  m_data.Query().ClearQuery();
}

ODBCField* ExtractPattern::AddExportField(bool required, ODBCTable* table, const XString& sourceColumn,
                                     ValueFunction valueFunction, const XString& packageField,
                                     const SISExpCustomField* customField) {
  ExportColumn* column =
      m_table.AddColumn(table, sourceColumn, valueFunction, kCommandNone, packageField, customField, required);
  if (column == nullptr) return nullptr;
  return static_cast<ODBCField*>(column->Field());
}

void ExtractPattern::AddStudentJoin(ODBCField* studentId, ODBCField* ownId) {
  m_data.Query().AddCondition(studentId, "", "=", ownId);
}

void ExtractPattern::AddSchoolYearCondition(ODBCTable* table) {
  ODBCField* schoolYear = m_data.Query().AddField("SchoolYear", table, true);
  m_data.Query().AddCondition(schoolYear, "AND", "=", SqlStringLiteral(m_run.schoolYear), 0);
}

void ExtractPattern::AddActiveStudentConditions(ODBCTable* student, bool firstCondition) {
  if (m_run.inactiveCutoff != -1) return;
  ODBCField* inactive = m_data.Query().AddField("Inactive", student, true);
  // The parentheses come from the conjunction and value texts, so that the OR stays inside.
  m_data.Query().AddCondition(inactive, firstCondition ? "" : "AND (", "=", "'No'", 0);
  m_data.Query().AddCondition(inactive, "OR", "IS", firstCondition ? "NULL" : "NULL)", 0);
}

XString ExtractPattern::StudentKey(XString text) {
  text.RemoveChars("\t");
  text.Trim();
  return text;
}

void ExtractPattern::LoadIncludedStudents() {
  m_data.DumpTableDefinition("Student");

  const char* description = "Included Students LUT";
  BeginExtract(description, "");
  ODBCTable* student = m_data.Query().AddTable("", "Student", "S");
  ODBCField* key = m_data.Query().AddField("ID", student, true);
  AddActiveStudentConditions(student, true);

  if (m_table.OpenQuery(true)) {
    RecordReader& reader = m_data.Reader();
    for (bool more = reader.GetFirstRecord(); more; more = reader.GetNextRecord()) {
      m_context.CountProgressItem();
      m_includedStudents.Add(new XString(StudentKey(reader.GetFieldTrimmed(key))));
    }
  }
  m_table.FinishTable();
}

bool ExtractPattern::IsIncludedKey(const XString& key) const {
  uint32_t low = 0, high = m_includedStudents.Count();
  while (low < high) {
    uint32_t mid = low + (high - low) / 2;
    int order = m_includedStudents[mid]->Compare(key.c_str());
    if (order == 0) return true;
    if (order < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return false;
}
