// The generator writes what the extracts need, in the forms they expect, and the same options
// always give the same file.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/XException.h"
#include "sqlite3.h"
#include "testsupport/TempDir.h"
#include "tools/demosis/DemoContent.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

using demosis::DemoOptions;

// A read-only look into a generated file through SQLite itself.
class Db {
 public:
  explicit Db(const std::string& path) {
    EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr));
  }
  ~Db() { sqlite3_close(m_db); }

  // The first column of every row of a query, NULL as "<NULL>".
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> values;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(m_db);
      return values;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      values.push_back(text ? std::string(reinterpret_cast<const char*>(text),
                                          sqlite3_column_bytes(stmt, 0))
                            : "<NULL>");
    }
    sqlite3_finalize(stmt);
    return values;
  }
  long long Count(const std::string& sql) {
    const std::vector<std::string> v = Column(sql);
    return v.empty() ? -1 : std::stoll(v[0]);
  }
  // Column name -> declared type.
  std::map<std::string, std::string> Columns(const std::string& table) {
    std::map<std::string, std::string> columns;
    const std::vector<std::string> names =
        Column("SELECT name FROM pragma_table_info('" + table + "')");
    const std::vector<std::string> types =
        Column("SELECT type FROM pragma_table_info('" + table + "')");
    for (size_t i = 0; i < names.size(); ++i) columns[names[i]] = types[i];
    return columns;
  }
  std::vector<std::string> Tables() {
    return Column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
  }

 private:
  sqlite3* m_db = nullptr;
};

DemoOptions Options(const std::string& out, uint64_t seed, int students) {
  DemoOptions o;
  o.out = out;
  o.seed = seed;
  o.students = students;
  o.yearStart = "2008-08-20";
  return o;
}

// One school of 5,000 students with a full year of attendance, shared by the content tests.
class LargeSchool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new testsupport::TempDir;
    demosis::GenerateDemoDatabase(Options(s_dir->File("large.db"), 2009, 5000));
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  static std::string Path() { return s_dir->File("large.db"); }
  static testsupport::TempDir* s_dir;
};
testsupport::TempDir* LargeSchool::s_dir = nullptr;

TEST(DemoGenerator, SameOptionsGiveTheSameFileAndAnotherSeedAnotherOne) {
  testsupport::TempDir dir;
  demosis::GenerateDemoDatabase(Options(dir.File("a.db"), 42, 120));
  demosis::GenerateDemoDatabase(Options(dir.File("b.db"), 42, 120));
  demosis::GenerateDemoDatabase(Options(dir.File("c.db"), 43, 120));
  const std::string a = testsupport::ReadAll(dir.File("a.db"));
  ASSERT_GT(a.size(), 4096u);
  EXPECT_TRUE(a == testsupport::ReadAll(dir.File("b.db")));
  EXPECT_FALSE(a == testsupport::ReadAll(dir.File("c.db")));
  // Replacing an existing file gives the same bytes as writing a new one.
  demosis::GenerateDemoDatabase(Options(dir.File("c.db"), 42, 120));
  EXPECT_TRUE(a == testsupport::ReadAll(dir.File("c.db")));
}

