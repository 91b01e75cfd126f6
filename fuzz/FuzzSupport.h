// What the fuzz targets share: the input cut into parts, a scratch folder of the process, and
// the check that stops the run with a message when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// The input as text cut at NUL bytes into at most `count` parts (missing parts are empty);
// the last part keeps any further NULs removed, so every part is a C string.
std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count);

// A folder of this process under the system's temporary folder, made at the first call and
// removed when the process ends normally: the targets overwrite their few files on every input.
const std::string& ScratchFolder();
// Writes the bytes to the file (whole, replacing it).
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Prints the property and the values and aborts, which libFuzzer reports as a crash with the
// input that caused it.
[[noreturn]] void Fail(const char* property, const std::string& left, const std::string& right);

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) ::fuzz::Fail(#condition, std::string(), std::string()); \
  } while (0)

#define FUZZ_CHECK_EQ(left, right)                              \
  do {                                                          \
    const std::string fuzzLeft_{left}, fuzzRight_{right};       \
    if (fuzzLeft_ != fuzzRight_) ::fuzz::Fail(#left " == " #right, fuzzLeft_, fuzzRight_); \
  } while (0)
