// The whole worker on the sample package, once cleanly and then once for every file operation of
// that run made to fail (each open, write, flush and rename in turn) or cut short (each write):
// whatever fails, the user is told, no file is left half written or under a temporary name,
// nothing is written outside the package, target and system folders, and a run that reports
// success without a word leaves exactly the files of the clean run.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "setup/common/file_faults.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/flow/install_selection.h"
#include "setup/install/installation.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/package_move.h"
#include "setup/model/install_record.h"
#include "setup/model/manifest.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

// Fails the `at`-th operation of one kind, or cuts the `at`-th write to half its bytes; counts
// every operation.
class SweptFault : public FileFaults {
 public:
  enum class Kind { kNone, kFail, kCut };
  SweptFault(Kind kind = Kind::kNone, FileOperation operation = FileOperation::kOpen, int at = 0)
      : kind_(kind), operation_(operation), at_(at) {}

  bool Allow(FileOperation operation, const std::string& path) override {
    const int n = ++counts[static_cast<int>(operation)];
    if (operation == FileOperation::kWrite)
      lastWritten_ = path;
    if (kind_ == Kind::kFail && operation == operation_ && n == at_) {
      met = path;
      return false;
    }
    return true;
  }
  size_t BytesWritten(size_t size) override {
    const bool cut = kind_ == Kind::kCut && counts[static_cast<int>(FileOperation::kWrite)] == at_;
    if (cut)
      met = lastWritten_;
    return cut ? size / 2 : size;
  }

  int counts[4] = {};
  // The file the fault met.
  std::string met;

 private:
  Kind kind_;
  FileOperation operation_;
  int at_;
  std::string lastWritten_;
};

// Every file under `root`, by its path relative to it, with its bytes.
using Tree = std::map<std::string, std::vector<uint8_t>>;
Tree ReadTree(const fs::path& root) {
  Tree tree;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream in(entry.path(), std::ios::binary);
    tree[fs::relative(entry.path(), root).string()] =
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  return tree;
}

struct Outcome {
  // The package as it was before the run.
  Tree package;
  bool completed = false;
  std::vector<std::u16string> messages;
  Tree files;
};

// The paths of the run are drive paths ("C:\包\"), which the host seam finds as relative paths
// below the folder the run works in.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~WorkingFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

