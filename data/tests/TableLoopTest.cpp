// The table extraction loop end to end: columns registered against a real SQLite database
// through the SQLite ODBC driver, the query run, and the package table file read back byte
// for byte; the value functions on the values the driver delivers.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DataTestSupport.h"
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

// An engine with value functions, a row filter and a column hook of its own, as the
// extraction engine has.
class LoopEngine : public ODBCDataAccess {
 public:
  LoopEngine() : ODBCDataAccess(0x01 | kVerifySchema) {}

  XString GetTagged(ExportColumn& column) { return XString("<") + GetString(column) + ">"; }
  bool IsNotBob() { return ValueText(m_nameField) != "Bob"; }
  bool RejectAll() { return false; }
  XString FailOnSecondRow(ExportColumn& column) {
    if (++m_calls == 2) throw XException("disk full");
    return GetString(column);
  }
  XString FailWithoutText(ExportColumn&) { throw 42; }
  XString SlowValue(ExportColumn& column) {
    os::SleepMilliseconds(DataExtractorBase::kProgressRedrawMs + 30);
    return GetString(column);
  }

  DataAccessField* m_nameField = nullptr;
  int m_calls = 0;

 protected:
  void ColumnHook(DataAccessField* field) override {
    TableWriter()->WriteField(XString("hook:") + (field != nullptr ? field->Name() : XString("none")));
  }
};

// Another engine class: its members cannot be called on a LoopEngine.
class OtherEngine : public ODBCDataAccess {
 public:
  OtherEngine() : ODBCDataAccess(0x01) {}
  XString Foreign(ExportColumn&) { return XString("foreign"); }
};

class TableLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    database = TestDatabase::Get(&whyNot);
    if (!database) GTEST_FAIL() << whyNot;
    static bool added = AddLoopTables(*database, &loopWhyNot);
    if (!added) GTEST_FAIL() << loopWhyNot;
    engine.SetRunLog(&log);
    engine.SetExtractLog(&log);
    engine.SetDatabaseType(kDbLotusNotes);
    engine.Connect(engine.BuildConnectionString(TestDatabase::kDsn, "user", "pass"));
    // SQLite's own catalogue probes: missing columns drop out without the strict extension.
    engine.SetDatabaseType(kDbSQLite);
    engine.SetQuoteFields(true);
    engine.SetQuoteTables(true);
    engine.SetImportFolder(XString(folder.Path().c_str()));
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
    const SISExpHeader* header = engine.CurrentHeader();
    for (uint32_t i = 0; header != nullptr && i < header->FieldCount(); ++i) {
      names.push_back(header->Field(i)->Name().ToStd());
    }
    return names;
  }
  ODBCTable* StartLoopRows(const char* description = "Loop Rows", const char* file = "LoopRows.qef") {
    engine.StartTable(description, file);
    engine.ClearColumns();
    engine.ClearQuery();
    return engine.AddTable("", "LoopRows", "L");
  }
  void OrderById(ODBCTable* table) { engine.AddOrder(engine.AddField("ID", table, true)); }

  TestDatabase* database = nullptr;
  static std::string loopWhyNot;
  CaptureLog log;
  LoopEngine engine;
  testsupport::TempDir folder;
};

std::string TableLoop::loopWhyNot;

}  // namespace

