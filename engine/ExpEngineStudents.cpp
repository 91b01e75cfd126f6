// The included-students list: the keys of the students a run writes, and the row filter that
// the student extracts apply with it.
#include "engine/ExpEngine.h"

namespace {

// The list's own key form: trimmed, every tab removed.
XString StudentKey(XString text) {
  text.RemoveChars("\t");
  text.Trim();
  return text;
}

}  // namespace

void ExpEngine::LoadIncludedStudents() {
  DumpTableDefinition("Student");

  const char* description = "Included Students LUT";
  BeginExtract(description, "");
  ODBCTable* student = AddTable("", "Student", "S");
  m_keyField = AddField("ID", student, true);
  AddActiveStudentConditions(student, true);

  if (OpenQuery(true)) {
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      m_includedStudents.Add(new XString(StudentKey(GetFieldTrimmed(m_keyField))));
    }
  }
  FinishTable();
}

bool ExpEngine::IsIncludedKey(const XString& key) const {
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

bool ExpEngine::IsIncludedStudent() { return IsIncludedKey(StudentKey(GetFieldTrimmed(m_keyField))); }
