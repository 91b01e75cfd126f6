// XML files whose values the system holds in its code page (the site configuration files and
// "SchoolConfig.xml"): written as UTF-8 with a declaration; read as UTF-8, or byte for byte
// when an older tool wrote them in the code page itself (not valid UTF-8) or declared an
// encoding other than UTF-8.
#pragma once

#include <pugixml.hpp>

#include <string>

#include "foundation/XString.h"

namespace xmlfile {

// Reads and parses the file, attribute values converted to the code page. When it fails the
// result says why: status_io_error when the file cannot be read, the parser's status and
// offset otherwise.
pugi::xml_parse_result Load(const XString& path, pugi::xml_document& document);

// The bytes of the document's file: tab-indented UTF-8, values converted from the code page.
std::string ToText(const pugi::xml_document& document);

// Writes ToText through a scratch file that replaces the previous file only once complete, so
// a failed write leaves the previous file. Throws "Error writing to file: %s" with the path.
void Save(const pugi::xml_document& document, const XString& path);

}  // namespace xmlfile
