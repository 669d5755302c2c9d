// What the two halves of `qlc export` share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qlc {

// Phrases with their frequencies, in record order.
struct ExportedPhrases {
  std::vector<std::pair<std::u16string, int32_t>> phrases;
};

// Writes `text` as UTF-16LE with byte-order mark, making the folders; false (reported) on failure.
bool WriteTextFile(const std::filesystem::path& path, std::u16string_view text);

// A manifest (setup.ini's text) whose dictionaries are replaced by the one dictionary `file`,
// named `name` and chosen by default; the rest stays as it was.
std::u16string ManifestWithDictionary(std::u16string_view manifest,
                                      std::u16string_view name,
                                      std::u16string_view file);

// The settings, double-pinyin and custom-code sections that give back what a build wrote into the
// installed (or compiled) `folder`: option.txt, sp.ini and each scheme's codeword.txt. False
// (reported) when one of them is not as the build writes it.
bool InstalledSections(const std::filesystem::path& folder, std::u16string& text);

// The backup of the user data file `name` (UTF-8 path) into `out`.
int ExportUserData(const std::string& name,
                   const ExportedPhrases& user,
                   const std::filesystem::path& out,
                   bool verify);

}  // namespace qlc
