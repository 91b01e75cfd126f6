#include "fuzz/FuzzSupport.h"

#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fuzz {

std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  size_t part = 0;
  for (size_t i = 0; i < size; ++i) {
    char c = static_cast<char>(data[i]);
    if (c == '\0') {
      if (part + 1 < count) ++part;
      continue;
    }
    parts[part] += c;
  }
  return parts;
}

namespace {

std::string g_scratch;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void RemoveScratch() {
  if (!g_scratch.empty()) ::nftw(g_scratch.c_str(), RemoveEntry, 8, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvfuzz.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    return pattern + "/";
  }();
  return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

// The text with bytes outside printable ASCII written as \xNN.
std::string Shown(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

void Fail(const char* property, const std::string& left, const std::string& right) {
  std::fprintf(stderr, "property failed: %s\n", property);
  if (!left.empty() || !right.empty()) {
    std::fprintf(stderr, "  left:  [%s]\n  right: [%s]\n", Shown(left).c_str(), Shown(right).c_str());
  }
  std::abort();
}

}  // namespace fuzz
