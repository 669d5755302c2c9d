#include "uninstall/uninstall_command_line.h"

#include "setup/common/command_words.h"
#include "setup/common/text.h"

namespace ql {
namespace {

bool ParseHex(std::u16string_view text, uint64_t* value) {
  if (text.empty() || text.size() > 16)
    return false;
  *value = 0;
  for (char16_t c : text) {
    unsigned digit = c >= u'0' && c <= u'9'   ? c - u'0'
                     : c >= u'A' && c <= u'F' ? c - u'A' + 10
                     : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                              : 16u;
    if (digit > 15)
      return false;
    *value = *value << 4 | digit;
  }
  return true;
}

std::u16string Hex(uint64_t value) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  do {
    text.insert(text.begin(), kDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return text;
}

}  // namespace

bool ParseUninstallCommandLine(std::u16string_view line,
                               UninstallOptions* options,
                               std::u16string* error) {
  *options = UninstallOptions();
  bool hasLog = false;
  bool hasFolder = false;
  size_t at = 0;
  while (SkipCommandBlanks(line, &at)) {
    const std::u16string word = NextCommandWord(line, &at);
    auto flag = [&](bool* seen) {
      if (*seen)
        *error = word + u" 只能给出一次";
      *seen = true;
      return error->empty();
    };
    auto value = [&](std::u16string_view prefix, bool* seen, std::u16string* text) {
      if (!flag(seen))
        return false;
      *text = word.substr(prefix.size());
      if (text->empty())
        *error = std::u16string(prefix) + u" 后面缺少内容";
      return error->empty();
    };
    bool ok = false;
    if (EqualsAsciiNoCase(word, u"/S")) {
      ok = flag(&options->silent);
    } else if (EqualsAsciiNoCase(word, u"/KEEPDATA")) {
      ok = flag(&options->keepData);
    } else if (StartsWithAsciiNoCase(word, u"/LOG=")) {
      ok = value(u"/LOG=", &hasLog, &options->logFile);
    } else if (StartsWithAsciiNoCase(word, u"/_FOLDER=")) {
      ok = value(u"/_FOLDER=", &hasFolder, &options->folder);
    } else if (StartsWithAsciiNoCase(word, u"/_HANDOFF=")) {
      std::u16string handles;
      ok = value(u"/_HANDOFF=", &options->handedOff, &handles);
      const size_t comma = handles.find(u',');
      if (ok && (comma == std::u16string::npos ||
                 !ParseHex(std::u16string_view(handles).substr(0, comma), &options->resultPipe) ||
                 !ParseHex(std::u16string_view(handles).substr(comma + 1), &options->original))) {
        *error = u"/_HANDOFF= 的内容不对";
        ok = false;
      }
    } else {
      *error = u"不认识的参数：" + word;
    }
    if (!ok)
      return false;
  }
  if (options->handedOff != hasFolder) {
    *error = u"/_HANDOFF= 和 /_FOLDER= 必须一起给出";
    return false;
  }
  return true;
}

std::u16string HandOffCommandLine(const UninstallOptions& options) {
  std::u16string line;
  if (options.silent)
    line += u" /S";
  if (options.keepData)
    line += u" /KEEPDATA";
  if (!options.logFile.empty())
    line += u" " + QuotedCommandWord(u"/LOG=" + options.logFile);
  line += u" " + QuotedCommandWord(u"/_FOLDER=" + options.folder);
  line += u" /_HANDOFF=" + Hex(options.resultPipe) + u"," + Hex(options.original);
  return line;
}

}  // namespace ql
