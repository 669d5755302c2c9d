// The two text inputs of the pinyin index besides mb.txt: dycz.txt, the polyphonic phrases with
// their stated readings, and zg.txt, the header text lines.
#include <cstring>
#include <string>

#include "setup/common/bytes.h"
#include "setup/common/line_reader.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/dycz_line.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_internal.h"
#include "setup/compiler/syllables.h"

namespace ql {

std::u16string_view DyczLine::phrase() const {
  std::u16string_view view(text);
  if (!view.empty() && view.back() == u'\r')
    view.remove_suffix(1);
  return view;
}

bool DyczLine::TakesFirstReading(size_t position) const {
  for (const DyczBracket& bracket : brackets) {
    if (bracket.position == position && !bracket.codes.empty())
      return false;
  }
  return true;
}

namespace {

// The readings of a closed bracket; false with `fault` set when the bracket is over a limit.
bool ParseBracket(std::u16string_view content, DyczBracket& bracket, DyczFault& fault) {
  // Limits first, so that a bracket over one has no readings to report.
  std::u16string_view fields[kMaxBracketReadings];
  std::u16string_view letters[kMaxBracketReadings];
  size_t fieldCount = 0;
  while (!content.empty()) {
    size_t space = content.find(u' ');
    std::u16string_view field = content.substr(0, space);
    content =
        space == std::u16string_view::npos ? std::u16string_view() : content.substr(space + 1);
    if (field.empty())
      continue;
    std::u16string_view syllable = field;
    if (syllable.back() >= u'0' && syllable.back() <= u'9')
      syllable.remove_suffix(1);
    if (fieldCount == kMaxBracketReadings || syllable.size() > kMaxReadingLetters) {
      fault = fieldCount == kMaxBracketReadings ? DyczFault::kTooManyReadings
                                                : DyczFault::kReadingTooLong;
      return false;
    }
    fields[fieldCount] = field;
    letters[fieldCount++] = syllable;
  }
  for (size_t j = 0; j < fieldCount; ++j) {
    SyllableCode code = FindSyllableCode(letters[j]);
    if (code == 0)
      bracket.unknown.push_back(fields[j]);
    else
      bracket.codes.push_back(code);
  }
  return true;
}

}  // namespace

DyczLine ParseDyczLine(std::u16string_view line, bool ended) {
  DyczLine parsed;
  parsed.ended = ended;
  size_t variants = 1;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] != u'(') {
      if (parsed.text.size() > kMaxDyczTextUnits) {
        parsed.fault = DyczFault::kTextTooLong;
        return parsed;
      }
      parsed.text.push_back(line[i++]);
      continue;
    }
    if (parsed.text.empty() || parsed.text.size() > kMaxDyczTextUnits) {
      parsed.fault = parsed.text.empty() ? DyczFault::kBracketFirst : DyczFault::kTextTooLong;
      return parsed;
    }
    DyczBracket& bracket = parsed.brackets.emplace_back();
    bracket.position = parsed.text.size() - 1;
    const size_t open = i + 1;
    const size_t close = line.find(u')', open);
    const size_t contentEnd = close == std::u16string_view::npos ? line.size() : close;
    if (contentEnd - open > kMaxBracketUnits) {
      parsed.fault = DyczFault::kBracketTooLong;
      return parsed;
    }
    if (close == std::u16string_view::npos) {
      // A last line without LF is never finished, whatever its open bracket holds.
      if (ended)
        parsed.fault = DyczFault::kUnclosedBracket;
      else
        parsed.brackets.pop_back();
      return parsed;
    }
    if (!ParseBracket(line.substr(open, close - open), bracket, parsed.fault))
      return parsed;
    if (!bracket.codes.empty()) {
      if (bracket.codes.size() * variants > kMaxStatedVariants) {
        parsed.fault = DyczFault::kTooManyVariants;
        return parsed;
      }
      variants *= bracket.codes.size();
    }
    i = close + 1;
  }
  if (ended && parsed.phrase().size() > kMaxDyczTextUnits)
    parsed.fault = DyczFault::kTextTooLong;
  return parsed;
}

void ReadDyczLines(std::u16string_view file,
                   const std::function<bool(const DyczLine&, size_t)>& visit) {
  // The first unit is the byte-order mark.
  size_t number = 1;
  for (size_t start = 1; start < file.size(); ++number) {
    const size_t lf = file.find(u'\n', start);
    const bool ended = lf != std::u16string_view::npos;
    const size_t end = ended ? lf : file.size();
    if (!visit(ParseDyczLine(file.substr(start, end - start), ended), number) || !ended)
      return;
    start = lf + 1;
  }
}

}  // namespace ql

