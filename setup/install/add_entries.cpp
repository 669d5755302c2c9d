#include "setup/install/add_entries.h"

#include "setup/install/add_entries_internal.h"
#include "setup/model/manifest.h"

namespace ql {

const char16_t kNoSchemeKindMessage[] = u"请选择输入法类型!";
const char16_t kDictionaryListFullMessage[] = u"词库已满：最多可以有 50 个词库，不能再添加。";
const char16_t kSchemeListFullMessage[] =
    u"输入法已满：最多可以有 80 个输入法（独立输入法要占两个位置），不能再添加这个输入法。";
const char16_t kNoDictionarySourceMessage[] =
    u"还没有选择词库文件，请先点击“打开词库”选择一个文件。";
const char16_t kNoSchemeSourceMessage[] =
    u"还没有选择码表文件，请先点击“打开码表源文件”选择一个文件。";
const char16_t kBadFolderNameMessage[] =
    u"目标文件夹名称不能包含 \\ / : * ? \" < > | 等字符，也不能是“.”或“..”，请重新输入。";

namespace {

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

// The name candidates base + suffix, where the suffix is `digits` repeated `repeat` times and
// then `tail`, for repeat = firstRepeat, firstRepeat + 1, ...; each is cut to `capacity` units
// by shortening the base. The first one not taken wins.
std::u16string FirstFreeName(std::u16string_view base,
                             std::u16string_view digits,
                             std::u16string_view tail,
                             size_t firstRepeat,
                             size_t capacity,
                             const NameTaken& taken) {
  std::u16string suffix;
  for (size_t i = 0; i < firstRepeat; ++i)
    suffix += digits;
  suffix += tail;
  // Each round the suffix grows, so the rounds end once it alone no longer fits.
  while (suffix.size() <= capacity) {
    std::u16string candidate(CutUnits(base, capacity - suffix.size()));
    candidate += suffix;
    if (!candidate.empty() && !taken(candidate))
      return candidate;
    if (digits.empty())
      break;
    suffix.insert(0, digits);
  }
  return std::u16string();
}

}  // namespace

std::u16string_view CutUnits(std::u16string_view text, size_t units) {
  if (text.size() <= units)
    return text;
  // A cut never keeps half a character.
  if (units > 0 && IsHighSurrogate(text[units - 1]))
    --units;
  return text.substr(0, units);
}

std::u16string FieldText(std::u16string_view text, size_t units) {
  size_t lineEnd = text.find_first_of(u"\r\n");
  if (lineEnd != std::u16string_view::npos)
    text = text.substr(0, lineEnd);
  return std::u16string(CutUnits(text, units));
}

void TellUser(const SetupState& state, std::u16string_view text) {
  TheUi().ShowMessage(text, state.displayName.view(), kMbOk | kMbIconError);
}

SourceDescription ReadSourceDescription(std::u16string_view path) {
  std::unique_ptr<ProfileSource> profile = OpenProfile(path);
  SourceDescription description;
  char16_t buffer[kDescriptionValueUnits + 1] = {};
  size_t n = profile->GetString(u"Description", u"About", u"", buffer, kDescriptionValueUnits + 1);
  description.about.assign(buffer, n);
  n = profile->GetString(u"Description", u"Name", u"", buffer, kDescriptionValueUnits + 1);
  description.name.assign(buffer, n);
  return description;
}

std::u16string DictionaryFileName(std::u16string_view title,
                                  uint32_t index,
                                  const NameTaken& taken) {
  size_t dot = title.rfind(u'.');
  std::u16string_view stem = dot == std::u16string_view::npos ? title : title.substr(0, dot);
  std::u16string_view extension =
      dot == std::u16string_view::npos ? std::u16string_view() : title.substr(dot);
  // The title as it is, or cut before its extension when it is too long for the entry.
  std::u16string first;
  if (title.size() <= kDictionaryFileNameUnits) {
    first = title;
  } else if (extension.size() < kDictionaryFileNameUnits) {
    first = CutUnits(stem, kDictionaryFileNameUnits - extension.size());
    first += extension;
  } else {
    first = CutUnits(title, kDictionaryFileNameUnits);
  }
  if (!first.empty() && !taken(first))
    return first;
  return FirstFreeName(stem, DecimalText(index), u".txt", 1, kDictionaryFileNameUnits, taken);
}

std::u16string SchemeFolderName(std::u16string_view folder,
                                uint32_t index,
                                const NameTaken& taken) {
  return FirstFreeName(folder, DecimalText(index), u"", 0, kSchemeFolderUnits, taken);
}

}  // namespace ql
