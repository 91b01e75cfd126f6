// What every extract does the same way: opening an extract on a clean slate, declaring its
// output fields, the conditions that tie a student table to the students and the school year
// of the run, and the list of the students the run includes.
#pragma once

#include <cstdint>

#include "data/ODBCDataAccess.h"
#include "engine/SchoolRun.h"
#include "engine/TableExtractor.h"
#include "engine/ValueFunctions.h"
#include "foundation/XOwnedVector.h"
#include "foundation/XString.h"
#include "package/ExtractContext.h"
#include "package/QDEWriter.h"
#include "package/SISExpCustomField.h"

class ExtractPattern {
 public:
  ExtractPattern(ODBCDataAccess& data, QDEWriter& writer, TableExtractor& table, ExtractContext& context);
  ~ExtractPattern();
  ExtractPattern(const ExtractPattern&) = delete;
  ExtractPattern& operator=(const ExtractPattern&) = delete;

  SchoolRun& Run() { return m_run; }

  // Opens an extract: makes its table current (description, file name, progress text, header
  // entry) and forgets the output columns and the query of the previous one.
  void BeginExtract(const XString& description, const XString& fileName);
  // The same for an attendance extract of a kind (QDEWriter::StartAttTable), which can read
  // back the codes of the days from `firstReadable` to `lastReadable`.
  void BeginAttendanceExtract(const XString& kind, int32_t firstReadable, int32_t lastReadable);
  // Declares the next output field of the current table. With a table: adds the source column
  // to the query (a missing required column ends the run; a missing optional one drops the
  // field from the select list, the lines, the package field list and the custom fields
  // alike) and registers the column. Without a table the value function alone makes the
  // value. Returns the query field (null without a table or when dropped).
  ODBCField* AddExportField(bool required, ODBCTable* table, const XString& sourceColumn,
                            ValueFunction valueFunction, const XString& packageField,
                            const SISExpCustomField* customField = nullptr);
  // S."ID" = <alias>."ID", the first condition.
  void AddStudentJoin(ODBCField* studentId, ODBCField* ownId);
  // <alias>."SchoolYear" = '<school year of the run>', after the join.
  void AddSchoolYearCondition(ODBCTable* table);
  // With the inactive cutoff -1: S."Inactive" = 'No' OR S."Inactive" IS NULL, in parentheses
  // after other conditions, bare when it opens the WHERE clause. Nothing otherwise.
  void AddActiveStudentConditions(ODBCTable* student, bool firstCondition);

  // Rebuilds the included-students list: active students, or all when the inactive cutoff
  // allows. Needs an open connection.
  void LoadIncludedStudents();
  // The list holds the key (trimmed, tabs removed); sorted byte-wise.
  bool IsIncludedKey(const XString& key) const;
  uint32_t IncludedStudentCount() const { return m_includedStudents.Count(); }
  void ClearIncludedStudents() { m_includedStudents.DeleteAll(); }
  // The list's own form of a key: trimmed, every tab removed.
  static XString StudentKey(XString text);

 private:
  ODBCDataAccess& m_data;
  QDEWriter& m_writer;
  TableExtractor& m_table;
  ExtractContext& m_context;
  SchoolRun m_run;
  XOwnedVector<XString> m_includedStudents;  // owns its strings
};