namespace ql::pinyin_index {
namespace {

bool InReadingRange(char16_t c) {
  return c >= kFirstReadingCharacter && c <= kLastReadingCharacter;
}

enum class Fill { ok, drop };

std::string U8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

std::string FaultText(DyczFault fault) {
  switch (fault) {
    case DyczFault::kNone:
    case DyczFault::kBracketFirst:
      return "a bracket before any character";
    case DyczFault::kUnclosedBracket:
      return "a bracket not closed";
    case DyczFault::kTextTooLong:
      return "more than " + std::to_string(kMaxDyczTextUnits) + " units outside brackets";
    case DyczFault::kBracketTooLong:
      return "a bracket longer than the builder reads";
    case DyczFault::kTooManyReadings:
      return "a bracket of more than " + std::to_string(kMaxBracketReadings) + " readings";
    case DyczFault::kReadingTooLong:
      return "a reading of more than " + std::to_string(kMaxReadingLetters) + " letters";
    case DyczFault::kTooManyVariants:
      return "the stated readings make more than " + std::to_string(kMaxStatedVariants) +
             " variants";
  }
  return "";
}

// Faults found before the bracket's readings are looked at.
bool BracketUnread(DyczFault fault) {
  return fault == DyczFault::kBracketTooLong || fault == DyczFault::kUnclosedBracket ||
         fault == DyczFault::kTooManyReadings || fault == DyczFault::kReadingTooLong;
}

class DyczReader {
 public:
  DyczReader(const ReadingTableView& readings,
             MainData& main,
             KeyStore& keys,
             Variants& scratch,
             const FileDiagnostics& diagnostics)
      : readings_(readings),
        main_(main),
        keys_(keys),
        expanded_(scratch),
        stated_(kMaxStatedVariants * kVariantSlots),
        diagnostics_(diagnostics) {}

  DyczSummary Read(std::u16string_view file) {
    ReadDyczLines(file, [this](const DyczLine& line, size_t number) {
      if (keys_.full())
        return false;
      number_ = number;
      AddLine(line, number);
      if (!line.ended && !line.text.empty()) {
        diagnostics_.Warning(number, "no-line-end",
                             "the last line has no line end and is not read");
      }
      return true;
    });
    return summary_;
  }

 private:
  uint16_t* Stated(size_t s) { return stated_.data() + s * kVariantSlots; }

  // A line over a limit or malformed: counted; the installer shows one message for them all.
  void Reject(size_t line, DyczFault fault) {
    if (summary_.skipped++ == 0)
      summary_.firstSkippedLine = line;
    diagnostics_.Error(line, "dycz-line-skipped", FaultText(fault) + ": the line is passed over");
  }

  // Puts the first reading of the characters at positions from..to-1 into every stated variant.
  // A character without reading, or outside U+3000..U+9FFF (which would leave a hole in the key),
  // drops the line.
  Fill DefaultFill(std::u16string_view text, size_t from, size_t to) {
    for (size_t pos = from; pos < to; ++pos) {
      char16_t c = text[pos];
      Reading first = readings_.FirstReading(c);
      if (!InReadingRange(c) || !first.present()) {
        diagnostics_.Warning(number_, "no-reading",
                             "\"" + U8(text.substr(pos, 1)) +
                                 "\" has no reading in mb.txt and none stated: the line is "
                                 "passed over");
        return Fill::drop;
      }
      for (size_t s = 0; s < count_; ++s)
        Stated(s)[pos] = first.code;
    }
    return Fill::ok;
  }

