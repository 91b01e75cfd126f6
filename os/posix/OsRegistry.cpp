// File-backed registry hives. Each hive is one text file in the layout of a .reg export:
//
//   [Software\Velkstrom Software\Quorvane Connect\QvMeridane]
//   "DSN"="MeridaneDemo"
//   "Log Level"=dword:00000003
//
// Texts are stored as UTF-8 with \\ \" \n \r escaped. Every write rewrites the hive through a
// temporary file that replaces the old one, so a crash leaves either the old or the new hive.
#include "os/OsRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <strings.h>

#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

namespace os {
namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

struct Value {
  bool isDword = false;
  uint32_t dword = 0;
  std::string text;  // UTF-8
};

using Key = std::map<std::string, Value, NoCase>;
using HiveData = std::map<std::string, Key, NoCase>;

std::string HiveFolder(Hive hive) {
  if (hive == Hive::kLocalMachine) {
    std::string dir = GetEnv("QV_MACHINE_HIVE_DIR");
    return NarrowToUtf8(dir.empty() ? std::string("/etc/QvRegistry") : dir);
  }
  std::string config = GetEnv("XDG_CONFIG_HOME");
  if (config.empty()) config = GetEnv("HOME") + "/.config";
  return NarrowToUtf8(config) + "/QvRegistry";
}

std::string HiveFile(Hive hive) {
  return HiveFolder(hive) + (hive == Hive::kLocalMachine ? "/machine.reg" : "/user.reg");
}

// Creates the folder and any missing parents (the user's config folder may not exist yet).
int MakeFolders(const std::string& folder) {
  for (size_t pos = folder.find('/', 1); ; pos = folder.find('/', pos + 1)) {
    std::string part = pos == std::string::npos ? folder : folder.substr(0, pos);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (pos == std::string::npos) return 0;
  }
}

std::string NormalizePath(const std::string& path) {
  size_t begin = 0, end = path.size();
  while (begin < end && (path[begin] == '\\' || path[begin] == '/')) ++begin;
  while (end > begin && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
  return NarrowToUtf8(path.substr(begin, end - begin));
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// Reads a quoted string starting at line[pos] == '"'; leaves pos after the closing quote.
bool ReadQuoted(const std::string& line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\' && pos + 1 < line.size()) {
      char n = line[++pos];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += c;
    }
  }
  return false;
}

HiveData Load(Hive hive) {
  HiveData data;
  FILE* f = std::fopen(HiveFile(hive).c_str(), "rb");
  if (!f) return data;
  std::string content;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) content.append(buffer, n);
  std::fclose(f);
  Key* current = nullptr;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &data[line.substr(1, line.size() - 2)];
      continue;
    }
    size_t pos = 0;
    std::string name;
    if (!current || !ReadQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    Value value;
    if (line.compare(pos, 6, "dword:") == 0) {
      value.isDword = true;
      value.dword = static_cast<uint32_t>(std::strtoul(line.c_str() + pos + 6, nullptr, 16));
    } else if (!ReadQuoted(line, pos, value.text)) {
      continue;
    }
    (*current)[name] = value;
  }
  return data;
}

// A process that was killed while saving left its temporary hive ("user.reg.tmp<pid>")
// behind; it goes once no process of that number runs. A running one's is still being written.
void RemoveTemporariesOfEndedProcesses(const std::string& folder, const std::string& target) {
  const std::string prefix = target.substr(target.find_last_of('/') + 1) + ".tmp";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    const char* digits = name + prefix.size();
    char* end = nullptr;
    long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != 0 || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(dir);
}

int Save(Hive hive, const HiveData& data) {
  std::string folder = HiveFolder(hive);
  if (int rc = MakeFolders(folder)) return rc;
  RemoveTemporariesOfEndedProcesses(folder, HiveFile(hive));
  std::string content = "QvRegistry hive 1\n";
  for (const auto& [path, values] : data) {
    content += "\n[" + path + "]\n";
    for (const auto& [name, value] : values) {
      content += "\"" + Escape(name) + "\"=";
      if (value.isDword) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", value.dword);
        content += hex;
      } else {
        content += "\"" + Escape(value.text) + "\"";
      }
      content += "\n";
    }
  }
  std::string target = HiveFile(hive);
  std::string temp = target + ".tmp" + std::to_string(::getpid());
  // Created for the owner alone before anything is written: the hive may hold a password.
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return error;
  }
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ::fsync(fileno(f)) == 0 && ok;
  int saved = errno;
  std::fclose(f);
  if (!ok) {
    ::unlink(temp.c_str());
    return saved ? saved : EIO;
  }
  if (!ReplaceFilePath(Utf8ToNarrow(temp), Utf8ToNarrow(target))) {
    saved = errno;
    ::unlink(temp.c_str());
    return saved;
  }
  return 0;
}

