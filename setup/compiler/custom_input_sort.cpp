// The order of the custom-input entries without comparing whole files.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "setup/compiler/custom_input.h"
#include "setup/compiler/custom_input_internal.h"

namespace ql {
namespace {

using custom_input::ScanLines;
using custom_input::Units;

constexpr uint32_t kNoLine = UINT32_MAX;

// Compares the units [a, aEnd) with [b, bEnd); a proper prefix comes first.
int CompareRanges(const Units& text, size_t a, size_t aEnd, size_t b, size_t bEnd) {
  const size_t aLength = aEnd - a;
  const size_t bLength = bEnd - b;
  const size_t common = std::min(aLength, bLength);
  // Equal runs are the common case with repeated lines: let memcmp pass over them.
  if (std::memcmp(text.bytes(a), text.bytes(b), 2 * common) == 0)
    return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
  for (size_t i = 0;; ++i) {
    const char16_t x = text[a + i];
    const char16_t y = text[b + i];
    if (x != y)
      return x < y ? -1 : 1;
  }
}

// Offsets are compared as texts that run on across line ends, so the sort cannot compare them
// directly without comparing whole files when lines repeat. Instead the text is cut into lines
// (every entry starts a line), each line is ranked once by its own text, and the entries are then
// ordered as sequences of line ranks by prefix doubling: after round r, two lines have the same
// rank exactly when the 2^r lines from each compare equal.
//
// Why comparing line by line gives the order of the texts: a line is cut where the line rules
// see CR LF, which depends only on the line's own units, so one line can never be a proper prefix
// of another unless the shorter one ends the text. The text's end acts as a zero, and a zero
// ends a comparison, so each line is compared by its units up to its first zero (or the end of
// the text) and counts as "last" when it holds one: a sequence of lines ends with its first last
// line.
class EntrySorter {
 public:
  explicit EntrySorter(const Units& text) : text_(text) {
    starts_.push_back(0);
    ScanLines(
        text, [](char16_t) {}, [this](size_t next) { starts_.push_back(next); });
    // A text ending in CR LF ends with an empty last line: the terminating zero alone.
    lineCount_ = static_cast<uint32_t>(starts_.size());
    starts_.push_back(text.size());
    contentEnd_.resize(lineCount_);
    lastOfRun_.resize(lineCount_);
    for (uint32_t k = lineCount_; k-- > 0;) {
      size_t end = starts_[k];
      while (end < starts_[k + 1] && text[end] != u'\0')
        ++end;
      contentEnd_[k] = end;
      bool last = end < starts_[k + 1] || k + 1 == lineCount_;
      lastOfRun_[k] = last ? k : lastOfRun_[k + 1];
    }
  }

  // The line starting at `offset`, or kNoLine when no line starts there.
  uint32_t LineAt(size_t offset) const {
    auto it = std::lower_bound(starts_.begin(), starts_.begin() + lineCount_, offset);
    if (it == starts_.begin() + lineCount_ || *it != offset)
      return kNoLine;
    return static_cast<uint32_t>(it - starts_.begin());
  }

  // Ranks of the lines such that each line's run (the line and the lines after it up to its
  // run's last line) compares as its rank, at least as far as needed to tell `entryLines` apart.
  const std::vector<uint32_t>& Rank(const std::vector<uint32_t>& entryLines) {
    uint32_t classes = RankLines();
    uint32_t longestRun = 0;
    for (uint32_t k = 0; k < lineCount_; ++k)
      longestRun = std::max(longestRun, lastOfRun_[k] - k + 1);
    std::vector<uint32_t> stamp(lineCount_, 0);
    uint32_t round = 0;
    for (uint32_t h = 1; h < longestRun && classes < lineCount_; h *= 2) {
      if (Distinct(entryLines, &stamp, ++round))
        break;
      classes = Double(h, classes);
      if (h > UINT32_MAX / 2)
        break;
    }
    return rank_;
  }

