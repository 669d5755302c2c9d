// GB18030 on the host: the C library's iconv.
#include <iconv.h>

#include <cerrno>

#include "setup/common/bytes.h"
#include "tools/qlc/qlc.h"

namespace qlc {

std::optional<std::u16string> DecodeGb18030(const std::vector<uint8_t>& bytes) {
  iconv_t converter = iconv_open("UTF-16LE", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1))
    return std::nullopt;
  // Every GB18030 sequence of 1, 2 or 4 bytes gives at most 4 bytes of UTF-16.
  std::vector<uint8_t> out(bytes.size() * 4 + 4);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  size_t inLeft = bytes.size();
  char* at = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  const size_t result = iconv(converter, &in, &inLeft, &at, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  return ql::DecodeUtf16Le(out.data(), out.size() - outLeft);
}

}  // namespace qlc
