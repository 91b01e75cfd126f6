// The query model and the SELECT builder, SQL date literals and the attendance filter.
#include <gtest/gtest.h>

#include <functional>

#include "DataTestSupport.h"
#include "foundation/XDate.h"
#include "foundation/XException.h"

using datatest::Access;

namespace {

// The extraction engine's settings: quoted fields, no verification (nothing to verify against).
struct Builder : Access {
  explicit Builder(int32_t type = kDbLotusNotes, bool quoteFields = true, bool quoteTables = false)
      : Access(0x01) {
    db->SetDatabaseType(type);
    db->SetQuoteFields(quoteFields);
    db->SetQuoteTables(quoteTables);
  }
  std::string Sql() { return db->BuildQuery().ToStd(); }
};

std::string FailureText(const std::function<void()>& action) {
  try {
    action();
  } catch (const XException& error) {
    return error.Text();
  }
  return "(nothing thrown)";
}

}  // namespace

TEST(BuildQuery, NoFieldsStillFormsTheStatement) {
  Builder b;
  b->AddTable("", "Student", "S");
  EXPECT_EQ(b.Sql(), "SELECT  FROM Student S");
}

TEST(BuildQuery, FieldsConditionsAndOrders) {
  Builder b;
  ODBCTable* s = b->AddTable("", "Student", "S");
  ODBCTable* a = b->AddTable("", "Absence", "A");
  ODBCField* id = b->AddField("ID", s, true);
  ODBCField* name = b->AddField("LastName", s, true);
  ODBCField* aid = b->AddField("ID", a, true);
  b->AddCondition(id, "", "=", aid);
  b->AddCondition(name, "AND", "IS NOT", "NULL", 0);
  b->AddOrder(name);
  b->AddOrder(id)->descending = true;
  EXPECT_EQ(b.Sql(),
            "SELECT S.\"ID\", S.\"LastName\", A.\"ID\" FROM Student S, Absence A"
            " WHERE S.\"ID\" = A.\"ID\" AND S.\"LastName\" IS NOT NULL ORDER BY S.\"LastName\", S.\"ID\" DESC");
  EXPECT_EQ(id->position, 0);
  EXPECT_EQ(aid->position, 2);
  EXPECT_TRUE(b.log.Contains("BuildQuery Finished:SELECT S.\"ID\""));
}

TEST(BuildQuery, UnquotedFieldsAndDistinctSurvivesClearQuery) {
  Builder b(kDbLotusNotes, false);
  b->SetDistinct(true);
  b->AddField("ID", b->AddTable("", "Student", ""), true);
  EXPECT_EQ(b.Sql(), "SELECT DISTINCT Student.ID FROM Student");
  b->ClearQuery();
  b->AddField("Code", b->AddTable("dbo.Codes", "Codes", "C"), true);
  EXPECT_EQ(b.Sql(), "SELECT DISTINCT C.Code FROM dbo.Codes C");
  b->SetDistinct(false);
  EXPECT_EQ(b.Sql(), "SELECT C.Code FROM dbo.Codes C");
}

TEST(BuildQuery, QuotedTablesWriteTheAliasOnlyWhenItDiffers) {
  Builder b(kDbLotusNotes, true, true);
  ODBCTable* s = b->AddTable("", "Student", "");  // alias becomes the name
  ODBCTable* a = b->AddTable("", "Absence", "Absence");
  ODBCTable* c = b->AddTable("", "Contact", "C");
  EXPECT_EQ(s->alias.ToStd(), "Student");
  b->AddField("ID", s, true);
  b->AddField("ID", c, true);
  (void)a;
  EXPECT_EQ(b.Sql(), "SELECT Student.\"ID\", C.\"ID\" FROM \"Student\", \"Absence\", \"Contact\" C");
}

TEST(BuildQuery, MssqlHintFollowsEveryTableUnlessJoined) {
  Builder b(kDbMSSQL);
  b->AddField("ID", b->AddTable("", "Student", "S"), true);
  b->AddTable("", "Absence", "A");
  EXPECT_EQ(b.Sql(), "SELECT S.\"ID\" FROM Student S WITH (NOLOCK) , Absence A WITH (NOLOCK) ");
  b->AddJoin("JOIN X ON 1=1");
  EXPECT_EQ(b.Sql(), "SELECT S.\"ID\" FROM Student S, Absence A JOIN X ON 1=1 ");

  Builder other(kDbSQLite);
  other->AddField("ID", other->AddTable("", "Student", "S"), true);
  other->AddTable("", "Absence", "A");
  EXPECT_EQ(other.Sql(), "SELECT S.\"ID\" FROM Student S, Absence A");
}

