// The answer of a check made before an extraction.
#include "engine/Validation.h"

#include <string>

Validation Validation::Failed(const XString& reason) {
  // The driver's text comes as several lines ("Error number: ...", "COM Error Code = ...");
  // the reason is logged and reported as one.
  std::string line;
  for (const char* p = reason.c_str(); *p; ++p) {
    const bool blank = *p == '\r' || *p == '\n' || *p == '\t' || *p == ' ';
    if (!blank) {
      line += *p;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return Validation(false, XString(line));
}