  // The brackets in order, each after the first readings of the characters before it; then the
  // whole phrase. A fault is met where the line's reading meets it: a character without reading
  // before it drops the line silently instead.
  void AddLine(const DyczLine& line, size_t number) {
    const std::u16string_view text(line.text);
    p_ = 0;
    count_ = 1;
    for (size_t k = 0; k < line.brackets.size(); ++k) {
      const DyczBracket& bracket = line.brackets[k];
      const bool last = k + 1 == line.brackets.size();
      if (DefaultFill(text, p_, bracket.position) == Fill::drop)
        return;
      p_ = bracket.position;
      if (last && BracketUnread(line.fault)) {
        Reject(number, line.fault);
        return;
      }
      for (size_t j = 0; j < bracket.unknown.size(); ++j) {
        if (!diagnostics_.Error(number, "unknown-reading",
                                "reading \"" + U8(bracket.unknown[j]) + "\" of " +
                                    U8(text.substr(p_, 1)) + " is not a pinyin syllable"))
          TheUi().ShowMessage(text.substr(0, p_ + 1), kUnknownStatedReadingCaption, kMbOk);
      }
      if (bracket.codes.empty()) {
        // No stated reading was usable: the character keeps its first reading.
        if (DefaultFill(text, p_, p_ + 1) == Fill::drop)
          return;
      } else {
        if (last && line.fault == DyczFault::kTooManyVariants) {
          Reject(number, line.fault);
          return;
        }
        State(bracket.codes);
      }
      ++p_;
    }
    if (line.fault == DyczFault::kBracketFirst)
      return;  // nothing to state a reading for
    if (line.fault != DyczFault::kNone) {
      Reject(number, line.fault);
      return;
    }
    if (line.ended)
      FinishLine(line.phrase());
  }

  // Every stated variant so far, once with each of the bracket's codes at p_.
  void State(const std::vector<SyllableCode>& codes) {
    const size_t found = codes.size();
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

  void FinishLine(std::u16string_view phrase) {
    const size_t n = phrase.size();
    if (n == 0)
      return;
    if (DefaultFill(phrase, p_, n) == Fill::drop)
      return;
    bool fault = false;
    int32_t position = main_.Find(phrase, &fault);
    if (fault) {
      TheUi().ShowMessage(phrase, kPinyinInstallCaption, kMbOk);
      return;
    }
    if (position < 0) {
      diagnostics_.Warning(
          number_, "not-an-entry",
          "\"" + U8(phrase) + "\" is not in the main data file: nothing is written for the line");
      return;
    }
    const uint32_t entry = main_.IndexValue(position);
    if (entry > kEntryReferenceMask)
      return;
    main_.SetMark(entry, 1);
    for (size_t s = 0; s < count_; ++s) {
      if (!keys_.Add(true, entry, Stated(s), n))
        return;
    }
    if (Expand(phrase, true, readings_, expanded_) == ExpandResult::ok) {
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
  size_t p_ = 0;
  size_t count_ = 1;
  DyczSummary summary_;
  const FileDiagnostics& diagnostics_;
  size_t number_ = 0;
};

}  // namespace

DyczSummary AddPolyphonicPhrases(std::u16string_view text,
                                 const ReadingTableView& readings,
                                 MainData& main,
                                 KeyStore& keys,
                                 Variants& scratch,
                                 const FileDiagnostics& diagnostics) {
  DyczReader reader(readings, main, keys, scratch, diagnostics);
  return reader.Read(text);
}

void CopyHeaderTextLines(const std::vector<uint8_t>& zg,
                         uint8_t* header,
                         const FileDiagnostics& diagnostics) {
  std::u16string units = DecodeUtf16Le(zg.data(), zg.size());
  size_t pos = 0;
  size_t line = 1;
  for (size_t slot = 0; slot < kHeaderTextSlots && pos < units.size(); ++slot) {
    // One read: up to and including LF, at most 264 units; the byte-order mark is kept.
    const size_t start = pos;
    bool ended = false;
    while (pos < units.size() && pos - start < kZgLineUnits) {
      if (units[pos++] == u'\n') {
        ended = true;
        break;
      }
    }
    const size_t count = pos - start;
    uint8_t* at = header + kHeaderTextOffset + kHeaderTextSlotBytes * slot;
    const size_t kept = count < kHeaderTextSlotUnits ? count : kHeaderTextSlotUnits;
    for (size_t i = 0; i < kept; ++i)
      StoreU16(at + 2 * i, units[start + i]);
    if (kept < kHeaderTextSlotUnits)
      StoreU16(at + 2 * kept, 0);
    if (diagnostics.active()) {
      // The line end itself may be cut; the text before it must not be.
      size_t text = count - (ended ? 1 : 0);
      if (text > 0 && units[start + text - 1] == u'\r')
        --text;
      if (text > kHeaderTextSlotUnits) {
        diagnostics.Warning(
            line, "header-line-cut",
            "the header line is cut to " + std::to_string(kHeaderTextSlotUnits) + " units");
      }
    }
    line += ended ? 1 : 0;
  }
  if (pos < units.size()) {
    diagnostics.Warning(line, "header-lines-dropped",
                        "the index header holds " + std::to_string(kHeaderTextSlots) +
                            " lines: the rest of the file is not read");
  }
}

}  // namespace ql::pinyin_index
