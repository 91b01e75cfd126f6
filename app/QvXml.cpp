#include "app/QvXml.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "foundation/XException.h"
#include "os/OsFiles.h"
#include "os/OsText.h"

namespace qvxml {
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

void ToCodePage(pugi::xml_node node) {
  for (pugi::xml_attribute a : node.attributes()) {
    a.set_value(os::Utf8ToNarrow(a.value()).c_str());
  }
  for (pugi::xml_node child : node.children()) ToCodePage(child);
}

}  // namespace

void Load(const XString& path, pugi::xml_document& document, const char* rootName) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    throw XException::Format(0, "Could not load file: %s", path.c_str());
  }
  bool utf8 = IsUtf8(bytes);
  pugi::xml_parse_result parsed =
      document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    throw XException::Format(0, "Could not load file: %s (%s at offset %lld)", path.c_str(),
                             parsed.description(), static_cast<long long>(parsed.offset));
  }
  if (rootName && std::string(document.document_element().name()) != rootName) {
    throw XException::Format(0, "Could not load file: %s (no %s element)", path.c_str(),
                             rootName);
  }
  if (utf8) ToCodePage(document);
}

void Save(const pugi::xml_document& document, const XString& path) {
  std::ostringstream text;
  document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
  // The markup is plain ASCII and every special character of a value is written as an entity,
  // so converting the whole text converts exactly the values.
  std::string bytes = os::NarrowToUtf8(text.str());

  std::string target = path.ToStd();
  std::string scratch = target + ".saving";
  os::FileHandle file = os::OpenFile(scratch, os::kOpenWrite);
  bool ok = file != os::kInvalidFile;
  if (ok) ok = os::WriteFile(file, bytes.data(), bytes.size());
  if (ok) ok = os::FlushFile(file);
  if (file != os::kInvalidFile) ok = os::CloseFile(file) && ok;
  if (ok) ok = os::ReplaceFilePath(scratch, target);
  if (!ok) {
    os::DeleteFilePath(scratch);
    throw XException::Format(0, "Error writing to file: %s", path.c_str());
  }
}

XString Text(const pugi::xml_node& element, const char* name) {
  return XString(element.attribute(name).value());
}

bool Has(const pugi::xml_node& element, const char* name) {
  return static_cast<bool>(element.attribute(name));
}

bool Bool(const pugi::xml_node& element, const char* name, bool defaultValue) {
  pugi::xml_attribute a = element.attribute(name);
  if (!a) return defaultValue;
  // "1" and "0" are what the system writes; other tools of the family may write words.
  return std::atoi(a.value()) != 0 || XString(a.value()).CompareNoCase("true") == 0;
}

void SetText(pugi::xml_node& element, const char* name, const XString& value) {
  element.append_attribute(name).set_value(value.c_str());
}

void SetBool(pugi::xml_node& element, const char* name, bool value) {
  element.append_attribute(name).set_value(value ? "1" : "0");
}

}  // namespace qvxml
