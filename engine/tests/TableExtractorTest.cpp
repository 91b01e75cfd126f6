// The table extraction loop end to end: columns registered against a real SQLite database
// through the SQLite ODBC driver, the query run, and the package table file read back byte
// for byte; the value functions on the values the driver delivers.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/tests/DataTestSupport.h"
#include "engine/TableExtractor.h"
#include "foundation/XCLIProgress.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "os/OsFiles.h"
#include "os/OsTime.h"
#include "testsupport/TempDir.h"

using datatest::CaptureLog;
using datatest::TestDatabase;

namespace {

// Rows of the loop's own table, added beside the shared test tables.
const char* const kLoopSchema[] = {
    "CREATE TABLE LoopRows (ID TEXT, Name TEXT, Phone TEXT, Flag TEXT, Amount REAL, Seen DATETIME)",
    "INSERT INTO LoopRows VALUES ('R1', 'Ann', '(555) 123-4567 ext 12', 'Yes', 12.5, '2009-03-05')",
    "INSERT INTO LoopRows VALUES ('R2', 'Bob', '555.123.4567', 'n', 0, NULL)",
    "INSERT INTO LoopRows VALUES ('R3', 'Cy' || char(9) || 'Tab', '5551234', 'maybe', NULL, '1900-01-01')",
};

bool AddLoopTables(const TestDatabase& database, std::string* whyNot) {
  sqlite3* handle = nullptr;
  bool ok = sqlite3_open_v2(database.Path().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
  for (const char* statement : kLoopSchema) {
    char* error = nullptr;
    if (ok && sqlite3_exec(handle, statement, nullptr, nullptr, &error) != SQLITE_OK) {
      *whyNot = std::string("loop schema failed: ") + (error ? error : "") + ": " + statement;
      ok = false;
    }
    sqlite3_free(error);
  }
  sqlite3_close(handle);
  return ok;
}

// The parts that the table extractor works with, as the engine holds them.
struct LoopParts {
  LoopParts() : data(0x01 | kVerifySchema, context.EngineLog()), writer(context), table(data, writer, context) {}
  ExtractContext& Context() { return context; }
  ODBCDataAccess& Data() { return data; }
  QDEWriter& Writer() { return writer; }
  const QDEWriter& Writer() const { return writer; }
  TableExtractor& Table() { return table; }

  ExtractContext context;
  ODBCDataAccess data;
  QDEWriter writer;
  TableExtractor table;
};

// A value function of the test's own, as an engine adds its own to the family.
XString GetTagged(RowValues& row, ExportColumn& column) { return XString("<") + GetString(row, column) + ">"; }

class TableLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    database = TestDatabase::Get(&whyNot);
    if (!database) GTEST_FAIL() << whyNot;
    static bool added = AddLoopTables(*database, &loopWhyNot);
    if (!added) GTEST_FAIL() << loopWhyNot;
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
    engine.Data().Connection().SetDatabaseType(kDbLotusNotes);
    engine.Data().Connect(engine.Data().Connection().BuildConnectionString(TestDatabase::kDsn, "user", "pass"));
    // SQLite's own catalogue probes: missing columns drop out without the strict extension.
    engine.Data().Connection().SetDatabaseType(kDbSQLite);
    engine.Data().Schema().SetQuoteFields(true);
    engine.Data().Schema().SetQuoteTables(true);
    engine.Writer().Folder().Set(XString(folder.Path().c_str()));
    // Command 4: the engine's hook writes values of its own through the table's writer.
    engine.Table().SetColumnHook([this](DataAccessField* field) {
      engine.Table().TableWriter()->WriteField(XString("hook:") + (field != nullptr ? field->Name() : XString("none")));
    });
  }

