// Windows-only owners for COM: the initialisation of a thread, one interface reference, and a
// block the COM task allocator (the shell's allocator) handed to the caller.
#pragma once

#include <objbase.h>
#include <ole2.h>

#include <utility>

#include "setup/common/win.h"

namespace ql {

// COM initialised on this thread, apartment-threaded, for the owner's lifetime; uninitialised
// only when the initialisation succeeded (S_FALSE, already initialised, counts: it must be
// balanced as well).
class ComScope {
 public:
  ComScope() : status_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(status_))
      ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT status() const { return status_; }

 private:
  HRESULT status_;
};

// The same for OLE, which some shell dialogs need on the calling thread.
class OleScope {
 public:
  OleScope() : status_(::OleInitialize(nullptr)) {}
  ~OleScope() {
    if (SUCCEEDED(status_))
      ::OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  HRESULT status() const { return status_; }

 private:
  HRESULT status_;
};

// One reference to a COM interface, released with the owner. Declare it after the ComScope of
// its thread, so that it is released before COM is.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Releases what is held and lends the slot to a call that returns a new reference through a
  // void** (CoCreateInstance, QueryInterface).
  void** Receive() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void Reset() {
    if (pointer_ != nullptr)
      std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

template <typename Pointer>
struct CoTaskMemTraits {
  using Type = Pointer;
  static Pointer Invalid() { return nullptr; }
  static void Close(Pointer block) { ::CoTaskMemFree(block); }
};
// A block from the COM task allocator, such as an item list the shell returns.
template <typename Pointer>
using CoTaskMemBlock = UniqueHandle<CoTaskMemTraits<Pointer>>;

}  // namespace ql
