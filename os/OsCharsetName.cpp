#include <cstdlib>
#include <string>

#include "os/OsText.h"

namespace os {

std::string CodePageCharsetName() {
  const std::string name = CodePageName();
  if (name.size() < 3 || (name[0] != 'C' && name[0] != 'c') || (name[1] != 'P' && name[1] != 'p')) return name;
  const std::string digits = name.substr(2);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return name;
  const long number = std::strtol(digits.c_str(), nullptr, 10);
  if ((number >= 1250 && number <= 1258) || number == 874) return "windows-" + digits;
  if (number >= 28591 && number <= 28599) return "ISO-8859-" + std::to_string(number - 28590);
  switch (number) {
    case 65001: return "UTF-8";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    case 20127: return "US-ASCII";
    case 437: return "IBM437";
    case 850: return "IBM850";
    default: return "windows-" + digits;
  }
}

}  // namespace os
