#include "engine/PhoneFormatter.h"

#include <string>

namespace {

struct Insertion {
  uint32_t position;
  const char* text;
};

// Separators per digit count, applied in this order (positions in the text at that moment).
bool InsertSeparators(XString& number) {
  static const Insertion k7[] = {{3, "-"}};
  static const Insertion k10[] = {{6, "-"}, {3, " "}};
  static const Insertion k11[] = {{7, "-"}, {4, "-"}, {1, "-"}, {0, "+"}};
  static const Insertion k12[] = {{8, "-"}, {5, " "}, {2, " "}, {0, "+"}};
  static const Insertion k13[] = {{9, "-"}, {6, " "}, {3, " "}, {0, "+"}};
  static const Insertion k14[] = {{10, "-"}, {7, " "}, {4, " "}, {0, "+"}};
  const Insertion* begin = nullptr;
  const Insertion* end = nullptr;
  switch (number.Length()) {
    case 7: begin = std::begin(k7); end = std::end(k7); break;
    case 10: begin = std::begin(k10); end = std::end(k10); break;
    case 11: begin = std::begin(k11); end = std::end(k11); break;
    case 12: begin = std::begin(k12); end = std::end(k12); break;
    case 13: begin = std::begin(k13); end = std::end(k13); break;
    case 14: begin = std::begin(k14); end = std::end(k14); break;
    default: return false;
  }
  for (const Insertion* step = begin; step != end; ++step) number.Insert(step->position, step->text);
  return true;
}

}  // namespace

XString FormatPhoneNumber(const XString& raw, XString& message) {
  message = XString();
  if (raw.IsEmpty()) return raw;

  std::string copy = raw.ToStd();
  std::string stripped;
  for (char c : copy) {
    if (c != '(' && c != ')' && c != ' ' && c != '-') stripped += c;
  }

  // Blanks are gone before the extension is split off, so "ext 12" and "x 12" both work.
  std::string extension;
  size_t marker = stripped.find("ext");
  size_t skip = 3;
  if (marker == std::string::npos) marker = stripped.find("Ext");
  if (marker == std::string::npos) {
    marker = stripped.find('x');
    skip = 1;
  }
  if (marker != std::string::npos) {
    extension = stripped.substr(marker + skip);
    stripped.erase(marker);
  }

  XString number(stripped);
  if (!number.IsDigits() || !InsertSeparators(number)) {
    number = raw;
    message = XString("Phone number: ") + raw +
              ", cannot parse into right format.  This means that the phone number in your "
              "database is not in phone number format.";
  }

  if (number.IsEmpty()) return XString(extension);
  if (extension.empty()) return number;
  return number + " x" + extension.c_str();
}
