// GB18030 on Windows: the system's code page 54936, which refuses invalid sequences.
#include "setup/common/win.h"

#include <climits>

#include "tools/qlc/qlc.h"

namespace qlc {

std::optional<std::u16string> DecodeGb18030(const std::vector<uint8_t>& bytes) {
  constexpr UINT kGb18030CodePage = 54936;
  if (bytes.empty())
    return std::u16string();
  if (bytes.size() > INT_MAX / 2)
    return std::nullopt;
  const char* in = reinterpret_cast<const char*>(bytes.data());
  const int inSize = static_cast<int>(bytes.size());
  const int units =
      MultiByteToWideChar(kGb18030CodePage, MB_ERR_INVALID_CHARS, in, inSize, nullptr, 0);
  if (units <= 0)
    return std::nullopt;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(kGb18030CodePage, MB_ERR_INVALID_CHARS, in, inSize, wide.data(), units) !=
      units)
    return std::nullopt;
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace qlc
