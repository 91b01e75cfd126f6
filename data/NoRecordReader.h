// The reader of a database type read as files without a driver (dBase): this build has no such
// access, so a query runs without effect, has no record, and every value reads as its empty
// result.
#pragma once

#include "data/RecordReader.h"

class NoRecordReader final : public RecordReader {
 public:
  void RunQuery(const XString&) override {}
  int64_t CountQuery(const XString&) override { return 0; }
  void CloseQuery() override {}
  bool HasOpenQuery() const override { return false; }
  bool GetFirstRecord() override { return false; }
  bool GetNextRecord() override { return false; }
  int32_t GetRecordCount() override { return 0; }

  XString GetFieldText(DataAccessField*) override { return XString(); }
  XString GetFieldTrimmed(DataAccessField*) override { return XString(); }
  XString GetFieldClean(DataAccessField*) override { return XString(); }
  ByteBuffer GetFieldBytes(DataAccessField*) override { return ByteBuffer(); }
  int32_t GetFieldDate(DataAccessField*) override { return -1; }
  XDateTime GetFieldDateTime(DataAccessField*) override { return XDateTime(); }
  int32_t GetFieldTime(DataAccessField*) override { return -1; }
  int32_t GetFieldInteger(DataAccessField*) override { return 0; }
  int64_t GetFieldLong(DataAccessField*) override { return 0; }
  float GetFieldFloat(DataAccessField*) override { return 0.0f; }
  double GetFieldDouble(DataAccessField*) override { return 0.0; }
  bool GetFieldBool(DataAccessField*) override { return false; }
  XString GetFieldBoolText(DataAccessField*) override { return XString(); }
  bool GetFieldIsNull(DataAccessField*) override { return false; }
  XString GetFieldZeroBlank(DataAccessField*) override { return XString(); }
  XString GetFieldNABlank(DataAccessField*) override { return XString(); }
  XString GetFieldCleanZeroBlank(DataAccessField*) override { return XString(); }
  int32_t GetFieldDate1900None(DataAccessField*) override { return -1; }

  int32_t GetFieldCount() const override { return 0; }
  XString GetFieldName(int32_t) const override { return XString(); }
  XString GetFieldTypeName(int32_t) const override { return XString(); }
};
