// Text as one word of a POSIX shell command line: the crontab line and the district script
// both pass names and values that may hold blanks, quotes, `$` or backquotes.
#pragma once

#include <string>

namespace os {

// Single quotes around the text, with a single quote written as '\''.
std::string ShellQuoted(const std::string& text);

}  // namespace os
