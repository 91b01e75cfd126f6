// The texts every database type produces, recorded: connection strings, the SQL of the table
// and field probes, and date literals. Any change to one of them changes what is sent to a
// school's database, so each is pinned for every type, including one the access does not know.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "DataTestSupport.h"
#include "foundation/XDate.h"
#include "foundation/XException.h"

using datatest::Access;

namespace {

const int32_t kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 99};

std::string Show(const char* text) { return text ? std::string("\"") + text + "\"" : "null"; }

// What the log says about a line: its text without the time stamp in front.
std::string Message(const std::string& line) { return line.substr(line.find(' ') + 1); }

std::string Connection(int32_t type, const char* ds, const char* user, const char* password,
                       bool withLog = false) {
  Access access;
  access->Connection().SetDatabaseType(type);
  access->Connection().SetDataSource("C:\\Data\\");
  std::string text;
  try {
    text = access->Connection().BuildConnectionString(ds, user, password).ToStd();
  } catch (const XException& error) {
    text = std::string("throws ") + error.Text();
  }
  if (withLog) {
    for (const std::string& line : access.log.lines) text += " | " + Message(line);
  }
  return text;
}

// The probe's lines in the log: the SQL it ran, or why it ran none. The access is not
// connected, so no probe finds anything and a catalogue query that may not be readable gives
// way to its fallback.
std::string ProbeLines(int32_t type, bool quoteTables, bool quoteFields, const char* field) {
  Access access;
  access->Connection().SetDatabaseType(type);
  access->Schema().SetQuoteTables(quoteTables);
  access->Schema().SetQuoteFields(quoteFields);
  const char* table = quoteTables ? "\"Stu'dent\"" : "Stu'dent";
  bool found = field ? access->Schema().DoFieldExists(table, field) : access->Schema().DoTableExists(table);
  std::string lines = found ? "found" : "missing";
  for (const std::string& line : access.log.lines) {
    const std::string message = Message(line);
    for (const char* mark : {"Table Exists query:", "Field Exists query:", "DB Type not defined", "Need to define"}) {
      if (message.rfind(mark, 0) == 0) lines += " | " + message;
    }
  }
  return lines;
}

std::string Date(int32_t type, int32_t day) {
  Access access;
  access->Connection().SetDatabaseType(type);
  access->Schema().SetXBaseDatePattern("dd.mm.yyyy");
  try {
    return access->Schema().SQLDate(day).ToStd();
  } catch (const XException& error) {
    return std::string("throws ") + error.Text();
  }
}

// One line per type and case: "<type> <case>: [<text>]".
std::vector<std::string> Listing() {
  struct Credentials {
    const char* ds;
    const char* user;
    const char* password;
  };
  const Credentials credentials[] = {
      {"DS", "u", "p"}, {"DS", nullptr, nullptr}, {"DS", "", ""}, {"SIS; School ", nullptr, "p"}, {nullptr, "u", nullptr}};
  std::vector<std::string> lines;
  for (int32_t type : kTypes) {
    const std::string prefix = std::to_string(type) + " ";
    lines.push_back(prefix + "connect with log: [" + Connection(type, "DS", "u", "p", true) + "]");
    for (const Credentials& c : credentials) {
      lines.push_back(prefix + "connect(" + Show(c.ds) + "," + Show(c.user) + "," + Show(c.password) +
                      "): [" + Connection(type, c.ds, c.user, c.password) + "]");
    }
    lines.push_back(prefix + "table: [" + ProbeLines(type, false, false, nullptr) + "]");
    lines.push_back(prefix + "table quoted: [" + ProbeLines(type, true, false, nullptr) + "]");
    lines.push_back(prefix + "field: [" + ProbeLines(type, false, false, "Last\"Name") + "]");
    lines.push_back(prefix + "field quoted tables: [" + ProbeLines(type, true, false, "LastName") + "]");
    lines.push_back(prefix + "field quoted fields: [" + ProbeLines(type, false, true, "LastName") + "]");
    lines.push_back(prefix + "field quoted both: [" + ProbeLines(type, true, true, "LastName") + "]");
    lines.push_back(prefix + "date 2009-03-05: [" + Date(type, XDate::FromYMD(2009, 3, 5)) + "]");
    lines.push_back(prefix + "date 1800-12-27: [" + Date(type, XDate::FromYMD(1800, 12, 27)) + "]");
  }
  return lines;
}

