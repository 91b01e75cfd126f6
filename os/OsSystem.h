// Process, shell and environment services of the operating system.
#pragma once

#include <string>

namespace os {

// Name of the operating system as a log header shows it ("Windows XP", "Windows", "Linux").
std::string OperatingSystemName();

// Asks the shell to "open" a document or folder. Returns 0 on success, otherwise a code below
// 32 as the Windows shell would (2: file not found, 31: no program associated).
int ShellOpen(const std::string& path);

// Environment variable in the narrow code page; empty when unset.
std::string GetEnv(const std::string& name);
// Sets (or, with an empty value, removes) an environment variable of this process.
void SetEnv(const std::string& name, const std::string& value);
// The text with every %NAME% of a set environment variable replaced by its value, as the
// system expands a REG_EXPAND_SZ value ("%APPDATA%\\Quorvane"); an unset name and a lone %
// stay as they are.
std::string ExpandEnvironment(const std::string& text);

// The program's arguments as one raw text, as the system hands it over on Windows (the
// command line after the program's own name, converted to the code page), for the program to
// split by its own rules. Empty where the system has no such text (POSIX: the shell has
// already split and unquoted the arguments, which then come from the argument vector).
std::string RawCommandLine();
// The same text as the system holds it (UTF-16), for a caller that must tell whether the code
// page can carry it. Empty on POSIX.
std::u16string RawCommandLineWide();

// One line of standard input without its line end, in the narrow code page; the typing is not
// echoed when the input is a terminal (a password prompt). False at the end of the input.
bool ReadSecretLine(std::string& line);

// Full path of the running executable.
std::string ExecutablePath();

// The roaming application-data folder of the user, without a trailing separator.
std::string AppDataFolder();

// The user's name for a scheduled task's account.
std::string UserName();
// The domain the user logged on to (on a machine outside a domain, the machine's name), which
// with a backslash and UserName() makes the account a scheduled task runs under. Empty where
// the system has no such domain (POSIX).
std::string LogonDomain();

// Last system error number (errno or GetLastError) and its message.
int LastError();
// Sets the number LastError() reports next.
void SetSystemError(int error);
std::string ErrorMessage(int code);

}  // namespace os
