#include "setup/common/path_names.h"

#include <string>
#include <vector>

#include "setup/common/text.h"

namespace ql {

std::u16string_view TrimTrailingDotsAndSpaces(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' '))
    name.remove_suffix(1);
  return name;
}

bool IsPlainName(std::u16string_view name) {
  for (char16_t c : name) {
    if (c < 0x20 || kReservedNameCharacters.find(c) != std::u16string_view::npos)
      return false;
  }
  // "..", ". ." and "  " all name the folder itself or its parent once the system has dropped
  // the trailing dots and spaces.
  return TrimTrailingDotsAndSpaces(name).find_first_not_of(u'.') != std::u16string_view::npos;
}

bool IsContainedRelativePath(std::u16string_view path) {
  if (path.empty())
    return true;
  if (path[0] == u'\\' || path[0] == u'/')
    return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos)
      end = path.size();
    std::u16string_view name = path.substr(start, end - start);
    if (!name.empty() && !IsPlainName(name))
      return false;
    start = end + 1;
  }
  return true;
}

namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::u16string_view WithoutTrailingSeparators(std::u16string_view path) {
  while (!path.empty() && IsSeparator(path.back()))
    path.remove_suffix(1);
  return path;
}

}  // namespace

bool IsAbsoluteFolderForm(std::u16string_view path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && IsSeparator(path[2]))
    return true;
  // "\\server": the server's name may not begin with the device forms' '?' or '.'.
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
         !IsSeparator(path[2]) && path[2] != u'?' && path[2] != u'.';
}

std::u16string ResolveAbsolutePath(std::u16string_view path) {
  if (!IsAbsoluteFolderForm(path))
    return std::u16string(path);
  std::u16string root;
  size_t rest = 0;
  size_t kept = 0;  // names of the root that ".." may not leave (server and share)
  if (path[1] == u':') {
    root = std::u16string(path.substr(0, 2)) + u"\\";
    rest = 3;
  } else {
    root = u"\\\\";
    rest = 2;
    kept = 2;
  }
  std::vector<std::u16string_view> names;
  while (rest <= path.size()) {
    size_t end = rest;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
    std::u16string_view name = path.substr(rest, end - rest);
    rest = end + 1;
    if (names.size() < kept) {
      // The server and the share are taken as they are.
      if (!name.empty())
        names.push_back(name);
      continue;
    }
    if (name == u"..") {
      if (names.size() > kept)
        names.pop_back();
      continue;
    }
    // "", "." and other names that are nothing once their trailing dots and spaces are gone
    // stay where they are.
    name = TrimTrailingDotsAndSpaces(name);
    if (!name.empty())
      names.push_back(name);
  }
  std::u16string out = root;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0)
      out += u'\\';
    out += names[i];
  }
  // A share's root, like a drive's, ends in its separator.
  if (names.size() == kept && kept > 0)
    out += u'\\';
  return out;
}

bool HasOnlyPlainNames(std::u16string_view path) {
  if (!IsAbsoluteFolderForm(path))
    return false;
  size_t start = 3;
  if (path[1] != u':') {
    // Past "\\server\share".
    size_t names = 0;
    for (start = 2; start < path.size() && names < 2; ++names) {
      while (start < path.size() && !IsSeparator(path[start]))
        ++start;
      ++start;
    }
  }
  return start >= path.size() || IsContainedRelativePath(path.substr(start));
}

bool SameFolderPath(std::u16string_view a, std::u16string_view b) {
  return EqualsAsciiNoCase(WithoutTrailingSeparators(a), WithoutTrailingSeparators(b));
}

}  // namespace ql
