// The two text inputs of the pinyin index besides mb.txt: dycz.txt, the polyphonic phrases with
// their stated readings, and zg.txt, the header text lines.
#include <cstring>
#include <string>

#include "setup/common/bytes.h"
#include "setup/common/line_reader.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_internal.h"
#include "setup/compiler/syllables.h"

namespace ql::pinyin_index {
namespace {

// Ten readings of eleven letters and a tone digit with single spaces, and some slack for
// doubled spaces, which carry no reading.
constexpr size_t kMaxBracketUnits = 160;

bool InReadingRange(char16_t c) {
  return c >= kFirstReadingCharacter && c <= kLastReadingCharacter;
}

enum class Fill { ok, drop };

class DyczReader {
 public:
  DyczReader(const ReadingTableView& readings, MainData& main, KeyStore& keys, Variants& scratch)
      : readings_(readings),
        main_(main),
        keys_(keys),
        expanded_(scratch),
        stated_(kMaxStatedVariants * kVariantSlots) {
    text_.reserve(kMaxDyczTextUnits + 2);
  }

  DyczSummary Read(std::u16string_view file) {
    size_t line = 1;
    // The first unit is the byte-order mark.
    for (size_t i = 1; i < file.size() && !keys_.full(); ++i) {
      char16_t u = file[i];
      if (u == u'\n') {
        if (mode_ == Mode::text)
          FinishLine(line);
        else if (mode_ == Mode::bracket)
          Reject(line);  // the line ended inside a bracket
        Reset();
        ++line;
        continue;
      }
      switch (mode_) {
        case Mode::skip:
          break;
        case Mode::bracket:
          if (u == u')')
            CloseBracket(line);
          else if (bracket_.size() < kMaxBracketUnits)
            bracket_.push_back(u);
          else
            Reject(line);
          break;
        case Mode::text:
          if (u == u'(')
            OpenBracket(line);
          else if (text_.size() <= kMaxDyczTextUnits)  // room for the CR after 127 units
            text_.push_back(u);
          else
            Reject(line);
          break;
      }
    }
    return summary_;
  }

 private:
  enum class Mode { text, bracket, skip };

  uint16_t* Stated(size_t s) { return stated_.data() + s * kVariantSlots; }

  void Reset() {
    text_.clear();
    p_ = 0;
    count_ = 1;
    mode_ = Mode::text;
  }

  // A line over a limit or malformed: it is read to its end and counted.
  void Reject(size_t line) {
    if (summary_.skipped++ == 0)
      summary_.firstSkippedLine = line;
    mode_ = Mode::skip;
  }

  // Puts the first reading of the characters at positions from..to-1 into every stated variant.
  // A character without reading, or outside U+3000..U+9FFF (which would leave a hole in the key),
  // drops the line.
  Fill DefaultFill(size_t from, size_t to) {
    for (size_t pos = from; pos < to; ++pos) {
      char16_t c = text_[pos];
      Reading first = readings_.FirstReading(c);
      if (!InReadingRange(c) || !first.present())
        return Fill::drop;
      for (size_t s = 0; s < count_; ++s)
        Stated(s)[pos] = first.code;
    }
    return Fill::ok;
  }

  void OpenBracket(size_t line) {
    const size_t c = text_.size();
    if (c == 0 || c > kMaxDyczTextUnits) {
      if (c == 0)
        mode_ = Mode::skip;  // nothing to state a reading for: dropped silently
      else
        Reject(line);
      return;
    }
    if (DefaultFill(p_, c - 1) == Fill::drop) {
      mode_ = Mode::skip;
      return;
    }
    p_ = c - 1;
    bracket_.clear();
    mode_ = Mode::bracket;
  }

