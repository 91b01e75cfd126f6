// A file spec: an absolute path in the platform's form that knows its file-name part.
// The separator is os::kPathSeparator ('\' on Windows, where a '/' given by a caller becomes
// '\'; '/' on POSIX). A path that ends in the separator is a folder spec and has no
// file-name part. Paths are at most os::kMaxPath characters (260 on Windows).
#pragma once

#include <cstdint>

#include "foundation/XString.h"

class XFileSpec {
 public:
  XFileSpec() = default;  // empty: no path
  // As Set; throws on a relative or over-long path.
  XFileSpec(const char* path);
  XFileSpec(const XString& path);

  // Copies the path, turning '/' into '\' on Windows. A path beginning with '.' (or any
  // path that is not absolute) throws "No support for relative paths: %s". A path holding
  // '?', '<' or '>' (what the code page leaves for a character it cannot represent) throws
  // naming it, here and in AppendName. An empty text empties the spec.
  void Set(const char* path);
  // A folder spec: the path with a separator added when it lacks one.
  static XFileSpec Folder(const char* path);

  const XString& Path() const { return m_path; }
  const char* c_str() const { return m_path.c_str(); }
  bool IsEmpty() const { return m_path.IsEmpty(); }
  // True when the path ends in the separator (no file-name part).
  bool IsFolder() const;
  // The text after the last separator ("" for a folder spec).
  XString FileName() const;
  // The path up to and including the last separator.
  XString FolderPath() const;
  // The folder spec that holds this path.
  XFileSpec FolderSpec() const;

  // Adds the separator (unless the path already ends in one) and the name. Throws
  // "Appended length (%u) would make path length exceed maximum %u." when the result would be
  // longer than os::kMaxPath; the spec is unchanged then.
  void AppendName(const char* name);
  // AppendName, then the separator: the result is a folder spec.
  void AppendFolder(const char* name);
  // Replaces the file-name part (or appends to a folder spec); same limit.
  void SetFileName(const char* name);

  // The name with every character of / : * ? " < > | replaced by '_'.
  static XString SafeFileName(const char* name);

  // The volume of the path ("C:\", "\\server\share\", "/") and whether it exists.
  XString Volume() const;
  bool VolumeExists() const;

  // Creates every missing folder of the folder part, from the top down. Throws "Error creating
  // folder, volume does not exist: %s" when the volume is missing and "Error creating spec: %s"
  // (with the folder) when a folder cannot be made.
  void CreateFolder() const;

  bool Exists() const;
  // Deletes the file (a folder spec: the folder and everything in it). Throws
  // "Could not delete spec: %s".
  void Delete() const;
  // Copies the file over `to`. Throws "Error copying %s to %s".
  void CopyTo(const XFileSpec& to) const;
  // Creates the file empty when it does not exist, or the folder for a folder spec;
  // an existing file keeps its content. Throws "Error creating spec: %s".
  void Create() const;
  // Asks the shell to open the file (documents open in their program). A shell result below
  // 32 throws "Error calling Run on \"%s\"" with the result as the code.
  void Run() const;

  bool operator==(const XFileSpec& other) const { return m_path == other.m_path; }
  bool operator!=(const XFileSpec& other) const { return !(m_path == other.m_path); }

 private:
  // Position just after the last separator (0 when there is none).
  uint32_t NamePosition() const;
  void SetChecked(const XString& path);

  XString m_path;
};
