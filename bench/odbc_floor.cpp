// The ODBC floor: the least a client of the same ODBC driver does to run an extraction's
// SELECT statements. It connects once to the data source, runs each statement, binds every
// column as text (SQL_C_CHAR) and writes every row, tab-separated, into one buffered file.
//
//   odbc_floor DSN STATEMENTS OUTPUT
//
// STATEMENTS holds one statement per line. Prints the rows it read on standard output; exits 1
// with a message on standard error when the driver reports an error. A value longer than its
// column's buffer is read again whole with SQLGetData, so the floor never reads less than the
// extraction.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/LineReader.h"

namespace {

[[noreturn]] void Fail(const std::string& message, SQLSMALLINT type = 0, SQLHANDLE handle = nullptr) {
  std::string text = message;
  if (handle) {
    SQLCHAR state[8] = {}, diag[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, diag, sizeof diag, &length))) {
      text += std::string(": [") + reinterpret_cast<char*>(state) + "] " + reinterpret_cast<char*>(diag);
    }
  }
  std::fprintf(stderr, "odbc_floor: %s\n", text.c_str());
  std::exit(1);
}

// A column's buffer: its declared size and the terminating zero, at most 256 bytes. The driver
// pads a text buffer to its full length on every fetch, so buffers sized for the longest
// possible value would cost more than the values; the longer ones are fetched again whole.
SQLLEN BufferSize(SQLULEN columnSize) {
  return static_cast<SQLLEN>(std::min<SQLULEN>(columnSize == 0 ? 256 : columnSize + 1, 256));
}

// The whole text of a column whose value did not fit its bound buffer.
const std::string& WholeValue(SQLHSTMT stmt, SQLUSMALLINT column, std::string& value) {
  value.clear();
  char chunk[4096];
  for (;;) {
    SQLLEN length = 0;
    const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, chunk, sizeof chunk, &length);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) Fail("cannot read a long value", SQL_HANDLE_STMT, stmt);
    if (length == SQL_NULL_DATA) break;
    const size_t got = length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(sizeof chunk)
                           ? sizeof chunk - 1
                           : static_cast<size_t>(length);
    value.append(chunk, got);
    if (rc == SQL_SUCCESS) break;
  }
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: odbc_floor DSN STATEMENTS OUTPUT\n");
    return 2;
  }
  std::vector<std::string> statements;
  if (!bench::ReadStatementLines(argv[2], statements)) Fail(std::string("cannot read ") + argv[2]);
  FILE* out = std::fopen(argv[3], "wb");
  if (!out) Fail(std::string("cannot write ") + argv[3]);
  static char outBuffer[1 << 16];
  std::setvbuf(out, outBuffer, _IOFBF, sizeof outBuffer);

  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) Fail("no ODBC environment");
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) Fail("no ODBC connection", SQL_HANDLE_ENV, env);
  std::string connect = std::string("DSN=") + argv[1] + ";";
  SQLCHAR completed[1024];
  SQLSMALLINT completedLength = 0;
  if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()), SQL_NTS, completed,
                                      sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT))) {
    Fail("cannot connect to " + std::string(argv[1]), SQL_HANDLE_DBC, dbc);
  }

  long long rows = 0, reread = 0;
  std::string longValue;
  for (std::string& sql : statements) {
    SQLHSTMT stmt = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt))) Fail("no statement", SQL_HANDLE_DBC, dbc);
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS))) {
      Fail("cannot run " + sql.substr(0, 200), SQL_HANDLE_STMT, stmt);
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    std::vector<std::vector<char>> buffers(static_cast<size_t>(columns));
    std::vector<SQLLEN> lengths(static_cast<size_t>(columns));
    for (SQLUSMALLINT c = 0; c < static_cast<SQLUSMALLINT>(columns); ++c) {
      SQLCHAR name[256];
      SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      SQLDescribeCol(stmt, c + 1, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
      buffers[c].resize(static_cast<size_t>(BufferSize(size)));
      if (!SQL_SUCCEEDED(SQLBindCol(stmt, c + 1, SQL_C_CHAR, buffers[c].data(), static_cast<SQLLEN>(buffers[c].size()),
                                    &lengths[c]))) {
        Fail("cannot bind a column", SQL_HANDLE_STMT, stmt);
      }
    }
    for (SQLRETURN rc; (rc = SQLFetch(stmt)) != SQL_NO_DATA;) {
      if (!SQL_SUCCEEDED(rc)) Fail("cannot fetch from " + sql.substr(0, 200), SQL_HANDLE_STMT, stmt);
      ++rows;
      for (size_t c = 0; c < buffers.size(); ++c) {
        if (c > 0) std::fputc('\t', out);
        if (lengths[c] == SQL_NULL_DATA) continue;
        if (lengths[c] == SQL_NO_TOTAL || lengths[c] >= static_cast<SQLLEN>(buffers[c].size())) {
          ++reread;
          const std::string& value = WholeValue(stmt, static_cast<SQLUSMALLINT>(c + 1), longValue);
          std::fwrite(value.data(), 1, value.size(), out);
          continue;
        }
        std::fwrite(buffers[c].data(), 1, static_cast<size_t>(lengths[c]), out);
      }
      std::fputc('\n', out);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  if (std::fclose(out) != 0) Fail(std::string("cannot write ") + argv[3]);
  std::printf("%lld rows, %lld long values read again\n", rows, reread);
  return 0;
}
