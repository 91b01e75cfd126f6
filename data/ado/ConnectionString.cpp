#include "data/ado/ConnectionString.h"

#include <cstring>
#include <string>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/ComError.h"

namespace ado {
namespace {

struct Pair {
  std::string key;    // as written, trimmed
  std::string value;  // unquoted; kept braced when it was braced
  bool braced = false;
};

std::string Trim(const std::string& text) {
  size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = text.find_last_not_of(" \t\r\n");
  return text.substr(b, e - b + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

[[noreturn]] void ThrowProvider(const std::string& provider) {
  XString text;
  text.Format(static_cast<uint32_t>(provider.size() + 200),
              "The provider \"%s\" is an OLE DB provider and cannot be used: connect through an "
              "ODBC data source (DSN=... or Provider=MSDASQL).",
              provider.c_str());
  throw ComError(kHresultProviderNotFound, "Connection", text);
}

[[noreturn]] void ThrowMalformed(const std::string& segment) {
  XString text;
  text.Format(static_cast<uint32_t>(segment.size() + 120),
              "The connection string is not a list of key=value pairs: \"%s\" has no value.",
              segment.c_str());
  throw ComError(kHresultFail, "Connection", text);
}

// Splits "key=value;key2='quoted;value';key3={braced;value}" as ADO reads it: values may be
// quoted with " or ' (a doubled quote stands for one) or, for ODBC drivers, braced.
std::vector<Pair> Split(const std::string& text) {
  std::vector<Pair> pairs;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    size_t keyEnd = i;
    while (keyEnd < n && text[keyEnd] != '=' && text[keyEnd] != ';') ++keyEnd;
    std::string key = Trim(text.substr(i, keyEnd - i));
    if (keyEnd >= n || text[keyEnd] == ';') {
      // A segment without '=': empty segments are harmless; a string that is one bare word
      // is a provider name (as "DB2OLEDB"), which only OLE DB understands.
      if (!key.empty()) {
        if (Trim(text) == key || Trim(text) == key + ";") ThrowProvider(key);
        ThrowMalformed(key);
      }
      i = keyEnd + 1;
      continue;
    }
    size_t j = keyEnd + 1;
    while (j < n && (text[j] == ' ' || text[j] == '\t')) ++j;
    Pair pair;
    pair.key = key;
    if (j < n && (text[j] == '"' || text[j] == '\'')) {
      const char quote = text[j++];
      while (j < n) {
        if (text[j] == quote) {
          if (j + 1 < n && text[j + 1] == quote) {
            pair.value += quote;
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        pair.value += text[j++];
      }
      while (j < n && text[j] != ';') ++j;
    } else if (j < n && text[j] == '{') {
      size_t start = j++;
      while (j < n) {
        if (text[j] == '}') {
          if (j + 1 < n && text[j + 1] == '}') {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      pair.value = text.substr(start, j - start);
      pair.braced = true;
      while (j < n && text[j] != ';') ++j;
    } else {
      size_t start = j;
      while (j < n && text[j] != ';') ++j;
      pair.value = Trim(text.substr(start, j - start));
    }
    if (!pair.key.empty()) pairs.push_back(std::move(pair));
    i = j + 1;
  }
  return pairs;
}

// An ODBC attribute value: wrapped in braces when it holds characters that would end or
// confuse the attribute.
std::string OdbcValue(const Pair& pair) {
  if (pair.braced) return pair.value;
  const std::string& v = pair.value;
  if (v.find_first_of(";{}") == std::string::npos && (v.empty() || (v.front() != ' ' && v.back() != ' '))) {
    return v;
  }
  std::string braced = "{";
  for (char c : v) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

bool IsAdoOnlyKey(const std::string& lowerKey) {
  static const char* const kKeys[] = {"provider",          "persist security info",
                                      "connect timeout",   "general timeout",
                                      "mode",              "locale identifier",
                                      "prompt",            "window handle",
                                      "ole db services",   "extended properties",
                                      "file name",         "remote provider"};
  for (const char* key : kKeys) {
    if (lowerKey == key) return true;
  }
  return false;
}

// The text a value stands for: a braced value without its braces, "}}" read as '}'.
std::string PlainValue(const Pair& pair) {
  if (!pair.braced) return pair.value;
  std::string plain;
  const std::string& v = pair.value;
  const size_t end = v.size() >= 2 && v.back() == '}' ? v.size() - 1 : v.size();
  for (size_t i = 1; i < end; ++i) {
    plain += v[i];
    if (v[i] == '}' && i + 1 < end && v[i + 1] == '}') ++i;
  }
  return plain;
}

// True when the pairs name a data source through "DSN", "Driver" or "FileDSN": "Data Source"
// is then a driver's own key, not the data source name.
bool HasDataSourceKey(const std::vector<Pair>& pairs) {
  for (const Pair& pair : pairs) {
    const std::string key = Lower(pair.key);
    if (key == "dsn" || key == "driver" || key == "filedsn") return true;
  }
  return false;
}

// The ODBC key of a value that comes from outside (data source, database, user, password), or
// empty for any other key.
std::string LoginKey(const std::string& lowerKey, bool hasDataSourceKey) {
  if (lowerKey == "dsn" || (lowerKey == "data source" && !hasDataSourceKey)) return "DSN";
  if (lowerKey == "initial catalog" || lowerKey == "database") return "DATABASE";
  if (lowerKey == "user id" || lowerKey == "uid") return "UID";
  if (lowerKey == "password" || lowerKey == "pwd") return "PWD";
  return std::string();
}

}  // namespace

XString BraceConnectionValue(const XString& value) {
  const std::string v = value.ToStd();
  bool special = !v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t');
  for (char c : v) {
    if (std::strchr(";{}=\"'", c) != nullptr || static_cast<unsigned char>(c) < 0x20) special = true;
  }
  if (!special) return value;
  std::string braced = "{";
  for (char c : v) {
    braced += c;
    if (c == '}') braced += '}';
  }
  braced += '}';
  return XString(braced);
}

XString TranslateConnectionString(const XString& adoConnectionString) {
  std::vector<Pair> pairs = Split(adoConnectionString.ToStd());

  const bool hasDataSourceKey = HasDataSourceKey(pairs);
  for (const Pair& pair : pairs) {
    const std::string key = Lower(pair.key);
    if (key == "provider") {
      const std::string provider = Lower(Trim(pair.value));
      if (provider.compare(0, 7, "msdasql") != 0) ThrowProvider(Trim(pair.value));
    }
    if (LoginKey(key, hasDataSourceKey) == "DSN" && Trim(PlainValue(pair)).empty()) {
      throw ComError(kHresultFail, "Connection",
                     "The connection string names an empty data source (DSN): a driver manager would "
                     "connect to its default data source instead.");
    }
  }

  std::string odbc;
  auto append = [&odbc](const std::string& key, const std::string& value) {
    odbc += key;
    odbc += '=';
    odbc += value;
    odbc += ';';
  };
  for (const Pair& pair : pairs) {
    const std::string key = Lower(pair.key);
    if (IsAdoOnlyKey(key)) continue;
    if (key == "data source" && !hasDataSourceKey) {
      append("DSN", OdbcValue(pair));
    } else if (key == "user id" || key == "uid") {
      append("UID", OdbcValue(pair));
    } else if (key == "password" || key == "pwd") {
      append("PWD", OdbcValue(pair));
    } else if (key == "initial catalog" || key == "database") {
      append("DATABASE", OdbcValue(pair));
    } else if (key == "integrated security") {
      const std::string v = Lower(Trim(pair.value));
      if (v == "sspi" || v == "true" || v == "yes") append("Trusted_Connection", "yes");
    } else {
      append(pair.key, OdbcValue(pair));
    }
  }
  return XString(odbc);
}

bool ReadDataSourceLogin(const XString& adoConnectionString, DataSourceLogin& login) {
  std::vector<Pair> pairs;
  try {
    pairs = Split(adoConnectionString.ToStd());
  } catch (const ComError&) {
    return false;  // the string way reports it
  }
  const bool hasDataSourceKey = HasDataSourceKey(pairs);
  bool seen[3] = {false, false, false};
  XString* values[3] = {&login.dataSource, &login.userName, &login.password};
  for (const Pair& pair : pairs) {
    const std::string key = Lower(pair.key);
    if (key == "provider") {
      if (Lower(Trim(pair.value)).compare(0, 7, "msdasql") != 0) return false;
      continue;
    }
    if (IsAdoOnlyKey(key)) continue;
    const std::string odbcKey = LoginKey(key, hasDataSourceKey);
    const int slot = odbcKey == "DSN" ? 0 : odbcKey == "UID" ? 1 : odbcKey == "PWD" ? 2 : -1;
    if (slot < 0 || seen[slot]) return false;
    seen[slot] = true;
    *values[slot] = XString(PlainValue(pair));
  }
  return seen[0];
}

std::vector<std::string> ValuesUnsafeInString(const XString& adoConnectionString) {
  std::vector<std::string> keys;
  DataSourceLogin login;
  if (ReadDataSourceLogin(adoConnectionString, login)) return keys;
  std::vector<Pair> pairs;
  try {
    pairs = Split(adoConnectionString.ToStd());
  } catch (const ComError&) {
    return keys;
  }
  const bool hasDataSourceKey = HasDataSourceKey(pairs);
  for (const Pair& pair : pairs) {
    const std::string odbcKey = LoginKey(Lower(pair.key), hasDataSourceKey);
    if (!odbcKey.empty() && PlainValue(pair).find_first_of(";{}") != std::string::npos) keys.push_back(odbcKey);
  }
  return keys;
}

}  // namespace ado