TEST(DemoGenerator, WithoutLeavesOutExactlyTheNamedColumnsAndTables) {
  testsupport::TempDir dir;
  demosis::GenerateDemoDatabase(Options(dir.File("full.db"), 5, 60));
  DemoOptions variant = Options(dir.File("variant.db"), 5, 60);
  variant.without = {"Student.Pager",    "Student.SpEdCode", "StudentClass.ClassNum",
                     "Event.Count",      "Discipline_Record.Violation", "Absence"};
  demosis::GenerateDemoDatabase(variant);

  Db full(dir.File("full.db")), part(dir.File("variant.db"));
  std::vector<std::string> tables = full.Tables();
  std::vector<std::string> expectedTables;
  for (const std::string& t : tables)
    if (t != "Absence") expectedTables.push_back(t);
  EXPECT_EQ(expectedTables, part.Tables());

  const std::map<std::string, std::set<std::string>> dropped = {
      {"Student", {"Pager", "SpEdCode"}},
      {"StudentClass", {"ClassNum"}},
      {"Event", {"Count"}},
      {"Discipline_Record", {"Violation"}}};
  for (const std::string& table : expectedTables) {
    std::map<std::string, std::string> expected = full.Columns(table);
    const auto it = dropped.find(table);
    if (it != dropped.end()) {
      for (const std::string& c : it->second) EXPECT_EQ(1u, expected.erase(c)) << table << "." << c;
    }
    EXPECT_EQ(expected, part.Columns(table)) << table;
    // The rows are still there, only narrower.
    EXPECT_EQ(full.Count("SELECT COUNT(*) FROM \"" + table + "\""),
              part.Count("SELECT COUNT(*) FROM \"" + table + "\""))
        << table;
  }
}

TEST(DemoGenerator, RefusesUnknownNamesAndBadOptionsWithoutLeavingAFile) {
  testsupport::TempDir dir;
  const std::string out = dir.File("x.db");
  DemoOptions o = Options(out, 1, 10);
  o.without = {"Student.NoSuchColumn"};
  EXPECT_THROW(demosis::GenerateDemoDatabase(o), XException);
  o.without = {"NoSuchTable"};
  EXPECT_THROW(demosis::GenerateDemoDatabase(o), XException);
  o.without.clear();
  o.yearStart = "2009-02-30";
  EXPECT_THROW(demosis::GenerateDemoDatabase(o), XException);
  o.yearStart = "2008-08-20";
  o.tiny = true;  // the tiny content has its own school year
  EXPECT_THROW(demosis::GenerateDemoDatabase(o), XException);
  EXPECT_EQ("", testsupport::ReadAll(out));
}

TEST(DemoGenerator, TinyContentIsStoredExactlyAsListed) {
  testsupport::TempDir dir;
  DemoOptions o;
  o.out = dir.File("tiny.db");
  o.tiny = true;
  const demosis::DemoSummary summary = demosis::GenerateDemoDatabase(o);
  EXPECT_EQ("2008-2009", summary.schoolYear);
  Db db(o.out);
  std::map<std::string, long long> rows;
  std::map<std::string, std::map<std::string, std::string>> types;
  for (const demosis::DemoRow& row : demosis::TinyContent()) {
    ++rows[row.table];
    if (!types.count(row.table)) types[row.table] = db.Columns(row.table);
    // Each listed row is found by all its values together: text byte for byte, numbers by
    // value, NULL as NULL.
    std::string sql = std::string("SELECT COUNT(*) FROM \"") + row.table + "\"";
    const char* joiner = " WHERE ";
    for (const demosis::DemoCell& cell : row.cells) {
      const std::string type = types[row.table][cell.column];
      sql += joiner + ("\"" + std::string(cell.column) + "\"");
      joiner = " AND ";
      if (!cell.value) {
        sql += " IS NULL";
      } else if (type == "REAL" || type == "INTEGER") {
        sql += std::string(" = ") + cell.value;
      } else {
        std::string quoted;
        for (const char* p = cell.value; *p; ++p) quoted += *p == '\'' ? "''" : std::string(1, *p);
        sql += " = '" + quoted + "'";
      }
    }
    EXPECT_EQ(1, db.Count(sql)) << sql;
  }
  for (const auto& [table, count] : rows)
    EXPECT_EQ(count, db.Count("SELECT COUNT(*) FROM \"" + table + "\"")) << table;

  // Spot values in the forms the extracts read them.
  EXPECT_EQ(std::vector<std::string>{"1993-04-15"},
            db.Column("SELECT DOB FROM Student WHERE ID = '1001'"));
  EXPECT_EQ(std::vector<std::string>{"Garc\xC3\xAD" "a-L\xC3\xB3pez"},
            db.Column("SELECT LN FROM Student WHERE ID = '1001'"));
  EXPECT_EQ(std::vector<std::string>{"12 Elm St\nApt 4"},
            db.Column("SELECT Address FROM Student WHERE ID = '1001'"));
  EXPECT_EQ(std::vector<std::string>{"real"},
            db.Column("SELECT typeof(Count) FROM Event WHERE DateOut = '2008-09-03'"));
  EXPECT_EQ(std::vector<std::string>{"0.5"},
            db.Column("SELECT Count FROM Event WHERE DateOut = '2008-09-03'"));
  EXPECT_EQ(std::vector<std::string>{"integer"},
            db.Column("SELECT typeof(ClassRank) FROM Student WHERE ID = '1001'"));
  EXPECT_EQ((std::vector<std::string>{"1001=No", "1002=NULL", "1003=Yes", "1004=No", "1005=NULL",
                                      "1006=Yes", "1007=No", "123=No"}),
            db.Column("SELECT ID || '=' || COALESCE(Inactive, 'NULL') FROM Student ORDER BY ID"));
}

