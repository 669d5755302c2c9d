// The stand-in input-method modules themselves: what "BuildCode" does when called image-only, that
// nothing in them needs an import, that the system finds the input-method entry points, and that
// the version strings lie where the installation stamps them, with room for its values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "setup/common/text.h"
#include "setup/common/win.h"
#include "setup/contracts/module_contract.h"
#include "setup/contracts/safe_call.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_support.h"

namespace ql {
namespace {

struct Variant {
  const wchar_t* file;
  int32_t result;
  const char16_t* name;
};
const Variant kVariants[] = {
    {L"qlsrfpt.ime", 1, u"青岚输入法平台"},
    {L"qlsrfpt-cdecl.ime", 1, u"青岚输入法平台"},
    {L"qlsrfpt-zero.ime", 0, u"模块写的名字"},
};

std::string Utf8(const wchar_t* text) {
  return Utf16ToUtf8(U(text));
}

UniqueModule MapImageOnly(const wchar_t* standin) {
  return UniqueModule(
      LoadLibraryExW(test::StandinPath(standin).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
}

TEST(ModuleStandin, BuildCodeAnswersOnlyTheMainNameSelectorWithinFiftyUnits) {
  constexpr char16_t kUntouched = 0xBEEF;
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(Utf8(variant.file));
    UniqueModule module = MapImageOnly(variant.file);
    ASSERT_TRUE(module);
    const void* buildCode =
        reinterpret_cast<const void*>(GetProcAddress(module.get(), kBuildCodeExport));
    ASSERT_NE(buildCode, nullptr);

    // Ten guard units behind the 50-unit buffer must survive.
    char16_t buffer[kModuleNameUnits + 10];
    std::fill(std::begin(buffer), std::end(buffer), kUntouched);
    uintptr_t args[] = {static_cast<uintptr_t>(kBuildCodeMainName), Arg(buffer)};
    EXPECT_EQ(static_cast<int32_t>(SafeExportCall(buildCode, args, 2)), variant.result);
    std::u16string_view name(variant.name);
    EXPECT_EQ(std::u16string_view(buffer, name.size()), name);
    EXPECT_EQ(buffer[name.size()], 0);
    for (size_t i = name.size() + 1; i < std::size(buffer); ++i)
      EXPECT_EQ(buffer[i], kUntouched);

    for (int32_t selector : {0, 1, 166, 168, -167}) {
      std::fill(std::begin(buffer), std::end(buffer), kUntouched);
      args[0] = static_cast<uintptr_t>(selector);
      EXPECT_EQ(SafeExportCall(buildCode, args, 2), 0u) << "selector " << selector;
      EXPECT_EQ(buffer[0], kUntouched) << "selector " << selector;
    }
  }
}

// The module must work without its imports resolved: it has none at all.
TEST(ModuleStandin, ImportsNothing) {
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(Utf8(variant.file));
    UniqueModule module = MapImageOnly(variant.file);
    ASSERT_TRUE(module);
    auto* base = reinterpret_cast<const uint8_t*>(module.get());
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t libraries = 0;
    if (imports.VirtualAddress != 0) {
      auto* descriptor =
          reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
      for (; descriptor->Name != 0; ++descriptor) {
        ADD_FAILURE() << "imports " << reinterpret_cast<const char*>(base + descriptor->Name);
        ++libraries;
      }
    }
    EXPECT_EQ(libraries, 0u);
  }
}

TEST(ModuleStandin, ExportsTheInputMethodEntryPoints) {
  const char* const kEntryPoints[] = {"ImeInquire",
                                      "ImeConversionList",
                                      "ImeConfigure",
                                      "ImeDestroy",
                                      "ImeEscape",
                                      "ImeProcessKey",
                                      "ImeSelect",
                                      "ImeSetActiveContext",
                                      "ImeToAsciiEx",
                                      "NotifyIME",
                                      "ImeRegisterWord",
                                      "ImeUnregisterWord",
                                      "ImeGetRegisterWordStyle",
                                      "ImeEnumRegisterWord",
                                      "ImeSetCompositionString"};
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(Utf8(variant.file));
    UniqueModule module = MapImageOnly(variant.file);
    ASSERT_TRUE(module);
    for (const char* name : kEntryPoints) {
      EXPECT_NE(GetProcAddress(module.get(), name), nullptr) << name;
    }
  }
}

// Where the installation looks for the version strings, and how it finds their values.
constexpr size_t kWindowFirst = 0x6A001;
constexpr size_t kWindowLast = 0x8D400;
// The longest value the installation writes: a 49-unit display name and an 11-unit version.
constexpr size_t kLongestStamp = 60;

struct VersionKey {
  const char* name;
  size_t valuePadding;  // bytes between the key's terminator and its value
};
const VersionKey kKeys[] = {{"FileDescription", 2}, {"InternalName", 0}, {"PrivateBuild", 0}};

std::vector<uint8_t> Utf16Bytes(const char* ascii) {
  std::vector<uint8_t> bytes;
  for (const char* c = ascii; *c != 0; ++c) {
    bytes.push_back(static_cast<uint8_t>(*c));
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<size_t> FindAll(const std::vector<uint8_t>& file, const std::vector<uint8_t>& key) {
  std::vector<size_t> positions;
  for (auto it = std::search(file.begin(), file.end(), key.begin(), key.end()); it != file.end();
       it = std::search(it + 1, file.end(), key.begin(), key.end())) {
    positions.push_back(static_cast<size_t>(it - file.begin()));
  }
  return positions;
}

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Position of each key's value as the installation computes it, after checking that the key lies
// once in the file, inside the window, in the installation's search order, at the start of a
// version string record whose value has room for the longest stamp.
std::vector<size_t> ValuePositions(const std::vector<uint8_t>& file, const wchar_t* variant) {
  std::vector<size_t> values;
  size_t previous = 0;
  for (const VersionKey& key : kKeys) {
    SCOPED_TRACE(key.name);
    std::vector<size_t> found = FindAll(file, Utf16Bytes(key.name));
    std::printf("%s: \"%s\" at 0x%zX\n", Utf8(variant).c_str(), key.name,
                found.empty() ? size_t{0} : found[0]);
    EXPECT_EQ(found.size(), 1u);
    if (found.empty())
      return {};
    size_t at = found[0];
    EXPECT_GE(at, kWindowFirst);
    EXPECT_LE(at, kWindowLast);
    EXPECT_GT(at, previous);
    previous = at;
    // The record: length, value length in units (terminator included), type 1 (text), key.
    EXPECT_GE(at, 6u);
    if (at < 6)
      return {};
    EXPECT_EQ(Le16(file, at - 2), 1u);
    size_t valueUnits = Le16(file, at - 4);
    EXPECT_GE(valueUnits, kLongestStamp + 1);
    size_t value = at + (std::strlen(key.name) + 1) * 2 + key.valuePadding;
    EXPECT_EQ(value % 4, 0u) << "the value starts on the record's 32-bit boundary";
    EXPECT_LE(value + valueUnits * 2, file.size());
    values.push_back(value);
  }
  return values;
}

TEST(ModuleStandin, VersionStringsLieInTheStampingWindowWithRoomForTheLongestStamp) {
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(Utf8(variant.file));
    std::optional<std::vector<uint8_t>> file = test::ReadAll(test::StandinPath(variant.file));
    ASSERT_TRUE(file);
    EXPECT_LT(file->size(), 0x100000u) << "the installation reads at most 1 MiB";
    std::vector<size_t> values = ValuePositions(*file, variant.file);
    ASSERT_EQ(values.size(), 3u);
    // The values the module ships with start where the installation will write.
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(
                  reinterpret_cast<const char16_t*>(file->data() + values[0]), 7)),
              "青岚输入法平台");
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(
                  reinterpret_cast<const char16_t*>(file->data() + values[1]), 7)),
              "qlsrfpt");
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(
                  reinterpret_cast<const char16_t*>(file->data() + values[2]), 7)),
              "qlsrfpt");
  }
}