// Recorded from the access before its per-type texts moved into one table.
const char* const kRecorded = R"rec(
0 connect with log: [throws Can't build connection string for unknown database type. | Build Connection String for:  | Can't build connection string for unknown database type.]
0 connect("DS","u","p"): [throws Can't build connection string for unknown database type.]
0 connect("DS",null,null): [throws Can't build connection string for unknown database type.]
0 connect("DS","",""): [throws Can't build connection string for unknown database type.]
0 connect("SIS; School ",null,"p"): [throws Can't build connection string for unknown database type.]
0 connect(null,"u",null): [throws Can't build connection string for unknown database type.]
0 table: [missing | Table Exists query:Stu'dent | DB Type not defined for TableExists yet, feel free to do so.]
0 table quoted: [missing | Table Exists query:"Stu'dent" | DB Type not defined for TableExists yet, feel free to do so.]
0 field: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
0 field quoted tables: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
0 field quoted fields: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
0 field quoted both: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
0 date 2009-03-05: [throws DB Type not defined for XODBC::SQLDate yet, feel free to do so.]
0 date 1800-12-27: [throws DB Type not defined for XODBC::SQLDate yet, feel free to do so.]
1 connect with log: [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV; | Build Connection String for: dBase IV (ODBC)]
1 connect("DS","u","p"): [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV;]
1 connect("DS",null,null): [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV;]
1 connect("DS","",""): [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV;]
1 connect("SIS; School ",null,"p"): [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV;]
1 connect(null,"u",null): [Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\Data\;Extended Properties=dBASE IV;]
1 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT * FROM Stu'dent]
1 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT * FROM "Stu'dent"]
1 field: [missing | Field Exists query:SELECT Last"Name FROM Stu'dent]
1 field quoted tables: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
1 field quoted fields: [missing | Field Exists query:SELECT LastName FROM Stu'dent]
1 field quoted both: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
1 date 2009-03-05: [#05-Mar-2009#]
1 date 1800-12-27: [#27-Dec-1800#]
2 connect with log: [DS | Build Connection String for: dBase IV (XBase) | dBase IV (XBase)]
2 connect("DS","u","p"): [DS]
2 connect("DS",null,null): [DS]
2 connect("DS","",""): [DS]
2 connect("SIS; School ",null,"p"): [SIS; School ]
2 connect(null,"u",null): []
2 table: [missing | Table Exists query:Stu'dent | Need to define USE_XBASE!!]
2 table quoted: [missing | Table Exists query:"Stu'dent" | Need to define USE_XBASE!!]
2 field: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
2 field quoted tables: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
2 field quoted fields: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
2 field quoted both: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
2 date 2009-03-05: [05.03.2009]
2 date 1800-12-27: [27.12.1800]
3 connect with log: [Persist Security Info=False;Data Source=DS;Collating Sequence=machine;User ID=u;Password=p; | Build Connection String for: FoxPro (ODBC)]
3 connect("DS","u","p"): [Persist Security Info=False;Data Source=DS;Collating Sequence=machine;User ID=u;Password=p;]
3 connect("DS",null,null): [Persist Security Info=False;Data Source=DS;Collating Sequence=machine;]
3 connect("DS","",""): [Persist Security Info=False;Data Source=DS;Collating Sequence=machine;User ID=;Password=;]
3 connect("SIS; School ",null,"p"): [Persist Security Info=False;Data Source={SIS; School };Collating Sequence=machine;Password=p;]
3 connect(null,"u",null): [Persist Security Info=False;Data Source=;Collating Sequence=machine;User ID=u;]
3 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT * FROM Stu'dent]
3 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT * FROM "Stu'dent"]
3 field: [missing | Field Exists query:SELECT Last"Name FROM Stu'dent]
3 field quoted tables: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
3 field quoted fields: [missing | Field Exists query:SELECT LastName FROM Stu'dent]
3 field quoted both: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
3 date 2009-03-05: [{^2009/03/05}]
3 date 1800-12-27: [{^1800/12/27}]
4 connect with log: [Provider=VFPOLEDB.1;Data Source=DS;Collating Sequence=MACHINE | Build Connection String for: FoxPro (DBF) | Build Connection String: Fox Pro DBF Driver]
4 connect("DS","u","p"): [Provider=VFPOLEDB.1;Data Source=DS;Collating Sequence=MACHINE]
4 connect("DS",null,null): [Provider=VFPOLEDB.1;Data Source=DS;Collating Sequence=MACHINE]
4 connect("DS","",""): [Provider=VFPOLEDB.1;Data Source=DS;Collating Sequence=MACHINE]
4 connect("SIS; School ",null,"p"): [Provider=VFPOLEDB.1;Data Source={SIS; School };Collating Sequence=MACHINE]
4 connect(null,"u",null): [Provider=VFPOLEDB.1;Data Source=;Collating Sequence=MACHINE]
4 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT COUNT(*) FROM Stu'dent]
4 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT COUNT(*) FROM "Stu'dent"]
4 field: [missing | Field Exists query:SELECT COUNT(Last"Name) FROM Stu'dent]
4 field quoted tables: [missing | Field Exists query:SELECT COUNT(LastName) FROM "Stu'dent"]
4 field quoted fields: [missing | Field Exists query:SELECT COUNT(LastName) FROM Stu'dent]
4 field quoted both: [missing | Field Exists query:SELECT COUNT(LastName) FROM "Stu'dent"]
4 date 2009-03-05: [{^2009/03/05}]
4 date 1800-12-27: [{^1800/12/27}]
5 connect with log: [Provider=MSDASQL;Persist Security Info=False;Data Source=DS;User ID=u;Password=p; | Build Connection String for: MSSQL]
5 connect("DS","u","p"): [Provider=MSDASQL;Persist Security Info=False;Data Source=DS;User ID=u;Password=p;]
5 connect("DS",null,null): [Provider=MSDASQL;Persist Security Info=False;Data Source=DS;Trusted_Connection=yes;]
5 connect("DS","",""): [Provider=MSDASQL;Persist Security Info=False;Data Source=DS;Trusted_Connection=yes;]
5 connect("SIS; School ",null,"p"): [Provider=MSDASQL;Persist Security Info=False;Data Source=SIS;Database=School;Trusted_Connection=yes;]
5 connect(null,"u",null): [Provider=MSDASQL;Persist Security Info=False;Data Source=;User ID=u;]
5 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('Stu'dent')]
5 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('"Stu'dent"')]
5 field: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('Stu'dent') AND UPPER(syscolumns.name) = UPPER('Last"Name')]
5 field quoted tables: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('"Stu'dent"') AND UPPER(syscolumns.name) = UPPER('LastName')]
5 field quoted fields: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('Stu'dent') AND UPPER(syscolumns.name) = UPPER('LastName')]
5 field quoted both: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('"Stu'dent"') AND UPPER(syscolumns.name) = UPPER('LastName')]
5 date 2009-03-05: ['20090305']
5 date 1800-12-27: ['18001227']
6 connect with log: [Data Source=DS;User Id=u;Password=p; | Build Connection String for: MySQL]
6 connect("DS","u","p"): [Data Source=DS;User Id=u;Password=p;]
6 connect("DS",null,null): [Data Source=DS;User Id=;Password=;]
6 connect("DS","",""): [Data Source=DS;User Id=;Password=;]
6 connect("SIS; School ",null,"p"): [Data Source={SIS; School };User Id=;Password=p;]
6 connect(null,"u",null): [Data Source=;User Id=u;Password=;]
6 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = 'Stu'dent')]
6 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = '"Stu'dent"')]
6 field: [missing | Field Exists query:SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = 'Stu'dent' AND column_name = 'Last"Name')]
6 field quoted tables: [missing | Field Exists query:SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = '"Stu'dent"' AND column_name = 'LastName')]
6 field quoted fields: [missing | Field Exists query:SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = 'Stu'dent' AND column_name = 'LastName')]
6 field quoted both: [missing | Field Exists query:SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = '"Stu'dent"' AND column_name = 'LastName')]
6 date 2009-03-05: ['2009-03-05']
6 date 1800-12-27: ['1800-12-27']
7 connect with log: [Database=DS | Build Connection String for: SQLite]
7 connect("DS","u","p"): [Database=DS]
7 connect("DS",null,null): [Database=DS]
7 connect("DS","",""): [Database=DS]
7 connect("SIS; School ",null,"p"): [Database={SIS; School }]
7 connect(null,"u",null): [Database=]
7 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT * FROM sqlite_master WHERE type='table' AND name='Stu'dent']
7 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT * FROM sqlite_master WHERE type='table' AND name='"Stu'dent"']
7 field: [missing | Field Exists query:SELECT name FROM pragma_table_info('Stu'dent') WHERE name = 'Last"Name' COLLATE NOCASE]
7 field quoted tables: [missing | Field Exists query:SELECT name FROM pragma_table_info('"Stu'dent"') WHERE name = 'LastName' COLLATE NOCASE]
7 field quoted fields: [missing | Field Exists query:SELECT name FROM pragma_table_info('Stu'dent') WHERE name = 'LastName' COLLATE NOCASE]
7 field quoted both: [missing | Field Exists query:SELECT name FROM pragma_table_info('"Stu'dent"') WHERE name = 'LastName' COLLATE NOCASE]
7 date 2009-03-05: ['2009-03-05']
7 date 1800-12-27: ['1800-12-27']
8 connect with log: [DB2OLEDB | Build Connection String for: DB2]
8 connect("DS","u","p"): [DB2OLEDB]
8 connect("DS",null,null): [DB2OLEDB]
8 connect("DS","",""): [DB2OLEDB]
8 connect("SIS; School ",null,"p"): [DB2OLEDB]
8 connect(null,"u",null): [DB2OLEDB]
8 table: [missing | Table Exists query:Stu'dent | DB Type not defined for TableExists yet, feel free to do so.]
8 table quoted: [missing | Table Exists query:"Stu'dent" | DB Type not defined for TableExists yet, feel free to do so.]
8 field: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
8 field quoted tables: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
8 field quoted fields: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
8 field quoted both: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
8 date 2009-03-05: ['2009-03-05']
8 date 1800-12-27: ['1800-12-27']
9 connect with log: [Persist Security Info=False;Data Source=DS;User ID=u;Password=p | Build Connection String for: Access]
9 connect("DS","u","p"): [Persist Security Info=False;Data Source=DS;User ID=u;Password=p]
9 connect("DS",null,null): [Persist Security Info=False;Data Source=DS]
9 connect("DS","",""): [Persist Security Info=False;Data Source=DS;User ID=;Password=]
9 connect("SIS; School ",null,"p"): [Persist Security Info=False;Data Source={SIS; School };Password=p]
9 connect(null,"u",null): [Persist Security Info=False;Data Source=;User ID=u]
9 table: [missing | Table Exists query:Stu'dent | Table Exists query:Select COUNT(*) From Stu'dent]
9 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:Select COUNT(*) From ""Stu'dent""]
9 field: [missing | Field Exists query:Select COUNT(Last"Name) From Stu'dent]
9 field quoted tables: [missing | Field Exists query:Select COUNT(LastName) From ""Stu'dent""]
9 field quoted fields: [missing | Field Exists query:Select COUNT("LastName") From Stu'dent]
9 field quoted both: [missing | Field Exists query:Select COUNT("LastName") From ""Stu'dent""]
9 date 2009-03-05: [#05-Mar-2009#]
9 date 1800-12-27: [#27-Dec-1800#]
10 connect with log: [DSN=DS;UID=u;PWD=p | Build Connection String for: Postgres]
10 connect("DS","u","p"): [DSN=DS;UID=u;PWD=p]
10 connect("DS",null,null): [DSN=DS]
10 connect("DS","",""): [DSN=DS]
10 connect("SIS; School ",null,"p"): [DSN={SIS; School };PWD=p]
10 connect(null,"u",null): [DSN=;UID=u]
10 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = 'Stu''dent']
10 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = 'Stu''dent']
10 field: [missing | Field Exists query:SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = 'Stu''dent' AND pg_class.oid = attrelid  AND attnum > 0 AND attname='Last"Name']
10 field quoted tables: [missing | Field Exists query:SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = 'Stu''dent' AND pg_class.oid = attrelid  AND attnum > 0 AND attname='LastName']
10 field quoted fields: [missing | Field Exists query:SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = 'Stu''dent' AND pg_class.oid = attrelid  AND attnum > 0 AND attname='LastName']
10 field quoted both: [missing | Field Exists query:SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = 'Stu''dent' AND pg_class.oid = attrelid  AND attnum > 0 AND attname='LastName']
10 date 2009-03-05: ['03/05/2009']
10 date 1800-12-27: ['12/27/1800']
11 connect with log: [Data Source=DS;User ID=u;Password=p;Persist Security Info=True; | Build Connection String for: Oracle (ODBC)]
11 connect("DS","u","p"): [Data Source=DS;User ID=u;Password=p;Persist Security Info=True;]
11 connect("DS",null,null): [Data Source=DS;Persist Security Info=True;]
11 connect("DS","",""): [Data Source=DS;User ID=;Password=;Persist Security Info=True;]
11 connect("SIS; School ",null,"p"): [Data Source={SIS; School };Password=p;Persist Security Info=True;]
11 connect(null,"u",null): [Data Source=;User ID=u;Persist Security Info=True;]
11 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent')]
11 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"')]
11 field: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('Last"Name')]
11 field quoted tables: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
11 field quoted fields: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('LastName')]
11 field quoted both: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
11 date 2009-03-05: [TO_DATE( '20090305', 'YYYYMMDD' )]
11 date 1800-12-27: [TO_DATE( '18001227', 'YYYYMMDD' )]
12 connect with log: [Provider=OraOLEDB.Oracle;Data Source=DS;User ID=u;Password=p;Persist Security Info=True; | Build Connection String for: Oracle (OLE)]
12 connect("DS","u","p"): [Provider=OraOLEDB.Oracle;Data Source=DS;User ID=u;Password=p;Persist Security Info=True;]
12 connect("DS",null,null): [Provider=OraOLEDB.Oracle;Data Source=DS;Persist Security Info=True;]
12 connect("DS","",""): [Provider=OraOLEDB.Oracle;Data Source=DS;User ID=;Password=;Persist Security Info=True;]
12 connect("SIS; School ",null,"p"): [Provider=OraOLEDB.Oracle;Data Source={SIS; School };Password=p;Persist Security Info=True;]
12 connect(null,"u",null): [Provider=OraOLEDB.Oracle;Data Source=;User ID=u;Persist Security Info=True;]
12 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent')]
12 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"')]
12 field: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('Last"Name')]
12 field quoted tables: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
12 field quoted fields: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('LastName')]
12 field quoted both: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
12 date 2009-03-05: [TO_DATE( '20090305', 'YYYYMMDD' )]
12 date 1800-12-27: [TO_DATE( '18001227', 'YYYYMMDD' )]
13 connect with log: [Provider=MSDAORA;Data Source=DS;User ID=u;Password=p;Persist Security Info=True; | Build Connection String for: Oracle Microsoft OLE (MSDAORA)]
13 connect("DS","u","p"): [Provider=MSDAORA;Data Source=DS;User ID=u;Password=p;Persist Security Info=True;]
13 connect("DS",null,null): [Provider=MSDAORA;Data Source=DS;Persist Security Info=True;]
13 connect("DS","",""): [Provider=MSDAORA;Data Source=DS;User ID=;Password=;Persist Security Info=True;]
13 connect("SIS; School ",null,"p"): [Provider=MSDAORA;Data Source={SIS; School };Password=p;Persist Security Info=True;]
13 connect(null,"u",null): [Provider=MSDAORA;Data Source=;User ID=u;Persist Security Info=True;]
13 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent')]
13 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"')]
13 field: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('Last"Name')]
13 field quoted tables: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
13 field quoted fields: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Stu'dent') AND UPPER(column_name) = UPPER('LastName')]
13 field quoted both: [missing | Field Exists query:SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('"Stu'dent"') AND UPPER(column_name) = UPPER('LastName')]
13 date 2009-03-05: [TO_DATE( '20090305', 'YYYYMMDD' )]
13 date 1800-12-27: [TO_DATE( '18001227', 'YYYYMMDD' )]
14 connect with log: [Provider=Sybase ASE OLE DB Provider;Data source=DS;User Id=u;Password=p; | Build Connection String for: Sybase (OLE)]
14 connect("DS","u","p"): [Provider=Sybase ASE OLE DB Provider;Data source=DS;User Id=u;Password=p;]
14 connect("DS",null,null): [Provider=Sybase ASE OLE DB Provider;Data source=DS;]
14 connect("DS","",""): [Provider=Sybase ASE OLE DB Provider;Data source=DS;User Id=;Password=;]
14 connect("SIS; School ",null,"p"): [Provider=Sybase ASE OLE DB Provider;Data source={SIS; School };Password=p;]
14 connect(null,"u",null): [Provider=Sybase ASE OLE DB Provider;Data source=;User Id=u;]
14 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT COUNT(*) FROM Stu'dent]
14 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT COUNT(*) FROM "Stu'dent"]
14 field: [missing | Field Exists query:SELECT Last"Name FROM Stu'dent]
14 field quoted tables: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
14 field quoted fields: [missing | Field Exists query:SELECT LastName FROM Stu'dent]
14 field quoted both: [missing | Field Exists query:SELECT LastName FROM "Stu'dent"]
14 date 2009-03-05: ['2009-03-05']
14 date 1800-12-27: ['1800-12-27']
15 connect with log: [DSN=DS;UID=u;PWD=p; | Build Connection String for: Sybase ODBC]
15 connect("DS","u","p"): [DSN=DS;UID=u;PWD=p;]
15 connect("DS",null,null): [DSN=DS;]
15 connect("DS","",""): [DSN=DS;UID=;PWD=;]
15 connect("SIS; School ",null,"p"): [DSN={SIS; School };PWD=p;]
15 connect(null,"u",null): [DSN=;UID=u;]
15 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('Stu'dent')]
15 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('"Stu'dent"')]
15 field: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('Stu'dent') AND UPPER(syscolumns.name) = UPPER('Last"Name')]
15 field quoted tables: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('"Stu'dent"') AND UPPER(syscolumns.name) = UPPER('LastName')]
15 field quoted fields: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('Stu'dent') AND UPPER(syscolumns.name) = UPPER('LastName')]
15 field quoted both: [missing | Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('"Stu'dent"') AND UPPER(syscolumns.name) = UPPER('LastName')]
15 date 2009-03-05: ['2009-03-05']
15 date 1800-12-27: ['1800-12-27']
16 connect with log: [DSN=DS;UID=u;PWD=p | Build Connection String for: Progress]
16 connect("DS","u","p"): [DSN=DS;UID=u;PWD=p]
16 connect("DS",null,null): [DSN=DS]
16 connect("DS","",""): [DSN=DS;UID=;PWD=]
16 connect("SIS; School ",null,"p"): [DSN={SIS; School };PWD=p]
16 connect(null,"u",null): [DSN=;UID=u]
16 table: [missing | Table Exists query:Stu'dent | Table Exists query:SELECT DISTINCT tbl FROM sysprogress."SYSTABLES" WHERE UPPER(tbl) = UPPER('Stu'dent')]
16 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:SELECT DISTINCT tbl FROM sysprogress."SYSTABLES" WHERE UPPER(tbl) = UPPER('"Stu'dent"')]
16 field: [missing | Field Exists query:SELECT "_Field-Name" FROM pub."_field" WHERE "_Field-Name" = 'Last"Name' AND "_file-recid" = (SELECT ROWID FROM pub."_file" WHERE "_file-name" = 'Stu'dent')]
16 field quoted tables: [missing | Field Exists query:SELECT "_Field-Name" FROM pub."_field" WHERE "_Field-Name" = 'LastName' AND "_file-recid" = (SELECT ROWID FROM pub."_file" WHERE "_file-name" = '"Stu'dent"')]
16 field quoted fields: [missing | Field Exists query:SELECT "_Field-Name" FROM pub."_field" WHERE "_Field-Name" = 'LastName' AND "_file-recid" = (SELECT ROWID FROM pub."_file" WHERE "_file-name" = 'Stu'dent')]
16 field quoted both: [missing | Field Exists query:SELECT "_Field-Name" FROM pub."_field" WHERE "_Field-Name" = 'LastName' AND "_file-recid" = (SELECT ROWID FROM pub."_file" WHERE "_file-name" = '"Stu'dent"')]
16 date 2009-03-05: ['2009-03-05']
16 date 1800-12-27: ['1800-12-27']
17 connect with log: [throws Database type not yet defined for BuildConnectionString, please define. | Build Connection String for: Mimer | Database type not yet defined for BuildConnectionString, please define.]
17 connect("DS","u","p"): [throws Database type not yet defined for BuildConnectionString, please define.]
17 connect("DS",null,null): [throws Database type not yet defined for BuildConnectionString, please define.]
17 connect("DS","",""): [throws Database type not yet defined for BuildConnectionString, please define.]
17 connect("SIS; School ",null,"p"): [throws Database type not yet defined for BuildConnectionString, please define.]
17 connect(null,"u",null): [throws Database type not yet defined for BuildConnectionString, please define.]
17 table: [missing | Table Exists query:Stu'dent | DB Type not defined for TableExists yet, feel free to do so.]
17 table quoted: [missing | Table Exists query:"Stu'dent" | DB Type not defined for TableExists yet, feel free to do so.]
17 field: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
17 field quoted tables: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
17 field quoted fields: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
17 field quoted both: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
17 date 2009-03-05: ['2009-03-05']
17 date 1800-12-27: ['1800-12-27']
18 connect with log: [DSN=DS;UID=u;PWD=p; | Build Connection String for: Informix]
18 connect("DS","u","p"): [DSN=DS;UID=u;PWD=p;]
18 connect("DS",null,null): [DSN=DS;]
18 connect("DS","",""): [DSN=DS;]
18 connect("SIS; School ",null,"p"): [DSN={SIS; School };PWD=p;]
18 connect(null,"u",null): [DSN=;UID=u;]
18 table: [missing | Table Exists query:Stu'dent | Table Exists query:Select COUNT(*) From Stu'dent]
18 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:Select COUNT(*) From "Stu'dent"]
18 field: [missing | Field Exists query:Select COUNT(Last"Name) From Stu'dent]
18 field quoted tables: [missing | Field Exists query:Select COUNT(LastName) From "Stu'dent"]
18 field quoted fields: [missing | Field Exists query:Select COUNT(LastName) From Stu'dent]
18 field quoted both: [missing | Field Exists query:Select COUNT(LastName) From "Stu'dent"]
18 date 2009-03-05: [TO_DATE("03/05/2009","%m/%d/%Y")]
18 date 1800-12-27: [TO_DATE("12/27/1800","%m/%d/%Y")]
19 connect with log: [DSN=DS;UID=u;PWD=p | Build Connection String for: Top Speed]
19 connect("DS","u","p"): [DSN=DS;UID=u;PWD=p]
19 connect("DS",null,null): [DSN=DS]
19 connect("DS","",""): [DSN=DS;UID=;PWD=]
19 connect("SIS; School ",null,"p"): [DSN={SIS; School };PWD=p]
19 connect(null,"u",null): [DSN=;UID=u]
19 table: [missing | Table Exists query:Stu'dent | Table Exists query:Select COUNT(*) From Stu'dent]
19 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:Select COUNT(*) From "Stu'dent"]
19 field: [missing | Field Exists query:Select COUNT(Last"Name) From Stu'dent]
19 field quoted tables: [missing | Field Exists query:Select COUNT(LastName) From "Stu'dent"]
19 field quoted fields: [missing | Field Exists query:Select COUNT("LastName") From Stu'dent]
19 field quoted both: [missing | Field Exists query:Select COUNT("LastName") From "Stu'dent"]
19 date 2009-03-05: [76038]
19 date 1800-12-27: [-1]
20 connect with log: [DSN=DS;Uid=u;Pwd=p; | Build Connection String for: Lotus Notes]
20 connect("DS","u","p"): [DSN=DS;Uid=u;Pwd=p;]
20 connect("DS",null,null): [DSN=DS;Uid=;Pwd=;]
20 connect("DS","",""): [DSN=DS;Uid=;Pwd=;]
20 connect("SIS; School ",null,"p"): [DSN={SIS; School };Uid=;Pwd=p;]
20 connect(null,"u",null): [DSN=;Uid=u;Pwd=;]
20 table: [missing | Table Exists query:Stu'dent | Table Exists query:Select COUNT(*) From Stu'dent]
20 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:Select COUNT(*) From "Stu'dent"]
20 field: [missing | Field Exists query:SELECT "Last"Name" FROM "Stu'dent"]
20 field quoted tables: [missing | Field Exists query:SELECT "LastName" FROM ""Stu'dent""]
20 field quoted fields: [missing | Field Exists query:SELECT "LastName" FROM "Stu'dent"]
20 field quoted both: [missing | Field Exists query:SELECT "LastName" FROM ""Stu'dent""]
20 date 2009-03-05: ['2009-03-05']
20 date 1800-12-27: ['1800-12-27']
21 connect with log: [DSN=DS;Uid=u;Pwd=p; | Build Connection String for: CA-Datacom]
21 connect("DS","u","p"): [DSN=DS;Uid=u;Pwd=p;]
21 connect("DS",null,null): [DSN=DS;Uid=;Pwd=;]
21 connect("DS","",""): [DSN=DS;Uid=;Pwd=;]
21 connect("SIS; School ",null,"p"): [DSN={SIS; School };Uid=;Pwd=p;]
21 connect(null,"u",null): [DSN=;Uid=u;Pwd=;]
21 table: [missing | Table Exists query:Stu'dent | Table Exists query:Select COUNT(*) From Stu'dent]
21 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:Select COUNT(*) From "Stu'dent"]
21 field: [missing | Field Exists query:Select COUNT(Last"Name) From Stu'dent]
21 field quoted tables: [missing | Field Exists query:Select COUNT(LastName) From "Stu'dent"]
21 field quoted fields: [missing | Field Exists query:Select COUNT(LastName) From Stu'dent]
21 field quoted both: [missing | Field Exists query:Select COUNT(LastName) From "Stu'dent"]
21 date 2009-03-05: ['20090305']
21 date 1800-12-27: ['18001227']
99 connect with log: [throws Database type not yet defined for BuildConnectionString, please define. | Build Connection String for:  | Database type not yet defined for BuildConnectionString, please define.]
99 connect("DS","u","p"): [throws Database type not yet defined for BuildConnectionString, please define.]
99 connect("DS",null,null): [throws Database type not yet defined for BuildConnectionString, please define.]
99 connect("DS","",""): [throws Database type not yet defined for BuildConnectionString, please define.]
99 connect("SIS; School ",null,"p"): [throws Database type not yet defined for BuildConnectionString, please define.]
99 connect(null,"u",null): [throws Database type not yet defined for BuildConnectionString, please define.]
99 table: [missing | Table Exists query:Stu'dent | Table Exists query:]
99 table quoted: [missing | Table Exists query:"Stu'dent" | Table Exists query:]
99 field: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
99 field quoted tables: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
99 field quoted fields: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
99 field quoted both: [missing | DB Type not defined for FieldExists yet, feel free to do so.]
99 date 2009-03-05: [throws DB Type not defined for XODBC::SQLDate yet, feel free to do so.]
99 date 1800-12-27: [throws DB Type not defined for XODBC::SQLDate yet, feel free to do so.]
)rec";

std::vector<std::string> SplitLines(const char* text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

TEST(DatabaseTypeTexts, EveryTypeProducesItsRecordedTexts) {
  const std::vector<std::string> expected = SplitLines(kRecorded);
  const std::vector<std::string> actual = Listing();
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]);
}

namespace {

char CheckLetter(ProbeCheck check) {
  switch (check) {
    case ProbeCheck::kNoProbe: return '-';
    case ProbeCheck::kOpens: return 'O';
    case ProbeCheck::kHasRecords: return 'H';
    case ProbeCheck::kFirstValue: return 'F';
  }
  return '?';
}

}  // namespace

TEST(ProbeQuery, EachTypeDecidesByItsOwnCheck) {
  Access access;
  std::string tableChecks, fieldChecks;
  for (int32_t type : kTypes) {
    access->Connection().SetDatabaseType(type);
    tableChecks += CheckLetter(access->Schema().TableProbeQuery("T").check);
    fieldChecks += CheckLetter(access->Schema().FieldProbeQuery("T", "F").check);
  }
  // Types 0..21, then 99: none, opens, has records, first value.
  EXPECT_EQ(tableChecks, "-O-OOHHH-HHHHHOHH-FOOFO");
  EXPECT_EQ(fieldChecks, "-O-OOHHH-HHHHHOHH-FOOH-");

  Access bySelect(0x01 | kProbeBySelect);
  bySelect->Connection().SetDatabaseType(kDbNone);
  ODBCSchema::ProbeQuery query = bySelect->Schema().FieldProbeQuery("T", "F");
  EXPECT_EQ(CheckLetter(query.check), 'O');
  EXPECT_EQ(query.sql.ToStd(), "SELECT F FROM T");
}

TEST(ProbeQuery, CatalogueQueriesFallBackToCounting) {
  Access access;
  access->Schema().SetQuoteTables(true);
  access->Connection().SetDatabaseType(kDbAccess);
  ODBCSchema::ProbeQuery table = access->Schema().TableProbeQuery("Student");
  EXPECT_EQ(table.sql.ToStd(), "SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='Student'");
  EXPECT_EQ(table.fallback.ToStd(), "Select COUNT(*) From \"Student\"");
  EXPECT_TRUE(access->Schema().FieldProbeQuery("Student", "ID").fallback.IsEmpty());

  access->Connection().SetDatabaseType(kDbInformix);
  table = access->Schema().TableProbeQuery("Student");
  EXPECT_EQ(table.sql.ToStd(), "SELECT COUNT(*) FROM systables WHERE tabname = 'Student'");
  EXPECT_EQ(table.fallback.ToStd(), "Select COUNT(*) From Student");  // never quoted
  ODBCSchema::ProbeQuery field = access->Schema().FieldProbeQuery("Student", "ID");
  EXPECT_EQ(field.sql.ToStd(), "select tabid from systables where tabname='Student' and colname = 'ID' ");
  EXPECT_EQ(field.fallback.ToStd(), "Select COUNT(ID) From Student");
}

TEST(ExpandProbeSql, PlaceholdersTakeTheNamesAndNothingElse) {
  auto expand = [](const char* pattern, const char* table, const char* field, bool quoteTables = false,
                   bool quoteFields = false) {
    return ExpandProbeSql(pattern, table, field, quoteTables, quoteFields).ToStd();
  };
  EXPECT_EQ(expand("{qt}.{qf} {lt}", "a\"b", "c", true, true), "\"a\"b\".\"c\" 'a\"b'");
  // Braces that are no placeholder stay, and names are never expanded again.
  EXPECT_EQ(expand("{x} {t} {f", "{f}", "F"), "{x} {f} {f");
  // Like formatting with %s: a name ends at a NUL of its own, the text at 4095 bytes.
  EXPECT_EQ(ExpandProbeSql("[{t}]", XString("ab\0cd", 5), "", false, false).ToStd(), "[ab]");
  const std::string longName(5000, 'n');
  const std::string expanded = expand("SELECT * FROM {t}", longName.c_str(), "");
  EXPECT_EQ(expanded.size(), 4095u);
  EXPECT_EQ(expanded.substr(0, 15), "SELECT * FROM n");
}
