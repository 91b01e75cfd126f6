#include "data/ado/ConnectionString.h"

#include <gtest/gtest.h>

#include <string>

#include "data/ado/AdoTypes.h"
#include "data/ado/ComError.h"

using ado::TranslateConnectionString;

namespace {

std::string Translate(const char* ado) { return TranslateConnectionString(ado).ToStd(); }

}  // namespace

TEST(ConnectionString, SystemFormsBecomeOdbcKeys) {
  // The MSSQL form with a database and credentials, and without (integrated security).
  EXPECT_EQ(Translate("Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Database=SchoolDB;"
                      "User ID=admin;Password=s3cret;"),
            "DSN=SISDSN;DATABASE=SchoolDB;UID=admin;PWD=s3cret;");
  EXPECT_EQ(Translate("Provider=MSDASQL;Persist Security Info=False;Data Source=SISDSN;Trusted_Connection=yes;"),
            "DSN=SISDSN;Trusted_Connection=yes;");
  // The DSN forms pass through with their keys normalised.
  EXPECT_EQ(Translate("DSN=Notes;Uid=u;Pwd=p;"), "DSN=Notes;UID=u;PWD=p;");
  EXPECT_EQ(Translate("DSN=PG;PWD=x"), "DSN=PG;PWD=x;");
  // Without a provider ADO uses its ODBC bridge, so "Data Source" names the data source.
  EXPECT_EQ(Translate("Persist Security Info=False;Data Source=C:\\db\\x.mdb;User ID=a"),
            "DSN=C:\\db\\x.mdb;UID=a;");
  EXPECT_EQ(Translate("Provider=MSDASQL.1;Data Source=X;Initial Catalog=Cat;Integrated Security=SSPI"),
            "DSN=X;DATABASE=Cat;Trusted_Connection=yes;");
  EXPECT_EQ(Translate("Database=/tmp/x.db"), "DATABASE=/tmp/x.db;");
}

TEST(ConnectionString, DriverKeysPassThroughAndDataSourceThenStaysAsWritten) {
  EXPECT_EQ(Translate("Driver={SQLite3};Database='/tmp/a;b.db';StepAPI=1"),
            "Driver={SQLite3};DATABASE={/tmp/a;b.db};StepAPI=1;");
  // An unquoted ';' ends the value, as ADO reads it, which leaves a segment without a value.
  EXPECT_THROW(TranslateConnectionString("Driver={SQLite3};Database=/tmp/a;b.db;StepAPI=1"), ado::ComError);
  EXPECT_EQ(Translate("Driver=SQL Server;Data Source=srv;Server=srv"), "Driver=SQL Server;Data Source=srv;Server=srv;");
}

TEST(ConnectionString, QuotedValuesAreUnquotedAndBracedForOdbc) {
  // ADO quotes a value holding ';' with " or ' (a doubled quote is one quote character);
  // ODBC wants such a value in braces, a '}' inside doubled.
  EXPECT_EQ(Translate("DSN=X;Password=\"a;b\"\"c\";User ID='o''neil'"), "DSN=X;PWD={a;b\"c};UID=o'neil;");
  EXPECT_EQ(Translate("DSN=X;PWD={p;w}}d}"), "DSN=X;PWD={p;w}}d};");
  EXPECT_EQ(Translate("DSN=X;PWD=\"x}y;\""), "DSN=X;PWD={x}}y;};");
  EXPECT_EQ(Translate(" ; DSN = X ;; "), "DSN=X;");
}

