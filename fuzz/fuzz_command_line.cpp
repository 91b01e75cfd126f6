// The command-line splitter and the option lookup over any text: splitting what FromArguments
// joined gives the same tokens back, and neither the masked text nor a warning shows a password.
#include <algorithm>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/CommandLineOptions.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::string Joined(const std::vector<XString>& tokens) {
  std::string text;
  for (const XString& token : tokens) text += "[" + token.ToStd() + "]";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Parts(data, size, 1)[0];
  const std::vector<XString> tokens = CommandLine::Split(text.c_str());

  // Quotes are the one character a token cannot carry through the join.
  if (text.find('"') == std::string::npos) {
    for (const XString& token : tokens) FUZZ_CHECK(!token.IsEmpty());
    CommandLine joined = CommandLine::FromArguments(tokens);
    FUZZ_CHECK_EQ(Joined(CommandLine::Split(joined.Text().c_str())), Joined(tokens));
  }

  CommandLine line{XString(text)};
  FUZZ_CHECK(line.Tokens().size() == tokens.size());
  // What a run shows of its line: the masked text and the warnings.
  std::string masked = line.MaskedText().ToStd();
  for (const XString& warning : line.Warnings()) {
    FUZZ_CHECK(warning.Length() > 0);
    masked += "\n" + warning.ToStd();
  }
  for (const XString& token : line.Tokens()) {
    if (token.Length() < 6) continue;
    const char key = static_cast<char>(token[1] | 0x20);
    if (key != 'z' && key != 'w') continue;
    const std::string secret = token.Mid(2).ToStd();
    bool elsewhere = false;
    for (const XString& other : line.Tokens()) {
      if (&other != &token && other.ToStd().find(secret) != std::string::npos) elsewhere = true;
    }
    // A value with a blank or quote could be made of the neighbouring tokens as shown, and
    // one of plain ASCII letters could be part of a warning's own words.
    const bool distinct = std::any_of(secret.begin(), secret.end(), [](char c) { return (c & 0x80) != 0; });
    if (!elsewhere && distinct && secret.find_first_of("* \"") == std::string::npos) {
      if (masked.find(secret) != std::string::npos) fuzz::Fail("a password shows", secret, masked);
    }
  }

  for (char key = ' '; key < 127; ++key) {
    const bool has = line.HasOption(key);
    const XString value = line.GetOption(key, "\x01");
    if (!has) FUZZ_CHECK(value == XString("\x01"));
  }
  line.IsHelpRequest();
  line.IsEncodePasswordRequest();

  CommandLineOptions options(line);
  options.UserName("user");
  options.Password("stored");
  options.Dsn("dsn");
  options.ImportFolder("/import/");
  options.SchoolNumber();
  options.SchoolYear();
  const int32_t cutoff = options.InactiveCutoff();
  FUZZ_CHECK(cutoff == -1 || cutoff >= 0);
  options.Gathering();
  bool flags[kCommandLineFilterCount];
  options.Filters(flags);
  options.ExportStaff("True");
  options.LinkStaffToTch("False");
  return 0;
}
