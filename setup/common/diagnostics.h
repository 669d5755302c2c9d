// Where the readers of a package's files report what they skip, cut, drop or cannot read, with
// the file and line it happened on. The installer passes no sink and its readers behave as they
// always did; qlc passes one, so that what an installation would lose is said, line by line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ql {

enum class Severity {
  kWarning,  // the build goes on without what the line held
  kError,    // the build cannot give what the package describes
};

class Diagnostics {
 public:
  virtual ~Diagnostics() = default;
  // `file` is the full path the reader read; `line` counts from 1, 0 for the file as a whole.
  // `kind` is a short fixed name that groups problems of one sort; `text` is UTF-8.
  virtual void Report(Severity severity,
                      std::u16string_view file,
                      size_t line,
                      std::string_view kind,
                      std::string_view text) = 0;
};

// One file's view of a sink, as the text readers take it; without a sink it reports nothing.
class FileDiagnostics {
 public:
  FileDiagnostics() = default;
  FileDiagnostics(Diagnostics* sink, std::u16string file) : sink_(sink), file_(std::move(file)) {}

  // True when there is a sink: the caller then leaves out what it would otherwise show itself.
  bool active() const { return sink_ != nullptr; }
  const std::u16string& file() const { return file_; }

  // Each returns active().
  bool Warning(size_t line, std::string_view kind, std::string_view text) const {
    return Report(Severity::kWarning, line, kind, text);
  }
  bool Error(size_t line, std::string_view kind, std::string_view text) const {
    return Report(Severity::kError, line, kind, text);
  }

 private:
  bool Report(Severity severity, size_t line, std::string_view kind, std::string_view text) const {
    if (sink_ != nullptr)
      sink_->Report(severity, file_, line, kind, text);
    return sink_ != nullptr;
  }

  Diagnostics* sink_ = nullptr;
  std::u16string file_;
};

}  // namespace ql
