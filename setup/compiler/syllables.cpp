#include "setup/compiler/syllables.h"

namespace ql {
namespace {

// The letter at `i`, with the end of the spelling read as its terminating zero byte.
unsigned char LetterAt(std::string_view letters, size_t i) {
  return i < letters.size() ? static_cast<unsigned char>(letters[i]) : 0;
}

}  // namespace

int FindSyllable(std::string_view letters) {
  const size_t n = letters.size() + 1 < 6 ? letters.size() + 1 : 6;
  int lo = 0;
  int hi = static_cast<int>(kSyllableCount) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    const SyllableEntry& entry = kSyllableTable[mid];
    int order = 0;
    for (size_t i = 0; i < n && order == 0; ++i) {
      unsigned char letter = LetterAt(letters, i);
      unsigned char tableByte = static_cast<unsigned char>(entry.spelling[i]);
      if (letter != tableByte)
        order = letter < tableByte ? -1 : 1;
    }
    if (order == 0)
      return mid;
    if (order < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return -1;
}

int FindSyllable(std::u16string_view letters) {
  // At most six letters take part in the comparison; a seventh only tells that there are more.
  char bytes[7] = {};
  const size_t compared = letters.size() < 6 ? letters.size() : 6;
  for (size_t i = 0; i < compared; ++i) {
    if (letters[i] > 0x7F)
      return -1;
    bytes[i] = static_cast<char>(letters[i]);
  }
  const size_t length = letters.size() > 6 ? 7 : compared;
  if (length == 7)
    bytes[6] = 'x';  // never compared
  return FindSyllable(std::string_view(bytes, length));
}

SyllableCode FindSyllableCode(std::u16string_view letters) {
  int entry = FindSyllable(letters);
  return entry < 0 ? 0 : kSyllableTable[entry].code();
}

std::string_view SpellSyllable(SyllableCode code) {
  for (const SyllableEntry& entry : kSyllableTable) {
    if (entry.code() == code)
      return entry.letters();
  }
  return {};
}

uint8_t FindInitialCode(std::string_view letters) {
  for (const SyllableEntry& entry : kSyllableTable) {
    if (entry.initialCode != kNoInitialCode && kElementSpellings[entry.initialCode] == letters)
      return entry.initialCode;
  }
  return 0;
}

std::string_view SpellElement(uint8_t elementCode) {
  return elementCode <= kElementCount ? kElementSpellings[elementCode] : std::string_view();
}

}  // namespace ql
