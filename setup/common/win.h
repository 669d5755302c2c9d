// Windows-only helpers: one move-only owner per kind of system handle, and the view of portable
// UTF-16 text as the system's wide strings (both are 16-bit units on Windows).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <utility>

namespace ql {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on Windows");

inline const wchar_t* W(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* W(char16_t* text) {
  return reinterpret_cast<wchar_t*>(text);
}
inline const char16_t* U(const wchar_t* text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline std::u16string_view U(const wchar_t* text, size_t length) {
  return std::u16string_view(U(text), length);
}
// A zero-terminated copy for system calls that take a string.
inline std::wstring WString(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

// Owns one system handle; Traits names its type, the value that owns nothing and how it is
// released.
template <typename Traits>
class UniqueHandle {
 public:
  using T = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(T handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  T get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  T Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(T handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid())
      Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  T handle_ = Traits::Invalid();
};

struct FileTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct FindTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
struct ViewTraits {
  using Type = void*;
  static void* Invalid() { return nullptr; }
  static void Close(void* view) { ::UnmapViewOfFile(view); }
};

struct HeapTraits {
  using Type = void*;
  static void* Invalid() { return nullptr; }
  static void Close(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }
};
template <typename Pointer>
struct LocalTraits {
  using Type = Pointer;
  static Pointer Invalid() { return nullptr; }
  static void Close(Pointer block) { ::LocalFree(reinterpret_cast<HLOCAL>(block)); }
};
struct IconTraits {
  using Type = HICON;
  static HICON Invalid() { return nullptr; }
  static void Close(HICON icon) { ::DestroyIcon(icon); }
};
struct ImageListTraits {
  using Type = HIMAGELIST;
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST list) { ::ImageList_Destroy(list); }
};

// A file handle: INVALID_HANDLE_VALUE owns nothing.
using UniqueFile = UniqueHandle<FileTraits>;
// A mapping, event, process or thread handle: null owns nothing.
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
// A view of a mapping. Where a view and its mapping are held together, the view is declared
// after the mapping, so that it is unmapped first.
using UniqueView = UniqueHandle<ViewTraits>;
// A directory search (FindFirstFileW): INVALID_HANDLE_VALUE owns nothing.
using UniqueFind = UniqueHandle<FindTraits>;
// A block of the process heap.
using HeapBlock = UniqueHandle<HeapTraits>;
// A block the system allocated with LocalAlloc for the caller (an argument list, a descriptor).
template <typename Pointer>
using LocalBlock = UniqueHandle<LocalTraits<Pointer>>;
// An icon loaded or created for the caller; not a shared one from LoadIcon.
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueImageList = UniqueHandle<ImageListTraits>;

}  // namespace ql
