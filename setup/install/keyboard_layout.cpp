// The module's installed file name and the registration of its keyboard layout.
#include "setup/install/keyboard_layout.h"

#include <vector>

#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/install/keyboard_layout_internal.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {

using namespace layout_internal;

namespace {

constexpr std::u16string_view kSoftSection = u"soft";

void SetText(RegHandle key, std::u16string_view name, std::u16string_view text) {
  std::vector<uint8_t> bytes = RegStringBytes(text);
  TheRegistry().SetValue(key, name, kRegSz, bytes.data(), bytes.size());
}

int32_t OpenLayoutsKey(RegKey* layouts) {
  return Attempt(5, [&] {
    return TheRegistry().OpenKey(kHkeyLocalMachine, kLayoutsKeyPath, kKeyRead, layouts->Receive());
  });
}

// A module file name fit for the system folder: it fits imeFileName and names no other folder.
bool IsPlainModuleName(std::u16string_view name) {
  if (name.empty() || name.size() >= decltype(SetupState::imeFileName)::kCapacity)
    return false;
  if (name == u"." || name == u"..")
    return false;
  return name.find_first_of(u"\\/:") == std::u16string_view::npos;
}

// The "Ime File" of the first layout of this language whose text equals `layoutText` exactly;
// empty when there is none or its module name cannot be read.
std::u16string ModuleOfLayoutText(RegHandle layouts, std::u16string_view layoutText) {
  std::u16string name;
  for (uint32_t index = 0; TheRegistry().EnumKey(layouts, index, &name) == kErrorSuccess; ++index) {
    if (name.size() >= kNameUnits || !IsChineseLayoutId(name))
      continue;
    std::u16string text;
    RegKey key;
    if (!ReadLayoutText(layouts, name, &text, &key) || text != layoutText)
      continue;
    std::u16string module;
    int32_t rc = Attempt(10, [&] {
      // Read into the 20-unit field: 40 bytes, terminator included.
      int32_t read = QueryText(key.get(), u"Ime File", 40, &module);
      return read == kErrorSuccess && !IsPlainModuleName(module) ? kErrorFileNotFound : read;
    });
    return rc == kErrorSuccess ? module : std::u16string();
  }
  return std::u16string();
}

enum class Move { kNone, kMoved, kMovedChosenDeleted };

// Makes room for the platform's module at E0010804: a layout found there moves to the chosen id.
// On a move `layoutKey` becomes the fresh E0010804.
Move MovePlatformLayout(RegHandle layouts, std::u16string_view id, RegKey* layoutKey) {
  Registry& registry = TheRegistry();
  RegKey platform;
  if (registry.CreateKey(layouts, kPlatformLayoutId, kKeyAllAccess, platform.Receive()) !=
      kErrorSuccess)
    return Move::kNone;
  uint32_t count = 0;
  if (registry.CountValues(platform.get(), &count) != kErrorSuccess)
    return Move::kNone;

  bool chosenDeleted = count == 0;
  if (chosenDeleted) {
    // Nothing to move: the chosen id's key is not needed and goes.
    layoutKey->Reset();
    registry.DeleteKey(layouts, id);
  } else {
    for (uint32_t index = 0; index < count; ++index) {
      std::u16string name;
      uint32_t type = 0;
      std::vector<uint8_t> data;
      // The value is read whole, so a long one is copied intact rather than cut.
      if (Attempt(5, [&] {
            return registry.EnumValue(platform.get(), index, &name, &type, &data);
          }) != kErrorSuccess)
        continue;
      Attempt(5, [&] {
        return registry.SetValue(layoutKey->get(), name, type, data.data(), data.size());
      });
    }
  }

  platform.Reset();
  if (registry.DeleteKey(layouts, kPlatformLayoutId) != kErrorSuccess &&
      registry.OpenKey(layouts, kPlatformLayoutId, kKeyAllAccess, platform.Receive()) ==
          kErrorSuccess) {
    // Kept (it has subkeys, or deletion was refused): empty it so it holds only the new values.
    std::vector<std::u16string> names;
    std::u16string name;
    for (uint32_t index = 0;
         registry.EnumValue(platform.get(), index, &name, nullptr, nullptr) == kErrorSuccess;
         ++index)
      names.push_back(name);
    for (const std::u16string& value : names)
      registry.DeleteValue(platform.get(), value);
    platform.Reset();
  }
  RegKey fresh;
  if (registry.CreateKey(layouts, kPlatformLayoutId, kKeyAllAccess, fresh.Receive()) !=
      kErrorSuccess) {
    // The values then go to the chosen id after all.
    if (chosenDeleted)
      registry.CreateKey(layouts, id, kKeyAllAccess, layoutKey->Receive());
    return Move::kNone;
  }
  *layoutKey = std::move(fresh);
  return chosenDeleted ? Move::kMovedChosenDeleted : Move::kMoved;
}

// Enters `passId` into the preload list and loads `loadId`. False when registration must stop.
bool PreloadAndLoad(std::u16string_view passId,
                    std::u16string_view loadId,
                    bool ntFamily,
                    const LayoutSystem& system) {
  RegKey preload;
  if (TheRegistry().OpenKey(kHkeyCurrentUser, kPreloadKeyPath, kKeyRead | kKeySetValue,
                            preload.Receive()) != kErrorSuccess) {
    TheUi().ShowMessage(kLayoutsOpenError, kPreloadKeyPath, kMbOk);
    return false;
  }
  if (!RunPreloadPass(preload.get(), passId, ntFamily))
    return false;
  preload.Reset();
  system.loadKeyboardLayout(loadId, kLoadLayoutFlags);
  return true;
}

}  // namespace

