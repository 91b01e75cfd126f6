// Connection strings from any data source, user name and password, for every database type:
// the masked string shows no part of the password, the ADO string translates for the driver,
// a braced value stays one value through the translation, and a data source's login is read
// back whole.
#include <string>

#include "data/ODBCDataAccess.h"
#include "data/ado/ComError.h"
#include "data/ado/ConnectionString.h"
#include "foundation/XEngineLog.h"
#include "foundation/XException.h"
#include "foundation/XLog.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool Contains(const XString& text, const std::string& part) {
  return text.ToStd().find(part) != std::string::npos;
}

XString Translated(const XString& text, bool& thrown) {
  thrown = false;
  try {
    return ado::TranslateConnectionString(text);
  } catch (const ado::ComError&) {
    thrown = true;
    return XString();
  }
}

// Keeps nothing of what the connection logs.
class SilentLog : public XLog {
 public:
  SilentLog() : XLog(kLogNone) { SetThrowLevel(kLogNone + 1); }
  void Emit(int32_t, const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SilentLog silent;
  static XEngineLog log(&silent, &silent);
  static ODBCDataAccess access(0, log);
  const auto parts = fuzz::Parts(data, size, 4);
  const std::string& source = parts[0];
  const std::string& user = parts[1];
  const std::string& password = parts[2];
  bool thrown = false;

  // Any text: the mask keeps the length; a translation either succeeds or throws ComError.
  const XString any(parts[3]);
  FUZZ_CHECK(ODBCConnection::MaskPassword(any).Length() == any.Length());
  Translated(any, thrown);

  // A braced value is read back as exactly that value, and a braced password is masked whole;
  // a blank data source is refused, never left to the driver manager's default.
  const XString braced = ado::BraceConnectionValue(XString(password));
  const XString odbc = XString("DSN=") + braced + ";UID=u";
  const XString read = Translated(odbc, thrown);
  if (password.find_first_not_of(" \t\r\n") == std::string::npos) {
    FUZZ_CHECK(thrown);
  } else {
    FUZZ_CHECK_EQ(read.ToStd(), odbc.ToStd() + ";");
  }
  // A data source and its login come back whole as the values the driver manager is given.
  ado::DataSourceLogin login;
  FUZZ_CHECK(ado::ReadDataSourceLogin(XString("DSN=x;UID=") + ado::BraceConnectionValue(XString(user)) + ";PWD=" + braced,
                                      login));
  FUZZ_CHECK_EQ(login.userName.ToStd(), user);
  FUZZ_CHECK_EQ(login.password.ToStd(), password);
  const XString masked = ODBCConnection::MaskPassword(XString("UID=u;PWD=") + braced + ";X=1");
  FUZZ_CHECK_EQ(masked.ToStd(), "UID=u;PWD=" + std::string(braced.Length(), '*') + ";X=1");

  for (int32_t type = 0; type <= kDbCADatacom; ++type) {
    access.Connection().SetDatabaseType(type);
    access.Connection().SetDataSource(XString(source));
    XString built, withoutPassword;
    try {
      built = access.Connection().BuildConnectionString(source.c_str(), user.c_str(), password.c_str());
      withoutPassword = access.Connection().BuildConnectionString(source.c_str(), user.c_str(), nullptr);
    } catch (const XException&) {
      continue;
    }
    const bool checkable = password.size() >= 3 && password.find('*') == std::string::npos &&
                           !Contains(withoutPassword, password);
    if (checkable) FUZZ_CHECK(!Contains(ODBCConnection::MaskPassword(built), password));
    // The translation writes key names of its own ("DSN=", "PWD="): a password that is part of
    // what the translation gives without it cannot be told from it there.
    const XString translated = Translated(built, thrown);
    bool thrownWithout = false;
    const XString translatedWithout = Translated(withoutPassword, thrownWithout);
    if (!thrown && checkable && !Contains(translatedWithout, password)) {
      FUZZ_CHECK(!Contains(ODBCConnection::MaskPassword(translated), password));
    }
  }
  return 0;
}