  void CloseBracket(size_t line) {
    // Split at spaces; empty fields carry no reading. Limits first, so a rejected line shows no
    // message about its readings.
    std::u16string_view fields[kMaxBracketReadings];
    size_t fieldCount = 0;
    std::u16string_view rest(bracket_);
    while (!rest.empty()) {
      size_t space = rest.find(u' ');
      std::u16string_view field = rest.substr(0, space);
      rest = space == std::u16string_view::npos ? std::u16string_view() : rest.substr(space + 1);
      if (field.empty())
        continue;
      if (field.back() >= u'0' && field.back() <= u'9')
        field.remove_suffix(1);
      if (fieldCount == kMaxBracketReadings || field.size() > kMaxReadingLetters) {
        Reject(line);
        return;
      }
      fields[fieldCount++] = field;
    }
    uint16_t codes[kMaxBracketReadings];
    size_t found = 0;
    for (size_t j = 0; j < fieldCount; ++j) {
      SyllableCode code = FindSyllableCode(fields[j]);
      if (code == 0)
        TheUi().ShowMessage(text_, kUnknownStatedReadingCaption, kMbOk);
      else
        codes[found++] = code;
    }
    if (found == 0) {
      // No stated reading was usable: the character keeps its first reading.
      if (DefaultFill(p_, p_ + 1) == Fill::drop) {
        mode_ = Mode::skip;
        return;
      }
    } else {
      if (found * count_ > kMaxStatedVariants) {
        Reject(line);
        return;
      }
      for (size_t j = found; j-- > 1;) {
        for (size_t s = 0; s < count_; ++s) {
          uint16_t* copy = Stated(j * count_ + s);
          std::memcpy(copy, Stated(s), p_ * sizeof(uint16_t));
          copy[p_] = codes[j];
        }
      }
      for (size_t s = 0; s < count_; ++s)
        Stated(s)[p_] = codes[0];
      count_ *= found;
    }
    ++p_;
    mode_ = Mode::text;
  }

  void FinishLine(size_t line) {
    if (!text_.empty() && text_.back() == u'\r')
      text_.pop_back();
    const size_t n = text_.size();
    if (n == 0)
      return;
    if (n > kMaxDyczTextUnits) {
      Reject(line);
      return;
    }
    if (DefaultFill(p_, n) == Fill::drop)
      return;
    bool fault = false;
    int32_t position = main_.Find(text_, &fault);
    if (fault) {
      TheUi().ShowMessage(text_, kPinyinInstallCaption, kMbOk);
      return;
    }
    if (position < 0)
      return;
    const uint32_t entry = main_.IndexValue(position);
    if (entry > kEntryReferenceMask)
      return;
    main_.SetMark(entry, 1);
    for (size_t s = 0; s < count_; ++s) {
      if (!keys_.Add(true, entry, Stated(s), n))
        return;
    }
    if (Expand(text_, true, readings_, expanded_) == ExpandResult::ok) {
      const uint32_t flagged = entry | (n >= 2 ? kCombinedReadingFlag : 0);
      for (size_t v = 0; v < expanded_.count; ++v) {
        const uint16_t* codes = expanded_.at(v);
        bool stated = false;
        for (size_t s = 0; s < count_ && !stated; ++s)
          stated = std::memcmp(codes, Stated(s), n * sizeof(uint16_t)) == 0;
        if (!stated && !keys_.Add(true, flagged, codes, n))
          return;
      }
    }
    ++summary_.written;
  }

  const ReadingTableView& readings_;
  MainData& main_;
  KeyStore& keys_;
  Variants& expanded_;
  std::vector<uint16_t> stated_;
  std::u16string text_;
  std::u16string bracket_;
  size_t p_ = 0;
  size_t count_ = 1;
  Mode mode_ = Mode::text;
  DyczSummary summary_;
};

}  // namespace

DyczSummary AddPolyphonicPhrases(std::u16string_view text,
                                 const ReadingTableView& readings,
                                 MainData& main,
                                 KeyStore& keys,
                                 Variants& scratch) {
  DyczReader reader(readings, main, keys, scratch);
  return reader.Read(text);
}

void CopyHeaderTextLines(const std::vector<uint8_t>& zg, uint8_t* header) {
  std::u16string units = DecodeUtf16Le(zg.data(), zg.size());
  size_t pos = 0;
  for (size_t slot = 0; slot < kHeaderTextSlots && pos < units.size(); ++slot) {
    // One read: up to and including LF, at most 264 units; the byte-order mark is kept.
    const size_t start = pos;
    while (pos < units.size() && pos - start < kZgLineUnits) {
      if (units[pos++] == u'\n')
        break;
    }
    const size_t count = pos - start;
    uint8_t* at = header + kHeaderTextOffset + kHeaderTextSlotBytes * slot;
    const size_t kept = count < kHeaderTextSlotUnits ? count : kHeaderTextSlotUnits;
    for (size_t i = 0; i < kept; ++i)
      StoreU16(at + 2 * i, units[start + i]);
    if (kept < kHeaderTextSlotUnits)
      StoreU16(at + 2 * kept, 0);
  }
}

}  // namespace ql::pinyin_index
