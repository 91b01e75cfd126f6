// The SQL of the attendance change store, one whole text per statement and per kind: the
// tables DAILY_ATT (keyed by "timeframe") and PERIOD_ATT (keyed by "perkey") differ only in
// their names and key column. Values go in as "?" parameters; the exceptions are the days of
// the blanking statements, put in with "%q" because they run as one text (sqlite::FormatSql).
#pragma once

#include "foundation/XString.h"

struct AttendanceStatements {
  const char* table;  // "DAILY_ATT" or "PERIOD_ATT"
  const char* create;
  // Blanks the codes the SIS shows from a day on ("yyyy-mm-dd"), before they are recorded anew;
  // blankNewCodesBetween from the first day up to the second, both included.
  const char* blankNewCodes;
  const char* blankNewCodesBetween;
  // Recording a row. With one code, the upsert's values are stdkey, attdate, excused, absent,
  // tardy, truant, discipline, key, header, code; the insert's the same; the update's the code
  // first and the row's key (stdkey, attdate, key, header) last. With both codes, the update's
  // are newcode, oldcode, excused, absent, tardy, discipline, truant, stdkey, attdate, key;
  // the insert's those of one code with oldcode, newcode in the code's place.
  const char* upsertNewCode;
  const char* upsertOldCode;
  const char* updateNewCode;
  const char* updateOldCode;
  const char* updateBothCodes;
  const char* insertNewCode;
  const char* insertOldCode;
  const char* insertBothCodes;
  // The comparison of a recording with the store. readBlanked reads the rows of the days
  // blankNewCodes blanks (value: the first day), readBlankedBetween those of blankNewCodesBetween
  // (values: the first and the last day); readRow one row by its key (values: stdkey, attdate,
  // key, header). Their columns: rowid, [stdkey, attdate, key, header,] newcode, whether
  // newcode is NULL, whether the five flags are all empty texts, [whether the four key
  // columns hold texts] ("1" or "0"). blankRow blanks the new code of a row (value: rowid);
  // recordRow sets its new code and empties its flags (values: newcode, rowid);
  // insertRecorded is upsertNewCode with empty flags (values: stdkey, attdate, key, header,
  // newcode), insertRecordedAt the same with the rowid given first; lastRowid reads the
  // highest rowid (NULL: none).
  const char* readBlanked;
  const char* readBlankedBetween;
  const char* readRow;
  const char* blankRow;
  const char* recordRow;
  const char* insertRecorded;
  const char* insertRecordedAt;
  const char* lastRowid;
  // The export: the table's existence, the rows whose code changed under one header ("?"), in
  // rowid order with the rowid last, and the marking as sent of those rows up to a rowid
  // (values: header, rowid), so that one statement marks the rows written before it.
  const char* tableExists;
  const char* selectChanged;
  const char* selectChangedWithEmptyHeader;
  const char* markSent;
  const char* markSentWithEmptyHeader;
  const char* dropTable;

  static const AttendanceStatements kDaily;
  static const AttendanceStatements kPeriod;
  // The statements of a kind ("DAILY_ATT" or "PERIOD_ATT"); null for any other text.
  static const AttendanceStatements* Of(const XString& kind);
};
