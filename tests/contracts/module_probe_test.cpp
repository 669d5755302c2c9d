#include "setup/contracts/module_probe.h"

#include <gtest/gtest.h>

#include "setup/model/manifest.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

class ModuleProbe : public ::testing::Test {
 protected:
  void SetUp() override { state.packageFolder.Assign(u"C:\\pkg\\"); }
  SetupState state;
};

BuildCodeCaller Module(int32_t result, std::u16string name, std::u16string* pathSeen = nullptr) {
  return [=](std::u16string_view path, char16_t* buffer) -> std::optional<int32_t> {
    if (pathSeen != nullptr)
      *pathSeen = std::u16string(path);
    for (size_t i = 0; i < name.size(); ++i)
      buffer[i] = name[i];
    if (name.size() < 50)
      buffer[name.size()] = 0;
    return result;
  };
}

TEST_F(ModuleProbe, NonZeroResultGivesAllThreeNames) {
  std::u16string path;
  ProbeModuleName(state, Module(1, u"模块平台", &path));
  EXPECT_EQ(path, u"C:\\pkg\\qlsrfpt.ime");
  EXPECT_EQ(state.namesFromModule, 1u);
  EXPECT_EQ(state.mainName.view(), u"模块平台");
  EXPECT_EQ(state.displayName.view(), u"模块平台");
  EXPECT_EQ(state.moduleSuppliedName.view(), u"模块平台");
}

TEST_F(ModuleProbe, ZeroResultStillCopiesButLetsTheManifestName) {
  ProbeModuleName(state, Module(0, u"模块写的"));
  EXPECT_EQ(state.namesFromModule, 0u);
  EXPECT_EQ(state.moduleSuppliedName.view(), u"模块写的");
  class Empty : public ProfileSource {
    size_t GetString(std::u16string_view,
                     std::u16string_view key,
                     std::u16string_view def,
                     char16_t* buffer,
                     size_t capacity) override {
      std::u16string_view value = key == u"MainName" ? u"清单主名"
                                  : key == u"Name"   ? u"清单名"
                                                     : def;
      size_t n = value.size() < capacity ? value.size() : capacity - 1;
      for (size_t i = 0; i < n; ++i)
        buffer[i] = value[i];
      buffer[n] = 0;
      return n;
    }
  } manifest;
  ReadManifestInto(manifest, state);
  EXPECT_EQ(state.mainName.view(), u"清单主名");
  EXPECT_EQ(state.displayName.view(), u"清单名");
  EXPECT_EQ(state.moduleSuppliedName.view(), u"模块写的");
}

TEST_F(ModuleProbe, MissingModuleOrExportChangesNothing) {
  ProbeModuleName(state, [](std::u16string_view, char16_t*) { return std::optional<int32_t>(); });
  EXPECT_TRUE(state.mainName.empty());
  EXPECT_TRUE(state.displayName.empty());
  EXPECT_TRUE(state.moduleSuppliedName.empty());
  EXPECT_EQ(state.namesFromModule, 0u);
}

TEST_F(ModuleProbe, AnUnterminatedFiftyUnitNameIsCutToFortyNine) {
  ProbeModuleName(state, Module(1, std::u16string(50, u'名')));
  EXPECT_EQ(state.mainName.size(), 49u);
  EXPECT_EQ(state.moduleSuppliedName.size(), 49u);
}

}  // namespace
}  // namespace ql
