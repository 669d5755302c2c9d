// qlc's import, export and query on the realistic package (scripts/bench-data):
//   qlc_bench [--runs N] [--qlc PROGRAM] [--libime PROGRAM] [--keys N] [PACKAGE_DIR]
// Times `qlc import` of the open dictionary the package was made from (the arguments are in
// PACKAGE_DIR/import-args.txt) and `qlc export` of the package's compiled cz.dat, each taking
// turns run by run with libime_pinyindict compiling the same phrases, and checks that every
// import gives the package's bytes and that the export compiles back byte for byte. Then types N
// keys of the package's pinyin index (whole syllables, a last syllable begun, abbreviations) and
// prints the time of each answer. Not a test: it prints figures.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/pinyin_query.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kImportArgs = "import-args.txt";
constexpr const char* kLibimeInput = "libime-input.txt";
constexpr const char* kMainData = "词库/cz.dat";
constexpr const char* kPinyinIndex = "输入方案/拼音/qinglan.idx";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "qlc_bench: %s\n", what.c_str());
  std::exit(1);
}

std::vector<uint8_t> Need(const fs::path& file) {
  std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(ql::Utf8ToUtf16(file.string()));
  if (!bytes)
    Fail("cannot read " + file.string());
  return std::move(*bytes);
}

// Times a run of a program that must succeed; its output goes to `log`.
Times Timed(const std::vector<std::string>& argv, const fs::path& log) {
  std::optional<Times> t = RunProgram(argv, log.string());
  if (!t)
    Fail(argv[0] + " " + argv[1] + " failed; see " + log.string());
  return *t;
}

// Every file under `made` has the same bytes under `reference`. Returns the number of files.
size_t SameFiles(const fs::path& made, const fs::path& reference) {
  size_t files = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(made)) {
    if (!entry.is_regular_file())
      continue;
    const fs::path relative = fs::relative(entry.path(), made);
    if (Need(entry.path()) != Need(reference / relative))
      Fail("the import wrote another " + relative.string() + " than the package holds");
    ++files;
  }
  return files;
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(share * values.size()))];
}

// The typed forms of the keys: whole syllables joined by apostrophes, the last syllable only
// begun, or every syllable by its initial (abbreviated pinyin).
enum KeyKind { kWhole, kBegun, kInitials, kKindCount };
const char* const kKindNames[kKindCount] = {"whole syllables", "last syllable begun",
                                            "initials only"};

struct TypedKey {
  KeyKind kind;
  std::string typed;
  size_t expected;  // whole syllables: the index's entries of that key
};

// `count` keys of the index, picked by a fixed pseudo-random sequence: seven in ten typed whole,
// two with the last syllable begun, one by initials.
std::vector<TypedKey> PickKeys(const std::vector<ql::QueryCandidate>& all, size_t count) {
  struct Run {
    size_t first;
    size_t length;
  };
  std::vector<Run> keys;
  for (size_t i = 0; i < all.size(); ++i) {
    if (keys.empty() || all[i].key != all[keys.back().first].key)
      keys.push_back(Run{i, 0});
    ++keys.back().length;
  }
  std::vector<TypedKey> picked;
  uint32_t seed = 20261209;
  for (size_t i = 0; i < count && !keys.empty(); ++i) {
    seed = seed * 1103515245u + 12345u;
    const Run& run = keys[(seed >> 8) % keys.size()];
    const std::vector<ql::SyllableCode>& key = all[run.first].key;
    const KeyKind kind = i % 10 < 7 ? kWhole : i % 10 < 9 ? kBegun : kInitials;
    std::vector<ql::QuerySyllable> pattern;
    for (size_t s = 0; s < key.size(); ++s) {
      const bool initial = kind == kInitials || (kind == kBegun && s + 1 == key.size());
      pattern.push_back(ql::QuerySyllable{initial ? ql::SyllableCode(key[s] & 0xFF) : key[s]});
    }
    picked.push_back(TypedKey{kind, ql::SpellPattern(pattern), run.length});
  }
  return picked;
}

