#include "package/SchoolConfig.h"

#include <pugixml.hpp>

#include "package/XmlFile.h"

const char* const SchoolConfig::kKeys[kKeyCount] = {
    "LastBridgeVersion", "LastSchoolNumber", "LastDistrict",   "LastSchoolYear",
    "LastDSN",           "LastMasterFile",   "LastMasterFolder", "LastSecurityFile",
    "GlobalFolder",      "UpdateDate",       "UpdateDateTime", "OverlapInDays",
    "LastBridgeLogLevel"};

XString SchoolConfig::AttributeName(const char* key) {
  if (XString(key) == "OverlapInDays") return XString("OverlapValue");
  return XString(key) + "Value";
}

bool SchoolConfig::Load(const XFileSpec& path) {
  m_entries.clear();
  pugi::xml_document document;
  if (!xmlfile::Load(path.Path(), document)) return false;
  pugi::xml_node root = document.document_element();
  if (XString(root.name()) != kRootName) return false;
  for (pugi::xml_node element : root.children()) {
    if (element.type() != pugi::node_element) continue;
    std::string key = element.name();
    // The named attribute; a file of another tool may have named it otherwise, and the
    // element's one attribute is then its value.
    pugi::xml_attribute value = element.attribute(AttributeName(key.c_str()).c_str());
    if (!value) value = element.first_attribute();
    m_entries.emplace_back(key, value ? value.value() : "");
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

namespace {

// The thirteen keys in their order, each with its value.
void BuildDocument(const SchoolConfig& config, pugi::xml_document& document) {
  pugi::xml_node root = document.append_child(SchoolConfig::kRootName);
  for (const char* key : SchoolConfig::kKeys) {
    pugi::xml_node element = root.append_child(key);
    element.append_attribute(SchoolConfig::AttributeName(key).c_str())
        .set_value(config.Value(key).c_str());
  }
}

}  // namespace

std::string SchoolConfig::ToText() const {
  pugi::xml_document document;
  BuildDocument(*this, document);
  return xmlfile::ToText(document);
}

void SchoolConfig::Save(const XFileSpec& path) const {
  pugi::xml_document document;
  BuildDocument(*this, document);
  xmlfile::Save(document, path.Path());
}
