#include "app/JsonText.h"

#include <cstdio>
#include <cstdlib>

#include "os/OsText.h"

std::string JsonString(const XString& text) {
  const std::string utf8 = os::NarrowToUtf8(text.ToStd());
  std::string json = "\"";
  for (char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

const JsonValue* JsonValue::Member(const char* name) const {
  for (const auto& member : m_members) {
    if (member.first == name) return &member.second;
  }
  return nullptr;
}

// A recursive-descent reader over the UTF-8 text. Nesting is limited so that a damaged or
// hostile line cannot exhaust the stack.
class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : m_text(text) {}

  bool Document(JsonValue& out) {
    if (!Value(out, 0)) return false;
    Blanks();
    return m_at == m_text.size();
  }

 private:
  static constexpr int kMaxDepth = 32;

  void Blanks() {
    while (m_at < m_text.size() &&
           (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\r' || m_text[m_at] == '\n')) {
      ++m_at;
    }
  }

  bool Take(char c) {
    Blanks();
    if (m_at < m_text.size() && m_text[m_at] == c) {
      ++m_at;
      return true;
    }
    return false;
  }

  bool Word(const char* word) {
    const std::string w(word);
    if (m_text.compare(m_at, w.size(), w) != 0) return false;
    m_at += w.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return false;
    Blanks();
    if (m_at >= m_text.size()) return false;
    const char c = m_text[m_at];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      std::string utf8;
      if (!String(utf8)) return false;
      out.m_kind = JsonValue::Kind::kString;
      std::string narrow;
      out.m_text = os::Utf8ToNarrowExact(utf8, narrow) ? narrow : os::Utf8ToNarrowNamed(utf8);
      return true;
    }
    if (Word("true") || Word("false")) {
      out.m_kind = JsonValue::Kind::kBool;
      out.m_bool = c == 't';
      return true;
    }
    if (Word("null")) {
      out.m_kind = JsonValue::Kind::kNull;
      return true;
    }
    return Number(out);
  }

  bool Number(JsonValue& out) {
    const size_t start = m_at;
    if (m_at < m_text.size() && m_text[m_at] == '-') ++m_at;
    size_t digits = 0;
    while (m_at < m_text.size() && ((m_text[m_at] >= '0' && m_text[m_at] <= '9') || m_text[m_at] == '.' ||
                                    m_text[m_at] == 'e' || m_text[m_at] == 'E' || m_text[m_at] == '+' ||
                                    m_text[m_at] == '-')) {
      ++m_at;
      ++digits;
    }
    if (digits == 0) return false;
    const std::string text = m_text.substr(start, m_at - start);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0') return false;
    out.m_kind = JsonValue::Kind::kNumber;
    out.m_number = value;
    return true;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool Hex4(unsigned& code) {
    if (m_at + 4 > m_text.size()) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = m_text[m_at++];
      code <<= 4;
      if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
      else return false;
    }
    return true;
  }

  bool String(std::string& out) {
    ++m_at;  // the opening quote
    while (m_at < m_text.size()) {
      const char c = m_text[m_at++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (m_at >= m_text.size()) return false;
      const char e = m_text[m_at++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code < 0xDC00) {
            unsigned low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  bool Array(JsonValue& out, int depth) {
    ++m_at;
    out.m_kind = JsonValue::Kind::kArray;
    if (Take(']')) return true;
    do {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      out.m_items.push_back(std::move(item));
    } while (Take(','));
    return Take(']');
  }

  bool Object(JsonValue& out, int depth) {
    ++m_at;
    out.m_kind = JsonValue::Kind::kObject;
    if (Take('}')) return true;
    do {
      Blanks();
      if (m_at >= m_text.size() || m_text[m_at] != '"') return false;
      std::string name;
      if (!String(name)) return false;
      if (!Take(':')) return false;
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.m_members.emplace_back(std::move(name), std::move(value));
    } while (Take(','));
    return Take('}');
  }

  const std::string& m_text;
  size_t m_at = 0;
};

bool JsonValue::Parse(const std::string& utf8, JsonValue& out) {
  JsonValue value;
  JsonReader reader(utf8);
  if (!reader.Document(value)) return false;
  out = std::move(value);
  return true;
}
