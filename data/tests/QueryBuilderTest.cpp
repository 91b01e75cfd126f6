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
    db->Connection().SetDatabaseType(type);
    db->Schema().SetQuoteFields(quoteFields);
    db->Schema().SetQuoteTables(quoteTables);
  }
  std::string Sql() { return db->Query().BuildQuery().ToStd(); }
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
  b->Query().AddTable("", "Student", "S");
  EXPECT_EQ(b.Sql(), "SELECT  FROM Student S");
}

TEST(BuildQuery, FieldsConditionsAndOrders) {
  Builder b;
  ODBCTable* s = b->Query().AddTable("", "Student", "S");
  ODBCTable* a = b->Query().AddTable("", "Absence", "A");
  ODBCField* id = b->Query().AddField("ID", s, true);
  ODBCField* name = b->Query().AddField("LastName", s, true);
  ODBCField* aid = b->Query().AddField("ID", a, true);
  b->Query().AddCondition(id, "", "=", aid);
  b->Query().AddCondition(name, "AND", "IS NOT", "NULL", 0);
  b->Query().AddOrder(name);
  b->Query().AddOrder(id)->descending = true;
  EXPECT_EQ(b.Sql(),
            "SELECT S.\"ID\", S.\"LastName\", A.\"ID\" FROM Student S, Absence A"
            " WHERE S.\"ID\" = A.\"ID\" AND S.\"LastName\" IS NOT NULL ORDER BY S.\"LastName\", S.\"ID\" DESC");
  EXPECT_EQ(id->position, 0);
  EXPECT_EQ(aid->position, 2);
  EXPECT_TRUE(b.log.Contains("BuildQuery Finished:SELECT S.\"ID\""));
}

TEST(BuildQuery, UnquotedFieldsAndDistinctSurvivesClearQuery) {
  Builder b(kDbLotusNotes, false);
  b->Query().SetDistinct(true);
  b->Query().AddField("ID", b->Query().AddTable("", "Student", ""), true);
  EXPECT_EQ(b.Sql(), "SELECT DISTINCT Student.ID FROM Student");
  b->Query().ClearQuery();
  b->Query().AddField("Code", b->Query().AddTable("dbo.Codes", "Codes", "C"), true);
  EXPECT_EQ(b.Sql(), "SELECT DISTINCT C.Code FROM dbo.Codes C");
  b->Query().SetDistinct(false);
  EXPECT_EQ(b.Sql(), "SELECT C.Code FROM dbo.Codes C");
}

TEST(BuildQuery, QuotedTablesWriteTheAliasOnlyWhenItDiffers) {
  Builder b(kDbLotusNotes, true, true);
  ODBCTable* s = b->Query().AddTable("", "Student", "");  // alias becomes the name
  ODBCTable* a = b->Query().AddTable("", "Absence", "Absence");
  ODBCTable* c = b->Query().AddTable("", "Contact", "C");
  EXPECT_EQ(s->alias.ToStd(), "Student");
  b->Query().AddField("ID", s, true);
  b->Query().AddField("ID", c, true);
  (void)a;
  EXPECT_EQ(b.Sql(), "SELECT Student.\"ID\", C.\"ID\" FROM \"Student\", \"Absence\", \"Contact\" C");
}

TEST(BuildQuery, MssqlHintFollowsEveryTableUnlessJoined) {
  Builder b(kDbMSSQL);
  b->Query().AddField("ID", b->Query().AddTable("", "Student", "S"), true);
  b->Query().AddTable("", "Absence", "A");
  EXPECT_EQ(b.Sql(), "SELECT S.\"ID\" FROM Student S WITH (NOLOCK) , Absence A WITH (NOLOCK) ");
  b->Query().AddJoin("JOIN X ON 1=1");
  EXPECT_EQ(b.Sql(), "SELECT S.\"ID\" FROM Student S, Absence A JOIN X ON 1=1 ");

  Builder other(kDbSQLite);
  other->Query().AddField("ID", other->Query().AddTable("", "Student", "S"), true);
  other->Query().AddTable("", "Absence", "A");
  EXPECT_EQ(other.Sql(), "SELECT S.\"ID\" FROM Student S, Absence A");
}

