// Helpers shared by the tests: UTF-16 files in the package's format, a recording message sink,
// and a fresh temporary folder per test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/ui.h"

namespace ql::test {

// UTF-16LE bytes with byte-order mark of UTF-8 text whose LF line ends become CR LF.
std::vector<uint8_t> Utf16File(std::string_view utf8Text);
// UTF-16LE bytes of a text as given: no byte-order mark added, line ends untouched.
std::vector<uint8_t> RawUtf16(std::u16string_view text);

// Records every message and progress step instead of showing them.
class RecordingUi : public Ui {
 public:
  struct Message {
    std::u16string text;
    std::u16string caption;
    uint32_t style;
  };
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override {
    messages.push_back({std::u16string(text), std::u16string(caption), style});
    return kIdOk;
  }
  void StepProgress() override { ++steps; }
  void SetStatusText(std::u16string_view text) override { statusTexts.emplace_back(text); }

  std::vector<Message> messages;
  std::vector<std::u16string> statusTexts;
  int steps = 0;
};

// A new empty folder for one test, removed with its content afterwards. Its path ends in the
// platform's separator ('\' on Windows, '/' elsewhere).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::u16string& path() const { return path_; }
  // Writes a file below the folder (creating subfolders), path relative with '\' separators.
  void Write(std::u16string_view relative, const std::vector<uint8_t>& bytes) const;

 private:
  std::u16string path_;
};

}  // namespace ql::test
