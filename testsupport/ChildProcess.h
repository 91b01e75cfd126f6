// Running a program of the build as a real process, as a person or a script runs it: its exit
// code and what it wrote on standard output and standard error. The child inherits the test's
// environment (set it with os::SetEnv first). Under Wine a Windows test starts the Windows
// program the same way, through CreateProcess.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program could not be started or did not exit normally
  std::string out;
  std::string err;
};

// Starts the program with the arguments (each one argument; on Windows joined into one
// command line, an argument holding a blank between double quotes) and `input` on its
// standard input, waits for it and collects its output.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = std::string());

// A program of this build by its path relative to the build folder ("app/QvMeridane"), with
// the executable suffix of the platform; empty when QV_BINARY_DIR is not set.
std::string BuildProgram(const std::string& relativePath);

}  // namespace testsupport
