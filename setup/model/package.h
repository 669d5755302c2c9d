// Names of a package and of its installation that more than one floor uses: files and folders
// relative to the package (and installed) folder, named mappings, and the platform's own name.
// Paths are relative, with '\' separators; a folder name ends in '\'.
#pragma once

#include <string>
#include <string_view>

namespace ql {

// The platform's name: the manifest's default names, and the word that marks a display name as
// the platform's own.
constexpr std::u16string_view kPlatformName = u"青岚输入法平台";
// The keyboard layout's display text is this prefix followed by the display name.
constexpr std::u16string_view kLayoutTextPrefix = u"中文(简体) - ";

// Files and folders of the package.
constexpr std::u16string_view kSetupIniFile = u"setup.ini";
// The input-method module, always under this name in the package.
constexpr std::u16string_view kPackageModuleFile = u"qlsrfpt.ime";
constexpr std::u16string_view kLicenseFile = u"License.txt";
// The uninstaller, a program of the package that removes the installation from its folder.
constexpr std::u16string_view kUninstallerFile = u"uninsta.exe";
constexpr std::u16string_view kTextDictionaryFolder = u"文本词库\\";
// The character list, in the text dictionary folder.
constexpr std::u16string_view kCharacterListFile = u"zk.txt";
constexpr std::u16string_view kSchemeFolder = u"输入方案\\";
// Files of a scheme folder: its code table, and the pinyin scheme's polyphonic phrases and index
// header text.
constexpr std::u16string_view kCodeTableFile = u"mb.txt";
constexpr std::u16string_view kPolyphonicPhrasesFile = u"dycz.txt";
constexpr std::u16string_view kHeaderTextFile = u"zg.txt";

// Files the installation writes.
constexpr std::u16string_view kMainDataFolder = u"词库";
constexpr std::u16string_view kMainDataFile = u"词库\\cz.dat";
// The main data file's name as the install record keeps it.
constexpr std::u16string_view kMainDataRecordName = u"cz.dat";
constexpr std::u16string_view kUserDataFile = u"User.dat";
// What the text dictionaries' sections give: the settings, the double-pinyin layout, and a scheme
// folder's custom codes.
constexpr std::u16string_view kSettingsFile = u"option.txt";
constexpr std::u16string_view kDoublePinyinFile = u"sp.ini";
constexpr std::u16string_view kCustomCodeFile = u"codeword.txt";
// The pinyin index and its user index, in the pinyin scheme's folder, where the index builder
// writes them; and the same names relative to the scheme folders.
constexpr std::u16string_view kInstalledUserIndexFile = u"输入方案\\拼音\\User.idx";
constexpr std::u16string_view kPinyinIndexFile = u"拼音\\qinglan.idx";
constexpr std::u16string_view kPinyinUserIndexFile = u"拼音\\User.idx";
constexpr std::u16string_view kPinyinIndexName = u"qinglan.idx";

// Named mappings: the data files while the worker fills them, and the one a running module holds
// (this prefix followed by the module's base name).
constexpr std::u16string_view kMainDataMapping = u"buildmainck";
constexpr std::u16string_view kUserDataMapping = u"buildmainUserck";
constexpr std::u16string_view kModuleInUsePrefix = u"mvkorel6";

// Folder text with exactly one trailing backslash appended unless it already ends in one.
std::u16string WithTrailingBackslash(std::u16string_view folder);

}  // namespace ql
