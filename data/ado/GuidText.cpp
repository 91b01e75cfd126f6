#include "data/ado/GuidText.h"

#include <cctype>

namespace ado {

std::string GuidText(const char* text, size_t size) {
  std::string guid(text, size);
  auto isGuid = [](const std::string& g, size_t at) {
    for (size_t i = 0; i < 36; ++i) {
      const char c = g[at + i];
      const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
  };
  if (guid.size() == 36 && isGuid(guid, 0)) {
    guid = "{" + guid + "}";
  } else if (!(guid.size() == 38 && guid.front() == '{' && guid.back() == '}' && isGuid(guid, 1))) {
    return guid;
  }
  for (char& c : guid) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return guid;
}

}  // namespace ado
