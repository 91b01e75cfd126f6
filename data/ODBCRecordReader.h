// Running queries over the ODBC connection, moving through their records and reading values.
// It owns the open query's recordset (a client-side cursor that knows its record count and can
// go back to the first record) from RunQuery until CloseQuery or the next query.
//
// Single-threaded: one object is used and destroyed by the thread that created it.
#pragma once

#include <cstdint>
#include <memory>

#include "data/ODBCConnection.h"
#include "data/ODBCQueryModel.h"
#include "data/RecordReader.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"

namespace ado {
class Recordset;
class ComError;
class Variant;
}  // namespace ado

class ODBCRecordReader final : public RecordReader {
 public:
  ODBCRecordReader(ODBCConnection& connection, XEngineLog& log);
  ~ODBCRecordReader() override;
  ODBCRecordReader(const ODBCRecordReader&) = delete;
  ODBCRecordReader& operator=(const ODBCRecordReader&) = delete;

  void RunQuery(const XString& sql) override;
  // The number of rows the SQL text returns, counted by the database; a dialect that cannot
  // count a derived table runs the query and counts its records. Leaves no query open; a
  // failure throws as running the query itself would.
  int64_t CountQuery(const XString& sql) override;
  void CloseQuery() override;
  bool HasOpenQuery() const override;
  bool GetFirstRecord() override;
  bool GetNextRecord() override;
  int32_t GetRecordCount() override;

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

  int32_t GetFieldCount() const override;
  XString GetFieldName(int32_t index) const override;
  XString GetFieldTypeName(int32_t index) const override;

  // Makes a recordset opened elsewhere (a probe's) the open query, so that record counting
  // and movement serve it as they serve a query; the reader owns it from then on.
  void Adopt(std::unique_ptr<ado::Recordset> recordset);
  // The open query's recordset; null when none is open.
  ado::Recordset* OpenRecordset() const { return HasOpenQuery() ? m_recordset.get() : nullptr; }

  // Names of ADO data types ("Big Int", "VarChar", "UNKNOWN!") and field statuses.
  static const char* DataTypeName(int32_t type);
  static const char* FieldStatusText(int32_t status);

  // Conversions of a value as the readers apply them.
  static XString VariantToText(const ado::Variant& value);
  static int64_t VariantToInteger(const ado::Variant& value);
  static double VariantToDouble(const ado::Variant& value);
  static bool VariantToBool(const ado::Variant& value);

 private:
  // A failed fetch while the records are read (a large result is fetched as the cursor
  // moves), given by its ComErrorText: logged in the run log, and thrown as the XException
  // that ends the reading.
  [[noreturn]] void ThrowReadError(const XString& errorText);
  // The value of a field of the current record; null handle or no record are the caller's.
  ado::Variant ReadValue(ODBCField* field);
  // The bytes of a text value of the current record, straight from the fetched row; null for
  // NULL and for values of other kinds (those come through ReadValue). isText tells a NULL of
  // a text column, which reads as empty text, from those.
  const char* ReadTextBytes(ODBCField* field, uint32_t& size, bool& isText);
  [[noreturn]] void ThrowFieldError(ODBCField* field, const ado::ComError& error);
  bool FieldsByName() const;

  ODBCConnection& m_connection;
  XEngineLog& m_log;
  std::unique_ptr<ado::Recordset> m_recordset;
};
