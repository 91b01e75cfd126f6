// The program entry. Started with any argument it performs one extraction for one school and
// exits 0 when the run succeeded, 1 when it failed (so that the scheduler and scripts can tell
// a failed night from a good one); a failed run says on standard error what failed and where
// its run log is, so that a scheduler's mail carries it. Started without arguments it opens
// the main window in the Windows build; the native build has none and says how to run. Long
// options ("--add-school", ...) are the setup verbs, handled before the batch syntax.
#include <cstdio>
#include <exception>
#include <string>

#include "app/BridgeIdentity.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/PasswordCodec.h"
#include "app/SetupVerbs.h"
#include "app/WindowEntry.h"
#include "os/OsSystem.h"

namespace {

// --encode-password: the password from standard input, the -z text on standard output.
int EncodePassword() {
  std::string password;
  if (!os::ReadSecretLine(password)) {
    std::fprintf(stderr, "%s: no password on standard input\n", bridge::kShortName);
    return 1;
  }
  std::printf("%s\n", PasswordCodec::Encode(XString(password)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine = CommandLine::FromProcess(argc, argv);
  if (commandLine.IsHelpRequest()) {
    std::fputs(CommandLine::HelpText().c_str(), stdout);
    std::fputs("\n", stdout);
    std::fputs(SetupVerbs::HelpText().c_str(), stdout);
    return 0;
  }
  if (commandLine.IsEncodePasswordRequest()) return EncodePassword();
  if (SetupVerbs::VerbOf(commandLine) != nullptr) return SetupVerbs::Run(commandLine, stdout, stderr);
  if (commandLine.IsEmpty()) {
    if (HasMainWindow()) return RunMainWindow();
    std::printf("%s %s\n\nThis build has no window; it runs extractions from the command line.\n\n%s",
                bridge::kTitle, bridge::kVersion, CommandLine::HelpText().c_str());
    return 0;
  }
  for (const XString& warning : commandLine.Warnings()) {
    std::fprintf(stderr, "%s: warning: %s\n", bridge::kShortName, warning.c_str());
  }
  try {
    MainWindow app;
    const bool succeeded = app.ProcessCommandLine(commandLine);
    // Saved before the exit code is known: a run whose settings were not kept has failed.
    const bool saved = app.SaveConfiguration();
    if (!succeeded) {
      std::fprintf(stderr, "%s\n", app.FailureLine().c_str());
    } else if (!saved) {
      std::fprintf(stderr, "%s: Error: the preferences or the site configuration could not be saved: %s Run log: %s\n",
                   bridge::kShortName, app.SaveFailure().c_str(), app.RunLog().Path().Path().c_str());
    }
    return succeeded && saved ? 0 : 1;
  } catch (const std::exception& e) {
    // Start-up itself failed (the preferences or the run log could not be opened).
    std::fprintf(stderr, "%s: %s\n", bridge::kShortName, e.what());
    return 1;
  }
}
