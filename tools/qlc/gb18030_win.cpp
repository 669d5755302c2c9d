// GB18030 on Windows: the system's code page 54936. Where the system has no such code page (Wine
// has none), the one- and two-byte part of GB18030, which is GBK, is read through code page 936,
// and a text with a four-byte sequence is refused rather than misread.
#include <climits>

#include "setup/common/win.h"
#include "tools/qlc/qlc.h"

namespace qlc {

std::optional<std::u16string> DecodeGb18030(const std::vector<uint8_t>& bytes) {
  constexpr UINT kGb18030CodePage = 54936;
  constexpr UINT kGbkCodePage = 936;
  if (bytes.empty())
    return std::u16string();
  if (bytes.size() > INT_MAX / 2)
    return std::nullopt;
  const bool full = IsValidCodePage(kGb18030CodePage) != 0;
  const UINT codePage = full ? kGb18030CodePage : kGbkCodePage;
  // Not every implementation of code page 54936 takes MB_ERR_INVALID_CHARS: there an invalid
  // sequence is told by the U+FFFD it becomes.
  const DWORD flags = full ? 0 : MB_ERR_INVALID_CHARS;
  const char* in = reinterpret_cast<const char*>(bytes.data());
  const int inSize = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(codePage, flags, in, inSize, nullptr, 0);
  if (units <= 0)
    return std::nullopt;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(codePage, flags, in, inSize, wide.data(), units) != units ||
      wide.find(L'\uFFFD') != std::wstring::npos)
    return std::nullopt;
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace qlc
