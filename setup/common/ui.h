// The user-facing seam: message boxes without owner, and the install dialog's progress bar and
// status line. On Windows these are MessageBoxW and messages to the install dialog; tests install
// a recorder with ScopedUi.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

// Message box styles and answers, with the system's values so they pass through unchanged.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconWarning = 0x30;
constexpr uint32_t kMbIconInformation = 0x40;
constexpr int kIdOk = 1;

class Ui {
 public:
  virtual ~Ui() = default;
  // A message box without owner window; returns the button pressed.
  virtual int ShowMessage(std::u16string_view text,
                          std::u16string_view caption,
                          uint32_t style) = 0;
  // One step of the install dialog's progress bar.
  virtual void StepProgress() = 0;
  // The install dialog's status text.
  virtual void SetStatusText(std::u16string_view text) = 0;
  // A step of the run, for a log; shown nowhere.
  virtual void Note(std::u16string_view) {}
};

// The sink in force: the platform's own unless a ScopedUi replaced it.
Ui& TheUi();

class ScopedUi {
 public:
  explicit ScopedUi(Ui& ui);
  ~ScopedUi();
  ScopedUi(const ScopedUi&) = delete;
  ScopedUi& operator=(const ScopedUi&) = delete;

 private:
  Ui* previous_;
};

// The platform's sink; defined once per platform.
Ui& PlatformUi();

}  // namespace ql
