// A real temporary folder for a test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, in the platform's path form, without a trailing separator.
  const std::string& Path() const { return m_path; }
  // The folder joined with a name.
  std::string File(const std::string& name) const;

 private:
  std::string m_path;
};

// Reads a whole file as bytes ("" when it cannot be read).
std::string ReadAll(const std::string& path);
// Writes bytes to a file, replacing it.
void WriteAll(const std::string& path, const std::string& bytes);

}  // namespace testsupport
