// Stand-in for the package's input-method module "qlsrfpt.ime".
//
// setup maps this file as an image only: its imports are not resolved and its entry point does
// not run. "BuildCode" must therefore work without any imported function, and the whole module
// is linked without the C runtime (no memcpy/memset the compiler could slip in) so that any such
// call would fail the link instead of crashing setup. Relocations still work: the loader applies
// them even to an image-only mapping.
//
// Variants, chosen by compile definitions:
//   QL_STANDIN_CDECL        "BuildCode" uses the caller-cleans convention instead of the
//                           callee-cleans one the contract asks for (matters on 32-bit x86 only).
//   QL_STANDIN_RESULT_ZERO  "BuildCode" writes a name of its own but returns 0, so the manifest's
//                           names must win.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "setup/contracts/module_contract.h"

#if defined(QL_STANDIN_CDECL) && defined(__i386__)
#define QL_BUILD_CODE_CALL __cdecl
#else
#define QL_BUILD_CODE_CALL QL_EXPORT_CALL
#endif

#if defined(__i386__)
#define QL_WINAPI __stdcall
#else
#define QL_WINAPI
#endif

namespace {

#if defined(QL_STANDIN_RESULT_ZERO)
constexpr wchar_t kMainName[] = L"模块写的名字";
constexpr int32_t kMainNameResult = 0;
#else
constexpr wchar_t kMainName[] = L"青岚输入法平台";
constexpr int32_t kMainNameResult = 1;
#endif

static_assert(sizeof(kMainName) / sizeof(kMainName[0]) <= ql::kModuleNameUnits,
              "the main name fits the caller's buffer with its terminator");

// Copies a terminated text into a buffer of `capacity` units, cut to capacity - 1 units. The
// volatile target keeps the compiler from turning the loop into a call to memcpy.
void CopyBounded(wchar_t* target, size_t capacity, const wchar_t* text) {
  volatile wchar_t* out = target;
  size_t i = 0;
  for (; i + 1 < capacity && text[i] != 0; ++i)
    out[i] = text[i];
  if (capacity > 0)
    out[i] = 0;
}

}  // namespace

extern "C" {

// The platform's main name for selector 167; 0 and an untouched buffer for every other selector.
int32_t QL_BUILD_CODE_CALL BuildCode(int32_t selector, wchar_t* nameBuffer) {
  if (selector != ql::kBuildCodeMainName || nameBuffer == nullptr)
    return 0;
  CopyBounded(nameBuffer, ql::kModuleNameUnits, kMainName);
  return kMainNameResult;
}

#if !defined(QL_STANDIN_CDECL) || !defined(__i386__)
static_assert(std::is_same_v<decltype(&BuildCode), BuildCodeFn>, "export matches the contract");
#endif

// Loaded normally (by the system's input-method manager) the module needs no initialisation.
int QL_WINAPI DllMainCRTStartup(void*, unsigned long, void*) {
  return 1;
}

// The module file must hold its version strings at byte positions 0x6A001 to 0x8D400, where the
// installation stamps them in place. This initialised block lies in the read-only data, which the
// linker places before the resources, and moves the resource section into that window.
__attribute__((used)) extern const unsigned char qlVersionWindowPadding[QL_STANDIN_PADDING] = {1};

// The input-method entry points the system looks for when it installs the module. The stand-in
// converts nothing: every call reports that it did nothing.
struct ImeInfo {
  uint32_t privateDataSize;
  uint32_t property;
  uint32_t conversionCaps;
  uint32_t sentenceCaps;
  uint32_t uiCaps;
  uint32_t compositionStringCaps;
  uint32_t selectCaps;
};

int QL_WINAPI ImeInquire(ImeInfo* info, wchar_t* uiClass, uint32_t) {
  if (info == nullptr || uiClass == nullptr)
    return 0;
  info->privateDataSize = 0;
  info->property = 0x00080000;    // IME_PROP_UNICODE
  info->conversionCaps = 0x0001;  // IME_CMODE_NATIVE
  info->sentenceCaps = 0;
  info->uiCaps = 0;
  info->compositionStringCaps = 0;
  info->selectCaps = 0;
  // The system's buffer for the class name holds 16 units.
  CopyBounded(uiClass, 16, L"QLStandinUI");
  return 1;
}
uint32_t QL_WINAPI ImeConversionList(void*, const wchar_t*, void*, uint32_t, uint32_t) {
  return 0;
}
int QL_WINAPI ImeConfigure(void*, void*, uint32_t, void*) {
  return 0;
}
int QL_WINAPI ImeDestroy(uint32_t) {
  return 1;
}
intptr_t QL_WINAPI ImeEscape(void*, uint32_t, void*) {
  return 0;
}
int QL_WINAPI ImeProcessKey(void*, uint32_t, intptr_t, const unsigned char*) {
  return 0;
}
int QL_WINAPI ImeSelect(void*, int) {
  return 1;
}
int QL_WINAPI ImeSetActiveContext(void*, int) {
  return 1;
}
uint32_t QL_WINAPI ImeToAsciiEx(uint32_t, uint32_t, const unsigned char*, void*, uint32_t, void*) {
  return 0;
}
int QL_WINAPI NotifyIME(void*, uint32_t, uint32_t, uint32_t) {
  return 0;
}
int QL_WINAPI ImeRegisterWord(const wchar_t*, uint32_t, const wchar_t*) {
  return 0;
}
int QL_WINAPI ImeUnregisterWord(const wchar_t*, uint32_t, const wchar_t*) {
  return 0;
}
uint32_t QL_WINAPI ImeGetRegisterWordStyle(uint32_t, void*) {
  return 0;
}
uint32_t QL_WINAPI ImeEnumRegisterWord(void*, const wchar_t*, uint32_t, const wchar_t*, void*) {
  return 0;
}
int QL_WINAPI
ImeSetCompositionString(void*, uint32_t, const void*, uint32_t, const void*, uint32_t) {
  return 0;
}

}  // extern "C"
