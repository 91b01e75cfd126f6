// Runs one SQL text statement by statement on a Database and reads the result rows as text.
#pragma once

#include <cstdarg>
#include <memory>

#include "sqlite/Database.h"
#include "foundation/XString.h"

namespace sqlite {

class QueryImp;

class Query {
 public:
  explicit Query(Database& database);
  // Finalizes the statement; a failing finalize is swallowed.
  virtual ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Keeps the text and prepares its first statement; a text without any statement fails
  // with "no statement to prepare" (code 101).
  void Prepare(const XString& sql);
  void PrepareFormat(const char* format, ...);
  // Prepares the next statement of the text given to Prepare; false when none is left.
  bool PrepareNext();

  // Steps the prepared statement: true for a row, false when it is done.
  bool Step();
  // The text of the "?" parameter at `index` (from 1) of the prepared statement, kept until
  // the next Reset. Lets a statement that runs once per row be prepared once.
  void BindText(int index, const XString& text);
  // Makes the prepared statement ready to step again from its start, its parameters unbound.
  void Reset();
  void Finalize();
  bool HasStatement() const;

  // Index of the result column named `name` (case-insensitive); fails when there is none.
  int FindColumn(const char* name);
  // The same search without failing: -1 when there is none.
  int find_column(const char* name) const;
  int ColumnCount() const;
  XString ColumnName(int index) const;
  // The column's value in the current row as text (empty for NULL).
  XString StringColumn(int index) const;
  // The same text without a copy: valid until the next step, reset or read of that column as
  // another type. Never null.
  const char* TextColumn(int index) const;
  bool IsNullColumn(int index) const;

 private:
  std::unique_ptr<QueryImp> m_imp;
};

}  // namespace sqlite
