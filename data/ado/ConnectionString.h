// Translation of ADO connection strings into ODBC ones. The system builds and logs ADO
// strings ("Provider=MSDASQL;Data Source=X;User ID=u;Password=p;", "DSN=X;Uid=u;Pwd=p;", ...);
// only at the moment of connecting are they turned into what an ODBC driver manager takes.
#pragma once

#include <string>
#include <vector>

#include "foundation/XString.h"

namespace ado {

// ADO keys and their ODBC counterparts: Data Source -> DSN, User ID -> UID, Password -> PWD,
// Initial Catalog -> DATABASE, Integrated Security=SSPI -> Trusted_Connection=yes. ADO-only
// keys (Provider, Persist Security Info, ...) are dropped; every other key is passed to the
// driver unchanged, with values that need it wrapped in braces.
//
// Throws ComError (adErrProviderNotFound) when the string names an OLE DB provider other than
// the ODBC bridge, or consists of a bare provider name, as such providers exist only for
// OLE DB: the message names the provider. Throws ComError too when the data source it names
// is empty, which a driver manager would take for its default data source. Never puts the
// password into a message.
XString TranslateConnectionString(const XString& adoConnectionString);

// A connection that is a data source and a login and nothing else the driver is to be told.
struct DataSourceLogin {
  XString dataSource;
  XString userName;  // empty: the data source's own login applies
  XString password;  // likewise
};

// Reads the data source, user name and password of a connection string that holds nothing
// else but keys only ADO reads (Provider=MSDASQL, Persist Security Info, ...): such a
// connection needs no connection string, and its values reach the driver whole whatever they
// hold. Braced and quoted values are read as the text they stand for. False for any other
// string (another key, a key twice, an OLE DB provider, a malformed string).
bool ReadDataSourceLogin(const XString& adoConnectionString, DataSourceLogin& login);

// The values of a connection string that has to reach the driver as a string (see
// ReadDataSourceLogin) and that hold ';', '{' or '}': a driver that does not honour braces
// reads such a value as ending early, and the rest as attributes of its own. Named by their
// ODBC keys ("DSN", "DATABASE", "UID", "PWD"), in the string's order; only these keys carry
// values from outside. Empty for a data source and login, and for a malformed string.
std::vector<std::string> ValuesUnsafeInString(const XString& adoConnectionString);

// A value from outside (a data source name, user name, password, database name) as it may
// stand in a connection string: unchanged when it is ordinary, otherwise in braces with each
// '}' doubled, so that it can neither end its attribute nor add one (a password
// "x;DRIVER=/lib.so" stays a password). Braced are values holding ';', '{', '}', '=', a quote
// or a control character, or beginning or ending with a blank.
XString BraceConnectionValue(const XString& value);

}  // namespace ado
