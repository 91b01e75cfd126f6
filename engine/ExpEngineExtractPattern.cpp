// What every extract does the same way: declaring its output fields and the conditions that
// tie a student table to the students and the school year of the run.
#include "engine/ExpEngine.h"

#include "package/SISExpCustomField.h"

XString ExpEngine::SqlStringLiteral(const XString& text) {
  XString literal = "'";
  for (uint32_t i = 0; i < text.Length(); ++i) {
    literal += text[i];
    if (text[i] == '\'') literal += '\'';
  }
  literal += "'";
  return literal;
}

ODBCField* ExpEngine::AddExportField(bool required, ODBCTable* table, const XString& sourceColumn,
                                     ValueFunction valueFunction, const XString& packageField,
                                     const SISExpCustomField* customField) {
  ExportColumn* column =
      AddColumn(table, sourceColumn, valueFunction, kCommandNone, packageField, customField, required);
  if (column == nullptr) return nullptr;
  return static_cast<ODBCField*>(column->Field());
}

void ExpEngine::AddStudentJoin(ODBCField* studentId, ODBCField* ownId) {
  AddCondition(studentId, "", "=", ownId);
}

void ExpEngine::AddSchoolYearCondition(ODBCTable* table) {
  ODBCField* schoolYear = AddField("SchoolYear", table, true);
  AddCondition(schoolYear, "AND", "=", SqlStringLiteral(m_schoolYear), 0);
}

void ExpEngine::AddActiveStudentConditions(ODBCTable* student, bool firstCondition) {
  if (m_inactiveCutoff != -1) return;
  ODBCField* inactive = AddField("Inactive", student, true);
  // The parentheses come from the conjunction and value texts, so that the OR stays inside.
  AddCondition(inactive, firstCondition ? "" : "AND (", "=", "'No'", 0);
  AddCondition(inactive, "OR", "IS", firstCondition ? "NULL" : "NULL)", 0);
}
