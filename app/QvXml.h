// Reading and writing the site configuration's XML files. Values are held in the system code
// page; the files are written as UTF-8 with a declaration. Files written by older tools in the
// code page itself (not valid UTF-8) are read byte for byte.
#pragma once

#include <pugixml.hpp>

#include "foundation/XString.h"

namespace qvxml {

// Parses the file into the document, attribute values converted to the code page. Throws
// XException "Could not load file: %s" when it cannot be read or parsed, or when its root
// element is not `rootName` (any root is accepted when rootName is null).
void Load(const XString& path, pugi::xml_document& document, const char* rootName);

// Writes the document (values in the code page) to the path through a scratch file that is
// moved over the target, so a failed write leaves the previous file. Throws
// "Error writing to file: %s".
void Save(const pugi::xml_document& document, const XString& path);

// Attribute access in the code page.
XString Text(const pugi::xml_node& element, const char* name);
bool Has(const pugi::xml_node& element, const char* name);
bool Bool(const pugi::xml_node& element, const char* name, bool defaultValue);
void SetText(pugi::xml_node& element, const char* name, const XString& value);
void SetBool(pugi::xml_node& element, const char* name, bool value);

}  // namespace qvxml
