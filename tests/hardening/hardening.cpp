// The run length and the file helper of hardening.h.
#include <vector>

#include "tests/hardening/hardening.h"
#include "tests/support/win_test.h"

bool FullRun() {
  char value[16] = "";
  GetEnvironmentVariableA("ZIMBREL_HARDENING", value, sizeof value);
  return lstrcmpiA(value, "full") == 0;
}

std::vector<std::string> FileLines(const std::string& path) {
  std::string bytes;
  std::vector<std::string> lines;
  if (!ReadBytes(path, &bytes)) return lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}
