// The psql script that carries the demo SIS into a PostgreSQL server: names keep their case,
// columns get server types, and no value can break out of its COPY field or line.
#include <gtest/gtest.h>

#include <string>

#include "foundation/XException.h"
#include "testsupport/TempDir.h"
#include "tools/demosis/DemoGenerator.h"
#include "tools/demosis/PostgresScript.h"

TEST(PostgresScript, NamesTypesAndEscapes) {
  EXPECT_EQ(demosis::PostgresIdentifier("System_Profile"), "\"System_Profile\"");
  EXPECT_EQ(demosis::PostgresIdentifier("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(demosis::CopyText("a\tb\\c\r\nd"), "a\\tb\\\\c\\r\\nd");
  EXPECT_EQ(demosis::CopyText("\\N"), "\\\\N");  // text that reads like NULL stays text
  EXPECT_EQ(demosis::PostgresType("Student", {"DOB", demosis::ColumnType::DateTime}), "timestamp");
  EXPECT_EQ(demosis::PostgresType("Event", {"Count", demosis::ColumnType::Real}), "double precision");
  EXPECT_EQ(demosis::PostgresType("Student", {"ClassRank", demosis::ColumnType::Integer}), "integer");
  EXPECT_EQ(demosis::PostgresType("Student", {"ID", demosis::ColumnType::Text}), "varchar(64)");
  EXPECT_EQ(demosis::PostgresType("Student", {"Memo", demosis::ColumnType::Text}), "text");
}

TEST(PostgresScript, TinySisBecomesOneTransaction) {
  testsupport::TempDir folder;
  demosis::DemoOptions options;
  options.out = folder.File("tiny.db");
  options.tiny = true;
  options.without = {"Event.Count"};
  demosis::GenerateDemoDatabase(options);
  demosis::WritePostgresScript(options.out, folder.File("tiny.sql"));
  const std::string script = testsupport::ReadAll(folder.File("tiny.sql"));
  EXPECT_EQ(script.rfind("\\set ON_ERROR_STOP on\n", 0), 0u);
  EXPECT_NE(script.find("BEGIN;\n"), std::string::npos);
  EXPECT_EQ(script.substr(script.size() - 8), "COMMIT;\n");
  EXPECT_NE(script.find("CREATE TABLE \"System_Profile\" (\n  \"BuildingNum\" varchar(64),"), std::string::npos);
  EXPECT_NE(script.find("\n  \"FirstDay_1\" timestamp,"), std::string::npos);
  EXPECT_NE(script.find("COPY \"Student\" (\"ID\", "), std::string::npos);
  // A column left out of the SQLite file is left out of the server's table too.
  const size_t event = script.find("CREATE TABLE \"Event\"");
  ASSERT_NE(event, std::string::npos);
  EXPECT_EQ(script.find("\"Count\"", event), std::string::npos);
  // Every COPY block ends with its own terminator line.
  size_t copies = 0, ends = 0;
  for (size_t at = script.find("\nCOPY "); at != std::string::npos; at = script.find("\nCOPY ", at + 1)) ++copies;
  for (size_t at = script.find("\n\\.\n"); at != std::string::npos; at = script.find("\n\\.\n", at + 1)) ++ends;
  EXPECT_EQ(copies, 9u);
  EXPECT_EQ(ends, copies);

  EXPECT_THROW(demosis::WritePostgresScript(folder.File("missing.db"), folder.File("x.sql")), XException);
}