  std::string Read(const std::string& name) const { return testsupport::ReadAll(folder.File(name)); }
  // Lines that are exactly `text`, after the time prefix of the timed levels.
  int Count(const std::string& text) const {
    return static_cast<int>(std::count_if(log.lines.begin(), log.lines.end(), [&](const std::string& line) {
      if (line == text) return true;
      return line.size() == 20 + text.size() && line[2] == '/' && line[10] == '|' && line.compare(20, std::string::npos, text) == 0;
    }));
  }
  bool Logged(const std::string& text) const { return log.Contains(text); }
  std::vector<std::string> HeaderFields() const {
    std::vector<std::string> names;
    const SISExpHeader* header = engine.Writer().CurrentHeader();
    for (uint32_t i = 0; header != nullptr && i < header->FieldCount(); ++i) {
      names.push_back(header->Field(i)->Name().ToStd());
    }
    return names;
  }
  ODBCTable* StartLoopRows(const char* description = "Loop Rows", const char* file = "LoopRows.qef") {
    engine.Writer().StartTable(description, file);
    engine.Table().ClearColumns();
    engine.Data().Query().ClearQuery();
    return engine.Data().Query().AddTable("", "LoopRows", "L");
  }
  void OrderById(ODBCTable* table) { engine.Data().Query().AddOrder(engine.Data().Query().AddField("ID", table, true)); }

  TestDatabase* database = nullptr;
  static std::string loopWhyNot;
  CaptureLog log;
  LoopParts engine;
  testsupport::TempDir folder;
};

std::string TableLoop::loopWhyNot;

}  // namespace

