#include "bench/SyscallSummary.h"

#include <sstream>
#include <vector>

namespace bench {

int64_t CallsOf(const std::string& summary, const std::string& syscall) {
  std::istringstream lines(summary);
  int64_t calls = 0;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    // A row has at least % time, seconds, usecs/call, calls and the name; the errors column is
    // blank when there were none. The "total" row and the headers do not name a call.
    if (words.size() < 5 || words.back() != syscall) continue;
    const std::string& count = words[3];
    if (count.find_first_not_of("0123456789") != std::string::npos) continue;
    calls += std::stoll(count);
  }
  return calls;
}

}  // namespace bench