Outcome Install(FileFaults& faults) {
  test::TempFolder temp;
  const fs::path root = Utf16ToUtf8(temp.path());
  const fs::path drive = root / "C:";
  fs::create_directories(drive / "系统");
  // The sample's texts in the package's form, as the package script makes them.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(QL_SAMPLE_PACKAGE)) {
    const fs::path to = drive / "包" / fs::relative(entry.path(), QL_SAMPLE_PACKAGE);
    if (entry.is_directory()) {
      fs::create_directories(to);
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::vector<uint8_t> bytes = test::Utf16File(text);
    std::ofstream(to, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // The programs the package brings (their content does not matter here).
  for (const char* program : {"setup.exe", "qlsrfpt.ime", "TOOL/QLTOOL.dll"}) {
    fs::create_directories((drive / "包" / program).parent_path());
    std::ofstream(drive / "包" / program, std::ios::binary) << std::string(4096, 'M');
  }
  WorkingFolder working(root);
  Outcome outcome;
  outcome.package = ReadTree(root);

  MemoryRegistry registry;
  ScopedRegistry scopedRegistry(registry);
  for (RegHandle hive : {kHkeyLocalMachine, kHkeyCurrentUser}) {
    RegKey key;
    registry.CreateKey(hive, kCurrentVersionPath, kKeyAllAccess, key.Receive());
  }
  {
    RegKey key;
    registry.CreateKey(kHkeyLocalMachine, kLayoutsKeyPath, kKeyAllAccess, key.Receive());
  }
  test::RecordingUi ui;
  ScopedUi scopedUi(ui);

  auto record = std::make_unique<SetupState>();
  SetupState& state = *record;
  state.packageFolder.Assign(u"C:\\包\\");
  ReadSetupManifest(state.packageFolder.view(), state);
  const TreeMarks marks = InitialMarks(state);
  const std::u16string name = ComposeDisplayName(state, marks);

  {
    ScopedFileFaults scopedFaults(faults);
    InstallationSteps steps = PortableInstallationSteps(state);
    steps.folderFieldText = [] { return std::u16string(u"C:\\青岚"); };
    steps.nameFieldText = [&name] { return name; };
    steps.collectSelection = [&state, &marks] { CollectMarks(state, marks, false); };
    steps.programPath = [] { return std::u16string(u"C:\\包\\setup.exe"); };
    steps.movePackage = [](std::u16string_view from, std::u16string_view to) {
      return MovePackageFolder(PlatformPackageMoveSystem(), from, to);
    };
    steps.setCurrentDirectory = [](std::u16string_view) {};
    // The same module name in every run.
    steps.chooseModuleFileName = [&state](std::u16string_view setupIni) {
      LayoutSystem system = PlatformLayoutSystem();
      system.tickCount = [] { return 0x00B1A894u; };
      ChooseModuleFileName(state, setupIni, system);
    };
    steps.mappingExists = [](std::u16string_view) { return false; };
    steps.systemFolder = [] { return std::u16string(u"C:\\系统"); };
    RunInstallation(state, steps);
  }
  outcome.completed = state.installCompleted == 1;
  for (const test::RecordingUi::Message& message : ui.messages)
    outcome.messages.push_back(message.caption + u": " + message.text);
  outcome.files = ReadTree(root);
  return outcome;
}

std::string Describe(const Outcome& outcome) {
  std::string text = outcome.completed ? "completed" : "not completed";
  for (const std::u16string& message : outcome.messages)
    text += "\n  told: " + Utf16ToUtf8(message);
  return text;
}

TEST(InstallationFaults, EveryFileOperationFailingOrCutIsToldAndLeavesNoDamagedFile) {
  SweptFault counting;
  const Outcome clean = Install(counting);
  ASSERT_TRUE(clean.completed) << Describe(clean);
  ASSERT_TRUE(clean.messages.empty()) << Describe(clean);
  ASSERT_TRUE(clean.files.count("C:/青岚/词库/cz.dat") + clean.files.count("C:/青岚/cz.dat"));

  const char* const kNames[] = {"open", "write", "flush", "rename"};
  int runs = 0;
  for (SweptFault::Kind kind : {SweptFault::Kind::kFail, SweptFault::Kind::kCut}) {
    for (int op = 0; op < 4; ++op) {
      if (kind == SweptFault::Kind::kCut && op != static_cast<int>(FileOperation::kWrite))
        continue;
      for (int at = 1; at <= counting.counts[op]; ++at) {
        SCOPED_TRACE(std::string(kind == SweptFault::Kind::kCut ? "cut " : "fail ") + kNames[op] +
                     " #" + std::to_string(at));
        SweptFault fault(kind, static_cast<FileOperation>(op), at);
        const Outcome run = Install(fault);
        SCOPED_TRACE("at " + fault.met);
        ++runs;
        // A stop, or a file unlike the clean run's, is never without a word to the user.
        if (!run.completed) {
          EXPECT_FALSE(run.messages.empty()) << "stopped silently";
        }
        for (const auto& [path, bytes] : run.files) {
          EXPECT_TRUE(path.rfind("C:/", 0) == 0) << path << " written outside the drive";
          EXPECT_EQ(path.find(".ql-new"), std::string::npos) << path << " left behind";
          // What is left of the package is as it was.
          auto original = run.package.find(path);
          if (original != run.package.end() && original->second == bytes)
            continue;
          auto expected = clean.files.find(path);
          if (expected == clean.files.end()) {
            ADD_FAILURE() << path << " is not a file of the clean run";
          } else if (expected->second != bytes && run.messages.empty()) {
            ADD_FAILURE() << path << " differs from the clean run's without a word; "
                          << Describe(run);
          }
        }
        if (run.completed && run.messages.empty()) {
          for (const auto& [path, bytes] : clean.files)
            EXPECT_EQ(run.files.count(path), 1u) << path << " missing without a word";
        }
      }
    }
  }
  EXPECT_GT(runs, 50);
  std::printf(
      "%d runs, each with one of %d opens, %d writes, %d flushes, %d renames failing or "
      "a write cut\n",
      runs, counting.counts[0], counting.counts[1], counting.counts[2], counting.counts[3]);
}

}  // namespace
}  // namespace ql