TEST_F(TableLoop, WritesOneLinePerRowInColumnOrderAndTracesTheFirstLineOnly) {
  ODBCTable* table = StartLoopRows();
  EXPECT_NE(engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey"), nullptr);
  engine.Table().AddColumn(table, "Name", GetTagged, kCommandNone, "LpName");
  engine.Table().AddColumn(nullptr, "const", nullptr, kCommandText, "LpConst");
  engine.Table().AddColumn(table, "Seen", GetDate, kCommandNone, "LpSeen");
  engine.Table().AddColumn(table, "Amount", GetWholeNumber, kCommandNone, "LpAmount");
  OrderById(table);

  EXPECT_EQ(engine.Table().WriteTable(), 3);
  EXPECT_EQ(Read("LoopRows.qef"),
            "R1\t<Ann>\tconst\t03/05/2009\t13\r\n"  // a half rounds away from zero
            "R2\t<Bob>\tconst\t\t0\r\n"
            "R3\t<CyTab>\tconst\t01/01/1900\t0\r\n");
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpName", "LpConst", "LpSeen", "LpAmount"}));
  EXPECT_EQ(engine.Table().ColumnCount(), 5u);

  // The opening, the table writer's steps and the per-column trace of the first line.
  EXPECT_TRUE(Logged("Opening Loop Rows table/query."));
  EXPECT_TRUE(Logged("Ran query"));
  EXPECT_TRUE(Logged("Opened Loop Rows table/query."));
  EXPECT_TRUE(Logged("Writing LoopRows.qef"));
  EXPECT_TRUE(Logged("Opened QDE FIle"));
  EXPECT_TRUE(Logged("Closed Table File. Lines= 3"));
  EXPECT_EQ(Count("Opening Table"), 1);
  EXPECT_EQ(Count("Line Passed Filter"), 1);
  EXPECT_EQ(Count("Generating First QDE Entry"), 1);
  EXPECT_EQ(Count("Processing Field = ID"), 1);
  EXPECT_EQ(Count("Processing Field = **Blank FieldName**"), 1);
  EXPECT_EQ(Count("Getting valueStr"), 4);  // four value columns, first line only
  EXPECT_EQ(Count("Wrote = Seen"), 1);
  EXPECT_TRUE(Logged("Wrote Default Value Command 1 for **Blank FieldName**"));
  EXPECT_TRUE(Logged("Wrote the value = const"));
  EXPECT_EQ(Count("Wrote LoopRows.qef"), 1);

  engine.Table().FinishTable();
  EXPECT_TRUE(Logged("Finished Loop Rows table/query."));
  EXPECT_EQ(engine.Table().ColumnCount(), 0u);
  EXPECT_EQ(engine.Data().Query().Fields().Count(), 0u);
}

TEST_F(TableLoop, ARefusedFieldRegistersNothingSoLinesAndHeaderStayAligned) {
  ODBCTable* table = StartLoopRows();
  SISExpCustomField phone("Phone", "Phone", "#customcomfield", "phone");
  SISExpCustomField missing("Missing", "Missing", "#customcomfield", "noformat");
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  EXPECT_EQ(engine.Table().AddColumn(table, "NoSuchColumn", GetString, kCommandNone, "LpMissing", &missing),
            nullptr);
  ExportColumn* phoneColumn = engine.Table().AddColumn(table, "Phone", GetPhone, kCommandNone, "LpPhone", &phone);
  ASSERT_NE(phoneColumn, nullptr);
  EXPECT_EQ(phoneColumn->Text(), "Phone");
  // The same key again keeps the first registration.
  SISExpCustomField again("Phone", "Other Title", "#customschoolfield", "");
  engine.Table().AddColumn(table, "Flag", GetYesNoDigit, kCommandNone, "LpFlag", &again);
  OrderById(table);

  EXPECT_EQ(engine.Table().WriteTable(), 3);
  EXPECT_EQ(Read("LoopRows.qef"),
            "R1\t555 123-4567 x12\t1\r\n"
            "R2\t555.123.4567\t0\r\n"
            "R3\t555-1234\t\r\n");
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpPhone", "LpFlag"}));
  ASSERT_EQ(engine.Writer().CustomFields().Count(), 1u);
  EXPECT_EQ(engine.Writer().CustomFields().At(0)->Title(), "Phone");
  EXPECT_EQ(engine.Writer().CustomFields().At(0)->Command(), "#customcomfield");
  EXPECT_TRUE(Logged("Field does not exist : NoSuchColumn in table LoopRows"));
  // The phone that cannot be read is reported at Info and written as it is.
  EXPECT_TRUE(Logged("Phone number: 555.123.4567, cannot parse into right format.  This means that the phone "
                     "number in your database is not in phone number format."));

  // A required field that is missing ends the run.
  EXPECT_THROW(engine.Table().AddColumn(table, "Shoe", GetString, kCommandNone, "LpShoe", nullptr, true),
               XException);
  EXPECT_EQ(HeaderFields().size(), 3u);
}

TEST_F(TableLoop, RowFilterSkipsRowsThatTheProgressStillCounts) {
  XCLIDualProgress display;
  engine.Context().SetProgress(&display);
  ODBCTable* table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  DataAccessField* nameField = engine.Table().AddColumn(table, "Name", GetString, kCommandNone, "LpName")->Field();
  OrderById(table);
  EXPECT_EQ(engine.Table().WriteTable([&] { return engine.Table().Values().Text(nameField) != "Bob"; }), 2);
  EXPECT_EQ(Read("LoopRows.qef"), "R1\tAnn\r\nR3\tCyTab\r\n");
  EXPECT_EQ(engine.Context().ProgressCount(), 3);
  EXPECT_EQ(display.Step().Range(), 3);  // the record count of the query
  engine.Table().FinishTable();
  EXPECT_EQ(display.Step().Position(), 3);

  // A filter that rejects every row: an empty file, every row counted.
  table = StartLoopRows("Nobody", "Nobody.qef");
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  EXPECT_EQ(engine.Table().WriteTable([] { return false; }), 0);
  EXPECT_EQ(Read("Nobody.qef"), "");
  EXPECT_TRUE(os::PathExists(folder.File("Nobody.qef")));
  EXPECT_TRUE(Logged("Closed Table File. Lines= 0"));
  EXPECT_EQ(engine.Context().ProgressCount(), 3);
  EXPECT_EQ(Count("Line Passed Filter"), 1);  // only the first table had a line
  engine.Table().FinishTable();
  engine.Context().SetProgress(nullptr);
}

TEST_F(TableLoop, CommandsWriteTextBreakTheLineCallTheHookOrWriteNothing) {
  ODBCTable* table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  engine.Table().AddColumn(nullptr, "skipped", nullptr, kCommandNone, "");     // nothing, not even a TAB
  engine.Table().AddColumn(nullptr, "fixed", nullptr, kCommandText, "LpFixed");
  engine.Table().AddColumn(nullptr, "", nullptr, kCommandLineBreak, "");
  engine.Table().AddColumn(table, "Name", nullptr, kCommandHook, "LpHook");
  engine.Table().AddColumn(nullptr, "", nullptr, 3, "");                       // unknown: nothing
  engine.Table().AddColumn(nullptr, "", nullptr, kCommandLineBreak, "");       // at the end: an empty line
  engine.Data().Query().AddCondition(static_cast<ODBCField*>(engine.Table().Column(0)->Field()), "", "<>", "'R3'", 0);
  OrderById(table);
  EXPECT_EQ(engine.Table().WriteTable(nullptr, "leading line"), 2);
  EXPECT_EQ(Read("LoopRows.qef"),
            "leading line\r\n"
            "R1\tfixed\r\nhook:Name\r\n\r\n"
            "R2\tfixed\r\nhook:Name\r\n\r\n");
  EXPECT_TRUE(Logged("Wrote Default Value Command 2 for **Blank FieldName**"));
  EXPECT_TRUE(Logged("Wrote Default Value Command 4 for Name"));
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpFixed", "LpHook"}));
}

TEST_F(TableLoop, UpdateModeWritesTheHeaderEntryTheLinesAndTheTerminator) {
  engine.Context().Application().m_fileBaseName = "QvMeridane";
  XFileSpec update = engine.Writer().BeginUpdateFile();
  ODBCTable* table = StartLoopRows("Loop Updates", "LoopUpdates.qef");
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  engine.Table().AddColumn(table, "Flag", GetYesNoDigit, kCommandNone, "LpFlag");
  OrderById(table);
  EXPECT_EQ(engine.Table().WriteTable(), 3);
  engine.Table().FinishTable();

  table = StartLoopRows("Loop Nothing", "LoopNothing.qef");
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  engine.Data().Query().AddCondition(static_cast<ODBCField*>(engine.Table().Column(0)->Field()), "", "=", "'none'", 0);
  EXPECT_EQ(engine.Table().WriteTable(), 0);
  engine.Table().FinishTable();
  engine.Writer().EndUpdateFile();

  std::string text = testsupport::ReadAll(update.c_str());
  std::string tables = "// Loop Updates\r\nLpKey\tLpFlag\r\nR1\t1\r\nR2\t0\r\nR3\t\r\n*\r\n\r\n"
                       "// Loop Nothing\r\nLpKey\r\n*\r\n\r\n";
  ASSERT_GE(text.size(), tables.size());
  EXPECT_EQ(text.substr(text.size() - tables.size()), tables);
  EXPECT_TRUE(Logged("Writing QDU File"));
  EXPECT_TRUE(Logged("Finished QDU File. Lines= 3"));
  EXPECT_TRUE(Logged("Finished QDU File. Lines= 0"));
  EXPECT_FALSE(os::PathExists(folder.File("LoopUpdates.qef")));
}

TEST_F(TableLoop, ABadQueryEndsTheRunWithItsSqlText) {
  engine.Writer().StartTable("Broken", "Broken.qef");
  engine.Table().ClearColumns();
  engine.Data().Query().ClearQuery();
  ODBCTable* table = engine.Data().Query().AddTable("", "LoopRows", "L");
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  engine.Data().Query().AddCondition(static_cast<ODBCField*>(engine.Table().Column(0)->Field()), "", "=", "'unclosed", 0);
  try {
    engine.Table().WriteTable();
    FAIL() << "the query ran";
  } catch (const XException& error) {
    std::string text = error.Text();
    EXPECT_EQ(text.rfind("Failed with error [While executing query: ", 0), 0u) << text;
    EXPECT_NE(text.find("] while parsing query: SELECT L.\"ID\" FROM \"LoopRows\" L WHERE L.\"ID\" = 'unclosed"),
              std::string::npos)
        << text;
    EXPECT_TRUE(Logged(text));  // logged before it was thrown
  }
  EXPECT_TRUE(Logged("Opening Broken table/query."));
  EXPECT_FALSE(Logged("Ran query"));
  EXPECT_FALSE(os::PathExists(folder.File("Broken.qef")));

  // Not asked to run: nothing runs and nothing fails.
  EXPECT_FALSE(engine.Table().OpenQuery(false));
}

TEST_F(TableLoop, AFailureInTheMiddleNamesFileAndQueryAndKeepsThePreviousTable) {
  testsupport::WriteAll(folder.File("LoopRows.qef"), "previous\r\n");
  ODBCTable* table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", [calls = 0](RowValues& row, ExportColumn& column) mutable {
    if (++calls == 2) throw XException("disk full");
    return GetString(row, column);
  }, kCommandNone, "LpKey");
  OrderById(table);
  try {
    engine.Table().WriteTable();
    FAIL() << "no error";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(),
                 "Failed with error [disk full] while writing file [LoopRows.qef] with query: "
                 "SELECT L.\"ID\", L.\"ID\" FROM \"LoopRows\" L ORDER BY L.\"ID\"");
  }
  EXPECT_TRUE(Logged("Error writing line= 2"));
  EXPECT_EQ(Read("LoopRows.qef"), "previous\r\n");
  EXPECT_EQ(engine.Table().TableWriter(), nullptr);

  table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", [](RowValues&, ExportColumn&) -> XString { throw 42; }, kCommandNone, "LpKey");
  try {
    engine.Table().WriteTable();
    FAIL() << "no error";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(),
                 "Failed with unknown error while writing file [LoopRows.qef] with query: "
                 "SELECT L.\"ID\" FROM \"LoopRows\" L");
  }
}