TEST(BuildQuery, ParenthesesFollowConditionLevels) {
  Builder b(kDbLotusNotes, false);
  ODBCTable* t = b->AddTable("", "T", "T");
  ODBCField* w = b->AddField("W", t, true);
  ODBCField* x = b->AddField("X", t, true);
  ODBCField* y = b->AddField("Y", t, true);
  ODBCField* z = b->AddField("Z", t, true);
  b->AddCondition(w, "", "=", "1", 0);
  b->AddCondition(x, "AND", "=", "2", 1);
  b->AddCondition(y, "AND", "=", "3", 1);
  b->AddCondition(z, "AND", "=", "4", 0);
  // Opens before the first condition of a higher level, closes after the first of a lower one.
  EXPECT_EQ(b.Sql(), "SELECT T.W, T.X, T.Y, T.Z FROM T WHERE T.W = 1 AND (T.X = 2 AND T.Y = 3 AND T.Z = 4)");

  Builder open(kDbLotusNotes, false);
  ODBCTable* u = open->AddTable("", "U", "U");
  ODBCField* a = open->AddField("A", u, true);
  open->AddCondition(a, "", "=", "1", 0);
  open->AddCondition(a, "OR", "=", "2", 2);
  // Still open at the end: closed there.
  EXPECT_EQ(open.Sql(), "SELECT U.A FROM U WHERE U.A = 1 OR (U.A = 2)");
}

TEST(BuildQuery, FirstConditionWithOpeningConjunction) {
  Builder b(kDbLotusNotes, false);
  ODBCField* a = b->AddField("A", b->AddTable("", "U", "U"), true);
  b->AddCondition(a, "(", "=", "'x'", 0);
  b->AddCondition(a, "OR", "IS", "NULL)", 0);
  EXPECT_EQ(b.Sql(), "SELECT U.A FROM U WHERE ( U.A = 'x' OR U.A IS NULL)");
}

TEST(BuildQuery, AggregateGroupingAndLimit) {
  Builder b(kDbLotusNotes, false);
  ODBCTable* t = b->AddTable("", "T", "T");
  ODBCField* k = b->AddField("K", t, true);
  ODBCField* v = b->AddField("V", t, true);
  ODBCField* w = b->AddField("W", t, true);
  b->SetAggregateField(v);
  b->SetRowLimit(10);
  EXPECT_EQ(b.Sql(), "SELECT T.K, MAX(T.V), T.W FROM T GROUP BY T.K, T.W LIMIT 10");
  // The aggregate lasts for one build only.
  EXPECT_EQ(b.Sql(), "SELECT T.K, T.V, T.W FROM T LIMIT 10");
  b->SetAggregateField(v);
  b->AddGroupBy(k);
  EXPECT_EQ(b.Sql(), "SELECT T.K, MAX(T.V), T.W FROM T GROUP BY T.K LIMIT 10");
  (void)w;
}

TEST(BuildQuery, XBaseIsTheTableFile) {
  Builder b(kDbDBaseXBase);
  b->SetDataSource("/dbf/");
  b->AddTable("", "STUDENT", "S");
  EXPECT_EQ(b.Sql(), "/dbf/STUDENT.dbf");
  b->AddTable("", "OTHER", "O");
  EXPECT_EQ(FailureText([&] { b.Sql(); }), "Cannot use more than 1 table in XBase query");
}

TEST(QueryModel, NullArgumentsAreReportedAndThrown) {
  Builder b;
  ODBCTable* t = b->AddTable("", "T", "T");
  ODBCField* f = b->AddField("F", t, true);
  EXPECT_EQ(FailureText([&] { b->AddCondition(nullptr, "", "=", "1", 0); }), "Primary field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->AddCondition(nullptr, "", "=", f); }), "Primary field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->AddCondition(f, "", "=", nullptr); }), "Second field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->AddOrder(nullptr); }), "Field NULL in ODBC::AddOrder.");
  EXPECT_TRUE(b.log.Contains("Field NULL in ODBC::AddOrder."));
  // A missing table: optional fields are left out, required ones fail.
  EXPECT_EQ(b->AddField("X", nullptr, false), nullptr);
  EXPECT_TRUE(b.log.Contains("Table was NULL when searching for: X"));
  EXPECT_EQ(FailureText([&] { b->AddField("Y", nullptr, true); }), "Table was NULL when searching for: Y");
  // Positions continue where they were: nothing was consumed by the refused fields.
  EXPECT_EQ(b->AddField("G", t, true)->position, 1);
  b->ClearQuery();
  EXPECT_EQ(b->AddField("H", b->AddTable("", "T", "T"), true)->position, 0);
}

