#include "package/XmlFile.h"

#include <cctype>
#include <sstream>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "os/OsFiles.h"
#include "os/OsText.h"

namespace xmlfile {
namespace {

bool ReadWholeFile(const XString& path, std::string& bytes) {
  os::FileHandle file = os::OpenFile(path.ToStd(), os::kOpenRead);
  if (file == os::kInvalidFile) return false;
  char block[4096];
  for (;;) {
    int64_t n = os::ReadFile(file, block, sizeof block);
    if (n < 0) {
      os::CloseFile(file);
      return false;
    }
    if (n == 0) break;
    bytes.append(block, static_cast<size_t>(n));
  }
  return os::CloseFile(file);
}

// Strict enough to tell UTF-8 from single-byte code-page text: a code-page file with accented
// letters almost never forms valid multi-byte sequences.
bool IsUtf8(const std::string& bytes) {
  size_t i = 0, n = bytes.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t extra;
    if (c < 0x80) {
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Walks the tree in document order without recursion: the files come from folders others may
// write to, and QvSIS.xml from the network, so their depth is whatever the sender chose. A
// character the code page lacks is named (<U+XXXX>), never turned into '?' or a look-alike:
// a path holding it is then refused rather than taken for another folder.
void ToCodePage(pugi::xml_node root) {
  pugi::xml_node node = root;
  while (node) {
    for (pugi::xml_attribute a : node.attributes()) {
      std::string narrow;
      if (!os::Utf8ToNarrowExact(a.value(), narrow)) narrow = os::Utf8ToNarrowNamed(a.value());
      a.set_value(narrow.c_str());
    }
    if (node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (node && node != root && !node.next_sibling()) node = node.parent();
    if (!node || node == root) break;
    node = node.next_sibling();
  }
}

// A file whose declaration names an encoding other than UTF-8 ("windows-1252", as the site
// configuration is written) holds code-page bytes, even where they happen to form valid UTF-8
// ("\xC3\xA9" is two letters there, not one).
bool DeclaresUtf8OrNothing(const std::string& bytes) {
  if (bytes.compare(0, 5, "<?xml") != 0) return true;
  const size_t end = bytes.find("?>");
  const std::string declaration = bytes.substr(0, end);
  size_t at = declaration.find("encoding");
  if (at == std::string::npos) return true;
  at = declaration.find_first_of("\"'", at);
  if (at == std::string::npos) return true;
  const size_t close = declaration.find(declaration[at], at + 1);
  std::string name = declaration.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name == "UTF-8" || name == "UTF8";
}

}  // namespace

pugi::xml_parse_result Load(const XString& path, pugi::xml_document& document) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    pugi::xml_parse_result unread;
    unread.status = pugi::status_io_error;
    return unread;
  }
  pugi::xml_parse_result parsed =
      document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
  if (parsed && IsUtf8(bytes) && DeclaresUtf8OrNothing(bytes)) ToCodePage(document);
  return parsed;
}

std::string ToText(const pugi::xml_document& document) {
  std::ostringstream text;
  document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
  // The markup is plain ASCII and every special character of a value is written as an entity,
  // so converting the whole text converts exactly the values.
  return os::NarrowToUtf8(text.str());
}

void Save(const pugi::xml_document& document, const XString& path) {
  std::string bytes = ToText(document);
  try {
    XFile file;
    file.OpenReplacing(XFileSpec(path));
    file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    file.Commit();
  } catch (const XException&) {
    throw XException::Format(0, "Error writing to file: %s", path.c_str());
  }
}

}  // namespace xmlfile
