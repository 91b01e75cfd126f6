#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "app/CommandLineOptions.h"
#include "app/PasswordCodec.h"
#include "foundation/XDate.h"
#include "app/Prefs.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

std::vector<std::string> Tokens(const char* text) {
  std::vector<std::string> out;
  for (const XString& t : CommandLine::Split(text)) out.push_back(t.ToStd());
  return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(CommandLineSplit, BlanksEndTokensAndQuotedStretchesJoinThem) {
  EXPECT_EQ(Tokens("-a  -b   -c"), (V{"-a", "-b", "-c"}));
  EXPECT_EQ(Tokens("   leading and trailing   "), (V{"leading", "and", "trailing"}));
  // A key followed by a quoted value with blanks is one token, quotes dropped.
  EXPECT_EQ(Tokens("-d\"My School DSN\" -u\"admin\""), (V{"-dMy School DSN", "-uadmin"}));
  // A quoted stretch may sit anywhere in a token, and a token may be only quotes.
  EXPECT_EQ(Tokens("ab\"c d\"ef \"\" x"), (V{"abc def", "", "x"}));
  // The backslash is an ordinary character: a quoted folder keeps its trailing backslash and
  // does not swallow the closing quote (the district batch file writes such folders).
  EXPECT_EQ(Tokens("-p\"C:\\Import Files\\\" -n\"12\""), (V{"-pC:\\Import Files\\", "-n12"}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(Tokens("-d\"open ended"), (V{"-dopen ended"}));
  EXPECT_TRUE(Tokens("").empty());
}

TEST(CommandLineSplit, OnlyAnEmptyLineMeansNoArguments) {
  EXPECT_TRUE(CommandLine().IsEmpty());
  EXPECT_TRUE(CommandLine(XString("")).IsEmpty());
  CommandLine blanks{XString("   ")};
  EXPECT_FALSE(blanks.IsEmpty());
  EXPECT_TRUE(blanks.Tokens().empty());
  EXPECT_FALSE(CommandLine::FromArguments({XString("")}).IsEmpty());
}

TEST(CommandLineSplit, ArgumentsFromTheShellStayWholeAndTheTextQuotesThem) {
  CommandLine line = CommandLine::FromArguments({XString("-dMy DSN"), XString("-n7")});
  ASSERT_EQ(line.Tokens().size(), 2u);
  EXPECT_STREQ(line.GetOption('d', "").c_str(), "My DSN");
  EXPECT_STREQ(line.Text().c_str(), "\"-dMy DSN\" -n7");
}

TEST(CommandLineLookup, KeysIgnoreCaseAndTheSwitchCharacterValuesKeepCase) {
  CommandLine dash{XString("-D\"Meridane Live\"")};
  CommandLine slash{XString("/d\"Meridane Live\"")};
  CommandLine other{XString("+dMeridane")};
  EXPECT_STREQ(dash.GetOption('d', "none").c_str(), "Meridane Live");
  EXPECT_STREQ(slash.GetOption('D', "none").c_str(), "Meridane Live");
  EXPECT_STREQ(other.GetOption('d', "none").c_str(), "Meridane");
  EXPECT_STREQ(dash.GetOption('u', "stored").c_str(), "stored");
  EXPECT_FALSE(dash.HasOption('u'));
  // Present with an empty value is not absent.
  CommandLine empty{XString("-n -p\"\"")};
  EXPECT_TRUE(empty.HasOption('n'));
  EXPECT_STREQ(empty.GetOption('n', "dflt").c_str(), "");
  EXPECT_STREQ(empty.GetOption('p', "dflt").c_str(), "");
}

TEST(CommandLineLookup, TheFirstOccurrenceWins) {
  CommandLine line{XString("-nFirst -NSecond -n\"Third\"")};
  EXPECT_STREQ(line.GetOption('n', "").c_str(), "First");
}

TEST(CommandLineLookup, HelpIsAskedForOnlyByItsOwnTokens) {
  for (const char* text : {"-?", "/?", "-h", "-H", "--help", "-d\"x\" --help"}) {
    EXPECT_TRUE(CommandLine(XString(text)).IsHelpRequest()) << text;
  }
  for (const char* text : {"-hx", "-d\"-?\"", "help", "-n12"}) {
    EXPECT_FALSE(CommandLine(XString(text)).IsHelpRequest()) << text;
  }
  XString help = CommandLine::HelpText();
  for (const char* option : {"-u", "-z", "-w", "-d", "-n", "-p", "-y", "-i", "-a", "-v", "-q",
                             "-r", "ExportStaff", "LinkStaffToTch"}) {
    EXPECT_NE(help.ToStd().find(option), std::string::npos) << option;
  }
}

TEST(CommandLineOptionsTest, TheEncodedPasswordComesBeforeThePlainOneAndTheStoredOne) {
  XString encoded = PasswordCodec::Encode("s3cret pass");
  CommandLine both{XString("-wplain -z\"") + encoded + "\""};
  EXPECT_STREQ(CommandLineOptions(both).Password("stored").c_str(), "s3cret pass");
  CommandLine plain{XString("-w\"plain text\"")};
  EXPECT_STREQ(CommandLineOptions(plain).Password("stored").c_str(), "plain text");
  CommandLine none{XString("-dDSN")};
  EXPECT_STREQ(CommandLineOptions(none).Password("stored").c_str(), "stored");
  EXPECT_STREQ(CommandLineOptions(none).UserName("admin").c_str(), "admin");
  EXPECT_STREQ(CommandLineOptions(none).Dsn("stored").c_str(), "DSN");
}

TEST(CommandLineOptionsTest, InactiveRuleIsADateAYesOrActiveOnly) {
  EXPECT_EQ(CommandLineOptions::InactiveCutoffOf("20090315"), XDate::FromYMD(2009, 3, 15));
  // The last day of a long month and November.
  EXPECT_EQ(CommandLineOptions::InactiveCutoffOf("20241031"), XDate::FromYMD(2024, 10, 31));
  EXPECT_EQ(CommandLineOptions::InactiveCutoffOf("20241130"), XDate::FromYMD(2024, 11, 30));
  for (const char* yes : {"YES", "yes", "y", "Y", "True", "true"}) {
    EXPECT_EQ(CommandLineOptions::InactiveCutoffOf(yes), 1) << yes;
  }
  for (const char* no : {"", "no", "n", "false", "2009-03-15x", "20091345", "yess"}) {
    EXPECT_EQ(CommandLineOptions::InactiveCutoffOf(no), -1) << no;
  }
  EXPECT_EQ(CommandLineOptions(CommandLine(XString("-n1"))).InactiveCutoff(), -1);
  EXPECT_EQ(CommandLineOptions(CommandLine(XString("-iYES"))).InactiveCutoff(), 1);
}

TEST(CommandLineOptionsTest, GatheringLettersChooseTheKindsAndEmptyMeansAll) {
  auto gather = [](const char* text) { return CommandLineOptions(CommandLine(XString(text))).Gathering(); };
  for (const char* all : {"-n1", "-a", "-a\"\""}) {
    GatherChoice g = gather(all);
    EXPECT_TRUE(g.all && g.demographic) << all;
  }
  GatherChoice a = gather("-aa");
  EXPECT_TRUE(a.attendance);
  EXPECT_FALSE(a.demographic || a.all);
  GatherChoice d = gather("-ad");
  EXPECT_TRUE(d.demographic);
  EXPECT_FALSE(d.attendance || d.all);
  GatherChoice ad = gather("-a\"ad\"");
  EXPECT_TRUE(ad.demographic && ad.attendance);
  EXPECT_FALSE(ad.all);
}

TEST(CommandLineOptionsTest, StaffSwitchesAreOnOnlyForTheExactTextTrue) {
  CommandLineOptions lower{CommandLine(XString("-qtrue -rTRUE"))};
  EXPECT_FALSE(lower.ExportStaff("True"));
  EXPECT_FALSE(lower.LinkStaffToTch("True"));
  CommandLineOptions exact{CommandLine(XString("-qTrue -rTrue"))};
  EXPECT_TRUE(exact.ExportStaff("False"));
  EXPECT_TRUE(exact.LinkStaffToTch("False"));
  CommandLineOptions absent{CommandLine(XString("-n1"))};
  EXPECT_TRUE(absent.ExportStaff("True"));
  EXPECT_FALSE(absent.LinkStaffToTch("true"));
}

TEST(CommandLineOptionsTest, TheImportFolderEndsInASeparator) {
  const std::string sep(1, os::kPathSeparator);
  CommandLineOptions bare{CommandLine(XString("-p\"/srv/import files\""))};
  EXPECT_EQ(bare.ImportFolder("").ToStd(), "/srv/import files" + sep);
  CommandLineOptions ended{CommandLine(XString("-p/srv/import") + XString(sep))};
  EXPECT_EQ(ended.ImportFolder("").ToStd(), "/srv/import" + sep);
  // Absent or empty: the school's own folder; nothing at all stays empty (never the root).
  CommandLineOptions absent{CommandLine(XString("-n1 -p"))};
  EXPECT_EQ(absent.ImportFolder("/srv/current").ToStd(), "/srv/current" + sep);
  EXPECT_STREQ(absent.ImportFolder("").c_str(), "");
}

TEST(CommandLineOptionsTest, FilterLettersSetExactlyTheirFlagsAndPersist) {
  bool flags[kCommandLineFilterCount];
  CommandLineOptions(CommandLine(XString("-v\"sgo\""))).Filters(flags);
  for (int i = 0; i < kCommandLineFilterCount; ++i) {
    char letter = kCommandLineFilters[i].letter;
    EXPECT_EQ(flags[i], letter == 's' || letter == 'g' || letter == 'o') << letter;
  }
  bool upper[kCommandLineFilterCount];
  CommandLineOptions(CommandLine(XString("-vSGO"))).Filters(upper);  // lower case only
  for (bool f : upper) EXPECT_FALSE(f);

  // The choices are written to the preferences of a throwaway hive.
  testsupport::TempDir user, machine;
  os::SetEnv("XDG_CONFIG_HOME", user.Path());
  os::SetEnv("QV_MACHINE_HIVE_DIR", machine.Path());
  std::string key = "Software\\QvTest\\CommandLine" + std::to_string(os::TickCount());
  Prefs prefs(key.c_str());
  prefs.SetFlag("FilterHealthHistory", true);  // left from an earlier run
  WriteFilterPrefs(prefs, flags);
  WriteStaffPrefs(prefs, false, true);
  Prefs reread(key.c_str());
  EXPECT_TRUE(reread.Flag("FilterExtraStudentDemo"));
  EXPECT_TRUE(reread.Flag("FilterGrades"));
  EXPECT_TRUE(reread.Flag("FilterConduct"));
  EXPECT_EQ(reread.ReadInt("FilterHealthHistory", 1), 0);
  EXPECT_EQ(reread.ReadInt("FilterExtraStaff", 1), 0);
  EXPECT_STREQ(reread.ReadText("ExportStaff", "").c_str(), "False");
  EXPECT_STREQ(reread.ReadText("LinkStaffToTch", "").c_str(), "True");
}
