// The file-backed registry hive over any file content (POSIX build): the hive is read whatever
// it holds; a text and a number written under any value name read back as written; and a hive
// that was written once is written again byte for byte (what is saved loads back equal).
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "os/OsRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    std::string hives = fuzz::ScratchFolder() + "hive";
    ::mkdir(hives.c_str(), 0700);
    ::setenv("QV_MACHINE_HIVE_DIR", hives.c_str(), 1);
    return hives;
  }();
  const auto parts = fuzz::Parts(data, size, 3);
  const std::string& name = parts[1];
  const std::string& text = parts[2];
  const std::string file = folder + "/machine.reg";
  fuzz::WriteFile(file, parts[0]);

  os::RegistryKey key;
  FUZZ_CHECK(os::OpenRegistryKey(os::Hive::kLocalMachine, "Software\\Fuzz", true, true, key) == 0);
  std::string read;
  uint32_t number = 0;
  os::ReadRegistryString(key, name, read);
  os::ReadRegistryDword(key, name, number);

  FUZZ_CHECK(os::WriteRegistryString(key, name, text) == 0);
  FUZZ_CHECK(os::ReadRegistryString(key, name, read));
  FUZZ_CHECK_EQ(read, text);
  const uint32_t written = static_cast<uint32_t>(size * 2654435761u);
  FUZZ_CHECK(os::WriteRegistryDword(key, name + "#", written) == 0);
  FUZZ_CHECK(os::ReadRegistryDword(key, name + "#", number));
  FUZZ_CHECK(number == written);

  const std::string saved = fuzz::ReadFile(file);
  FUZZ_CHECK(os::WriteRegistryDword(key, name + "#", written) == 0);
  FUZZ_CHECK_EQ(fuzz::ReadFile(file), saved);
  os::CloseRegistryKey(key);
  return 0;
}
