// Counting system calls of a run from the summary table that `strace -c` writes (one row per
// call: % time, seconds, usecs/call, calls, errors, syscall).
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// The calls of `syscall` in the summary text; 0 when it has no row.
int64_t CallsOf(const std::string& summary, const std::string& syscall);

}  // namespace bench
