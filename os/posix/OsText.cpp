// Code-page conversions with iconv. The narrow code page is Windows-1252 unless QV_CODEPAGE
// names another, so that the package files carry the same bytes as on Windows.
#include "os/OsText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <strings.h>
#include <vector>

namespace os {
namespace {

// Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined. Windows maps them to the C1
// controls of the same numbers and back, so every byte of a text survives a trip through
// UTF-16 or UTF-8; iconv has no mapping for them. At input iconv refused, MapUndefined writes
// such a character in the target encoding and returns the input bytes it took (0: none).
bool IsCp1252(const char* name) {
  return strcasecmp(name, "CP1252") == 0 || strcasecmp(name, "WINDOWS-1252") == 0;
}

bool IsUndefinedIn1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

size_t MapUndefined(const char* to, const char* from, const char* in, size_t inLeft, std::string& out) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(in);
  if (inLeft >= 1 && IsCp1252(from) && IsUndefinedIn1252(b[0])) {
    if (strcasecmp(to, "UTF-8") == 0) {
      out += '\xC2';
      out += static_cast<char>(b[0]);
      return 1;
    }
    if (strcasecmp(to, "UTF-16LE") == 0) {
      out += static_cast<char>(b[0]);
      out += '\0';
      return 1;
    }
  }
  if (inLeft >= 2 && IsCp1252(to)) {
    if (strcasecmp(from, "UTF-8") == 0 && b[0] == 0xC2 && IsUndefinedIn1252(b[1])) {
      out += static_cast<char>(b[1]);
      return 2;
    }
    if (strcasecmp(from, "UTF-16LE") == 0 && b[1] == 0 && IsUndefinedIn1252(b[0])) {
      out += static_cast<char>(b[0]);
      return 2;
    }
  }
  return 0;
}

// Opening a conversion loads its tables, which costs more than converting a field: each thread
// keeps one handle per direction, reset to the initial state before every use (a handle
// carries the state of the conversion in progress, so threads cannot share one). Once the
// thread's kept handles are gone (conversions run by destructors at exit), each conversion
// opens and closes its own.
thread_local bool t_keptConversionsGone = false;

class KeptConversions {
 public:
  ~KeptConversions() {
    t_keptConversionsGone = true;
    for (Kept& kept : m_kept) iconv_close(kept.cd);
  }
  // The handle from `from` to `to`, or (iconv_t)-1 when there is no such conversion.
  iconv_t Get(const char* to, const char* from) {
    for (Kept& kept : m_kept) {
      if (kept.to == to && kept.from == from) {
        iconv(kept.cd, nullptr, nullptr, nullptr, nullptr);
        return kept.cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1)) m_kept.push_back(Kept{to, from, cd});
    return cd;
  }

 private:
  struct Kept {
    std::string to;
    std::string from;
    iconv_t cd;
  };
  std::vector<Kept> m_kept;
};

// A conversion handle for one text: kept by the thread, or its own when none can be kept.
class Conversion {
 public:
  Conversion(const char* to, const char* from) {
    if (t_keptConversionsGone) {
      m_cd = iconv_open(to, from);
      m_own = true;
    } else {
      thread_local KeptConversions kept;
      m_cd = kept.Get(to, from);
    }
  }
  ~Conversion() {
    if (m_own && IsOpen()) iconv_close(m_cd);
  }
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;
  bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return m_cd; }

 private:
  iconv_t m_cd;
  bool m_own = false;
};

std::string Convert(const char* to, const char* from, const char* data, size_t size,
                    size_t unitSize, const std::string& replacement) {
  Conversion conversion(to, from);
  if (!conversion.IsOpen()) throw std::runtime_error(std::string("No conversion from ") + from + " to " + to);
  iconv_t cd = conversion.Handle();
  std::string out;
  out.reserve(size * 2 + 8);
  char* in = const_cast<char*>(data);
  size_t inLeft = size;
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (size_t used = MapUndefined(to, from, in, inLeft, out)) {
        in += used;
        inLeft -= used;
        continue;
      }
      // Unmappable or invalid input: write the replacement and skip one input unit.
      out += replacement;
      size_t skip = unitSize;
      if (unitSize == 1 && std::string(from) == "UTF-8") {
        // Skip a whole UTF-8 sequence.
        unsigned char lead = static_cast<unsigned char>(*in);
        skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        // A character beyond the 16-bit range is two UTF-16 code units, and Windows writes a
        // default character for each: the same text gives the same bytes on both builds.
        if (skip == 4 && inLeft >= 4) out += replacement;
      } else if (unitSize == 2 && inLeft >= 4) {
        // A surrogate pair stands for one character but two code units: keep one narrow
        // character per code unit.
        uint16_t unit = static_cast<uint16_t>(static_cast<unsigned char>(in[0]) |
                                              (static_cast<unsigned char>(in[1]) << 8));
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          skip = 4;
          out += replacement;
        }
      }
      if (skip > inLeft) skip = inLeft;
      in += skip;
      inLeft -= skip;
    }
  }
  return out;
}