TEST(ConnectionString, OleDbOnlyProvidersFailNamingTheProvider) {
  const char* const strings[] = {
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\dbf;Extended Properties=dBASE IV;",
      "Provider=VFPOLEDB.1;Data Source=C:\\fox;Collating Sequence=MACHINE",
      "Provider=OraOLEDB.Oracle;Data Source=ORCL;User ID=u;Password=topsecret;Persist Security Info=True;",
      "Provider=Sybase ASE OLE DB Provider;Data source=S;User Id=u;Password=topsecret;",
      "DB2OLEDB",
  };
  const char* const providers[] = {"Microsoft.Jet.OLEDB.4.0", "VFPOLEDB.1", "OraOLEDB.Oracle",
                                   "Sybase ASE OLE DB Provider", "DB2OLEDB"};
  for (size_t i = 0; i < sizeof strings / sizeof strings[0]; ++i) {
    try {
      TranslateConnectionString(strings[i]);
      ADD_FAILURE() << "no failure for " << strings[i];
    } catch (const ado::ComError& error) {
      EXPECT_EQ(error.HResult(), ado::kHresultProviderNotFound);
      EXPECT_NE(std::string(error.what()).find(std::string("\"") + providers[i] + "\""), std::string::npos)
          << error.what();
      EXPECT_EQ(std::string(error.what()).find("topsecret"), std::string::npos) << "password leaked";
    }
  }
}

TEST(ConnectionString, ADataSourceWithALoginAndNothingElseIsReadAsValues) {
  ado::DataSourceLogin login;
  ASSERT_TRUE(ado::ReadDataSourceLogin("DSN=X;UID={a;b};PWD={x}};Database=/o.db;{};", login));
  EXPECT_EQ(login.dataSource.ToStd(), "X");
  EXPECT_EQ(login.userName.ToStd(), "a;b");
  EXPECT_EQ(login.password.ToStd(), "x};Database=/o.db;{");
  ado::DataSourceLogin quoted;
  ASSERT_TRUE(ado::ReadDataSourceLogin(
      "Provider=MSDASQL;Persist Security Info=False;Data Source=S D;User ID=u;Password=\"p;q\";", quoted));
  EXPECT_EQ(quoted.dataSource.ToStd(), "S D");
  EXPECT_EQ(quoted.password.ToStd(), "p;q");
  ado::DataSourceLogin empty;
  ASSERT_TRUE(ado::ReadDataSourceLogin("DSN=X;Uid=;Pwd=;", empty));
  EXPECT_TRUE(empty.userName.IsEmpty() && empty.password.IsEmpty());

  // Anything more for the driver, or a key twice, needs the string.
  for (const char* text : {"DSN=X;DATABASE=db;UID=u", "DSN=X;Trusted_Connection=yes;", "Driver=SQLite3;Database=x",
                           "DSN=X;PWD=a;PWD=b", "Provider=SQLOLEDB;Data Source=X", "Driver=Y;Data Source=X",
                           "UID=u;PWD=p", "DSN=X;Pwd=a;b"}) {
    ado::DataSourceLogin other;
    EXPECT_FALSE(ado::ReadDataSourceLogin(text, other)) << text;
  }
}

TEST(ConnectionString, ValuesThatAStringCannotCarryAreNamedByTheirKeys) {
  using Keys = std::vector<std::string>;
  EXPECT_EQ(ado::ValuesUnsafeInString("Provider=MSDASQL;Persist Security Info=False;Data Source=X;Database={B;C};"
                                      "User ID={u;};Password={p}}};"),
            (Keys{"DATABASE", "UID", "PWD"}));
  EXPECT_EQ(ado::ValuesUnsafeInString("DSN={x}}};Trusted_Connection=yes;"), Keys{"DSN"});
  EXPECT_EQ(ado::ValuesUnsafeInString("DSN=X;DATABASE=db;UID=u;PWD={p=q \"r\"}"), Keys{});
  // A data source and a login go as values: nothing in them is unsafe.
  EXPECT_EQ(ado::ValuesUnsafeInString("DSN=X;UID={a;b};PWD={c}"), Keys{});
}

TEST(ConnectionString, AnEmptyDataSourceIsRefusedWithoutThePassword) {
  for (const char* text : {"DSN=;UID=USER9;PWD=SECRETPW9;", "Provider=MSDASQL;Data Source= ;User ID=u;Password=SECRETPW9",
                           "DSN={};DATABASE=x;PWD=SECRETPW9"}) {
    try {
      TranslateConnectionString(text);
      ADD_FAILURE() << "translated " << text;
    } catch (const ado::ComError& error) {
      EXPECT_NE(std::string(error.what()).find("empty data source"), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).find("SECRETPW9"), std::string::npos);
    }
  }
}