TEST(BuildQuery, ParenthesesFollowConditionLevels) {
  Builder b(kDbLotusNotes, false);
  ODBCTable* t = b->Query().AddTable("", "T", "T");
  ODBCField* w = b->Query().AddField("W", t, true);
  ODBCField* x = b->Query().AddField("X", t, true);
  ODBCField* y = b->Query().AddField("Y", t, true);
  ODBCField* z = b->Query().AddField("Z", t, true);
  b->Query().AddCondition(w, "", "=", "1", 0);
  b->Query().AddCondition(x, "AND", "=", "2", 1);
  b->Query().AddCondition(y, "AND", "=", "3", 1);
  b->Query().AddCondition(z, "AND", "=", "4", 0);
  // Opens before the first condition of a higher level, closes after the first of a lower one.
  EXPECT_EQ(b.Sql(), "SELECT T.W, T.X, T.Y, T.Z FROM T WHERE T.W = 1 AND (T.X = 2 AND T.Y = 3 AND T.Z = 4)");

  Builder open(kDbLotusNotes, false);
  ODBCTable* u = open->Query().AddTable("", "U", "U");
  ODBCField* a = open->Query().AddField("A", u, true);
  open->Query().AddCondition(a, "", "=", "1", 0);
  open->Query().AddCondition(a, "OR", "=", "2", 2);
  // Still open at the end: closed there.
  EXPECT_EQ(open.Sql(), "SELECT U.A FROM U WHERE U.A = 1 OR (U.A = 2)");
}

TEST(BuildQuery, FirstConditionWithOpeningConjunction) {
  Builder b(kDbLotusNotes, false);
  ODBCField* a = b->Query().AddField("A", b->Query().AddTable("", "U", "U"), true);
  b->Query().AddCondition(a, "(", "=", "'x'", 0);
  b->Query().AddCondition(a, "OR", "IS", "NULL)", 0);
  EXPECT_EQ(b.Sql(), "SELECT U.A FROM U WHERE ( U.A = 'x' OR U.A IS NULL)");
}

TEST(BuildQuery, AggregateGroupingAndLimit) {
  Builder b(kDbLotusNotes, false);
  ODBCTable* t = b->Query().AddTable("", "T", "T");
  ODBCField* k = b->Query().AddField("K", t, true);
  ODBCField* v = b->Query().AddField("V", t, true);
  ODBCField* w = b->Query().AddField("W", t, true);
  b->Query().SetAggregateField(v);
  b->Query().SetRowLimit(10);
  EXPECT_EQ(b.Sql(), "SELECT T.K, MAX(T.V), T.W FROM T GROUP BY T.K, T.W LIMIT 10");
  // The aggregate lasts for one build only.
  EXPECT_EQ(b.Sql(), "SELECT T.K, T.V, T.W FROM T LIMIT 10");
  b->Query().SetAggregateField(v);
  b->Query().AddGroupBy(k);
  EXPECT_EQ(b.Sql(), "SELECT T.K, MAX(T.V), T.W FROM T GROUP BY T.K LIMIT 10");
  (void)w;
}

TEST(BuildQuery, XBaseIsTheTableFile) {
  Builder b(kDbDBaseXBase);
  b->Connection().SetDataSource("/dbf/");
  b->Query().AddTable("", "STUDENT", "S");
  EXPECT_EQ(b.Sql(), "/dbf/STUDENT.dbf");
  b->Query().AddTable("", "OTHER", "O");
  EXPECT_EQ(FailureText([&] { b.Sql(); }), "Cannot use more than 1 table in XBase query");
}

TEST(QueryModel, NullArgumentsAreReportedAndThrown) {
  Builder b;
  ODBCTable* t = b->Query().AddTable("", "T", "T");
  ODBCField* f = b->Query().AddField("F", t, true);
  EXPECT_EQ(FailureText([&] { b->Query().AddCondition(nullptr, "", "=", "1", 0); }), "Primary field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->Query().AddCondition(nullptr, "", "=", f); }), "Primary field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->Query().AddCondition(f, "", "=", nullptr); }), "Second field NULL in XODBC::AddCondition.");
  EXPECT_EQ(FailureText([&] { b->Query().AddOrder(nullptr); }), "Field NULL in ODBC::AddOrder.");
  EXPECT_TRUE(b.log.Contains("Field NULL in ODBC::AddOrder."));
  // A missing table: optional fields are left out, required ones fail.
  EXPECT_EQ(b->Query().AddField("X", nullptr, false), nullptr);
  EXPECT_TRUE(b.log.Contains("Table was NULL when searching for: X"));
  EXPECT_EQ(FailureText([&] { b->Query().AddField("Y", nullptr, true); }), "Table was NULL when searching for: Y");
  // Positions continue where they were: nothing was consumed by the refused fields.
  EXPECT_EQ(b->Query().AddField("G", t, true)->position, 1);
  b->Query().ClearQuery();
  EXPECT_EQ(b->Query().AddField("H", b->Query().AddTable("", "T", "T"), true)->position, 0);
}