// A torn update file would be read by the import tool: it is discarded, temporary file and
// all, and the run's changes go out with the next run.
TEST_F(TableLoop, AFailureInAnUpdateDiscardsTheUnfinishedUpdateFile) {
  engine.Context().Application().m_fileBaseName = "QvMeridane";
  XFileSpec update = engine.Writer().BeginUpdateFile();
  ODBCTable* table = StartLoopRows("Loop Updates", "LoopUpdates.qef");
  engine.Table().AddColumn(table, "ID", [calls = 0](RowValues& row, ExportColumn& column) mutable {
    if (++calls == 2) throw XException("disk full");
    return GetString(row, column);
  }, kCommandNone, "LpKey");
  OrderById(table);
  EXPECT_THROW(engine.Table().WriteTable(), XException);
  EXPECT_FALSE(engine.Writer().IsUpdating());
  EXPECT_EQ(engine.Writer().UpdateFile(), nullptr);
  EXPECT_FALSE(os::PathExists(update.Path().ToStd()));
  std::vector<std::string> names;
  os::ListDirectory(folder.Path(), names);
  for (const std::string& name : names) EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
}

TEST_F(TableLoop, ATableFileThatCannotBeCreatedNamesTheFileAndTheQuery) {
  engine.Writer().Folder().Set(XString(folder.File("missing").c_str()));
  ODBCTable* table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", GetString, kCommandNone, "LpKey");
  try {
    engine.Table().WriteTable();
    FAIL() << "no error";
  } catch (const XException& error) {
    std::string text = error.Text();
    EXPECT_EQ(text.rfind("Failed with error [Could not open file ( ", 0), 0u) << text;
    EXPECT_NE(text.find("] while writing file [LoopRows.qef] with query: SELECT L.\"ID\" FROM \"LoopRows\" L"),
              std::string::npos)
        << text;
  }
  EXPECT_TRUE(Logged("Error writing line= 0"));
}

