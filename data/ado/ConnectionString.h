// Translation of ADO connection strings into ODBC ones. The system builds and logs ADO
// strings ("Provider=MSDASQL;Data Source=X;User ID=u;Password=p;", "DSN=X;Uid=u;Pwd=p;", ...);
// only at the moment of connecting are they turned into what an ODBC driver manager takes.
#pragma once

#include "foundation/XString.h"

namespace ado {

// ADO keys and their ODBC counterparts: Data Source -> DSN, User ID -> UID, Password -> PWD,
// Initial Catalog -> DATABASE, Integrated Security=SSPI -> Trusted_Connection=yes. ADO-only
// keys (Provider, Persist Security Info, ...) are dropped; every other key is passed to the
// driver unchanged, with values that need it wrapped in braces.
//
// Throws ComError (adErrProviderNotFound) when the string names an OLE DB provider other than
// the ODBC bridge, or consists of a bare provider name, as such providers exist only for
// OLE DB: the message names the provider. Never puts the password into a message.
XString TranslateConnectionString(const XString& adoConnectionString);

// A value from outside (a data source name, user name, password, database name) as it may
// stand in a connection string: unchanged when it is ordinary, otherwise in braces with each
// '}' doubled, so that it can neither end its attribute nor add one (a password
// "x;DRIVER=/lib.so" stays a password). Braced are values holding ';', '{', '}', '=', a quote
// or a control character, or beginning or ending with a blank.
XString BraceConnectionValue(const XString& value);

}  // namespace ado