TEST_F(LargeSchool, DeclaredTypesAndDateOnlyValues) {
  Db db(Path());
  for (const std::string& table : db.Tables()) {
    for (const auto& [column, type] : db.Columns(table)) {
      EXPECT_TRUE(type == "TEXT" || type == "DATETIME" || type == "REAL" || type == "INTEGER")
          << table << "." << column << " " << type;
      if (type != "DATETIME") continue;
      // Date-only values compare as text with date literals; a time part would break the
      // attendance windows.
      EXPECT_EQ(0, db.Count("SELECT COUNT(*) FROM \"" + table + "\" WHERE \"" + column +
                            "\" IS NOT NULL AND NOT (\"" + column +
                            "\" GLOB '[12][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]' AND date(\"" +
                            column + "\") = \"" + column + "\")"))
          << table << "." << column;
    }
  }
  for (const char* column : {"Student.DOB", "Absence.Date", "System_Profile.FirstDay_1",
                             "Event.DateOut", "Immunization.tbR3", "Discipline_Record.NotDate"}) {
    const std::string name = column;
    const size_t dot = name.find('.');
    EXPECT_EQ("DATETIME", db.Columns(name.substr(0, dot))[name.substr(dot + 1)]) << name;
  }
  EXPECT_EQ("REAL", db.Columns("Event")["Count"]);
  EXPECT_EQ("REAL", db.Columns("StudentClass")["GradePct_4"]);
  EXPECT_EQ("INTEGER", db.Columns("Discipline_Record")["Days"]);
}

TEST_F(LargeSchool, HoldsAFullSchoolYearForEveryStudent) {
  Db db(Path());
  EXPECT_EQ(5000, db.Count("SELECT COUNT(DISTINCT ID) FROM Student"));
  EXPECT_EQ(2, db.Count("SELECT COUNT(DISTINCT BuildingNum) FROM System_Profile"));
  EXPECT_EQ(2, db.Count("SELECT COUNT(DISTINCT BuildingNum) FROM Student"));
  // Attendance on school days from the first to the last month of the year, never on a weekend
  // or a whole day out.
  EXPECT_EQ(std::vector<std::string>{"2008-08"},
            db.Column("SELECT substr(MIN(Date), 1, 7) FROM Absence WHERE SchoolYear = '2008-2009'"));
  EXPECT_EQ(std::vector<std::string>{"2009-06"},
            db.Column("SELECT substr(MAX(Date), 1, 7) FROM Absence WHERE SchoolYear = '2008-2009'"));
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Absence"), 20000);
  EXPECT_EQ(0, db.Count("SELECT COUNT(*) FROM Absence WHERE strftime('%w', Date) IN ('0', '6')"));
  EXPECT_EQ(0, db.Count("SELECT COUNT(*) FROM Absence A JOIN Event E ON E.DateOut = A.Date "
                        "WHERE E.Status = 'Day Out' AND E.Count >= 1"));
  // Every student has classes, and every class row names a teacher of the staff.
  EXPECT_EQ(5000, db.Count("SELECT COUNT(DISTINCT ID) FROM StudentClass"));
  EXPECT_EQ(0, db.Count("SELECT COUNT(*) FROM StudentClass WHERE ClassNum <> '' AND Teacher "
                        "NOT IN (SELECT PersonnelDisplay FROM Personnel)"));
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM Personnel"),
            db.Count("SELECT COUNT(DISTINCT PersonnelDisplay) FROM Personnel"));
  // A class is the same class for all its students.
  EXPECT_EQ(0, db.Count("SELECT COUNT(*) FROM (SELECT ClassNum FROM StudentClass WHERE ClassNum "
                        "<> '' AND SchoolYear = '2008-2009' GROUP BY ClassNum HAVING "
                        "COUNT(DISTINCT Description || Period || Term || Teacher) > 1)"));
}

