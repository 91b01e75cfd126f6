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

}  // namespace ado
