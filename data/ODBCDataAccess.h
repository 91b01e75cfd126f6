// Access to the SIS database: connection strings and connections for the known database
// products, the query model and its SELECT builder, the schema probes and SQL dialect
// functions, and running queries and reading their values. It talks to the database only
// through the ADO-shaped layer (data/ado).
//
// Single-threaded: one object is used and destroyed by the thread that created it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/DataAccessBase.h"
#include "data/DatabaseType.h"
#include "data/ODBCQueryModel.h"
#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"

namespace ado {
class Connection;
class Recordset;
class ComError;
class Variant;
}  // namespace ado

class ODBCDataAccess : public DataAccessBase {
 public:
  // Throws "Failed to initialize connection." when the connection object cannot be made.
  explicit ODBCDataAccess(uint32_t options);
  ~ODBCDataAccess() override;
  ODBCDataAccess(const ODBCDataAccess&) = delete;
  ODBCDataAccess& operator=(const ODBCDataAccess&) = delete;

  // ---- Database type and connection ---------------------------------------------------
  int32_t GetDatabaseType() const { return m_databaseType; }
  void SetDatabaseType(int32_t type) { m_databaseType = type; }
  // Display name of the current type ("" when not set).
  const char* GetDatabaseTypeName() const;
  const XString& GetDataSource() const { return m_dataSource; }
  void SetDataSource(const XString& dataSource) { m_dataSource = dataSource; }
  // The last string given to Connect.
  const XString& GetConnectionString() const { return m_connectionString; }
  uint32_t GetAccessOptions() const { return m_accessOptions; }

  // User name and password may be null (absent), which differs from empty for some types.
  XString BuildConnectionString(const char* dataSource, const char* userName,
                                const char* password) override;
  void Connect(const XString& connectionString);
  // The driver's diagnostics of the last failed Connect ("[SQLSTATE] message", several joined
  // by blanks); empty after a successful one.
  const XString& ConnectDiagnostics() const { return m_connectDiagnostics; }
  void Disconnect();
  bool IsConnected() const;
  // The database type that the open connection's server calls for, when the driver names a
  // product that needs a type of its own (PostgreSQL: kDbPostgres); kDbNone otherwise.
  int32_t DetectServerType() const;
  // The keys ("DSN", "DATABASE", "UID", "PWD") of the values that Connect would have to give
  // the driver inside a connection string and that hold ';', '{' or '}', which a driver that
  // does not honour braces misreads. Empty when the string is a data source and a login, which
  // Connect passes as separate values (ado::ReadDataSourceLogin).
  static std::vector<std::string> ValuesUnsafeInString(const XString& connectionString);
  // The text with the value of its first password key replaced by '*' (length kept); a
  // braced value is masked whole, braces included, and keys inside braces are not keys.
  static XString MaskPassword(const XString& text);

  // ---- Query model and builder --------------------------------------------------------
  ODBCTable* AddTable(const XString& qualifiedName, const XString& tableName, const XString& alias);
  // Returns null when the field is missing and not required (or the table is null).
  ODBCField* AddField(const XString& fieldName, DataAccessTable* table, bool required) override;
  ODBCCondition* AddCondition(ODBCField* field, const XString& conjunction, const XString& comparison,
                              const XString& value, int32_t level);
  ODBCCondition* AddCondition(ODBCField* field, const XString& conjunction, const XString& comparison,
                              ODBCField* otherField);
  ODBCOrder* AddOrder(ODBCField* field);
  void ClearQuery() override;
  XString BuildQuery() override;

  bool GetDistinct() const { return m_distinct; }
  void SetDistinct(bool distinct) { m_distinct = distinct; }
  bool GetQuoteFields() const { return m_quoteFields; }
  void SetQuoteFields(bool quote) { m_quoteFields = quote; }
  bool GetQuoteTables() const { return m_quoteTables; }
  void SetQuoteTables(bool quote) { m_quoteTables = quote; }
  // Rarely used parts of the grammar; the builder renders them when set.
  void SetAggregateField(ODBCField* field) { m_aggregateField = field; }
  void AddJoin(const XString& joinText);
  void AddGroupBy(ODBCField* field);
  void SetRowLimit(int32_t limit) { m_rowLimit = limit; }
  const XVector<ODBCField>& Fields() const { return m_fields; }
  const XVector<ODBCTable>& Tables() const { return m_tables; }

  // ---- Schema probes and dialect ------------------------------------------------------
  // Probes never throw: every failure is logged and answered with false.
  bool DoTableExists(const XString& tableName);
  bool DoFieldExists(const XString& tableName, const XString& fieldName);
  // The SQL a probe runs for the current type, options and quoting, without running it.
  struct ProbeQuery {
    ProbeCheck check = ProbeCheck::kNoProbe;  // kNoProbe: the type has no probe
    XString sql;
    XString fallback;  // runs instead when sql cannot run; empty for none
  };
  ProbeQuery TableProbeQuery(const XString& tableName) const;
  ProbeQuery FieldProbeQuery(const XString& tableName, const XString& fieldName) const;
  // The SQL literal of a day number for the current type.
  XString SQLDate(int32_t day);
  void FilterAttendance(int32_t fromDay, int32_t toDay) override;
  void ClearAttendanceChangeDates() override;
  void SetAttendanceChangeDateField(ODBCField* field) { m_changeDateField = field; }
  ODBCField* GetAttendanceChangeDateField() const { return m_changeDateField; }
  void SetWarnNoChangeDate(bool warn) { m_warnNoChangeDate = warn; }
  // Where the table-definition dump writes "TableDefs.txt" (the bridge data folder).
  void SetDataFolder(const XString& folder) { m_dataFolder = folder; }
  // The package's date pattern, which direct dBase access uses as its date literal.
  void SetXBaseDatePattern(const XString& pattern) { m_xbaseDatePattern = pattern; }
  // Lists a table's columns through a second connection logging to "TableDefs.txt".
  void DumpTableDefs(const XString& tableName);
  // Lists a table's columns with their types through this connection; clears the query.
  void DumpTableDefinition(const XString& tableName);

