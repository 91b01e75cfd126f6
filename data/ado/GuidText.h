// The text of a GUID as ADO shows it: upper-case hexadecimal in braces,
// {6F9619FF-8B86-D011-B42D-00C04FC964FF}. Drivers give a GUID read as text without braces,
// often in lower case.
#pragma once

#include <cstddef>
#include <string>

namespace ado {

// The driver's text of a GUID (with or without braces, any case) in ADO's form; text of
// another form is returned as it is.
std::string GuidText(const char* text, size_t size);

}  // namespace ado