TEST(SQLDate, EveryTypeFor2009March5) {
  int day = XDate::FromYMD(2009, 3, 5);
  std::string march = XDate::FormatDate(day, "MMM").ToStd();  // locale's month name
  auto literal = [&](int32_t type) {
    Builder b(type);
    return b->SQLDate(day).ToStd();
  };
  EXPECT_EQ(literal(1), "#05-" + march + "-2009#");
  EXPECT_EQ(literal(9), "#05-" + march + "-2009#");
  EXPECT_EQ(literal(2), "03/05/2009");
  EXPECT_EQ(literal(3), "{^2009/03/05}");
  EXPECT_EQ(literal(4), "{^2009/03/05}");
  for (int type : {14, 15, 20}) EXPECT_EQ(literal(type), "'2009-03-05'") << type;
  // SQL Server: the form that no language setting reads as year-day-month.
  EXPECT_EQ(literal(5), "'20090305'");
  for (int type : {6, 7, 8, 16, 17}) EXPECT_EQ(literal(type), "'2009-03-05'") << type;
  EXPECT_EQ(literal(10), "'03/05/2009'");
  for (int type : {11, 12, 13}) EXPECT_EQ(literal(type), "TO_DATE( '20090305', 'YYYYMMDD' )") << type;
  EXPECT_EQ(literal(18), "TO_DATE(\"03/05/2009\",\"%m/%d/%Y\")");
  EXPECT_EQ(literal(19), "76038");
  EXPECT_EQ(literal(21), "'20090305'");
  for (int type : {0, 22}) {
    Builder b(type);
    EXPECT_EQ(FailureText([&] { b->SQLDate(day); }), "DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
  }
  EXPECT_EQ(Builder(kDbMSSQL)->SQLDate(0).ToStd(), "'16000101'");
}

TEST(FilterAttendance, AddsBoundsAndReplacesThemPerWindow) {
  Builder b(kDbMSSQL);
  ODBCTable* a = b->AddTable("", "Absence", "A");
  ODBCField* date = b->AddField("Date", a, true);
  ODBCField* id = b->AddField("ID", a, true);
  b->AddCondition(id, "", "IS NOT", "NULL", 0);

  b->FilterAttendance(XDate::FromYMD(2009, 3, 1), XDate::FromYMD(2009, 3, 7));
  EXPECT_TRUE(b.log.Contains("FilterAttendance: There is no change date set! So cannot filter."));
  std::string unfiltered = b.Sql();
  EXPECT_EQ(unfiltered.find("Date\" >="), std::string::npos);

  b->SetAttendanceChangeDateField(date);
  b->FilterAttendance(XDate::FromYMD(2009, 3, 1), XDate::FromYMD(2009, 3, 7));
  std::string first = b.Sql();
  EXPECT_NE(first.find("A.\"ID\" IS NOT NULL AND A.\"Date\" >= '20090301' AND A.\"Date\" <= '20090307'"),
            std::string::npos) << first;
  // The next window's bounds replace this window's.
  b->FilterAttendance(XDate::FromYMD(2009, 3, 7), XDate::FromYMD(2009, 3, 13));
  std::string second = b.Sql();
  const std::string tail = " IS NOT NULL AND A.\"Date\" >= '20090307' AND A.\"Date\" <= '20090313'";
  ASSERT_GE(second.size(), tail.size());
  EXPECT_EQ(second.substr(second.size() - tail.size()), tail) << second;
  EXPECT_EQ(second.find("20090301"), std::string::npos);
  // Day -1 and day 0 are no bound.
  b->FilterAttendance(-1, 0);
  EXPECT_EQ(b.Sql().find(">="), std::string::npos);
  b->FilterAttendance(0, XDate::FromYMD(2009, 3, 13));
  EXPECT_EQ(b.Sql().find(">="), std::string::npos);
  EXPECT_NE(b.Sql().find("<= '20090313'"), std::string::npos);

  b->ClearAttendanceChangeDates();
  b.log.lines.clear();
  b->FilterAttendance(1, 2);
  EXPECT_TRUE(b.log.Contains("There is no change date set"));
  b->SetWarnNoChangeDate(false);
  b.log.lines.clear();
  b->FilterAttendance(1, 2);
  EXPECT_FALSE(b.log.Contains("There is no change date set"));
}

TEST(BuildQuery, PostgresQuotesAliasesWhereTheServerWouldFoldThem) {
  // Quoted tables: a table without an alias is named the way the FROM clause names it.
  Builder quoted(kDbPostgres, true, true);
  ODBCTable* staff = quoted->AddTable("", "Personnel", "");
  ODBCTable* odd = quoted->AddTable("", "Student", "S\"x");
  ODBCField* staffId = quoted->AddField("ID", staff, true);
  quoted->AddCondition(staffId, "", "=", quoted->AddField("ID", odd, true));
  EXPECT_EQ(quoted.Sql(), "SELECT \"Personnel\".\"ID\", \"S\"\"x\".\"ID\" FROM \"Personnel\", \"Student\" \"S\"\"x\" "
                          "WHERE \"Personnel\".\"ID\" = \"S\"\"x\".\"ID\"");
  // Bare tables fold on both sides alike; an alias of its own is still quoted.
  Builder bare(kDbPostgres, true, false);
  ODBCTable* student = bare->AddTable("", "Student", "");
  ODBCTable* absence = bare->AddTable("", "Absence", "Ab");
  bare->AddField("ID", student, true);
  bare->AddField("ID", absence, true);
  EXPECT_EQ(bare.Sql(), "SELECT Student.\"ID\", \"Ab\".\"ID\" FROM Student, Absence \"Ab\"");
  // Every other type writes the alias as given.
  Builder notes(kDbLotusNotes, true, true);
  notes->AddField("ID", notes->AddTable("", "Absence", "Ab"), true);
  EXPECT_EQ(notes.Sql(), "SELECT Ab.\"ID\" FROM \"Absence\" Ab");
}
