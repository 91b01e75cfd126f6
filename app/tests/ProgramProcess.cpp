#include "ProgramProcess.h"

#include "os/Os.h"
#include "testsupport/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace apptest {

std::string ProgramPath() {
  std::string exe = os::ExecutablePath();
  std::string folder = exe.substr(0, exe.find_last_of(os::kPathSeparator) + 1);
#ifdef _WIN32
  return folder + "QvMeridane.exe";
#else
  return folder + "QvMeridane";
#endif
}

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& narrow) {
  std::u16string wide = os::NarrowToWide(narrow);
  return std::wstring(wide.begin(), wide.end());
}

// The quoting that the C runtime's argument splitting undoes; the program itself reads the raw
// command line, where a double quote opens and closes a quoted stretch.
std::wstring Quoted(const std::string& argument) { return L"\"" + Wide(argument) + L"\""; }

HANDLE Inheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& scratch) {
  const std::string in = scratch + "\\stdin.txt", out = scratch + "\\stdout.txt", err = scratch + "\\stderr.txt";
  testsupport::WriteAll(in, input);
  std::wstring line = Quoted(ProgramPath());
  for (const std::string& argument : arguments) {
    line += L" ";
    line += argument.find(' ') != std::string::npos ? Quoted(argument) : Wide(argument);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(in, false);
  startup.hStdOutput = Inheritable(out, true);
  startup.hStdError = Inheritable(err, true);
  PROCESS_INFORMATION process{};
  ProcessResult result;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  result.out = testsupport::ReadAll(out);
  result.err = testsupport::ReadAll(err);
  return result;
}

#else

ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                         const std::string& scratch) {
  const std::string in = scratch + "/stdin.txt", out = scratch + "/stdout.txt", err = scratch + "/stderr.txt";
  testsupport::WriteAll(in, input);
  const std::string program = ProgramPath();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ProcessResult result;
  pid_t child = 0;
  if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = testsupport::ReadAll(out);
  result.err = testsupport::ReadAll(err);
  return result;
}

#endif

}  // namespace apptest