TEST_F(TableLoop, ACancelEndsTheTableWithTheCancelMessageItself) {
  XCLIDualProgress display;
  engine.Context().SetProgress(&display);
  engine.Context().StartProgress("Extracting Meridane data...");
  ODBCTable* table = StartLoopRows();
  engine.Table().AddColumn(table, "ID", [](RowValues& row, ExportColumn& column) {
    os::SleepMilliseconds(ExtractContext::kProgressRedrawMs + 30);
    return GetString(row, column);
  }, kCommandNone, "LpKey");
  OrderById(table);
  display.RequestStop();
  try {
    engine.Table().WriteTable();
    FAIL() << "not cancelled";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(), "Extraction was cancelled.");
  }
  EXPECT_FALSE(Logged("Error writing line= "));
  engine.Context().SetProgress(nullptr);
}

// ---- Value functions on the values the driver delivers -----------------------------------

namespace {

class ValueFunctions : public TableLoop {
 protected:
  // Positions on the row of Vals with key k; the columns read D, R and T.
  void Row(int key) {
    engine.Table().ClearColumns();
    engine.Data().Query().ClearQuery();
    ODBCTable* vals = engine.Data().Query().AddTable("", "Vals", "V");
    d = engine.Table().AddColumn(vals, "D", nullptr, kCommandNone);
    r = engine.Table().AddColumn(vals, "R", nullptr, kCommandNone);
    t = engine.Table().AddColumn(vals, "T", nullptr, kCommandNone);
    engine.Data().Query().AddCondition(engine.Data().Query().AddField("K", vals, true), "", "=", XString(key), 0);
    ASSERT_TRUE(engine.Table().OpenQuery(true));
    ASSERT_TRUE(engine.Data().Reader().GetFirstRecord()) << "row " << key;
  }
  ExportColumn* d = nullptr;
  ExportColumn* r = nullptr;
  ExportColumn* t = nullptr;
};

}  // namespace

