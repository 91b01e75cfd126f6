#include "app/QvXml.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "package/XmlFile.h"

namespace qvxml {
namespace {

// The line (from 1) of a byte offset in the file, for a message that a person can act on.
int LineOfOffset(const XString& path, long long offset) {
  os::FileHandle file = os::OpenFile(path.ToStd(), os::kOpenRead);
  if (file == os::kInvalidFile) return 0;
  int line = 1;
  char block[4096];
  long long seen = 0;
  while (seen < offset) {
    int64_t n = os::ReadFile(file, block, sizeof block);
    if (n <= 0) break;
    for (int64_t i = 0; i < n && seen < offset; ++i, ++seen) {
      if (block[i] == '\n') ++line;
    }
  }
  os::CloseFile(file);
  return line;
}

}  // namespace

void Load(const XString& path, pugi::xml_document& document, const char* rootName) {
  pugi::xml_parse_result parsed = xmlfile::Load(path, document);
  if (parsed.status == pugi::status_io_error) {
    throw XException::Format(0, "Could not load file: %s", path.c_str());
  }
  if (!parsed) {
    const long long offset = static_cast<long long>(parsed.offset);
    throw XException::Format(0, "Could not load file: %s (line %d, offset %lld: %s)", path.c_str(),
                             LineOfOffset(path, offset), offset, parsed.description());
  }
  if (rootName && std::string(document.document_element().name()) != rootName) {
    throw XException::Format(0, "Could not load file: %s (no %s element)", path.c_str(),
                             rootName);
  }
}

void Save(const pugi::xml_document& document, const XString& path) {
  std::ostringstream text;
  // The values are held in the code page and pugixml writes them as they are: the file carries
  // the code page's bytes, as the document's declaration says.
  document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
  const std::string bytes = text.str();
  try {
    XFile file;
    file.OpenReplacing(XFileSpec(path));
    // Owner-only before the first byte: the entries hold encoded passwords.
    if (!os::KeepToOwner(file.Spec().Path().ToStd())) {
      throw XException::Format(os::LastError(), "Could not restrict file: %s", file.Spec().c_str());
    }
    file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    file.Commit();
  } catch (const XException&) {
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
