#include "foundation/XCLIProgress.h"

#include <cstdio>

void XCLIProgress::ShowTitle(const char* title) {
  std::printf("%s\n", title);
  std::fflush(stdout);
}

void XCLIProgress::ShowStepText(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}
