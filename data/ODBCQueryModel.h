// The query model: what an extract says about its SELECT (tables, fields, conditions, orders).
// Every object is created by the data access object's Add... operations, owned by its lists
// and deleted by ClearQuery.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

// Generic bases of the table-to-file layer, which knows tables and fields only by name.
class DataAccessTable {
 public:
  virtual ~DataAccessTable() = default;
  virtual const XString& Name() const = 0;
};

class DataAccessField {
 public:
  virtual ~DataAccessField() = default;
  virtual const XString& Name() const = 0;
};

class ODBCTable : public DataAccessTable {
 public:
  // An empty qualified name means the table name is written in the FROM clause; an empty
  // alias means the name qualifies the fields.
  ODBCTable(const XString& qualifiedName, const XString& tableName, const XString& alias);
  const XString& Name() const override { return name; }

  XString name;       // written in the FROM clause
  XString tableName;  // plain name, for the existence probes
  XString alias;      // written before field names
};

class ODBCField : public DataAccessField {
 public:
  ODBCField(ODBCTable* table, const XString& name, int32_t position)
      : table(table), name(name), position(position) {}
  const XString& Name() const override { return name; }

  ODBCTable* table;  // not owned
  XString name;
  int32_t position;  // index in the select list and in the recordset
};

class ODBCCondition {
 public:
  virtual ~ODBCCondition() = default;

  XString conjunction;            // written before every condition but the first
  ODBCField* field = nullptr;     // left-hand side
  XString comparison;             // "=", "IS", "IS NOT", ... written as given
  ODBCField* otherField = nullptr;  // right-hand side of a field-to-field comparison
  XString value;                  // right-hand literal, already in SQL form
  int32_t level = 0;              // nesting level for parentheses, 0 at the top
};

class ODBCOrder {
 public:
  virtual ~ODBCOrder() = default;

  ODBCField* field = nullptr;
  bool descending = false;
};

// A ready join clause; the builder writes it between the tables and the conditions.
class ODBCJoin {
 public:
  virtual ~ODBCJoin() = default;
  XString text;
};

// One GROUP BY entry.
class ODBCGroupBy {
 public:
  virtual ~ODBCGroupBy() = default;
  ODBCField* field = nullptr;
};
