#include "package/AttendanceStatements.h"

#include "package/AttendanceStore.h"

const AttendanceStatements AttendanceStatements::kDaily = {
    .table = AttendanceStore::kDaily,
    .create =
        "CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), attdate DATETIME, timeframe VARCHAR(100), "
        "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), "
        "discipline VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), "
        "PRIMARY KEY (stdkey, attdate, timeframe, header))",
    .blankNewCodes =
        "UPDATE DAILY_ATT SET newcode='' WHERE attdate >= '%q'",
    .blankNewCodesBetween =
        "UPDATE DAILY_ATT SET newcode='' WHERE attdate >= '%q' AND attdate <= '%q'",
    .upsertNewCode =
        "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "timeframe, header, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (stdkey, "
        "attdate, timeframe, header) DO UPDATE SET newcode=excluded.newcode, "
        "excused=excluded.excused, absent=excluded.absent, tardy=excluded.tardy, "
        "truant=excluded.truant, discipline=excluded.discipline",
    .upsertOldCode =
        "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "timeframe, header, oldcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (stdkey, "
        "attdate, timeframe, header) DO UPDATE SET oldcode=excluded.oldcode, "
        "excused=excluded.excused, absent=excluded.absent, tardy=excluded.tardy, "
        "truant=excluded.truant, discipline=excluded.discipline",
    .updateNewCode =
        "UPDATE DAILY_ATT SET newcode=?, excused=?, absent=?, tardy=?, truant=?, discipline=?"
        " WHERE stdkey=? AND attdate=? AND timeframe=? AND header=?",
    .updateOldCode =
        "UPDATE DAILY_ATT SET oldcode=?, excused=?, absent=?, tardy=?, truant=?, discipline=?"
        " WHERE stdkey=? AND attdate=? AND timeframe=? AND header=?",
    .updateBothCodes =
        "UPDATE DAILY_ATT SET newcode=?, oldcode=?, excused=?, absent=?, tardy=?, discipline=?, "
        "truant=? WHERE stdkey=? AND attdate=? AND timeframe=?",
    .insertNewCode =
        "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "timeframe, header, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .insertOldCode =
        "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "timeframe, header, oldcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .insertBothCodes =
        "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "timeframe, header, oldcode, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .readBlanked =
        "SELECT rowid, stdkey, attdate, timeframe, header, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '',"
        " typeof(stdkey) = 'text' AND typeof(attdate) = 'text'"
        " AND typeof(timeframe) = 'text' AND typeof(header) = 'text'"
        " FROM DAILY_ATT WHERE attdate >= ?",
    .readBlankedBetween =
        "SELECT rowid, stdkey, attdate, timeframe, header, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '',"
        " typeof(stdkey) = 'text' AND typeof(attdate) = 'text'"
        " AND typeof(timeframe) = 'text' AND typeof(header) = 'text'"
        " FROM DAILY_ATT WHERE attdate >= ? AND attdate <= ?",
    .readRow =
        "SELECT rowid, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '' FROM DAILY_ATT"
        " WHERE stdkey=? AND attdate=? AND timeframe=? AND header=?",
    .blankRow =
        "UPDATE DAILY_ATT SET newcode='' WHERE rowid = CAST(? AS INTEGER)",
    .recordRow =
        "UPDATE DAILY_ATT SET newcode=?, excused='', absent='', tardy='', truant='', discipline=''"
        " WHERE rowid = CAST(? AS INTEGER)",
    .insertRecorded =
        "INSERT INTO DAILY_ATT (stdkey, attdate, timeframe, header, newcode, excused, absent, tardy, truant, discipline)"
        " VALUES (?, ?, ?, ?, ?, '', '', '', '', '') ON CONFLICT (stdkey, attdate, timeframe, header) DO UPDATE"
        " SET newcode=excluded.newcode, excused='', absent='', tardy='', truant='', discipline=''",
    .insertRecordedAt =
        "INSERT INTO DAILY_ATT (rowid, stdkey, attdate, timeframe, header, newcode, excused, absent, tardy, truant,"
        " discipline) VALUES (CAST(? AS INTEGER), ?, ?, ?, ?, ?, '', '', '', '', '') ON CONFLICT (stdkey,"
        " attdate, timeframe, header) DO UPDATE SET newcode=excluded.newcode, excused='', absent='', tardy='',"
        " truant='', discipline=''",
    .lastRowid =
        "SELECT max(rowid) FROM DAILY_ATT",
    .tableExists =
        "SELECT * FROM sqlite_master WHERE type='table' AND name='DAILY_ATT'",
    .selectChanged =
        "SELECT stdkey, attdate, excused, absent, tardy, truant, discipline, timeframe, oldcode, "
        "newcode, rowid FROM DAILY_ATT WHERE newcode IS NOT NULL"
        " AND (newcode <> oldcode OR oldcode IS NULL) AND header = ? ORDER BY rowid",
    .selectChangedWithEmptyHeader =
        "SELECT stdkey, attdate, excused, absent, tardy, truant, discipline, timeframe, oldcode, "
        "newcode, rowid FROM DAILY_ATT WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)"
        " AND (header = ? OR header = '') ORDER BY rowid",
    .markSent =
        "UPDATE DAILY_ATT SET oldcode=newcode WHERE newcode IS NOT NULL"
        " AND (newcode <> oldcode OR oldcode IS NULL) AND header = ? AND rowid <= CAST(? AS INTEGER)",
    .markSentWithEmptyHeader =
        "UPDATE DAILY_ATT SET oldcode=newcode WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)"
        " AND (header = ? OR header = '') AND rowid <= CAST(? AS INTEGER)",
    .dropTable =
        "DROP TABLE DAILY_ATT",
};

const AttendanceStatements AttendanceStatements::kPeriod = {
    .table = AttendanceStore::kPeriod,
    .create =
        "CREATE TABLE PERIOD_ATT (stdkey VARCHAR(100), attdate DATETIME, perkey VARCHAR(100), "
        "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), "
        "discipline VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), "
        "PRIMARY KEY (stdkey, attdate, perkey, header))",
    .blankNewCodes =
        "UPDATE PERIOD_ATT SET newcode='' WHERE attdate >= '%q'",
    .blankNewCodesBetween =
        "UPDATE PERIOD_ATT SET newcode='' WHERE attdate >= '%q' AND attdate <= '%q'",
    .upsertNewCode =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "perkey, header, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (stdkey, "
        "attdate, perkey, header) DO UPDATE SET newcode=excluded.newcode, excused=excluded.excused, "
        "absent=excluded.absent, tardy=excluded.tardy, truant=excluded.truant, "
        "discipline=excluded.discipline",
    .upsertOldCode =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "perkey, header, oldcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (stdkey, "
        "attdate, perkey, header) DO UPDATE SET oldcode=excluded.oldcode, excused=excluded.excused, "
        "absent=excluded.absent, tardy=excluded.tardy, truant=excluded.truant, "
        "discipline=excluded.discipline",
    .updateNewCode =
        "UPDATE PERIOD_ATT SET newcode=?, excused=?, absent=?, tardy=?, truant=?, discipline=?"
        " WHERE stdkey=? AND attdate=? AND perkey=? AND header=?",
    .updateOldCode =
        "UPDATE PERIOD_ATT SET oldcode=?, excused=?, absent=?, tardy=?, truant=?, discipline=?"
        " WHERE stdkey=? AND attdate=? AND perkey=? AND header=?",
    .updateBothCodes =
        "UPDATE PERIOD_ATT SET newcode=?, oldcode=?, excused=?, absent=?, tardy=?, discipline=?, "
        "truant=? WHERE stdkey=? AND attdate=? AND perkey=?",
    .insertNewCode =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "perkey, header, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .insertOldCode =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "perkey, header, oldcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .insertBothCodes =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
        "perkey, header, oldcode, newcode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    .readBlanked =
        "SELECT rowid, stdkey, attdate, perkey, header, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '',"
        " typeof(stdkey) = 'text' AND typeof(attdate) = 'text'"
        " AND typeof(perkey) = 'text' AND typeof(header) = 'text'"
        " FROM PERIOD_ATT WHERE attdate >= ?",
    .readBlankedBetween =
        "SELECT rowid, stdkey, attdate, perkey, header, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '',"
        " typeof(stdkey) = 'text' AND typeof(attdate) = 'text'"
        " AND typeof(perkey) = 'text' AND typeof(header) = 'text'"
        " FROM PERIOD_ATT WHERE attdate >= ? AND attdate <= ?",
    .readRow =
        "SELECT rowid, newcode, newcode IS NULL,"
        " excused IS '' AND absent IS '' AND tardy IS '' AND truant IS '' AND discipline IS '' FROM PERIOD_ATT"
        " WHERE stdkey=? AND attdate=? AND perkey=? AND header=?",
    .blankRow =
        "UPDATE PERIOD_ATT SET newcode='' WHERE rowid = CAST(? AS INTEGER)",
    .recordRow =
        "UPDATE PERIOD_ATT SET newcode=?, excused='', absent='', tardy='', truant='', discipline=''"
        " WHERE rowid = CAST(? AS INTEGER)",
    .insertRecorded =
        "INSERT INTO PERIOD_ATT (stdkey, attdate, perkey, header, newcode, excused, absent, tardy, truant, discipline)"
        " VALUES (?, ?, ?, ?, ?, '', '', '', '', '') ON CONFLICT (stdkey, attdate, perkey, header) DO UPDATE"
        " SET newcode=excluded.newcode, excused='', absent='', tardy='', truant='', discipline=''",
    .insertRecordedAt =
        "INSERT INTO PERIOD_ATT (rowid, stdkey, attdate, perkey, header, newcode, excused, absent, tardy, truant,"
        " discipline) VALUES (CAST(? AS INTEGER), ?, ?, ?, ?, ?, '', '', '', '', '') ON CONFLICT (stdkey,"
        " attdate, perkey, header) DO UPDATE SET newcode=excluded.newcode, excused='', absent='', tardy='',"
        " truant='', discipline=''",
    .lastRowid =
        "SELECT max(rowid) FROM PERIOD_ATT",
    .tableExists =
        "SELECT * FROM sqlite_master WHERE type='table' AND name='PERIOD_ATT'",
    .selectChanged =
        "SELECT stdkey, attdate, excused, absent, tardy, truant, discipline, perkey, oldcode, newcode, rowid"
        " FROM PERIOD_ATT WHERE newcode IS NOT NULL"
        " AND (newcode <> oldcode OR oldcode IS NULL) AND header = ? ORDER BY rowid",
    .selectChangedWithEmptyHeader =
        "SELECT stdkey, attdate, excused, absent, tardy, truant, discipline, perkey, oldcode, newcode, rowid"
        " FROM PERIOD_ATT WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)"
        " AND (header = ? OR header = '') ORDER BY rowid",
    .markSent =
        "UPDATE PERIOD_ATT SET oldcode=newcode WHERE newcode IS NOT NULL"
        " AND (newcode <> oldcode OR oldcode IS NULL) AND header = ? AND rowid <= CAST(? AS INTEGER)",
    .markSentWithEmptyHeader =
        "UPDATE PERIOD_ATT SET oldcode=newcode WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)"
        " AND (header = ? OR header = '') AND rowid <= CAST(? AS INTEGER)",
    .dropTable =
        "DROP TABLE PERIOD_ATT",
};


const AttendanceStatements* AttendanceStatements::Of(const XString& kind) {
  if (kind == AttendanceStore::kDaily) return &kDaily;
  if (kind == AttendanceStore::kPeriod) return &kPeriod;
  return nullptr;
}
