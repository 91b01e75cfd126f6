// One output column of a package table: where its value comes from (a query field read by a
// value function of the engine) or what it does instead (a command). The columns of the table
// being written are held by the writer in output order; the data access registers them.
#pragma once

#include <cstdint>
#include <functional>

#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"

class DataAccessField;
class ExportColumn;

// What a column without value function does on each line.
enum ExportCommand : int32_t {
  kCommandNone = 0,       // any value but the three below: nothing, not even a separator
  kCommandText = 1,       // the column's text is the field's value
  kCommandLineBreak = 2,  // CR LF in the middle of the record; the next value starts a line
  kCommandHook = 4,       // the engine's column hook, given the column's source field
};

class ExportColumn {
 public:
  // The value function bound to the engine object that registered the column: it reads the
  // current row through the column's source field and returns the field's text.
  using ValueFunction = std::function<XString(ExportColumn& column)>;

  ExportColumn(DataAccessField* field, const XString& text, ValueFunction valueFunction,
               int32_t command)
      : m_field(field), m_text(text), m_valueFunction(std::move(valueFunction)),
        m_command(command) {}
  virtual ~ExportColumn() = default;
  ExportColumn(const ExportColumn&) = delete;
  ExportColumn& operator=(const ExportColumn&) = delete;

  // The query field the value function reads; none for constant and command columns. Owned
  // by the query model, valid until the model is cleared.
  DataAccessField* Field() const { return m_field; }
  // The constant text (command 1); for a column with a source field, the field's name.
  const XString& Text() const { return m_text; }
  bool HasValueFunction() const { return static_cast<bool>(m_valueFunction); }
  XString Value() { return m_valueFunction(*this); }
  int32_t Command() const { return m_command; }

 private:
  DataAccessField* m_field;
  XString m_text;
  ValueFunction m_valueFunction;
  int32_t m_command;
};

// The columns of the table being written, in output order; owns them.
class ExportColumnList : public XOwnedVector<ExportColumn> {
 public:
  ExportColumnList() : XOwnedVector<ExportColumn>(16) {}
};