int Write(const RegistryKey& key, const std::string& name, const Value& value) {
  if (!key.open || !key.writable) return EACCES;
  HiveData data = Load(key.hive);
  data[key.path][NarrowToUtf8(name)] = value;
  return Save(key.hive, data);
}

const Value* Find(const HiveData& data, const RegistryKey& key, const std::string& name) {
  auto k = data.find(key.path);
  if (k == data.end()) return nullptr;
  auto v = k->second.find(NarrowToUtf8(name));
  return v == k->second.end() ? nullptr : &v->second;
}

}  // namespace

int OpenRegistryKey(Hive hive, const std::string& path, bool read, bool write, RegistryKey& key) {
  key = RegistryKey{};
  key.hive = hive;
  key.path = NormalizePath(path);
  std::string folder = HiveFolder(hive);
  if (write) {
    // Creating the key needs a hive we may write: the folder must exist (or be creatable) and
    // be writable, as KEY_WRITE on HKEY_LOCAL_MACHINE needs an administrator on Windows.
    if (int rc = MakeFolders(folder)) return rc;
    if (::access(folder.c_str(), W_OK) != 0) return errno;
    HiveData data = Load(hive);
    if (data.find(key.path) == data.end()) {
      data[key.path];
      if (int rc = Save(hive, data)) return rc;
    }
  } else if (hive == Hive::kLocalMachine) {
    HiveData data = Load(hive);
    if (data.find(key.path) == data.end()) return ENOENT;
  }
  // A user key opened only for reading counts as created: it holds no values until written.
  key.writable = write;
  key.open = true;
  return 0;
}

void CloseRegistryKey(RegistryKey& key) { key.open = false; }

bool ReadRegistryDword(const RegistryKey& key, const std::string& name, uint32_t& value) {
  if (!key.open) return false;
  HiveData data = Load(key.hive);
  const Value* v = Find(data, key, name);
  if (!v || !v->isDword) return false;
  value = v->dword;
  return true;
}

bool ReadRegistryString(const RegistryKey& key, const std::string& name, std::string& value, bool* exact) {
  if (!key.open) return false;
  HiveData data = Load(key.hive);
  const Value* v = Find(data, key, name);
  if (!v || v->isDword) return false;
  if (exact) {
    *exact = Utf8ToNarrowExact(v->text, value);
    if (!*exact) value = Utf8ToNarrowNamed(v->text);
    return true;
  }
  value = Utf8ToNarrow(v->text);
  return true;
}

std::string RegistryLocation(Hive hive, const std::string&) { return Utf8ToNarrow(HiveFile(hive)); }

int WriteRegistryDword(const RegistryKey& key, const std::string& name, uint32_t value) {
  Value v;
  v.isDword = true;
  v.dword = value;
  return Write(key, name, v);
}

int WriteRegistryString(const RegistryKey& key, const std::string& name, const std::string& value) {
  Value v;
  v.text = NarrowToUtf8(value);
  return Write(key, name, v);
}

int WriteRegistryValues(const RegistryKey& key, const std::vector<RegistryValue>& values) {
  if (!key.open || !key.writable) return EACCES;
  if (values.empty()) return 0;
  HiveData data = Load(key.hive);
  Key& target = data[key.path];
  for (const RegistryValue& value : values) {
    Value& stored = target[NarrowToUtf8(value.name)];
    stored = Value{};
    stored.isDword = value.isDword;
    if (value.isDword) {
      stored.dword = value.dword;
    } else {
      stored.text = NarrowToUtf8(value.text);
    }
  }
  return Save(key.hive, data);
}

}  // namespace os
