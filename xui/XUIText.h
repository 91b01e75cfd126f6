// Text between the system's narrow code page and the wide text of the window functions.
#pragma once

#include <string>

#include "foundation/XString.h"

std::wstring XUIWide(const XString& text);
XString XUINarrow(const wchar_t* text);
