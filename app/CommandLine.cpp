#include "app/CommandLine.h"

#include <cctype>

#include "os/OsSystem.h"
#include "os/OsText.h"

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EqualsNoCase(const XString& a, const char* b) { return a.CompareNoCase(b) == 0; }

}  // namespace

CommandLine::CommandLine(const XString& text)
    : m_text(text), m_tokens(Split(text.c_str())), m_empty(text.IsEmpty()) {}

CommandLine CommandLine::FromArguments(const std::vector<XString>& arguments) {
  CommandLine line;
  line.m_tokens = arguments;
  line.m_empty = arguments.empty();
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i) line.m_text += " ";
    const XString& argument = arguments[i];
    bool quote = argument.IsEmpty() || argument.Find(' ') < argument.Length();
    line.m_text += quote ? argument.Quote() : argument;
  }
  return line;
}

CommandLine CommandLine::FromProcess(int argc, char** argv) {
  std::string raw = os::RawCommandLine();
  if (!raw.empty()) return CommandLine(XString(raw));
  std::vector<XString> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(os::Utf8ToNarrow(argv[i]));
  return FromArguments(arguments);
}

std::vector<XString> CommandLine::Split(const char* text) {
  std::vector<XString> tokens;
  std::string token;
  bool inToken = false;  // a token has begun (a quoted stretch may leave it empty)
  bool quoted = false;
  for (const char* p = text ? text : ""; *p; ++p) {
    char c = *p;
    if (c == '"') {
      quoted = !quoted;
      inToken = true;
    } else if (c == ' ' && !quoted) {
      if (inToken) tokens.emplace_back(token);
      token.clear();
      inToken = false;
    } else {
      token += c;
      inToken = true;
    }
  }
  if (inToken) tokens.emplace_back(token);
  return tokens;
}

const XString* CommandLine::FindOption(char key) const {
  char wanted = Lower(key);
  for (const XString& token : m_tokens) {
    if (token.Length() >= 2 && Lower(token[1]) == wanted) return &token;
  }
  return nullptr;
}

XString CommandLine::GetOption(char key, const char* defaultValue) const {
  const XString* token = FindOption(key);
  return token ? token->Mid(2) : XString(defaultValue);
}

bool CommandLine::HasOption(char key) const { return FindOption(key) != nullptr; }

bool CommandLine::IsHelpRequest() const {
  for (const XString& token : m_tokens) {
    if (token == "-?" || token == "/?" || EqualsNoCase(token, "-h") ||
        EqualsNoCase(token, "--help")) {
      return true;
    }
  }
  return false;
}

XString CommandLine::HelpText() {
  return XString(
      "Usage: QvMeridane [-option\"value\"]...\n"
      "Without arguments the Windows build (QvMeridane.exe) opens its window; the Linux build\n"
      "has no window and shows this text. With any argument it extracts one school and ends,\n"
      "writing its steps to the run log.\n"
      "\n"
      "Options (any switch character, key letters in any case, the value right after the\n"
      "key; quote values that hold blanks; the first occurrence of a key counts):\n"
      "  -u<user>     SIS user name           default: the stored \"User Name\"\n"
      "  -z<code>     SIS password, encoded   default: see -w\n"
      "  -w<text>     SIS password, plain     read only without -z; default: the stored "
      "\"Password\"\n"
      "  -d<dsn>      ODBC data source name   default: the stored \"DSN\"\n"
      "  -n<number>   school number           default: empty\n"
      "  -p<folder>   import folder           default: the school's current import folder\n"
      "  -y<year>     school year             default: empty\n"
      "  -i<rule>     inactive students: a date YYYYMMDD, or yes, y, true (all)\n"
      "                                       default: active students only\n"
      "  -a<letters>  gather: d demographic, a attendance\n"
      "                                       default (or empty): everything\n"
      "  -v<letters>  filter optional extracts: s Extra Student Demo, c Extra Student\n"
      "               Contacts, g Grades, p Period Attendance, i Daily Attendance,\n"
      "               n Health Conditions, h Health History, o Conduct, f Extra Staff\n"
      "                                       default: none\n"
      "  -q<True>     export staff            default: the stored \"ExportStaff\" (True)\n"
      "  -r<True>     link staff to teachers  default: the stored \"LinkStaffToTch\" (True)\n"
      "               (-q and -r are on only for the exact text True)\n"
      "  -?, -h, --help  this text\n"
      "\n"
      "Example: QvMeridane -d\"School DSN\" -u\"admin\" -z\"...\" -p\"C:\\Import\\\" -n\"101\" "
      "-a\"ad\"\n");
}

XString CommandLine::MaskedText() const {
  XString text;
  for (const XString& token : m_tokens) {
    if (!text.IsEmpty()) text += " ";
    char key = token.Length() >= 2 ? Lower(token[1]) : 0;
    bool secret = (key == 'z' || key == 'w') && token.Length() > 2;
    XString shown = secret ? token.Left(2) + "******" : token;
    text += shown.Find(' ') < shown.Length() ? shown.Quote() : shown;
  }
  return text;
}
