#include "app/CommandLine.h"

#include <cctype>
#include <cstring>
#include <string>

#include "app/BridgeFolders.h"
#include "app/BridgeIdentity.h"

#include "os/OsFiles.h"
#include "foundation/XException.h"
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
  std::u16string wide = os::RawCommandLineWide();
  if (!wide.empty()) return FromWideText(wide);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return FromUtf8Arguments(arguments);
}

// A character the code page lacks must not turn into '?' or a look-alike: a folder would then
// name another folder. Such text is kept with the character named (<U+XXXX>) and the run
// refuses it (RequireRepresentable).
CommandLine CommandLine::FromWideText(const std::u16string& wide) {
  std::string narrow;
  if (os::WideToNarrowExact(wide, narrow)) return CommandLine(XString(narrow));
  CommandLine line{XString(os::WideToNarrowNamed(wide))};
  line.m_unrepresentable = true;
  return line;
}

CommandLine CommandLine::FromUtf8Arguments(const std::vector<std::string>& utf8) {
  std::vector<XString> arguments;
  bool unrepresentable = false;
  for (const std::string& argument : utf8) {
    std::string narrow;
    if (!os::Utf8ToNarrowExact(argument, narrow)) {
      narrow = os::Utf8ToNarrowNamed(argument);
      unrepresentable = true;
    }
    arguments.emplace_back(narrow);
  }
  CommandLine line = FromArguments(arguments);
  line.m_unrepresentable = unrepresentable;
  return line;
}

void CommandLine::RequireRepresentable() const {
  if (!m_unrepresentable) return;
  for (const XString& token : m_tokens) {
    if (token.ToStd().find("<U+") == std::string::npos) continue;
    char key = token.Length() >= 2 ? Lower(token[1]) : 0;
    // A password is not shown, not even in part.
    XString shown = (key == 'z' || key == 'w') ? token.Left(2) + "******" : token;
    throw XException::Format(0,
                             "The argument %s holds characters that the code page %s cannot represent; "
                             "use a name made of characters of that code page.",
                             shown.c_str(), os::CodePageName().c_str());
  }
  throw XException::Format(0, "The command line holds characters that the code page %s cannot represent.",
                           os::CodePageName().c_str());
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

bool CommandLine::IsEncodePasswordRequest() const {
  return m_tokens.size() == 1 && EqualsNoCase(m_tokens[0], "--encode-password");
}

std::vector<XString> CommandLine::Warnings() const {
  static const char kKnownKeys[] = "uzwdntpyiavqr";
  std::vector<XString> warnings;
  std::string seen;
  for (const XString& token : m_tokens) {
    const char key = token.Length() >= 2 ? Lower(token[1]) : 0;
    const bool known = key != 0 && std::strchr(kKnownKeys, key) != nullptr;
    const bool secret = key == 'z' || key == 'w';
    const std::string shown = "\"" + (secret ? token.Left(2).ToStd() + "******" : token.ToStd()) + "\"";
    const unsigned char first = token.IsEmpty() ? 0 : static_cast<unsigned char>(token[0]);
    std::string text;
    if (token.Length() < 2) {
      text = shown + " is not an option; it is ignored.";
    } else if (std::isalnum(first)) {
      text = known ? shown + " has no switch character; it is read as the option -" + std::string(1, key) +
                         " with the value \"" + (secret ? "******" : token.Mid(2).ToStd()) + "\"."
                   : shown + " is not an option; it is ignored.";
      text += " A value follows its key letter without a blank: -dMyDSN or -d\"My DSN\".";
    } else if (!known) {
      text = shown + ": unknown option letter '" + std::string(1, token[1]) + "'; it is ignored.";
    } else if (seen.find(key) != std::string::npos) {
      text = shown + ": the option -" + std::string(1, key) + " was given before; the first one counts.";
    } else if (key == 'a') {
      std::string others;
      for (size_t i = 2; i < token.Length(); ++i) {
        if (token[i] != 'd' && token[i] != 'a') others += token[i];
      }
      if (!others.empty()) text = shown + ": the letters \"" + others + "\" are ignored; -a knows d and a.";
    }
    if (known) seen += key;
    if (!text.empty()) warnings.emplace_back(text);
  }
  return warnings;
}

XString CommandLine::HelpText() {
  const XString sep(std::string(1, os::kPathSeparator));
  const XString folder = BridgeFolders::AppDataFolder() + bridge::kAppDataFamilyFolder + sep +
                         bridge::kShortName + sep;
  XString text(
      "Usage: QvMeridane [-option\"value\"]...\n"
      "       QvMeridane --encode-password\n"
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
      "  -t<district> the school's district   default: empty\n"
      "  -p<folder>   import folder           default: the school's current import folder\n"
      "  -y<year>     school year             default: the school's stored year\n"
      "  -i<rule>     inactive students: a date YYYYMMDD, or yes, y, true (all), anything\n"
      "               else active students only\n"
      "                                       default: the school's stored rule\n"
      "  -a<letters>  gather: d demographic, a attendance\n"
      "                                       default (or empty): everything\n"
      "  -v<letters>  filter optional extracts: s Extra Student Demo, c Extra Student\n"
      "               Contacts, g Grades, p Period Attendance, i Daily Attendance,\n"
      "               n Health Conditions, h Health History, o Conduct, f Extra Staff\n"
      "                                       default: none\n"
      "  -q<True>     export staff            default: the stored \"ExportStaff\" (True)\n"
      "  -r<True>     link staff to teachers  default: the stored \"LinkStaffToTch\" (True)\n"
      "               (-q and -r are on only for the exact text True)\n"
      "               -v, -q and -r are stored in the preferences, but this SIS's extraction\n"
      "               does not use them.\n"
      "  -?, -h, --help  this text\n"
      "  --encode-password  reads a password from standard input (not shown as typed) and\n"
      "                  prints the text to give to -z\n"
      "\n"
      "The school: the run takes the entry of the site configuration, QvConfig.xml, whose\n"
      "SchoolNumber is the -n value and whose SISSchoolDistrict is the -t value (empty when\n"
      "-t is absent). QvConfig.xml is in the folder named by the preference\n"
      "\"Database Folder\", else in\n"
      "  ");
  text += folder;
  text += XString(
      "\n"
      "The run log, QvMeridaneRunLog.txt, is in\n"
      "  ");
  text += folder;
  text += XString(
      "\n"
      "and a copy goes into the import folder (the -p folder when given).\n"
      "The user guide, MeridaneGuide.pdf, is in /usr/share/doc/qvmeridane/ (Debian package),\n"
      "and in the program folder on Windows.\n"
      "\n"
      "Exit codes: 0 the extraction succeeded (or this text was shown); 1 it failed: one line\n"
      "on standard error says why and where the run log is.\n"
      "\n"
      "Example: QvMeridane -d\"School DSN\" -u\"admin\" -z\"...\" -p\"C:\\Import\\\" -n\"101\" "
      "-a\"ad\"\n");
  return text;
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
