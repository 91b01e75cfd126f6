// Brings a phone number from the SIS into the package's phone form: the digits grouped by their
// count (7, 10, 11, 12, 13 or 14 digits) and an extension written as " x" + extension.
#pragma once

#include "foundation/XString.h"

// Returns the formatted number. A number that is not digits only, or has another count of
// digits, comes back unchanged with `message` set to the explanation for the log; otherwise
// `message` is emptied.
XString FormatPhoneNumber(const XString& raw, XString& message);
