// The program entry. Started with any argument it performs one extraction for one school and
// exits 0 when the run succeeded, 1 when it failed (so that the scheduler and scripts can tell
// a failed night from a good one). Started without arguments it opens the main window in the
// Windows build; the native build has none and says how to run.
#include <cstdio>
#include <exception>

#include "app/BridgeIdentity.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/WindowEntry.h"

int main(int argc, char** argv) {
  CommandLine commandLine = CommandLine::FromProcess(argc, argv);
  if (commandLine.IsHelpRequest()) {
    std::fputs(CommandLine::HelpText().c_str(), stdout);
    return 0;
  }
  if (commandLine.IsEmpty()) {
    if (HasMainWindow()) return RunMainWindow();
    std::printf("%s %s\n\nThis build runs extractions from the command line only; the window for\n"
                "setting up schools is part of the Windows build (QvMeridane.exe).\n\n%s",
                bridge::kTitle, bridge::kVersion, CommandLine::HelpText().c_str());
    return 0;
  }
  try {
    MainWindow app;
    return app.ProcessCommandLine(commandLine) ? 0 : 1;
  } catch (const std::exception& e) {
    // Start-up itself failed (the preferences or the run log could not be opened).
    std::fprintf(stderr, "%s: %s\n", bridge::kShortName, e.what());
    return 1;
  }
}
