// Reading and writing the site configuration's XML files. Values are held in the system code
// page. The files are read as UTF-8 (as earlier versions wrote them) unless their declaration
// names another encoding, and files in the code page without a declaration (not valid UTF-8)
// byte for byte; "QvConfig.xml" is written in the code page, as the family's other tools read
// it, declared so.
#pragma once

#include <pugixml.hpp>

#include "foundation/XString.h"

namespace qvxml {

// Parses the file into the document, attribute values converted to the code page. Throws
// XException "Could not load file: %s" when it cannot be read or parsed, or when its root
// element is not `rootName` (any root is accepted when rootName is null).
void Load(const XString& path, pugi::xml_document& document, const char* rootName);

// Writes the document in the code page (its declaration must name CodePageCharsetName) to the
// path through a scratch file that is moved over the target, so a failed write leaves the
// previous file. The file is its owner's alone on POSIX. Throws "Error writing to file: %s".
void Save(const pugi::xml_document& document, const XString& path);

// Attribute access in the code page.
XString Text(const pugi::xml_node& element, const char* name);
bool Has(const pugi::xml_node& element, const char* name);
bool Bool(const pugi::xml_node& element, const char* name, bool defaultValue);
void SetText(pugi::xml_node& element, const char* name, const XString& value);
void SetBool(pugi::xml_node& element, const char* name, bool value);

}  // namespace qvxml