void Row(const char* name, Times t) {
  std::printf("  %-38s %9.1f ms %9.1f ms\n", name, t.wall * 1e3, t.cpu * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path package = "build/bench-data";
  std::string qlc = (fs::path(argv[0]).parent_path() / "../tools/qlc/qlc").string();
  std::string libime = "libime_pinyindict";
  int runs = 5;
  size_t keyCount = 10000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--qlc" && i + 1 < argc)
      qlc = argv[++i];
    else if (arg == "--libime" && i + 1 < argc)
      libime = argv[++i];
    else if (arg == "--keys" && i + 1 < argc)
      keyCount = static_cast<size_t>(std::max(1, std::atoi(argv[++i])));
    else if (!arg.empty() && arg[0] != '-')
      package = arg;
    else {
      std::fprintf(stderr,
                   "usage: qlc_bench [--runs N] [--qlc PROGRAM] [--libime PROGRAM] [--keys N] "
                   "[PACKAGE_DIR]\n");
      return 2;
    }
  }
  std::vector<std::string> importArgs = {qlc, "import"};
  {
    std::ifstream in(package / kImportArgs);
    for (std::string line; std::getline(in, line);)
      importArgs.push_back(line);
    if (importArgs.size() < 3)
      Fail("no " + (package / kImportArgs).string() + " (run scripts/bench-data again)");
  }
  const fs::path work = package.string() + ".qlc";
  const fs::path tree = work / "tree";
  const fs::path imported = work / "import";
  const fs::path exported = work / "export";
  fs::remove_all(work);
  fs::create_directories(work);
  std::vector<std::string> importRun = importArgs;
  importRun.insert(importRun.end(), {"--out", imported.string()});

  // The compiled tree that export and query read, from a first import: the package without the
  // benchmark's own files beside it (qlc compile takes every .txt of a package as the system's).
  Timed(importRun, work / "import.log");
  SameFiles(imported, package);
  Timed({qlc, "compile", imported.string(), "--out", tree.string()}, work / "compile.log");

  std::printf("qlc_bench: %s, %d runs, medians (wall, processor)\n", package.c_str(), runs);
  std::printf("import: qlc");
  for (size_t i = 1; i < importArgs.size(); ++i)
    std::printf(" %s", importArgs[i].c_str());
  std::printf(" --out DIR\nexport: qlc export %s --out DIR\n\n", (tree / kMainData).c_str());

  // Import, export and libime_pinyindict take turns, run by run, so that a change in the load of
  // the shared machine weighs on all three alike.
  Series importSeries;
  Series exportSeries;
  Series libimeSeries;
  bool haveLibime = true;
  const std::vector<std::string> exportRun = {qlc, "export", (tree / kMainData).string(), "--out",
                                              exported.string()};
  const std::vector<std::string> libimeRun = {libime, (package / kLibimeInput).string(),
                                              (work / "libime.dict").string()};
  size_t importedFiles = 0;
  for (int run = 0; run < runs; ++run) {
    fs::remove_all(imported);
    importSeries.Add(Timed(importRun, work / "import.log"));
    importedFiles = SameFiles(imported, package);
    fs::remove_all(exported);
    exportSeries.Add(Timed(exportRun, work / "export.log"));
    if (haveLibime) {
      std::optional<Times> t = RunProgram(libimeRun, (work / "libime.log").string());
      if (t)
        libimeSeries.Add(*t);
      else
        haveLibime = false;
    }
  }
  // The export's own proof: it compiles what it wrote and compares with the tree, byte for byte.
  fs::remove_all(exported);
  std::vector<std::string> verifyRun = exportRun;
  verifyRun.push_back("--verify");
  const Times verify = Timed(verifyRun, work / "verify.log");

  const Times importTime = importSeries.Median();
  const Times exportTime = exportSeries.Median();
  std::printf("  %-38s %12s %12s\n", "", "wall", "processor");
  Row("qlc import (rime, weights)", importTime);
  std::printf("    every run wrote the package's bytes (%zu files)\n", importedFiles);
  Row("qlc export (cz.dat to a package)", exportTime);
  Row("qlc export --verify, once", verify);
  std::printf("    the export compiles back to the tree byte for byte\n");
  // Peak memory, each program on an empty output folder as in the timed runs.
  fs::remove_all(imported);
  const long importKiB =
      PeakKiBOfProgram(importRun, (work / "peak").string(), (work / "import.log").string());
  fs::remove_all(exported);
  const long exportKiB =
      PeakKiBOfProgram(exportRun, (work / "peak").string(), (work / "export.log").string());
  std::printf("  peak memory (ru_maxrss): import %.1f MiB, export %.1f MiB", importKiB / 1024.0,
              exportKiB / 1024.0);
  const Times libimeTime = libimeSeries.Median();
  if (!haveLibime || libimeSeries.wall.empty()) {
    haveLibime = false;
    std::printf("\n  %s could not run (install libime-bin); no ratio\n", libime.c_str());
  } else {
    const long libimeKiB =
        PeakKiBOfProgram(libimeRun, (work / "peak").string(), (work / "libime.log").string());
    std::printf(", libime_pinyindict %.1f MiB\n", libimeKiB / 1024.0);
    Row("libime_pinyindict, same phrases", libimeTime);
  }

  // Query: every answer is timed on its own, the parse of the typed pinyin included; the files
  // are read once, as qlc query reads them once for all its keys.
  const std::vector<uint8_t> mainData = Need(tree / kMainData);
  const std::vector<uint8_t> index = Need(tree / kPinyinIndex);
  const ql::QueryResult all = ql::ListPinyinIndex(index, mainData);
  if (!all.ok)
    Fail("the compiled pinyin index cannot be listed: " + all.problem);
  const std::vector<TypedKey> keys = PickKeys(all.candidates, keyCount);
  std::vector<double> times[kKindCount];
  std::vector<double> allTimes;
  size_t candidates[kKindCount] = {};
  for (const TypedKey& key : keys) {
    Stopwatch watch;
    std::string error;
    const std::vector<ql::QuerySyllable> pattern = ql::ParsePinyinQuery(key.typed, &error);
    const ql::QueryResult answer = ql::QueryPinyinIndex(index, mainData, pattern);
    const double seconds = watch.Elapsed().wall;
    if (!error.empty() || !answer.ok)
      Fail("query " + key.typed + ": " + error + answer.problem);
    if (key.kind == kWhole && answer.candidates.size() != key.expected)
      Fail("query " + key.typed + " gave " + std::to_string(answer.candidates.size()) +
           " candidates, the index holds " + std::to_string(key.expected));
    times[key.kind].push_back(seconds);
    allTimes.push_back(seconds);
    candidates[key.kind] += answer.candidates.size();
  }
  std::printf("\nquery: %zu keys of %zu index values, each answer timed (wall)\n", keys.size(),
              all.candidates.size());
  std::printf("  %-24s %6s %11s %9s %9s %9s %9s\n", "typed", "keys", "candidates", "median", "90%",
              "99%", "max");
  for (int kind = 0; kind < kKindCount; ++kind) {
    const std::vector<double>& t = times[kind];
    std::printf("  %-24s %6zu %11.1f %6.3f ms %6.3f ms %6.3f ms %6.3f ms\n", kKindNames[kind],
                t.size(), t.empty() ? 0.0 : static_cast<double>(candidates[kind]) / t.size(),
                Median(t) * 1e3, Percentile(t, 0.9) * 1e3, Percentile(t, 0.99) * 1e3,
                Percentile(t, 1.0) * 1e3);
  }
  const double queryMedian = Median(allTimes);
  std::printf("  %-24s %6zu %11s %6.3f ms %6.3f ms %6.3f ms %6.3f ms\n", "all", allTimes.size(), "",
              queryMedian * 1e3, Percentile(allTimes, 0.9) * 1e3, Percentile(allTimes, 0.99) * 1e3,
              Percentile(allTimes, 1.0) * 1e3);
  std::printf("  every answer to whole syllables held exactly the index's entries of its key\n");

  std::printf("\ntargets (processor time; wall time in brackets)\n");
  if (haveLibime) {
    const double importRatio = importTime.cpu / libimeTime.cpu;
    const double exportRatio = exportTime.cpu / libimeTime.cpu;
    std::printf("  qlc import / libime_pinyindict:  %5.2fx (%5.2fx)  target <= 1x: %s\n",
                importRatio, importTime.wall / libimeTime.wall,
                importRatio <= 1 ? "met" : "NOT met");
    std::printf("  qlc export / libime_pinyindict:  %5.2fx (%5.2fx)  target <= 1x: %s\n",
                exportRatio, exportTime.wall / libimeTime.wall,
                exportRatio <= 1 ? "met" : "NOT met");
  }
  std::printf("  query, median of %zu keys:      %6.3f ms          target <= 1 ms: %s\n",
              allTimes.size(), queryMedian * 1e3, queryMedian <= 1e-3 ? "met" : "NOT met");
  return 0;
}
