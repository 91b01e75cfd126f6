// The program's command line: its tokens and the option lookup over them.
//
// An option is a token whose first character is a switch character (any character; "-" is
// the one the system writes) followed by a one-letter key and the value, with nothing between
// key and value: -d"My DSN" is the key d with the value My DSN. Keys are case-insensitive,
// values keep their case, and the first token with a key wins.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/XString.h"

class CommandLine {
 public:
  // No arguments at all: the program starts its window.
  CommandLine() = default;
  // The raw text of the arguments, cut into tokens by Split.
  explicit CommandLine(const XString& text);
  // Arguments that the shell has already split and unquoted, one token each.
  static CommandLine FromArguments(const std::vector<XString>& arguments);
  // The running process's command line: the system's raw text where there is one (Windows),
  // otherwise argv[1..] (UTF-8), converted to the code page. A character the code page lacks
  // is kept as <U+XXXX> and makes the line unrepresentable.
  static CommandLine FromProcess(int argc, char** argv);
  // The two sources FromProcess reads: the system's raw text in UTF-16, and arguments in UTF-8.
  static CommandLine FromWideText(const std::u16string& wide);
  static CommandLine FromUtf8Arguments(const std::vector<std::string>& utf8);

  // Throws, naming the argument (a password's value not shown), when the line held characters
  // that the code page cannot represent: a folder or name would otherwise silently become a
  // different one.
  void RequireRepresentable() const;

  // Cuts raw text into tokens from left to right: a blank outside quotes ends a token (a run
  // of blanks makes no empty tokens); a double quote opens a stretch that runs to the next
  // double quote, whose text, blanks included, joins the token being built while the quotes
  // are dropped. A backslash has no special meaning, so a quoted folder ending in a backslash
  // ("C:\Import\") keeps it.
  static std::vector<XString> Split(const char* text);

  // The whole command line as received (arguments joined by blanks, those holding a blank
  // quoted).
  const XString& Text() const { return m_text; }
  // True only when there are no arguments at all; a line of blanks is not empty.
  bool IsEmpty() const { return m_empty; }
  const std::vector<XString>& Tokens() const { return m_tokens; }
  // The tokens joined by blanks for the run log, with the values of the password options
  // (z and w) replaced by asterisks: the run log is copied into the import folder, where
  // anyone who reads the package could read them.
  XString MaskedText() const;

  // The rest of the first token that holds the key after its switch character (possibly
  // empty), or the default when no token holds it.
  XString GetOption(char key, const char* defaultValue) const;
  bool HasOption(char key) const;

  // True when a token asks for the usage text: -?, /?, -h or --help.
  bool IsHelpRequest() const;
  // True when the only token is --encode-password: the program reads a password from
  // standard input and prints the -z text for it.
  bool IsEncodePasswordRequest() const;
  // The usage text: every option with its meaning and its default, where the site
  // configuration and the run log are, the exit codes.
  static XString HelpText();

  // What the run reads differently from what was probably meant, one text per token: a token
  // without a switch character (a value separated from its key by a blank), an unknown key
  // letter, a key given again (the first counts), letters of -a other than d and a. The
  // tokens are still read as the options table says; password values are never shown.
  std::vector<XString> Warnings() const;

 private:
  const XString* FindOption(char key) const;

  XString m_text;
  std::vector<XString> m_tokens;
  bool m_empty = true;
  bool m_unrepresentable = false;
};
