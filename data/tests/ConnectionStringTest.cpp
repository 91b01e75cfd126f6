// Connection strings of every database type, password masking and the type names.
#include <gtest/gtest.h>

#include "DataTestSupport.h"
#include "data/ado/ConnectionString.h"
#include "foundation/XException.h"

using datatest::Access;

namespace {

std::string Build(int32_t type, const char* ds, const char* user, const char* password) {
  Access access;
  access->Connection().SetDatabaseType(type);
  access->Connection().SetDataSource("C:\\Data\\");
  return access->Connection().BuildConnectionString(ds, user, password).ToStd();
}

std::string ThrownText(int32_t type) {
  Access access;
  access->Connection().SetDatabaseType(type);
  try {
    access->Connection().BuildConnectionString("DS", "u", "p");
  } catch (const XException& error) {
    EXPECT_TRUE(access.log.Contains(error.Text())) << "the message is logged before it is thrown";
    return error.Text();
  }
  return "(nothing thrown)";
}

}  // namespace

TEST(ConnectionString, EveryTypeWithUserAndPassword) {
  EXPECT_EQ(Build(1, "ignored", "u", "p"), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\;Extended Properties=dBASE IV;");
  EXPECT_EQ(Build(2, "C:\\dbf\\", "u", "p"), "C:\\dbf\\");
  EXPECT_EQ(Build(3, "DS", "u", "p"), "Persist Security Info=False;Data Source=DS;Collating Sequence=machine;User ID=u;Password=p;");
  EXPECT_EQ(Build(4, "DS", "u", "p"), "Provider=VFPOLEDB.1;Data Source=DS;Collating Sequence=MACHINE");
  EXPECT_EQ(Build(5, "DS", "u", "p"), "Provider=MSDASQL;Persist Security Info=False;Data Source=DS;User ID=u;Password=p;");
  EXPECT_EQ(Build(6, "DS", "u", "p"), "Data Source=DS;User Id=u;Password=p;");
  EXPECT_EQ(Build(7, "/x/sis.db", "u", "p"), "Database=/x/sis.db");
  EXPECT_EQ(Build(8, "DS", "u", "p"), "DB2OLEDB");
  EXPECT_EQ(Build(9, "DS", "u", "p"), "Persist Security Info=False;Data Source=DS;User ID=u;Password=p");
  EXPECT_EQ(Build(10, "DS", "u", "p"), "DSN=DS;UID=u;PWD=p");
  EXPECT_EQ(Build(11, "DS", "u", "p"), "Data Source=DS;User ID=u;Password=p;Persist Security Info=True;");
  EXPECT_EQ(Build(12, "DS", "u", "p"), "Provider=OraOLEDB.Oracle;Data Source=DS;User ID=u;Password=p;Persist Security Info=True;");
  EXPECT_EQ(Build(13, "DS", "u", "p"), "Provider=MSDAORA;Data Source=DS;User ID=u;Password=p;Persist Security Info=True;");
  EXPECT_EQ(Build(14, "DS", "u", "p"), "Provider=Sybase ASE OLE DB Provider;Data source=DS;User Id=u;Password=p;");
  EXPECT_EQ(Build(15, "DS", "u", "p"), "DSN=DS;UID=u;PWD=p;");
  EXPECT_EQ(Build(16, "DS", "u", "p"), "DSN=DS;UID=u;PWD=p");
  EXPECT_EQ(Build(18, "DS", "u", "p"), "DSN=DS;UID=u;PWD=p;");
  EXPECT_EQ(Build(19, "DS", "u", "p"), "DSN=DS;UID=u;PWD=p");
  EXPECT_EQ(Build(20, "DS", "u", "p"), "DSN=DS;Uid=u;Pwd=p;");
  EXPECT_EQ(Build(21, "DS", "u", "p"), "DSN=DS;Uid=u;Pwd=p;");
}

TEST(ConnectionString, AbsentCredentialsAreLeftOutOrWrittenEmptyByType) {
  EXPECT_EQ(Build(3, "DS", nullptr, nullptr), "Persist Security Info=False;Data Source=DS;Collating Sequence=machine;");
  EXPECT_EQ(Build(6, "DS", nullptr, nullptr), "Data Source=DS;User Id=;Password=;");
  EXPECT_EQ(Build(9, "DS", nullptr, nullptr), "Persist Security Info=False;Data Source=DS");
  EXPECT_EQ(Build(10, "DS", nullptr, "pw"), "DSN=DS;PWD=pw");
  EXPECT_EQ(Build(11, "DS", nullptr, nullptr), "Data Source=DS;Persist Security Info=True;");
  EXPECT_EQ(Build(14, "DS", "u", nullptr), "Provider=Sybase ASE OLE DB Provider;Data source=DS;User Id=u;");
  EXPECT_EQ(Build(15, "DS", nullptr, nullptr), "DSN=DS;");
  EXPECT_EQ(Build(20, "DS", nullptr, nullptr), "DSN=DS;Uid=;Pwd=;");
  EXPECT_EQ(Build(21, "DS", "u", nullptr), "DSN=DS;Uid=u;Pwd=;");
  // Given but empty differs from absent for most types; Informix drops empty values too.
  EXPECT_EQ(Build(10, "DS", "", ""), "DSN=DS");  // an empty user would replace the data source's own
  EXPECT_EQ(Build(18, "DS", "", "p"), "DSN=DS;PWD=p;");
  EXPECT_EQ(Build(18, "DS", nullptr, ""), "DSN=DS;");
}

TEST(ConnectionString, MssqlDatabaseNameAndIntegratedSecurity) {
  EXPECT_EQ(Build(5, "SISDSN;SchoolDB ", "admin", ""),
            "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Database=SchoolDB;User ID=admin;");
  EXPECT_EQ(Build(5, "SISDSN; School DB\t", "admin", "pw"),
            "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Database=School DB;User ID=admin;Password=pw;");
  // No user: integrated security, whatever the password.
  EXPECT_EQ(Build(5, "SISDSN", nullptr, "secret"), "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Trusted_Connection=yes;");
  EXPECT_EQ(Build(5, "SISDSN;SchoolDB", "", "secret"),
            "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Database=SchoolDB;Trusted_Connection=yes;");
  // An empty (or blank) database part writes no Database key.
  EXPECT_EQ(Build(5, "SISDSN;", "u", nullptr), "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;User ID=u;");
  EXPECT_EQ(Build(5, "SISDSN;  ", "u", nullptr), "Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;User ID=u;");
  // Only the first semicolon splits.
  // The rest is the database's name: braced, it cannot add a key of its own.
  EXPECT_EQ(Build(5, "A;B;C", "u", nullptr), "Provider=MSDASQL;Persist Security Info=False;Data Source=A;Database={B;C};User ID=u;");
}

TEST(ConnectionString, TypesWithoutBuilderThrowTheirMessage) {
  EXPECT_EQ(ThrownText(0), "Can't build connection string for unknown database type.");
  EXPECT_EQ(ThrownText(17), "Database type not yet defined for BuildConnectionString, please define.");
  EXPECT_EQ(ThrownText(22), "Database type not yet defined for BuildConnectionString, please define.");
  EXPECT_EQ(ThrownText(-1), "Database type not yet defined for BuildConnectionString, please define.");
}

TEST(ConnectionString, LogsTheTypeItBuildsFor) {
  Access access;
  access->Connection().SetDatabaseType(20);
  access->Connection().BuildConnectionString("DS", "u", "p");
  EXPECT_TRUE(access.log.Contains("Build Connection String for: Lotus Notes"));
}

TEST(DatabaseTypeNames, AllTypesAndOutOfRange) {
  const char* expected[] = {"", "dBase IV (ODBC)", "dBase IV (XBase)", "FoxPro (ODBC)", "FoxPro (DBF)", "MSSQL",
                            "MySQL", "SQLite", "DB2", "Access", "Postgres", "Oracle (ODBC)", "Oracle (OLE)",
                            "Oracle Microsoft OLE (MSDAORA)", "Sybase (OLE)", "Sybase ODBC", "Progress", "Mimer",
                            "Informix", "Top Speed", "Lotus Notes", "CA-Datacom"};
  for (int type = 0; type <= 21; ++type) EXPECT_STREQ(DatabaseTypeName(type), expected[type]) << type;
  EXPECT_STREQ(DatabaseTypeName(22), "");
  EXPECT_STREQ(DatabaseTypeName(-5), "");
}

TEST(MaskPassword, MasksTheFirstKeyFoundInKeyOrder) {
  auto mask = [](const char* text) { return ODBCConnection::MaskPassword(text).ToStd(); };
  EXPECT_EQ(mask("DSN=DS;Uid=u;Pwd=secret;"), "DSN=DS;Uid=u;Pwd=******;");
  EXPECT_EQ(mask("DSN=DS;UID=u;PWD=pw"), "DSN=DS;UID=u;PWD=**");  // runs to the end
  EXPECT_EQ(mask("Password=\"ab\";x"), "Password=\"ab\";x");      // stops at the quote at once
  EXPECT_EQ(mask("Password=ab\"cd;x"), "Password=**\"cd;x");
  EXPECT_EQ(mask("Data Source=DS;User ID=u;"), "Data Source=DS;User ID=u;");
  // "Password=" is looked for before "PWD=": only its value is masked.
  EXPECT_EQ(mask("PWD=one;Password=two"), "PWD=one;Password=***");
  // Only the first occurrence of the key.
  EXPECT_EQ(mask("Pwd=a;Pwd=bb"), "Pwd=*;Pwd=bb");
  // Case matters: "password=" is none of the keys.
  EXPECT_EQ(mask("password=x"), "password=x");
  EXPECT_EQ(mask("Password=;"), "Password=;");
  for (const char* text : {"DSN=DS;Uid=u;Pwd=secret;", "PASSWORD=abc", "x"}) {
    EXPECT_EQ(mask(text).size(), std::string(text).size());
  }
}

namespace {

// ODBC's own reading of a connection string, written apart from the system's translation:
// attributes "key=value" separated by ';'; a value that begins with '{' runs to the '}' that
// is not doubled, "}}" standing for '}'.
std::vector<std::pair<std::string, std::string>> OdbcAttributes(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> attributes;
  size_t i = 0;
  while (i < text.size()) {
    size_t equals = text.find('=', i);
    if (equals == std::string::npos) break;
    std::string key = text.substr(i, equals - i), value;
    size_t j = equals + 1;
    if (j < text.size() && text[j] == '{') {
      for (++j; j < text.size(); ++j) {
        if (text[j] == '}') {
          if (j + 1 < text.size() && text[j + 1] == '}') {
            value += '}';
            ++j;
            continue;
          }
          ++j;
          break;
        }
        value += text[j];
      }
    } else {
      while (j < text.size() && text[j] != ';') value += text[j++];
    }
    attributes.emplace_back(key, value);
    i = j < text.size() && text[j] == ';' ? j + 1 : j;
  }
  return attributes;
}

}  // namespace

TEST(ConnectionString, OrdinaryValuesKeepTheirTextAndOthersAreBraced) {
  EXPECT_EQ(Build(20, "School DSN", "admin", "p@ss w0rd!"), "DSN=School DSN;Uid=admin;Pwd=p@ss w0rd!;");
  EXPECT_EQ(Build(20, "DS", "u", "x;DRIVER=/tmp/lib.so"), "DSN=DS;Uid=u;Pwd={x;DRIVER=/tmp/lib.so};");
  EXPECT_EQ(Build(10, "DS", "u", "a}b{"), "DSN=DS;UID=u;PWD={a}}b{}");
  EXPECT_EQ(Build(20, "DS", " lead", "trail "), "DSN=DS;Uid={ lead};Pwd={trail };");
  EXPECT_EQ(Build(20, "D=S", "u", "\"q'"), "DSN={D=S};Uid=u;Pwd={\"q'};");
  EXPECT_EQ(Build(5, "DSN;My;DB", "u", "p;"), "Provider=MSDASQL;Persist Security Info=False;Data Source=DSN;"
                                                 "Database={My;DB};User ID=u;Password={p;};");
}

TEST(ConnectionString, EveryPrintablePasswordReachesTheDriverWhole) {
  std::string all;
  for (char c = ' '; c <= '~'; ++c) all += c;
  std::vector<std::string> passwords = {all, " " + all, all + " ", "x;DRIVER=/tmp/lib.so", "{", "}", "}}", "{}"};
  for (char c = ' '; c <= '~'; ++c) {
    passwords.push_back(std::string(1, c));
    passwords.push_back(std::string("a") + c + "b");
  }
  for (int32_t type : {5, 10, 20}) {
    for (const std::string& password : passwords) {
      std::string ado = Build(type, "My DSN", "user", password.c_str());
      std::string odbc = ado::TranslateConnectionString(XString(ado.c_str())).ToStd();
      auto attributes = OdbcAttributes(odbc);
      std::vector<std::string> keys;
      std::string pwd;
      for (const auto& [key, value] : attributes) {
        keys.push_back(key);
        if (key == "PWD") pwd = value;
      }
      EXPECT_EQ(pwd, password) << ado << " -> " << odbc;
      EXPECT_EQ(std::count(keys.begin(), keys.end(), "DRIVER"), 0) << odbc;
      EXPECT_EQ(keys.size(), 3u) << odbc;  // DSN, UID, PWD
    }
  }
}

TEST(ConnectionString, TheMaskHidesTheWholePassword) {
  auto mask = [](const char* text) { return ODBCConnection::MaskPassword(XString(text)).ToStd(); };
  EXPECT_EQ(mask("DSN=DS;Uid=u;Pwd={x;DRIVER=/tmp/lib.so};"), "DSN=DS;Uid=u;Pwd=" + std::string(22, '*') + ";");
  EXPECT_EQ(mask("DSN=DS;UID=u;PWD={a}};b\"c}"), "DSN=DS;UID=u;PWD=" + std::string(9, '*'));
  // A key's text inside a braced value is no key.
  EXPECT_EQ(mask("DSN={PWD=x};UID=u;PWD=secret"), "DSN={PWD=x};UID=u;PWD=******");
  EXPECT_EQ(mask("DSN=DS;Uid={Pwd=};Pwd={;}"), "DSN=DS;Uid={Pwd=};Pwd=***");
  EXPECT_EQ(mask("DSN=DS;Uid=u;Pwd=plain;"), "DSN=DS;Uid=u;Pwd=*****;");
  std::string built = Build(20, "DS", "u", "a;b}c");
  std::string masked = mask(built.c_str());
  EXPECT_EQ(masked.size(), built.size());
  EXPECT_EQ(masked.find_first_of("abc}", masked.find("Pwd=")), std::string::npos) << masked;
}
