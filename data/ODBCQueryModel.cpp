#include "data/ODBCQueryModel.h"

ODBCTable::ODBCTable(const XString& qualifiedName, const XString& tableName, const XString& alias)
    : name(qualifiedName.IsEmpty() ? tableName : qualifiedName),
      tableName(tableName),
      alias(alias.IsEmpty() ? name : alias) {}
