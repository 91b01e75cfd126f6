// The database products the data access knows, and the access options fixed when a data
// access object is constructed.
#pragma once

#include <cstdint>

// Database type: a 32-bit value held by the data access object; 0 means "not set".
enum DatabaseType : int32_t {
  kDbNone = 0,
  kDbDBaseODBC = 1,
  kDbDBaseXBase = 2,  // direct dBase file access; not provided, so it only logs
  kDbFoxProODBC = 3,
  kDbFoxProDBF = 4,
  kDbMSSQL = 5,
  kDbMySQL = 6,
  kDbSQLite = 7,
  kDbDB2 = 8,
  kDbAccess = 9,
  kDbPostgres = 10,
  kDbOracleODBC = 11,
  kDbOracleOLE = 12,
  kDbOracleMSDAORA = 13,
  kDbSybaseOLE = 14,
  kDbSybaseODBC = 15,
  kDbProgress = 16,
  kDbMimer = 17,
  kDbInformix = 18,
  kDbTopSpeed = 19,
  kDbLotusNotes = 20,
  kDbCADatacom = 21,
};

// Display name of a type ("MSSQL", "Lotus Notes", ...); empty for 0 and for unknown values.
const char* DatabaseTypeName(int32_t type);

// Access options: a flag word. Bit 0x01 has no meaning of its own.
enum AccessOptions : uint32_t {
  kVerifySchema = 0x02,     // AddTable / AddField probe the database first
  kFieldsByName = 0x04,     // readers look fields up by name, not by select-list position
  kForwardOnly = 0x08,      // queries open a forward-only cursor instead of a static one
  kPessimisticLock = 0x10,  // queries lock pessimistically instead of read-only
  kExclusiveAccess = 0x20,  // the connection opens exclusive instead of read-only
  kDumpTableDefs = 0x40,    // a missing field dumps its table's definition ("TableDefs.txt")
  kProbeBySelect = 0x80,    // existence probes run a plain SELECT instead of a catalogue query
};