// Converts the whole text or nothing: false at the first character the target cannot hold.
bool ConvertExact(const char* to, const char* from, const char* data, size_t size, std::string& out) {
  Conversion conversion(to, from);
  if (!conversion.IsOpen()) return false;
  iconv_t cd = conversion.Handle();
  std::string result;
  char* in = const_cast<char*>(data);
  size_t inLeft = size;
  char buffer[1024];
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    result.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      if (size_t used = MapUndefined(to, from, in, inLeft, result)) {
        in += used;
        inLeft -= used;
        continue;
      }
      ok = false;
      break;
    }
  }
  if (ok) out = std::move(result);
  return ok;
}

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

std::string CodePointLabel(const std::string& sequence) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(sequence.data());
  uint32_t cp = 0xFFFD;
  switch (sequence.size()) {
    case 2: cp = (b[0] & 0x1Fu) << 6 | (b[1] & 0x3Fu); break;
    case 3: cp = (b[0] & 0x0Fu) << 12 | (b[1] & 0x3Fu) << 6 | (b[2] & 0x3Fu); break;
    case 4: cp = (b[0] & 0x07u) << 18 | (b[1] & 0x3Fu) << 12 | (b[2] & 0x3Fu) << 6 | (b[3] & 0x3Fu); break;
    default: break;
  }
  char label[16];
  std::snprintf(label, sizeof label, "<U+%04X>", static_cast<unsigned>(cp));
  return label;
}

}  // namespace

bool WideToNarrowExact(const std::u16string& wide, std::string& narrow) {
  return ConvertExact(CodePageName().c_str(), "UTF-16LE", reinterpret_cast<const char*>(wide.data()),
                      wide.size() * 2, narrow);
}

bool Utf8ToNarrowExact(const std::string& utf8, std::string& narrow) {
  return ConvertExact(CodePageName().c_str(), "UTF-8", utf8.data(), utf8.size(), narrow);
}

bool NarrowToUtf8Exact(const std::string& narrow, std::string& utf8) {
  return ConvertExact("UTF-8", CodePageName().c_str(), narrow.data(), narrow.size(), utf8);
}

std::string Utf8ToNarrowNamed(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = SequenceLength(static_cast<unsigned char>(utf8[i]));
    if (n > utf8.size() - i) n = utf8.size() - i;
    std::string sequence = utf8.substr(i, n);
    std::string narrow;
    out += Utf8ToNarrowExact(sequence, narrow) ? narrow : CodePointLabel(sequence);
    i += n;
  }
  return out;
}

std::string WideToNarrowNamed(const std::u16string& wide) {
  std::string utf8;
  if (!ConvertExact("UTF-8", "UTF-16LE", reinterpret_cast<const char*>(wide.data()), wide.size() * 2, utf8)) {
    return WideToNarrow(wide);
  }
  return Utf8ToNarrowNamed(utf8);
}

std::string CodePageName() {
  const char* configured = std::getenv("QV_CODEPAGE");
  return configured && *configured ? configured : "CP1252";
}

std::string ConsoleCodePageName() {
  const char* configured = std::getenv("QV_OEMCODEPAGE");
  return configured && *configured ? configured : "CP437";
}

bool NarrowToConsoleExact(const std::string& narrow, std::string& console) {
  return ConvertExact(ConsoleCodePageName().c_str(), CodePageName().c_str(), narrow.data(), narrow.size(),
                      console);
}

std::string NarrowToConsole(const std::string& narrow) {
  return Convert(ConsoleCodePageName().c_str(), CodePageName().c_str(), narrow.data(), narrow.size(), 1,
                 "?");
}

std::string WideToNarrow(const std::u16string& wide) {
  return Convert(CodePageName().c_str(), "UTF-16LE", reinterpret_cast<const char*>(wide.data()),
                 wide.size() * 2, 2, "?");
}

std::u16string NarrowToWide(const std::string& narrow) {
  std::string bytes = Convert("UTF-16LE", CodePageName().c_str(), narrow.data(), narrow.size(),
                              1, std::string("\xFD\xFF", 2));
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return wide;
}

std::string Utf8ToNarrow(const std::string& utf8) {
  return Convert(CodePageName().c_str(), "UTF-8", utf8.data(), utf8.size(), 1, "?");
}

std::string NarrowToUtf8(const std::string& narrow) {
  return Convert("UTF-8", CodePageName().c_str(), narrow.data(), narrow.size(), 1,
                 "\xEF\xBF\xBD");
}

}  // namespace os