 private:
  size_t Length(uint32_t line) const { return contentEnd_[line] - starts_[line]; }

  bool SameUnits(uint32_t a, uint32_t b) const {
    return Length(a) == Length(b) &&
           std::memcmp(text_.bytes(starts_[a]), text_.bytes(starts_[b]), 2 * Length(a)) == 0;
  }

  // The first four compared units of a line packed so that integer order is their order; a
  // missing unit is 0, below every unit a line can hold.
  uint64_t Prefix(uint32_t line) const {
    uint64_t prefix = 0;
    for (size_t i = 0; i < 4; ++i)
      prefix = (prefix << 16) | (i < Length(line) ? text_[starts_[line] + i] : 0u);
    return prefix;
  }

  // Ranks every line by its own compared units, equal lines alike; returns the number of ranks.
  // The lines are sorted by their first four units packed into an integer and by a hash of all
  // their units, so that equal lines come together and are recognised by one comparison each; a
  // line repeated thousands of times is then never compared in a sort. Only the distinct lines
  // that share their first four units are sorted by comparing the rest.
  uint32_t RankLines() {
    struct Keyed {
      uint64_t prefix;
      uint64_t hash;
      uint32_t line;
    };
    std::vector<Keyed> keyed(lineCount_);
    for (uint32_t k = 0; k < lineCount_; ++k) {
      const std::string_view units(reinterpret_cast<const char*>(text_.bytes(starts_[k])),
                                   2 * Length(k));
      keyed[k] = Keyed{Prefix(k), std::hash<std::string_view>{}(units), k};
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
      if (a.prefix != b.prefix)
        return a.prefix < b.prefix;
      if (a.hash != b.hash)
        return a.hash < b.hash;
      return a.line < b.line;
    });

