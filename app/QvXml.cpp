#include "app/QvXml.h"

#include <cstdlib>
#include <string>

#include "foundation/XException.h"
#include "package/XmlFile.h"

namespace qvxml {

void Load(const XString& path, pugi::xml_document& document, const char* rootName) {
  pugi::xml_parse_result parsed = xmlfile::Load(path, document);
  if (parsed.status == pugi::status_io_error) {
    throw XException::Format(0, "Could not load file: %s", path.c_str());
  }
  if (!parsed) {
    throw XException::Format(0, "Could not load file: %s (%s at offset %lld)", path.c_str(),
                             parsed.description(), static_cast<long long>(parsed.offset));
  }
  if (rootName && std::string(document.document_element().name()) != rootName) {
    throw XException::Format(0, "Could not load file: %s (no %s element)", path.c_str(),
                             rootName);
  }
}

void Save(const pugi::xml_document& document, const XString& path) {
  xmlfile::Save(document, path);
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
