// Arbitrary bytes as setup.ini: parsing and every lookup must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/common/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ql::ProfileFile file = ql::ProfileFile::Parse(data, size);
  static const char16_t* const kSections[] = {u"soft", u"词库1", u"", u"主键盘输入法1"};
  static const char16_t* const kKeys[] = {u"Name", u"name", u"Path", u"k"};
  for (const char16_t* section : kSections) {
    for (const char16_t* key : kKeys) {
      for (size_t capacity : {size_t(1), size_t(2), size_t(40), size_t(512)}) {
        std::u16string buffer(capacity, u'\0');
        size_t n = file.GetString(section, key, u"DEF", buffer.data(), capacity);
        if (n >= capacity || buffer[n] != 0)
          __builtin_trap();
      }
    }
  }
  return 0;
}