TEST_F(TableLoop, WritesOneLinePerRowInColumnOrderAndTracesTheFirstLineOnly) {
  ODBCTable* table = StartLoopRows();
  EXPECT_NE(engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey"), nullptr);
  engine.AddColumn(table, "Name", &LoopEngine::GetTagged, kCommandNone, "LpName");
  engine.AddColumn(nullptr, "const", nullptr, kCommandText, "LpConst");
  engine.AddColumn(table, "Seen", &DataAccessBase::GetDate, kCommandNone, "LpSeen");
  engine.AddColumn(table, "Amount", &DataAccessBase::GetWholeNumber, kCommandNone, "LpAmount");
  OrderById(table);

  EXPECT_EQ(engine.WriteTable(), 3);
  EXPECT_EQ(Read("LoopRows.qef"),
            "R1\t<Ann>\tconst\t03/05/2009\t13\r\n"  // a half rounds away from zero
            "R2\t<Bob>\tconst\t\t0\r\n"
            "R3\t<CyTab>\tconst\t01/01/1900\t0\r\n");
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpName", "LpConst", "LpSeen", "LpAmount"}));
  EXPECT_EQ(engine.ColumnCount(), 5u);

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

  engine.FinishTable();
  EXPECT_TRUE(Logged("Finished Loop Rows table/query."));
  EXPECT_EQ(engine.ColumnCount(), 0u);
  EXPECT_EQ(engine.Fields().Count(), 0u);
}

TEST_F(TableLoop, ARefusedFieldRegistersNothingSoLinesAndHeaderStayAligned) {
  ODBCTable* table = StartLoopRows();
  SISExpCustomField phone("Phone", "Phone", "#customcomfield", "phone");
  SISExpCustomField missing("Missing", "Missing", "#customcomfield", "noformat");
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  EXPECT_EQ(engine.AddColumn(table, "NoSuchColumn", &DataAccessBase::GetString, kCommandNone, "LpMissing", &missing),
            nullptr);
  ExportColumn* phoneColumn = engine.AddColumn(table, "Phone", &DataAccessBase::GetPhone, kCommandNone, "LpPhone", &phone);
  ASSERT_NE(phoneColumn, nullptr);
  EXPECT_EQ(phoneColumn->Text(), "Phone");
  // The same key again keeps the first registration.
  SISExpCustomField again("Phone", "Other Title", "#customschoolfield", "");
  engine.AddColumn(table, "Flag", &DataAccessBase::GetYesNoDigit, kCommandNone, "LpFlag", &again);
  OrderById(table);

  EXPECT_EQ(engine.WriteTable(), 3);
  EXPECT_EQ(Read("LoopRows.qef"),
            "R1\t555 123-4567 x12\t1\r\n"
            "R2\t555.123.4567\t0\r\n"
            "R3\t555-1234\t\r\n");
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpPhone", "LpFlag"}));
  ASSERT_EQ(engine.CustomFields().Count(), 1u);
  EXPECT_EQ(engine.CustomFields().At(0)->Title(), "Phone");
  EXPECT_EQ(engine.CustomFields().At(0)->Command(), "#customcomfield");
  EXPECT_TRUE(Logged("Field does not exist : NoSuchColumn in table LoopRows"));
  // The phone that cannot be read is reported at Info and written as it is.
  EXPECT_TRUE(Logged("Phone number: 555.123.4567, cannot parse into right format.  This means that the phone "
                     "number in your database is not in phone number format."));

  // A required field that is missing ends the run.
  EXPECT_THROW(engine.AddColumn(table, "Shoe", &DataAccessBase::GetString, kCommandNone, "LpShoe", nullptr, true),
               XException);
  EXPECT_EQ(HeaderFields().size(), 3u);
}

TEST_F(TableLoop, RowFilterSkipsRowsThatTheProgressStillCounts) {
  XCLIDualProgress display;
  engine.SetProgress(&display);
  ODBCTable* table = StartLoopRows();
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  engine.m_nameField = engine.AddColumn(table, "Name", &DataAccessBase::GetString, kCommandNone, "LpName")->Field();
  OrderById(table);
  EXPECT_EQ(engine.WriteTable(&LoopEngine::IsNotBob), 2);
  EXPECT_EQ(Read("LoopRows.qef"), "R1\tAnn\r\nR3\tCyTab\r\n");
  EXPECT_EQ(engine.ProgressCount(), 3);
  EXPECT_EQ(display.Step().Range(), 3);  // the record count of the query
  engine.FinishTable();
  EXPECT_EQ(display.Step().Position(), 3);

  // A filter that rejects every row: an empty file, every row counted.
  table = StartLoopRows("Nobody", "Nobody.qef");
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  EXPECT_EQ(engine.WriteTable(&LoopEngine::RejectAll), 0);
  EXPECT_EQ(Read("Nobody.qef"), "");
  EXPECT_TRUE(os::PathExists(folder.File("Nobody.qef")));
  EXPECT_TRUE(Logged("Closed Table File. Lines= 0"));
  EXPECT_EQ(engine.ProgressCount(), 3);
  EXPECT_EQ(Count("Line Passed Filter"), 1);  // only the first table had a line
  engine.FinishTable();
  engine.SetProgress(nullptr);
}

TEST_F(TableLoop, CommandsWriteTextBreakTheLineCallTheHookOrWriteNothing) {
  ODBCTable* table = StartLoopRows();
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  engine.AddColumn(nullptr, "skipped", nullptr, kCommandNone, "");     // nothing, not even a TAB
  engine.AddColumn(nullptr, "fixed", nullptr, kCommandText, "LpFixed");
  engine.AddColumn(nullptr, "", nullptr, kCommandLineBreak, "");
  engine.AddColumn(table, "Name", nullptr, kCommandHook, "LpHook");
  engine.AddColumn(nullptr, "", nullptr, 3, "");                       // unknown: nothing
  engine.AddColumn(nullptr, "", nullptr, kCommandLineBreak, "");       // at the end: an empty line
  engine.AddCondition(static_cast<ODBCField*>(engine.Column(0)->Field()), "", "<>", "'R3'", 0);
  OrderById(table);
  EXPECT_EQ(engine.WriteTable(nullptr, "leading line"), 2);
  EXPECT_EQ(Read("LoopRows.qef"),
            "leading line\r\n"
            "R1\tfixed\r\nhook:Name\r\n\r\n"
            "R2\tfixed\r\nhook:Name\r\n\r\n");
  EXPECT_TRUE(Logged("Wrote Default Value Command 2 for **Blank FieldName**"));
  EXPECT_TRUE(Logged("Wrote Default Value Command 4 for Name"));
  EXPECT_EQ(HeaderFields(), (std::vector<std::string>{"LpKey", "LpFixed", "LpHook"}));
}

TEST_F(TableLoop, UpdateModeWritesTheHeaderEntryTheLinesAndTheTerminator) {
  engine.Application().m_fileBaseName = "QvMeridane";
  XFileSpec update = engine.BeginUpdateFile();
  ODBCTable* table = StartLoopRows("Loop Updates", "LoopUpdates.qef");
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  engine.AddColumn(table, "Flag", &DataAccessBase::GetYesNoDigit, kCommandNone, "LpFlag");
  OrderById(table);
  EXPECT_EQ(engine.WriteTable(), 3);
  engine.FinishTable();

  table = StartLoopRows("Loop Nothing", "LoopNothing.qef");
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  engine.AddCondition(static_cast<ODBCField*>(engine.Column(0)->Field()), "", "=", "'none'", 0);
  EXPECT_EQ(engine.WriteTable(), 0);
  engine.FinishTable();
  engine.EndUpdateFile();

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
  engine.StartTable("Broken", "Broken.qef");
  engine.ClearColumns();
  engine.ClearQuery();
  ODBCTable* table = engine.AddTable("", "LoopRows", "L");
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  engine.AddCondition(static_cast<ODBCField*>(engine.Column(0)->Field()), "", "=", "'unclosed", 0);
  try {
    engine.WriteTable();
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
  EXPECT_FALSE(engine.OpenQuery(false));
}

TEST_F(TableLoop, AFailureInTheMiddleNamesFileAndQueryAndKeepsThePreviousTable) {
  testsupport::WriteAll(folder.File("LoopRows.qef"), "previous\r\n");
  ODBCTable* table = StartLoopRows();
  engine.AddColumn(table, "ID", &LoopEngine::FailOnSecondRow, kCommandNone, "LpKey");
  OrderById(table);
  try {
    engine.WriteTable();
    FAIL() << "no error";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(),
                 "Failed with error [disk full] while writing file [LoopRows.qef] with query: "
                 "SELECT L.\"ID\", L.\"ID\" FROM \"LoopRows\" L ORDER BY L.\"ID\"");
  }
  EXPECT_TRUE(Logged("Error writing line= 2"));
  EXPECT_EQ(Read("LoopRows.qef"), "previous\r\n");
  EXPECT_EQ(engine.TableWriter(), nullptr);

  table = StartLoopRows();
  engine.AddColumn(table, "ID", &LoopEngine::FailWithoutText, kCommandNone, "LpKey");
  try {
    engine.WriteTable();
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
  engine.Application().m_fileBaseName = "QvMeridane";
  XFileSpec update = engine.BeginUpdateFile();
  ODBCTable* table = StartLoopRows("Loop Updates", "LoopUpdates.qef");
  engine.AddColumn(table, "ID", &LoopEngine::FailOnSecondRow, kCommandNone, "LpKey");
  OrderById(table);
  EXPECT_THROW(engine.WriteTable(), XException);
  EXPECT_FALSE(engine.IsUpdating());
  EXPECT_EQ(engine.UpdateFile(), nullptr);
  EXPECT_FALSE(os::PathExists(update.Path().ToStd()));
  std::vector<std::string> names;
  os::ListDirectory(folder.Path(), names);
  for (const std::string& name : names) EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
}

TEST_F(TableLoop, ATableFileThatCannotBeCreatedNamesTheFileAndTheQuery) {
  engine.SetImportFolder(XString(folder.File("missing").c_str()));
  ODBCTable* table = StartLoopRows();
  engine.AddColumn(table, "ID", &DataAccessBase::GetString, kCommandNone, "LpKey");
  try {
    engine.WriteTable();
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
  engine.SetProgress(&display);
  engine.StartProgress("Extracting Meridane data...");
  ODBCTable* table = StartLoopRows();
  engine.AddColumn(table, "ID", &LoopEngine::SlowValue, kCommandNone, "LpKey");
  OrderById(table);
  display.RequestStop();
  try {
    engine.WriteTable();
    FAIL() << "not cancelled";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(), "Extraction was cancelled.");
  }
  EXPECT_FALSE(Logged("Error writing line= "));
  engine.SetProgress(nullptr);
}

TEST_F(TableLoop, EngineMembersOfAnotherEngineClassAreRefusedBeforeTheFieldIsAdded) {
  ODBCTable* table = StartLoopRows();
  EXPECT_THROW(engine.AddColumn(table, "ID", &OtherEngine::Foreign, kCommandNone, "LpKey"), XException);
  EXPECT_EQ(engine.Fields().Count(), 0u);
  EXPECT_EQ(engine.ColumnCount(), 0u);
  EXPECT_TRUE(HeaderFields().empty());
}

// ---- Value functions on the values the driver delivers -----------------------------------

namespace {

class ValueFunctions : public TableLoop {
 protected:
  // Positions on the row of Vals with key k; the columns read D, R and T.
  void Row(int key) {
    engine.ClearColumns();
    engine.ClearQuery();
    ODBCTable* vals = engine.AddTable("", "Vals", "V");
    d = engine.AddColumn(vals, "D", nullptr, kCommandNone);
    r = engine.AddColumn(vals, "R", nullptr, kCommandNone);
    t = engine.AddColumn(vals, "T", nullptr, kCommandNone);
    engine.AddCondition(engine.AddField("K", vals, true), "", "=", XString(key), 0);
    ASSERT_TRUE(engine.OpenQuery(true));
    ASSERT_TRUE(engine.GetFirstRecord()) << "row " << key;
  }
  ExportColumn* d = nullptr;
  ExportColumn* r = nullptr;
  ExportColumn* t = nullptr;
};

}  // namespace

TEST_F(ValueFunctions, TextFormsTrimDropTabsAndHandleLineBreaks) {
  engine.StartTable("Vals", "Vals.qef");
  Row(1);  // T = "  A<TAB>B "
  EXPECT_EQ(engine.GetString(*t), "AB");
  EXPECT_EQ(engine.GetStringQuoted(*t), "\"AB\"");
  EXPECT_EQ(engine.GetCurrency(*t), "$ AB");
  EXPECT_EQ(engine.GetGradeScaleKey(*t), "gs_AB");
  Row(2);  // T = "A<CR><LF>B"
  EXPECT_EQ(engine.GetString(*t), "A\r\nB");  // kept: the extracts choose a one-line form
  EXPECT_EQ(engine.GetStringOneLine(*t), "A  B");
  EXPECT_EQ(engine.CleanText("", t->Field()), "A  B");
  EXPECT_EQ(engine.CleanText("x\ty\rz\n"), "x y z ");
  EXPECT_EQ(engine.GetStringUpper(*t), "A\r\nB");
  Row(4);  // T = "café – “q”" in the code page
  EXPECT_EQ(engine.GetStringUpper(*t), "CAF\xE9 \x96 \x93Q\x94");  // bytes above ASCII unchanged
  Row(5);  // T = "0"
  EXPECT_EQ(engine.GetStringZeroBlank(*t), "");
  EXPECT_EQ(engine.GetCurrency(*t), "$0.00");
  EXPECT_EQ(engine.GetIntegerZeroBlank(*t), "");
  EXPECT_EQ(engine.GetYesNoDigit(*t), "0");
  Row(6);  // T = "N/A"
  EXPECT_EQ(engine.GetStringNABlank(*t), "");
  EXPECT_EQ(engine.GetPhone(*t), "");
  EXPECT_EQ(engine.GetString(*t), "N/A");
  Row(7);  // T = "00"
  EXPECT_EQ(engine.GetStringZeroBlank(*t), "00");
  EXPECT_EQ(engine.BlankZero("0"), "");
  EXPECT_EQ(engine.BlankZero("00"), "00");
}

TEST_F(ValueFunctions, DatesTimesAndNumbersUseTheHeaderFormats) {
  engine.StartTable("Vals", "Vals.qef");
  Row(1);  // D = 2009-03-05 10:11:12, R = 12.34
  EXPECT_EQ(engine.GetDate(*d), "03/05/2009");
  EXPECT_EQ(engine.GetDateOf(*d), "03/05/2009");
  EXPECT_EQ(engine.GetTime(*d), "10:11:12 AM");
  EXPECT_EQ(engine.GetDateTime(*d), "03/05/2009 10:11:12 AM");
  EXPECT_EQ(engine.GetFloat(*r), "12.340000");
  EXPECT_EQ(engine.GetWholeNumber(*r), "12");
  EXPECT_EQ(engine.GetInteger(*r), "12");
  EXPECT_EQ(engine.GetBoolDigit(*r), "1");
  EXPECT_EQ(engine.GetYesNo(*r), "Yes");
  EXPECT_EQ(engine.GetNoYes(*r), "No");
  EXPECT_EQ(engine.GetYesBlank(*r), "Yes");
  // The formats are the header settings: the data follows what the package announces.
  engine.HeaderSettings().m_dateFormat = "YYYY-MM-DD";
  engine.HeaderSettings().m_timeFormat = "HH:NN";
  engine.HeaderSettings().m_dateTimeFormat = "DD.MM.YYYY HH:NN:SS";
  EXPECT_EQ(engine.GetDate(*d), "2009-03-05");
  EXPECT_EQ(engine.GetTime(*d), "10:11");
  EXPECT_EQ(engine.GetDateTime(*d), "05.03.2009 10:11:12");
  engine.HeaderSettings() = QDEHeaderSettings();

  Row(2);  // D = 2009-03-05 (no time), R = 100.0
  EXPECT_EQ(engine.GetTime(*d), "12:00:00 AM");
  EXPECT_EQ(engine.GetWholeNumber(*r), "100");
  EXPECT_EQ(engine.GetFloat(*r), "100.000000");

  Row(3);  // NULL, R = -0.5, NULL
  EXPECT_EQ(engine.GetDate(*d), "");
  EXPECT_EQ(engine.GetDateZeroBlank(*d), "");
  EXPECT_EQ(engine.GetTime(*d), "");
  EXPECT_EQ(engine.GetDateTime(*d), "");
  EXPECT_EQ(engine.GetString(*t), "");
  EXPECT_EQ(engine.GetInteger(*t), "0");
  EXPECT_EQ(engine.GetIntegerZeroBlank(*t), "");
  EXPECT_EQ(engine.GetYesNo(*t), "No");
  EXPECT_EQ(engine.GetNoYes(t->Field()), "Yes");
  EXPECT_EQ(engine.GetYesBlank(*t), "");
  EXPECT_EQ(engine.GetBoolDigit(*t), "0");
  EXPECT_EQ(engine.GetFloat(*r), "-0.500000");

  Row(4);  // D = 1900-01-01, R = 0.0
  EXPECT_EQ(engine.GetDate(*d), "01/01/1900");
  EXPECT_EQ(engine.GetDateOf(*d), "");  // the SIS's "no date"
  EXPECT_EQ(engine.GetDateOf(static_cast<DataAccessField*>(nullptr)), "");  // no current column
  EXPECT_EQ(engine.GetFloat(*r), "0.000000");
  EXPECT_EQ(engine.GetWholeNumber(r->Field()), "0");
  EXPECT_EQ(engine.GetYesNo(*r), "No");

  Row(3);
  EXPECT_EQ(engine.GetWholeNumber(*r), "-1");  // -0.5: away from zero, as on the other half
  Row(6);  // R = 2.5
  EXPECT_EQ(engine.GetFloat(*r), "2.500000");
  EXPECT_EQ(engine.GetWholeNumber(*r), "3");
  EXPECT_EQ(engine.GetIntegerZeroBlank(r->Field()), "2");
}

TEST(ValueTexts, YesNoDigits) {
  EXPECT_EQ(DataAccessBase::YesNoDigit(""), "");
  EXPECT_EQ(DataAccessBase::YesNoDigit("1"), "1");
  EXPECT_EQ(DataAccessBase::YesNoDigit("YES"), "1");
  EXPECT_EQ(DataAccessBase::YesNoDigit("y"), "1");
  EXPECT_EQ(DataAccessBase::YesNoDigit("No"), "0");
  EXPECT_EQ(DataAccessBase::YesNoDigit("N"), "0");
  EXPECT_EQ(DataAccessBase::YesNoDigit("yess"), "");
  EXPECT_EQ(DataAccessBase::YesNoDigit("2"), "");
}