    rank_.resize(lineCount_);
    uint32_t ranks = 0;
    std::vector<uint32_t> distinct;  // in the current run of equal prefixes: one line per text
    std::vector<uint32_t> copyOf;    // for each line of the run, its text in `distinct`
    std::vector<uint32_t> order;
    std::vector<uint32_t> rankOf;
    for (size_t i = 0; i < keyed.size();) {
      size_t end = i;
      while (end < keyed.size() && keyed[end].prefix == keyed[i].prefix)
        ++end;
      distinct.clear();
      copyOf.clear();
      size_t sameHashFrom = 0;  // the first text in `distinct` with the current hash
      for (size_t j = i; j < end; ++j) {
        if (j == i || keyed[j].hash != keyed[j - 1].hash)
          sameHashFrom = distinct.size();
        // Equal texts have equal hashes: only the texts of this hash can be this line's.
        size_t d = sameHashFrom;
        while (d < distinct.size() && !SameUnits(distinct[d], keyed[j].line))
          ++d;
        if (d == distinct.size())
          distinct.push_back(keyed[j].line);
        copyOf.push_back(static_cast<uint32_t>(d));
      }
      // The distinct texts of the run in order: their first four units agree, the rest decides.
      order.resize(distinct.size());
      for (uint32_t d = 0; d < order.size(); ++d)
        order[d] = d;
      std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const uint32_t x = distinct[a];
        const uint32_t y = distinct[b];
        const size_t xFrom = starts_[x] + std::min<size_t>(4, Length(x));
        const size_t yFrom = starts_[y] + std::min<size_t>(4, Length(y));
        return CompareRanges(text_, xFrom, contentEnd_[x], yFrom, contentEnd_[y]) < 0;
      });
      rankOf.resize(distinct.size());
      for (uint32_t r = 0; r < order.size(); ++r)
        rankOf[order[r]] = ranks + r;
      for (size_t j = i; j < end; ++j)
        rank_[keyed[j].line] = rankOf[copyOf[j - i]];
      ranks += static_cast<uint32_t>(distinct.size());
      i = end;
    }
    return ranks;
  }

  // One round of doubling: ranks of h lines become ranks of 2h lines (or of the whole run where
  // it is shorter). Returns the number of ranks.
  uint32_t Double(uint32_t h, uint32_t classes) {
    const uint32_t m = lineCount_;
    // The rank of the line h further on, shifted so that 0 means "the run has ended".
    std::vector<uint32_t> second(m);
    for (uint32_t k = 0; k < m; ++k)
      second[k] = lastOfRun_[k] - k >= h ? rank_[k + h] + 1 : 0;
    // Radix sort by (rank, second): counting sort by second, then stably by rank.
    std::vector<uint32_t> count(size_t{classes} + 2, 0);
    std::vector<uint32_t> bySecond(m);
    for (uint32_t k = 0; k < m; ++k)
      ++count[second[k] + 1];
    for (size_t c = 1; c < count.size(); ++c)
      count[c] += count[c - 1];
    for (uint32_t k = 0; k < m; ++k)
      bySecond[count[second[k]]++] = k;
    count.assign(size_t{classes} + 1, 0);
    for (uint32_t k = 0; k < m; ++k)
      ++count[rank_[k] + 1];
    for (size_t c = 1; c < count.size(); ++c)
      count[c] += count[c - 1];
    std::vector<uint32_t> byBoth(m);
    for (uint32_t k : bySecond)
      byBoth[count[rank_[k]]++] = k;
    std::vector<uint32_t> next(m);
    uint32_t newClasses = 1;
    next[byBoth[0]] = 0;
    for (uint32_t i = 1; i < m; ++i) {
      const uint32_t a = byBoth[i - 1];
      const uint32_t b = byBoth[i];
      if (rank_[a] != rank_[b] || second[a] != second[b])
        ++newClasses;
      next[b] = newClasses - 1;
    }
    rank_.swap(next);
    return newClasses;
  }

  // Whether the entries' lines all have different ranks, so that their order is settled.
  bool Distinct(const std::vector<uint32_t>& lines, std::vector<uint32_t>* stamp, uint32_t round) {
    for (uint32_t line : lines) {
      uint32_t& mark = (*stamp)[rank_[line]];
      if (mark == round)
        return false;
      mark = round;
    }
    return true;
  }

  const Units& text_;
  std::vector<size_t> starts_;       // of every line, then the end of the text
  std::vector<size_t> contentEnd_;   // where each line's compared units end
  std::vector<uint32_t> lastOfRun_;  // the first line at or after k that ends a comparison
  std::vector<uint32_t> rank_;
  uint32_t lineCount_ = 0;
};

}  // namespace

void SortCustomInputEntries(const uint8_t* text, size_t textSize, std::vector<uint32_t>* offsets) {
  if (offsets->size() < 2)
    return;
  const Units units(text, textSize);
  auto plainSort = [&] {
    std::stable_sort(offsets->begin(), offsets->end(), [&](uint32_t a, uint32_t b) {
      return CompareCustomInputTexts(text, textSize, a, b) < 0;
    });
  };
  // Line numbers are u32: a text of more lines than that (over 8 GiB) is sorted plainly.
  if (units.size() >= UINT32_MAX) {
    plainSort();
    return;
  }
  EntrySorter sorter(units);
  std::vector<uint32_t> lines;
  lines.reserve(offsets->size());
  for (uint32_t offset : *offsets) {
    lines.push_back(sorter.LineAt(offset));
    // Entries always start lines; anything else is sorted by plain comparison.
    if (lines.back() == kNoLine) {
      plainSort();
      return;
    }
  }
  const std::vector<uint32_t>& rank = sorter.Rank(lines);
  struct Ranked {
    uint32_t rank;
    uint32_t offset;
  };
  std::vector<Ranked> ranked(offsets->size());
  for (size_t i = 0; i < ranked.size(); ++i)
    ranked[i] = Ranked{rank[lines[i]], (*offsets)[i]};
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });
  for (size_t i = 0; i < ranked.size(); ++i)
    (*offsets)[i] = ranked[i].offset;
}

}  // namespace ql
