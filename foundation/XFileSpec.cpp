#include "foundation/XFileSpec.h"

#include <cstring>
#include <string>

#include "foundation/XException.h"
#include "os/Os.h"

namespace {

constexpr char kSep = os::kPathSeparator;

// On Windows a caller's '/' is a separator too; on POSIX '\' is an ordinary name character
// and stays.
XString Normalise(const char* path) {
  XString result(path);
  if (kSep == '\\') {
    std::string text = result.ToStd();
    for (char& c : text) {
      if (c == '/') c = '\\';
    }
    result = XString(text);
  }
  return result;
}

// '?', '<' and '>' are in no file name on Windows, and they are what a conversion into the code
// page leaves for a character it lacks ('?', or <U+XXXX> where the character is named). A path
// holding them would be a different folder from the one meant, on POSIX too, where the file
// system would take them.
void RequireNameCharacters(const XString& path) {
  if (path.ToStd().find_first_of("?<>") == std::string::npos) return;
  throw XException::Format(0,
                           "The path holds ?, < or >, which no file name may hold (they stand for "
                           "characters that the code page %s cannot represent): %s",
                           os::CodePageName().c_str(), path.c_str());
}

}  // namespace

XFileSpec::XFileSpec(const char* path) { Set(path); }

XFileSpec::XFileSpec(const XString& path) { Set(path.c_str()); }

void XFileSpec::Set(const char* path) {
  if (path == nullptr || *path == '\0') {
    m_path = XString();
    return;
  }
  SetChecked(Normalise(path));
}

void XFileSpec::SetChecked(const XString& path) {
  // Only absolute paths: a relative one would depend on the current folder, which differs
  // between a window run and a scheduled run.
  if (path[0] == '.' || !os::IsAbsolutePath(path.ToStd())) {
    throw XException::Format(0, "No support for relative paths: %s", path.c_str());
  }
  if (path.Length() > os::kMaxPath) {
    throw XException::Format(0, "Appended length (%u) would make path length exceed maximum %u.",
                             path.Length(), os::kMaxPath);
  }
  RequireNameCharacters(path);
  m_path = path;
}

XFileSpec XFileSpec::Folder(const char* path) {
  XFileSpec spec(path);
  if (!spec.IsEmpty() && !spec.IsFolder()) spec.AppendName("");
  return spec;
}

uint32_t XFileSpec::NamePosition() const {
  const char* last = std::strrchr(m_path.c_str(), kSep);
  return last == nullptr ? 0 : static_cast<uint32_t>(last - m_path.c_str()) + 1;
}

bool XFileSpec::IsFolder() const {
  return !m_path.IsEmpty() && m_path[m_path.Length() - 1] == kSep;
}

XString XFileSpec::FileName() const { return m_path.Mid(NamePosition()); }

XString XFileSpec::FolderPath() const { return m_path.Left(NamePosition()); }

XFileSpec XFileSpec::FolderSpec() const {
  XFileSpec spec;
  spec.m_path = FolderPath();
  return spec;
}

void XFileSpec::AppendName(const char* name) {
  XString result = m_path;
  if (!IsFolder()) result += kSep;
  XString addition = Normalise(name);
  uint32_t appended = result.Length() - m_path.Length() + addition.Length();
  if (result.Length() + addition.Length() > os::kMaxPath) {
    throw XException::Format(0, "Appended length (%u) would make path length exceed maximum %u.",
                             appended, os::kMaxPath);
  }
  RequireNameCharacters(addition);
  result += addition;
  m_path = result;
}

void XFileSpec::AppendFolder(const char* name) {
  XFileSpec copy = *this;
  copy.AppendName(name);
  if (!copy.IsFolder()) copy.AppendName("");
  *this = copy;
}

void XFileSpec::SetFileName(const char* name) {
  XFileSpec copy = FolderSpec();
  copy.AppendName(name);
  *this = copy;
}

XString XFileSpec::SafeFileName(const char* name) {
  std::string text = XString(name).ToStd();
  for (char& c : text) {
    if (std::strchr("/:*?\"<>|", c) != nullptr) c = '_';
  }
  return XString(text);
}

XString XFileSpec::Volume() const { return XString(os::VolumeOf(m_path.ToStd())); }

bool XFileSpec::VolumeExists() const {
  XString volume = Volume();
  return !volume.IsEmpty() && os::PathExists(volume.ToStd());
}

void XFileSpec::CreateFolder() const {
  if (!VolumeExists()) {
    throw XException::Format(0, "Error creating folder, volume does not exist: %s",
                             m_path.c_str());
  }
  std::string folder = FolderPath().ToStd();
  // From the top down: each prefix ending in a separator after the volume is one folder.
  size_t start = os::VolumeOf(folder).size();
  for (size_t i = start; i < folder.size(); ++i) {
    if (folder[i] != kSep) continue;
    std::string part = folder.substr(0, i);
    if (!os::CreateOneDirectory(part)) {
      throw XException::Format(0, "Error creating spec: %s", part.c_str());
    }
  }
}

bool XFileSpec::Exists() const { return !m_path.IsEmpty() && os::PathExists(m_path.ToStd()); }

void XFileSpec::Delete() const {
  bool ok = IsFolder() ? os::RemoveDirectoryTree(m_path.Left(m_path.Length() - 1).ToStd())
                       : os::DeleteFilePath(m_path.ToStd());
  if (!ok) throw XException::Format(0, "Could not delete spec: %s", m_path.c_str());
}

void XFileSpec::CopyTo(const XFileSpec& to) const {
  if (m_path.IsEmpty() || to.m_path.IsEmpty() || IsFolder() ||
      !os::CopyFilePath(m_path.ToStd(), to.m_path.ToStd())) {
    throw XException::Format(0, "Error copying %s to %s", m_path.c_str(), to.m_path.c_str());
  }
}

void XFileSpec::Create() const {
  if (m_path.IsEmpty()) throw XException::Format(0, "Error creating spec: %s", m_path.c_str());
  if (IsFolder()) {
    CreateFolder();
    return;
  }
  // Append mode alone opens an existing file without truncating it.
  os::FileHandle file = os::OpenFile(m_path.ToStd(), os::kOpenAppend);
  if (file == os::kInvalidFile || !os::CloseFile(file)) {
    throw XException::Format(0, "Error creating spec: %s", m_path.c_str());
  }
}

void XFileSpec::Run() const {
  int result = os::ShellOpen(m_path.ToStd());
  if (result < 32) {
    throw XException::Format(result, "Error calling Run on \"%s\"", m_path.c_str());
  }
}