  // ---- Running queries and reading values ---------------------------------------------
  bool RunQuery(const XString& sql);
  bool RunBuiltQuery() override;
  int64_t CountBuiltQuery() override;
  void CloseQuery() override;
  bool GetFirstRecord() override;
  bool GetNextRecord() override;
  int32_t GetRecordCount() override;
  bool HasOpenQuery() const;

  XString GetFieldText(DataAccessField* field) override;
  XString GetFieldTrimmed(DataAccessField* field) override;
  XString GetFieldClean(DataAccessField* field) override;
  ByteBuffer GetFieldBytes(DataAccessField* field) override;
  int32_t GetFieldDate(DataAccessField* field) override;
  XDateTime GetFieldDateTime(DataAccessField* field) override;
  int32_t GetFieldTime(DataAccessField* field) override;
  int32_t GetFieldInteger(DataAccessField* field) override;
  int64_t GetFieldLong(DataAccessField* field) override;
  float GetFieldFloat(DataAccessField* field) override;
  double GetFieldDouble(DataAccessField* field) override;
  bool GetFieldBool(DataAccessField* field) override;
  XString GetFieldBoolText(DataAccessField* field) override;
  bool GetFieldIsNull(DataAccessField* field) override;
  XString GetFieldZeroBlank(DataAccessField* field) override;
  XString GetFieldNABlank(DataAccessField* field) override;
  XString GetFieldCleanZeroBlank(DataAccessField* field) override;
  int32_t GetFieldDate1900None(DataAccessField* field) override;

  // The open query's columns (0 when no query is open).
  int32_t GetFieldCount() const;
  XString GetFieldName(int32_t index) const;
  XString GetFieldTypeName(int32_t index) const;

  // Names of ADO data types ("Big Int", "VarChar", "UNKNOWN!") and field statuses.
  static const char* DataTypeName(int32_t type);
  static const char* FieldStatusText(int32_t status);

  // Conversions of a value as the readers apply them; exposed for the table layer's own readers.
  static XString VariantToText(const ado::Variant& value);
  static int64_t VariantToInteger(const ado::Variant& value);
  static double VariantToDouble(const ado::Variant& value);
  static bool VariantToBool(const ado::Variant& value);

 protected:
  // The COM error text: the connection's ODBC diagnostics, then the error itself; logged.
  XString ComErrorText(const ado::ComError& error);
  // A failed fetch while the records are read (a large result is fetched as the cursor
  // moves), given by its ComErrorText: logged in the run log, and thrown as the XException
  // that ends the reading.
  [[noreturn]] void ThrowReadError(const XString& errorText);

 private:
  bool IsXBase() const { return GetDatabaseTypeInfo(m_databaseType).dialect & kDirectFileAccess; }
  // The alias as the builder writes it, before field names and after the table name.
  XString AliasText(const ODBCTable* table) const;
  XString QualifiedField(const ODBCField* field) const;
  // The value of a field of the current record; null handle or no record are the caller's.
  ado::Variant ReadValue(ODBCField* field);
  // The bytes of a text value of the current record, straight from the fetched row; null for
  // NULL and for values of other kinds (those come through ReadValue). isText tells a NULL of
  // a text column, which reads as empty text, from those.
  const char* ReadTextBytes(ODBCField* field, uint32_t& size, bool& isText);
  [[noreturn]] void ThrowFieldError(ODBCField* field, const ado::ComError& error);
  ProbeQuery MakeProbeQuery(const ProbePattern& pattern, const XString& tableName, const XString& fieldName) const;
  // Opens a probe query in its own recordset and applies the check; false on any failure.
  bool RunProbe(const XString& sql, ProbeCheck check, const char* what);
  bool CanRun(const XString& sql);
  void DeleteModel();
  void RemoveAttendanceConditions();

  uint32_t m_accessOptions;
  int32_t m_databaseType = kDbNone;
  XString m_dataSource;
  XString m_connectionString;
  std::unique_ptr<ado::Connection> m_connection;
  XString m_connectDiagnostics;
  std::unique_ptr<ado::Recordset> m_recordset;

  // Query model
  XString m_selectPrefix;
  bool m_distinct = false;
  XOwnedVector<ODBCField> m_fields;
  ODBCField* m_aggregateField = nullptr;
  XOwnedVector<ODBCTable> m_tables;
  XOwnedVector<ODBCJoin> m_joins;
  XOwnedVector<ODBCCondition> m_conditions;
  XOwnedVector<ODBCGroupBy> m_groupBy;
  XOwnedVector<ODBCOrder> m_orders;
  int32_t m_rowLimit = 0;
  int32_t m_nextPosition = 0;
  bool m_quoteFields = false;
  bool m_quoteTables = false;

  ODBCField* m_changeDateField = nullptr;
  bool m_warnNoChangeDate = true;
  std::vector<ODBCCondition*> m_attendanceConditions;  // the current date window's bounds
  XString m_dataFolder;
  XString m_xbaseDatePattern = "mm/dd/yyyy";
};
