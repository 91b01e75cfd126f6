#include "testsupport/ChildProcess.h"

#include "os/Os.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"

#if defined(_WIN32)
#include <windows.h>

#include "os/OsText.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace testsupport {

std::string BuildProgram(const std::string& relativePath) {
  const std::string binary = os::GetEnv("QV_BINARY_DIR");
  if (binary.empty()) return std::string();
#if defined(_WIN32)
  std::string path = LocalPath(binary + "/" + relativePath + ".exe");
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#else
  return binary + "/" + relativePath;
#endif
}

#if defined(_WIN32)

namespace {

std::wstring Wide(const std::string& narrow) {
  const std::u16string wide = os::NarrowToWide(narrow);
  return std::wstring(wide.begin(), wide.end());
}

HANDLE InheritableFile(const std::string& path, bool write = true) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input) {
  ProgramResult result;
  TempDir dir;
  const std::string inPath = dir.File("in.txt"), outPath = dir.File("out.txt"), errPath = dir.File("err.txt");
  WriteAll(inPath, input);
  std::string line = "\"" + program + "\"";
  for (const std::string& argument : arguments) {
    const bool quote = argument.empty() || argument.find(' ') != std::string::npos;
    line += " " + (quote ? "\"" + argument + "\"" : argument);
  }
  HANDLE in = InheritableFile(inPath, false), out = InheritableFile(outPath), err = InheritableFile(errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = Wide(line);
  if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

#else

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input) {
  ProgramResult result;
  TempDir dir;
  const std::string inPath = dir.File("in.txt"), outPath = dir.File("out.txt"), errPath = dir.File("err.txt");
  WriteAll(inPath, input);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t child = 0;
  if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

#endif

}  // namespace testsupport