TEST(SQLDate, EveryTypeFor2009March5) {
  int day = XDate::FromYMD(2009, 3, 5);
  std::string march = XDate::FormatDate(day, "MMM").ToStd();  // locale's month name
  auto literal = [&](int32_t type) {
    Builder b(type);
    return b->Schema().SQLDate(day).ToStd();
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
    EXPECT_EQ(FailureText([&] { b->Schema().SQLDate(day); }), "DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
  }
  EXPECT_EQ(Builder(kDbMSSQL)->Schema().SQLDate(0).ToStd(), "'16000101'");
}

TEST(FilterAttendance, AddsBoundsAndReplacesThemPerWindow) {
  Builder b(kDbMSSQL);
  ODBCTable* a = b->Query().AddTable("", "Absence", "A");
  ODBCField* date = b->Query().AddField("Date", a, true);
  ODBCField* id = b->Query().AddField("ID", a, true);
  b->Query().AddCondition(id, "", "IS NOT", "NULL", 0);

  b->Query().FilterAttendance(XDate::FromYMD(2009, 3, 1), XDate::FromYMD(2009, 3, 7));
  EXPECT_TRUE(b.log.Contains("FilterAttendance: There is no change date set! So cannot filter."));
  std::string unfiltered = b.Sql();
  EXPECT_EQ(unfiltered.find("Date\" >="), std::string::npos);

  b->Query().SetAttendanceChangeDateField(date);
  b->Query().FilterAttendance(XDate::FromYMD(2009, 3, 1), XDate::FromYMD(2009, 3, 7));
  std::string first = b.Sql();
  EXPECT_NE(first.find("A.\"ID\" IS NOT NULL AND A.\"Date\" >= '20090301' AND A.\"Date\" <= '20090307'"),
            std::string::npos) << first;
  // The next window's bounds replace this window's.
  b->Query().FilterAttendance(XDate::FromYMD(2009, 3, 7), XDate::FromYMD(2009, 3, 13));
  std::string second = b.Sql();
  const std::string tail = " IS NOT NULL AND A.\"Date\" >= '20090307' AND A.\"Date\" <= '20090313'";
  ASSERT_GE(second.size(), tail.size());
  EXPECT_EQ(second.substr(second.size() - tail.size()), tail) << second;
  EXPECT_EQ(second.find("20090301"), std::string::npos);
  // Day -1 and day 0 are no bound.
  b->Query().FilterAttendance(-1, 0);
  EXPECT_EQ(b.Sql().find(">="), std::string::npos);
  b->Query().FilterAttendance(0, XDate::FromYMD(2009, 3, 13));
  EXPECT_EQ(b.Sql().find(">="), std::string::npos);
  EXPECT_NE(b.Sql().find("<= '20090313'"), std::string::npos);

  b->Query().ClearAttendanceChangeDates();
  b.log.lines.clear();
  b->Query().FilterAttendance(1, 2);
  EXPECT_TRUE(b.log.Contains("There is no change date set"));
  b->Query().SetWarnNoChangeDate(false);
  b.log.lines.clear();
  b->Query().FilterAttendance(1, 2);
  EXPECT_FALSE(b.log.Contains("There is no change date set"));
}

TEST(BuildQuery, PostgresQuotesAliasesWhereTheServerWouldFoldThem) {
  // Quoted tables: a table without an alias is named the way the FROM clause names it.
  Builder quoted(kDbPostgres, true, true);
  ODBCTable* staff = quoted->Query().AddTable("", "Personnel", "");
  ODBCTable* odd = quoted->Query().AddTable("", "Student", "S\"x");
  ODBCField* staffId = quoted->Query().AddField("ID", staff, true);
  quoted->Query().AddCondition(staffId, "", "=", quoted->Query().AddField("ID", odd, true));
  EXPECT_EQ(quoted.Sql(), "SELECT \"Personnel\".\"ID\", \"S\"\"x\".\"ID\" FROM \"Personnel\", \"Student\" \"S\"\"x\" "
                          "WHERE \"Personnel\".\"ID\" = \"S\"\"x\".\"ID\"");
  // Bare tables fold on both sides alike; an alias of its own is still quoted.
  Builder bare(kDbPostgres, true, false);
  ODBCTable* student = bare->Query().AddTable("", "Student", "");
  ODBCTable* absence = bare->Query().AddTable("", "Absence", "Ab");
  bare->Query().AddField("ID", student, true);
  bare->Query().AddField("ID", absence, true);
  EXPECT_EQ(bare.Sql(), "SELECT Student.\"ID\", \"Ab\".\"ID\" FROM Student, Absence \"Ab\"");
  // Every other type writes the alias as given.
  Builder notes(kDbLotusNotes, true, true);
  notes->Query().AddField("ID", notes->Query().AddTable("", "Absence", "Ab"), true);
  EXPECT_EQ(notes.Sql(), "SELECT Ab.\"ID\" FROM \"Absence\" Ab");
}