void ChooseModuleFileName(SetupState& state,
                          std::u16string_view setupIniPath,
                          const LayoutSystem& system) {
  std::u16string module;
  {
    RegKey layouts;
    if (OpenLayoutsKey(&layouts) != kErrorSuccess)
      TheUi().ShowMessage(kLayoutsOpenError, kLayoutsOpenCaption, kMbOk);
    else
      module = ModuleOfLayoutText(layouts.get(), state.layoutText.view());
  }
  if (!module.empty()) {
    state.imeFileName.Assign(module);
    state.imeBaseName.Assign(module.substr(0, module.rfind(u'.')));
  }
  bool recorded = true;
  if (module.empty()) {
    std::u16string stem = FormatLayoutId(system.tickCount());
    state.imeBaseName.Assign(stem);
    recorded = system.writeProfileString(setupIniPath, kSoftSection, kModuleNameKey, stem);
    state.imeFileName.Assign(stem + u".ime");
  }
  recorded &=
      system.writeProfileString(setupIniPath, kSoftSection, u"Name", state.displayName.view());
  if (!recorded) {
    TheUi().ShowMessage(std::u16string(kSetupIniNotWrittenText) + std::u16string(setupIniPath),
                        kSetupIniNotWrittenCaption, kMbIconWarning);
  }
}

void ChooseModuleFileName(SetupState& state, std::u16string_view setupIniPath) {
  ChooseModuleFileName(state, setupIniPath, PlatformLayoutSystem());
}

void RegisterKeyboardLayout(const SetupState& state, const LayoutSystem& system) {
  Registry& registry = TheRegistry();
  {
    RegKey inputMethod;
    if (registry.OpenKey(kHkeyCurrentUser, kInputMethodKeyPath, kKeyRead | kKeySetValue,
                         inputMethod.Receive()) == kErrorSuccess)
      SetText(inputMethod.get(), u"show status", u"1");
  }
  uint32_t platformId = 0;
  bool versionKnown = system.platformId(&platformId);
  // Without a version the list is kept as values, the form of every system in use today.
  bool ntFamily = !versionKnown || platformId >= kPlatformNt;

  RegKey layouts;
  if (OpenLayoutsKey(&layouts) != kErrorSuccess) {
    TheUi().ShowMessage(kLayoutsOpenError, kLayoutsOpenCaption, kMbOk);
    return;
  }
  std::u16string id = ChooseLayoutId(layouts.get(), state.layoutText.view());
  RegKey layoutKey;
  if (id.empty() ||
      registry.CreateKey(layouts.get(), id, kKeyAllAccess, layoutKey.Receive()) != kErrorSuccess) {
    layouts.Reset();
    // Every id above E0010804 taken: no key can be made for this layout.
    TheUi().ShowMessage(kLayoutCreateError, id.empty() ? kLayoutsKeyPath : id, kMbOk);
    return;
  }
  Move move = Move::kNone;
  if (!EqualsAsciiNoCase(id, kPlatformLayoutId) &&
      state.displayName.view().find(kPlatformName) != std::u16string_view::npos)
    move = MovePlatformLayout(layouts.get(), id, &layoutKey);

  SetText(layoutKey.get(), u"IME file", state.imeFileName.view());
  SetText(layoutKey.get(), u"layout file",
          versionKnown && platformId >= kPlatformNt ? u"kbdus.dll" : u"kbdus.kbd");
  SetText(layoutKey.get(), u"layout text", state.layoutText.view());
  layoutKey.Reset();
  layouts.Reset();

  // A chosen id whose key went in the move names no layout: it is neither listed nor loaded.
  if (move != Move::kMovedChosenDeleted) {
    std::u16string passId = ntFamily ? AsciiLowerText(id) : id;
    if (!PreloadAndLoad(passId, id, ntFamily, system))
      return;
  }
  if (move != Move::kNone)
    PreloadAndLoad(kPlatformLayoutId, kPlatformLayoutId, ntFamily, system);
}

void RegisterKeyboardLayout(const SetupState& state) {
  RegisterKeyboardLayout(state, PlatformLayoutSystem());
}

}  // namespace ql
