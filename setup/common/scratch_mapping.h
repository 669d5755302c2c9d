// ScratchMapping: a large zero-filled work area for one compiler at a time. On Windows it is a
// named block of shared memory backed by the page file; on the host an anonymous mapping, so host
// tests never share one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

// Sizes the compilers ask for.
constexpr size_t kPinyinIndexScratchSize = 104857600;  // "builpyidx"
constexpr size_t kCustomInputScratchSize = 1048576;    // "builzdysort"

class ScratchMapping {
 public:
  // Creates and maps the block. On failure the user is told ("can not create filemappinga" when
  // the block cannot be created, "can not create filemappingb" when it cannot be mapped, with the
  // block's name as caption) and the object holds no block.
  ScratchMapping(std::u16string_view name, size_t size);
  // The same with the captions of the two failure messages given by the caller, for a compiler
  // whose messages name its step rather than the block.
  ScratchMapping(std::u16string_view name,
                 size_t size,
                 std::u16string_view createFailedCaption,
                 std::u16string_view mapFailedCaption);
  ~ScratchMapping();
  ScratchMapping(const ScratchMapping&) = delete;
  ScratchMapping& operator=(const ScratchMapping&) = delete;

  bool ok() const { return view_ != nullptr; }
  uint8_t* data() const { return view_; }
  size_t size() const { return size_; }
  // Unmaps the view and closes the block now.
  void Release();

  // Whether a block exists in this process; only one may exist at a time.
  static bool Active();

 private:
  void* handle_ = nullptr;
  uint8_t* view_ = nullptr;
  size_t size_ = 0;
};

// The platform half. CreateScratchBlock returns false with *mapFailed = false when the block cannot
// be created, and with *mapFailed = true when it was created but cannot be mapped (the block is
// then already released). *existed tells that a block of this name was already there, so its
// content is not known to be zero.
bool CreateScratchBlock(std::u16string_view name,
                        size_t size,
                        void** handle,
                        uint8_t** view,
                        bool* existed,
                        bool* mapFailed);
void ReleaseScratchBlock(void* handle, uint8_t* view, size_t size);

}  // namespace ql