// Writes the longest texts over the three values as the installation does, in place, and reads
// them back through the system's version functions: the records keep their shape and the module
// still maps and answers.
TEST(ModuleStandin, TheLongestStampsReadBackThroughTheSystem) {
  test::TempFolder folder;
  std::wstring path = WString(folder.path()) + L"qlsrfpt.ime";
  ASSERT_TRUE(test::CopyStandin(L"qlsrfpt.ime", path));
  std::optional<std::vector<uint8_t>> file = test::ReadAll(path);
  ASSERT_TRUE(file);
  std::vector<size_t> values = ValuePositions(*file, L"qlsrfpt.ime");
  ASSERT_EQ(values.size(), 3u);

  std::u16string stamps[3] = {std::u16string(49, u'名') + u"4.00.12345X", std::u16string(49, u'示'),
                              u"qlsrfpt123456789012"};
  ASSERT_EQ(stamps[0].size(), kLongestStamp);
  for (size_t k = 0; k < 3; ++k) {
    size_t at = values[k];
    for (char16_t unit : stamps[k] + u'\0') {
      (*file)[at++] = static_cast<uint8_t>(unit & 0xFF);
      (*file)[at++] = static_cast<uint8_t>(unit >> 8);
    }
  }
  {
    UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(out);
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(out.get(), file->data(), static_cast<DWORD>(file->size()), &written, nullptr));
  }
  EXPECT_EQ(test::VersionString(path, L"FileDescription"), stamps[0]);
  EXPECT_EQ(test::VersionString(path, L"InternalName"), stamps[1]);
  EXPECT_EQ(test::VersionString(path, L"PrivateBuild"), stamps[2]);
  EXPECT_EQ(test::VersionString(path, L"ProductName"), u"青岚输入法平台");
  // A second stamping finds the keys where the first one did.
  std::optional<std::vector<uint8_t>> stamped = test::ReadAll(path);
  ASSERT_TRUE(stamped);
  EXPECT_EQ(ValuePositions(*stamped, L"qlsrfpt.ime (stamped)"), values);

  UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(module);
  char16_t name[kModuleNameUnits] = {};
  const uintptr_t args[] = {static_cast<uintptr_t>(kBuildCodeMainName), Arg(name)};
  EXPECT_EQ(
      SafeExportCall(reinterpret_cast<const void*>(GetProcAddress(module.get(), kBuildCodeExport)),
                     args, 2),
      1u);
  EXPECT_EQ(std::u16string_view(name), u"青岚输入法平台");
}

}  // namespace
}  // namespace ql