TEST_F(ValueFunctions, TextFormsTrimDropTabsAndHandleLineBreaks) {
  engine.Writer().StartTable("Vals", "Vals.qef");
  Row(1);  // T = "  A<TAB>B "
  EXPECT_EQ(GetString(engine.Table().Values(), *t), "AB");
  EXPECT_EQ(GetStringQuoted(engine.Table().Values(), *t), "\"AB\"");
  EXPECT_EQ(GetCurrency(engine.Table().Values(), *t), "$ AB");
  EXPECT_EQ(GetGradeScaleKey(engine.Table().Values(), *t), "gs_AB");
  Row(2);  // T = "A<CR><LF>B"
  EXPECT_EQ(GetString(engine.Table().Values(), *t), "A\r\nB");  // kept: the extracts choose a one-line form
  EXPECT_EQ(GetStringOneLine(engine.Table().Values(), *t), "A  B");
  EXPECT_EQ(CleanText(engine.Table().Values(), "", t->Field()), "A  B");
  EXPECT_EQ(CleanText(engine.Table().Values(), "x\ty\rz\n"), "x y z ");
  EXPECT_EQ(GetStringUpper(engine.Table().Values(), *t), "A\r\nB");
  Row(4);  // T = "café – “q”" in the code page
  EXPECT_EQ(GetStringUpper(engine.Table().Values(), *t), "CAF\xE9 \x96 \x93Q\x94");  // bytes above ASCII unchanged
  Row(5);  // T = "0"
  EXPECT_EQ(GetStringZeroBlank(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetCurrency(engine.Table().Values(), *t), "$0.00");
  EXPECT_EQ(GetIntegerZeroBlank(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetYesNoDigit(engine.Table().Values(), *t), "0");
  Row(6);  // T = "N/A"
  EXPECT_EQ(GetStringNABlank(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetPhone(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetString(engine.Table().Values(), *t), "N/A");
  Row(7);  // T = "00"
  EXPECT_EQ(GetStringZeroBlank(engine.Table().Values(), *t), "00");
  EXPECT_EQ(BlankZero("0"), "");
  EXPECT_EQ(BlankZero("00"), "00");
}

TEST_F(ValueFunctions, DatesTimesAndNumbersUseTheHeaderFormats) {
  engine.Writer().StartTable("Vals", "Vals.qef");
  Row(1);  // D = 2009-03-05 10:11:12, R = 12.34
  EXPECT_EQ(GetDate(engine.Table().Values(), *d), "03/05/2009");
  EXPECT_EQ(GetDateOf(engine.Table().Values(), *d), "03/05/2009");
  EXPECT_EQ(GetTime(engine.Table().Values(), *d), "10:11:12 AM");
  EXPECT_EQ(GetDateTime(engine.Table().Values(), *d), "03/05/2009 10:11:12 AM");
  EXPECT_EQ(GetFloat(engine.Table().Values(), *r), "12.340000");
  EXPECT_EQ(GetWholeNumber(engine.Table().Values(), *r), "12");
  EXPECT_EQ(GetInteger(engine.Table().Values(), *r), "12");
  EXPECT_EQ(GetBoolDigit(engine.Table().Values(), *r), "1");
  EXPECT_EQ(GetYesNo(engine.Table().Values(), *r), "Yes");
  EXPECT_EQ(GetNoYes(engine.Table().Values(), *r), "No");
  EXPECT_EQ(GetYesBlank(engine.Table().Values(), *r), "Yes");
  // The formats are the header settings: the data follows what the package announces.
  engine.Writer().HeaderSettings().m_dateFormat = "YYYY-MM-DD";
  engine.Writer().HeaderSettings().m_timeFormat = "HH:NN";
  engine.Writer().HeaderSettings().m_dateTimeFormat = "DD.MM.YYYY HH:NN:SS";
  EXPECT_EQ(GetDate(engine.Table().Values(), *d), "2009-03-05");
  EXPECT_EQ(GetTime(engine.Table().Values(), *d), "10:11");
  EXPECT_EQ(GetDateTime(engine.Table().Values(), *d), "05.03.2009 10:11:12");
  engine.Writer().HeaderSettings() = QDEHeaderSettings();

  Row(2);  // D = 2009-03-05 (no time), R = 100.0
  EXPECT_EQ(GetTime(engine.Table().Values(), *d), "12:00:00 AM");
  EXPECT_EQ(GetWholeNumber(engine.Table().Values(), *r), "100");
  EXPECT_EQ(GetFloat(engine.Table().Values(), *r), "100.000000");

  Row(3);  // NULL, R = -0.5, NULL
  EXPECT_EQ(GetDate(engine.Table().Values(), *d), "");
  EXPECT_EQ(GetDateZeroBlank(engine.Table().Values(), *d), "");
  EXPECT_EQ(GetTime(engine.Table().Values(), *d), "");
  EXPECT_EQ(GetDateTime(engine.Table().Values(), *d), "");
  EXPECT_EQ(GetString(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetInteger(engine.Table().Values(), *t), "0");
  EXPECT_EQ(GetIntegerZeroBlank(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetYesNo(engine.Table().Values(), *t), "No");
  EXPECT_EQ(NoYesOf(engine.Table().Values(), t->Field()), "Yes");
  EXPECT_EQ(GetYesBlank(engine.Table().Values(), *t), "");
  EXPECT_EQ(GetBoolDigit(engine.Table().Values(), *t), "0");
  EXPECT_EQ(GetFloat(engine.Table().Values(), *r), "-0.500000");

  Row(4);  // D = 1900-01-01, R = 0.0
  EXPECT_EQ(GetDate(engine.Table().Values(), *d), "01/01/1900");
  EXPECT_EQ(GetDateOf(engine.Table().Values(), *d), "");  // the SIS's "no date"
  EXPECT_EQ(DateOfField(engine.Table().Values(), nullptr), "");  // no current column
  EXPECT_EQ(GetFloat(engine.Table().Values(), *r), "0.000000");
  EXPECT_EQ(WholeNumberOf(engine.Table().Values(), r->Field()), "0");
  EXPECT_EQ(GetYesNo(engine.Table().Values(), *r), "No");

  Row(3);
  EXPECT_EQ(GetWholeNumber(engine.Table().Values(), *r), "-1");  // -0.5: away from zero, as on the other half
  Row(6);  // R = 2.5
  EXPECT_EQ(GetFloat(engine.Table().Values(), *r), "2.500000");
  EXPECT_EQ(GetWholeNumber(engine.Table().Values(), *r), "3");
  EXPECT_EQ(IntegerZeroBlankOf(engine.Table().Values(), r->Field()), "2");
}

TEST(ValueTexts, YesNoDigits) {
  EXPECT_EQ(YesNoDigit(""), "");
  EXPECT_EQ(YesNoDigit("1"), "1");
  EXPECT_EQ(YesNoDigit("YES"), "1");
  EXPECT_EQ(YesNoDigit("y"), "1");
  EXPECT_EQ(YesNoDigit("No"), "0");
  EXPECT_EQ(YesNoDigit("N"), "0");
  EXPECT_EQ(YesNoDigit("yess"), "");
  EXPECT_EQ(YesNoDigit("2"), "");
}