TEST_F(LargeSchool, CarriesTheAwkwardValuesOfARealSis) {
  Db db(Path());
  // Active, inactive and unset students; class rows whose flag is empty.
  for (const char* where : {"Inactive = 'No'", "Inactive = 'Yes'", "Inactive IS NULL"})
    EXPECT_GT(db.Count(std::string("SELECT COUNT(*) FROM Student WHERE ") + where), 50) << where;
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM StudentClass WHERE Inactive = ''"), 0);
  // Text with tabs, both quotes, line breaks of both kinds, Windows-1252 letters in UTF-8.
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"Memo", "\t"},   {"Memo", "\""},          {"Memo", "\r\n"},     {"Address", "\n"},
      {"LN", "'"},      {"Comment", "\xE2\x82\xAC"}, {"FN", "\xC3\xA9"}, {"LN", "\xC3\xBC"},
      {"LN", "\xC3\xB1"}};
  for (const auto& [column, needle] : texts) {
    std::string literal;
    for (char c : needle) literal += c == '\'' ? "''" : std::string(1, c);
    EXPECT_GT(db.Count("SELECT COUNT(*) FROM Student WHERE instr(\"" + column + "\", '" + literal +
                       "') > 0"),
              0)
        << column << " " << needle;
  }
  // Multi-line treatments, empty class numbers, last year's rows.
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Medical_Note WHERE instr(Allergy, char(10)) > 0"), 0);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM StudentClass WHERE ClassNum = ''"), 0);
  for (const char* table : {"StudentClass", "Discipline_Record", "Absence"})
    EXPECT_GT(db.Count(std::string("SELECT COUNT(*) FROM ") + table +
                       " WHERE SchoolYear = '2007-2008'"),
              0)
        << table;
  // Period lists of daily and class items, with blanks on either side of a comma.
  for (const char* period : {"1,2,AM", "1 ,2", "AM", "3"})
    EXPECT_GT(db.Count(std::string("SELECT COUNT(*) FROM Absence WHERE Period = '") + period + "'"),
              0)
        << period;
  for (const char* type : {"Excused", "excused", "Unexcused", ""})
    EXPECT_GT(db.Count(std::string("SELECT COUNT(*) FROM Absence WHERE Type = '") + type + "'"), 0)
        << type;
  // Conduct records with neither infraction nor violation, and suspensions.
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Discipline_Record WHERE COALESCE(Infraction, '') = '' "
                     "AND COALESCE(Violation, '') = ''"),
            0);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Discipline_Record WHERE FromSuspension IS NOT NULL"), 0);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Discipline_Record WHERE Notified = 'yes'"), 0);
  // Half days out, and events that are not days out.
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Event WHERE Status = 'Day Out' AND Count = 0.5"), 0);
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Event WHERE Status <> 'Day Out'"), 0);
  // Special education codes: empty text and blanks only are not codes.
  EXPECT_GT(db.Count("SELECT COUNT(*) FROM Student WHERE SpEdCode = '' AND SpEdCode2 = '  '"), 0);
}

}  // namespace
