// Runs the real program as a child process, as a scheduler does: arguments, standard input,
// and what it leaves on standard output, standard error and in its exit code. The child
// inherits this process's environment (set it with os::SetEnv first). On Windows the child is
// QvMeridane.exe beside the test program, under Wine too.
#pragma once

#include <string>
#include <vector>

namespace apptest {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The program next to the running test executable.
std::string ProgramPath();

// Runs the program with the arguments (each one argument of the child, blanks included) and
// the text on its standard input; `scratch` is a folder for the redirection files.
ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& scratch);

}  // namespace apptest
