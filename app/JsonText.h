// JSON for the files and outputs meant for other programs (the run history, --check --json,
// --status --json): writing a code-page text as a JSON string, and reading one JSON text back
// into values. Text in JSON is UTF-8; the values read back hold code-page text, as the rest of
// the program does (a character the code page lacks is kept as <U+XXXX>).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/XString.h"

// A JSON string of code-page text: UTF-8, with quotes, backslashes and control characters
// escaped.
std::string JsonString(const XString& text);
// The same, and null for an empty text.
inline std::string JsonTextOrNull(const XString& text) { return text.IsEmpty() ? "null" : JsonString(text); }

class JsonValue {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  // Reads one JSON text (UTF-8, nothing but blanks after it). False, with `out` unchanged, when
  // the text is not complete and well-formed JSON.
  static bool Parse(const std::string& utf8, JsonValue& out);

  Kind GetKind() const { return m_kind; }
  bool IsNull() const { return m_kind == Kind::kNull; }
  // The value as the kind it is; another kind gives the fallback.
  double Number(double fallback = 0) const { return m_kind == Kind::kNumber ? m_number : fallback; }
  bool Bool(bool fallback = false) const { return m_kind == Kind::kBool ? m_bool : fallback; }
  XString Text() const { return m_kind == Kind::kString ? XString(m_text) : XString(); }
  const std::vector<JsonValue>& Items() const { return m_items; }
  const std::vector<std::pair<std::string, JsonValue>>& Members() const { return m_members; }
  // The member of an object by its name; null when there is none (or this is no object).
  const JsonValue* Member(const char* name) const;

 private:
  friend class JsonReader;
  Kind m_kind = Kind::kNull;
  bool m_bool = false;
  double m_number = 0;
  std::string m_text;  // code page
  std::vector<JsonValue> m_items;
  std::vector<std::pair<std::string, JsonValue>> m_members;
};
