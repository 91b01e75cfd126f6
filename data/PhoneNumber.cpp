#include "data/PhoneNumber.h"

#include <string>

namespace {

struct Separator {
  int position;
  const char* text;
};

struct Layout {
  size_t digits;
  Separator inserts[4];  // in order of insertion; a null text ends the list
};

// Inserting from the right keeps the positions of the earlier groups valid.
const Layout kLayouts[] = {
    {7, {{3, "-"}, {0, nullptr}}},
    {10, {{6, "-"}, {3, " "}, {0, nullptr}}},
    {11, {{7, "-"}, {4, "-"}, {1, "-"}, {0, "+"}}},
    {12, {{8, "-"}, {5, " "}, {2, " "}, {0, "+"}}},
    {13, {{9, "-"}, {6, " "}, {3, " "}, {0, "+"}}},
    {14, {{10, "-"}, {7, " "}, {4, " "}, {0, "+"}}},
};

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

XString PhoneNumber::Format(const XString& raw, XString& message) {
  message = XString();
  if (raw.IsEmpty()) return raw;

  std::string number;
  for (char c : raw.ToStd()) {
    if (c != '(' && c != ')' && c != ' ' && c != '-') number += c;
  }

  std::string extension;
  size_t marker = number.find("ext");
  size_t skip = 3;
  if (marker == std::string::npos) marker = number.find("Ext");
  if (marker == std::string::npos) {
    marker = number.find('x');
    skip = 1;
  }
  if (marker != std::string::npos) {
    extension = number.substr(marker + skip);
    number.erase(marker);
  }

  if (!number.empty()) {
    const Layout* layout = nullptr;
    if (AllDigits(number)) {
      for (const Layout& candidate : kLayouts) {
        if (candidate.digits == number.size()) layout = &candidate;
      }
    }
    if (layout == nullptr) {
      message = XString("Phone number: ") + raw +
                ", cannot parse into right format.  This means that the phone number in your "
                "database is not in phone number format.";
      // The number comes back exactly as typed, extension included ("555-12 ext 9" stays
      // "555-12 ext 9"): the input already holds its extension, so adding " x" and the
      // extension would show it twice.
      return raw;
    }
    for (const Separator& separator : layout->inserts) {
      if (separator.text == nullptr) break;
      number.insert(static_cast<size_t>(separator.position), separator.text);
    }
  }

  if (number.empty()) return XString(extension);
  if (extension.empty()) return XString(number);
  return XString(number + " x" + extension);
}
