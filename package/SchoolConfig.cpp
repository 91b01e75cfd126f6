#include "package/SchoolConfig.h"

#include <pugixml.hpp>

#include <sstream>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "os/OsText.h"

const char* const SchoolConfig::kKeys[kKeyCount] = {
    "LastBridgeVersion", "LastSchoolNumber", "LastDistrict",   "LastSchoolYear",
    "LastDSN",           "LastMasterFile",   "LastMasterFolder", "LastSecurityFile",
    "GlobalFolder",      "UpdateDate",       "UpdateDateTime", "OverlapInDays",
    "LastBridgeLogLevel"};

namespace {

bool ReadWholeFile(const XFileSpec& path, std::string& bytes) {
  if (!path.Exists()) return false;
  try {
    XFile file;
    file.Open(path, XFile::kRead);
    char block[4096];
    for (;;) {
      uint32_t n = file.Read(block, sizeof block);
      if (n == 0) break;
      bytes.append(block, n);
    }
    file.Close();
    return true;
  } catch (const XException&) {
    return false;
  }
}

// A file written by this system is UTF-8; one saved by an older tool in the code page itself
// is taken byte for byte.
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

}  // namespace

XString SchoolConfig::AttributeName(const char* key) {
  if (XString(key) == "OverlapInDays") return XString("OverlapValue");
  return XString(key) + "Value";
}

bool SchoolConfig::Load(const XFileSpec& path) {
  m_entries.clear();
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  bool utf8 = IsUtf8(bytes);
  pugi::xml_document document;
  if (!document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default,
                            pugi::encoding_utf8)) {
    return false;
  }
  pugi::xml_node root = document.document_element();
  if (XString(root.name()) != kRootName) return false;
  for (pugi::xml_node element : root.children()) {
    if (element.type() != pugi::node_element) continue;
    std::string key = element.name();
    // The named attribute; a file of another tool may have named it otherwise, and the
    // element's one attribute is then its value.
    pugi::xml_attribute value = element.attribute(AttributeName(key.c_str()).c_str());
    if (!value) value = element.first_attribute();
    std::string text = value ? value.value() : "";
    m_entries.emplace_back(key, utf8 ? os::Utf8ToNarrow(text) : text);
  }
  return true;
}

XString SchoolConfig::Value(const char* key) const {
  for (const auto& entry : m_entries) {
    if (entry.first == key) return XString(entry.second);
  }
  return XString();
}

bool SchoolConfig::Has(const char* key) const {
  for (const auto& entry : m_entries) {
    if (entry.first == key) return true;
  }
  return false;
}

void SchoolConfig::SetValue(const char* key, const XString& value) {
  for (auto& entry : m_entries) {
    if (entry.first == key) {
      entry.second = value.ToStd();
      return;
    }
  }
  m_entries.emplace_back(key, value.ToStd());
}

std::string SchoolConfig::ToText() const {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child(kRootName);
  for (const char* key : kKeys) {
    pugi::xml_node element = root.append_child(key);
    element.append_attribute(AttributeName(key).c_str()).set_value(Value(key).c_str());
  }
  std::ostringstream text;
  document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
  // The markup is ASCII and the special characters of a value are written as entities, so
  // converting the whole text converts exactly the values.
  return os::NarrowToUtf8(text.str());
}

void SchoolConfig::Save(const XFileSpec& path) const {
  std::string bytes = ToText();
  try {
    XFile file;
    file.OpenReplacing(path);
    file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    file.Commit();
  } catch (const XException&) {
    throw XException::Format(0, "Error writing to file: %s", path.c_str());
  }
}
