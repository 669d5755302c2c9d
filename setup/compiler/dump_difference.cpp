#include "setup/compiler/dump_difference.h"

#include <sstream>

namespace ql {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

}  // namespace

std::string DescribeDumpDifference(const std::vector<uint8_t>& expected,
                                   const std::vector<uint8_t>& actual,
                                   const std::string& expectedDump,
                                   const std::string& actualDump,
                                   size_t maxLines) {
  if (expected == actual)
    return std::string();
  std::vector<std::string> a = Lines(expectedDump);
  std::vector<std::string> b = Lines(actualDump);
  std::ostringstream out;
  size_t shown = 0;
  for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const std::string* ea = i < a.size() ? &a[i] : nullptr;
    const std::string* eb = i < b.size() ? &b[i] : nullptr;
    if (ea && eb && *ea == *eb)
      continue;
    if (shown++ >= maxLines)
      break;
    if (ea)
      out << "- " << *ea << "\n";
    if (eb)
      out << "+ " << *eb << "\n";
  }
  if (shown == 0) {
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
      ++i;
    out << "dumps agree; first differing byte at " << i << "\n";
  }
  return out.str();
}

}  // namespace ql
