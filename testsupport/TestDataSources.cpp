#include "testsupport/TestDataSources.h"

#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace testsupport {

std::string DriverPath(const std::string& path) {
  if (path.size() > 2 && path[1] == ':' && (path[0] == 'Z' || path[0] == 'z')) {
    std::string unixPath = path.substr(2);
    for (char& c : unixPath) {
      if (c == '\\') c = '/';
    }
    return unixPath;
  }
  return path;
}

std::string LocalPath(const std::string& unixPath) {
  return os::kPathSeparator == '\\' ? "Z:" + unixPath : unixPath;
}

std::string StrictQuotesExtension() {
  std::string extension = os::GetEnv("QV_SISDQS");
  if (extension.empty() || !os::PathExists(LocalPath(DriverPath(extension)))) return std::string();
  return DriverPath(extension);
}

bool RegisterDataSources(const std::vector<std::pair<std::string, std::string>>& sources,
                         std::string* whyNot) {
  std::string ini = os::GetEnv("ODBCINI");
  if (ini.empty()) {
    // Outside ctest: a throwaway ini file of this process (natively the driver manager reads
    // this process's environment).
    static TempDir folder;
    ini = folder.File("odbc.ini");
    os::SetEnv("ODBCINI", ini);
  }
  std::string extension = StrictQuotesExtension();
  std::string text;
  for (const auto& [name, database] : sources) {
    text += "[" + name + "]\nDriver=SQLite3\nDatabase=" + DriverPath(database) + "\nStepAPI=1\n";
    if (!extension.empty()) text += "LoadExt=" + extension + "\n";
    text += "\n";
  }
  try {
    WriteAll(LocalPath(DriverPath(ini)), text);
  } catch (const std::exception& e) {
    if (whyNot) *whyNot = e.what();
    return false;
  }
  return true;
}

}  // namespace testsupport
