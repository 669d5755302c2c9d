// The dictionary compiler's benchmark on a realistic package (scripts/bench-data):
//   compile_bench [--runs N] [--libime PROGRAM] [--warm-heap] [PACKAGE_DIR]
// Compiles the package's phrase table and pinyin index N times through the compilers' own entry
// points (the drivers add only the file seam and the message boxes), prints the median time and
// pages first touched of each phase and the peak memory; times libime_pinyindict on the same
// phrases and readings, and a bare floor that only reads the phrase files, parses their lines and
// sorts their keys; and times the index sort on a key shared by thousands of entries. Not a test:
// it prints figures.
#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_timing.h"
#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table.h"
#include "setup/compiler/pinyin_index.h"

namespace {

constexpr const char* kDictionaryFile = "文本词库/大词库.txt";
constexpr const char* kCharacterListFile = "文本词库/zk.txt";
constexpr const char* kSchemeFolder = "输入方案/拼音/";
constexpr const char* kLibimeInput = "libime-input.txt";

long PeakKiB(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_maxrss;
}

// Pages touched for the first time so far: each costs a trap into the system, and on this kind of
// virtual machine a dear one (about 12 to 20 us).
long FirstTouches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Times and first touches of one measurement.
struct Measured {
  Times times;
  long pages = 0;
};

// A stopwatch that also counts first touches.
class PhaseWatch {
 public:
  PhaseWatch() : pages_(FirstTouches()) {}
  Measured Elapsed() const { return Measured{watch_.Elapsed(), FirstTouches() - pages_}; }

 private:
  Stopwatch watch_;
  long pages_;
};

// Times and first touches of one phase, over the runs.
struct PhaseSeries {
  Series times;
  std::vector<double> pages;
  void Add(const Measured& m) {
    times.Add(m.times);
    pages.push_back(static_cast<double>(m.pages));
  }
};

// How the heap hands out large blocks. Cold: every block of 64 KiB or more comes fresh from the
// system and goes back when freed, so each run touches its memory for the first time, as a program
// does in its one run (the installer compiles once). Warm: the heap keeps what it had, so from the
// second run on the large buffers are reused; the work blocks are fresh mappings either way.
enum class Heap { cold, warm };

void SetHeap(Heap heap) {
  if (heap == Heap::cold) {
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024);
  } else {
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  }
}

// Messages are counted, not shown; the first few are kept for the report.
class QuietUi : public ql::Ui {
 public:
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t) override {
    if (messages.size() < 5)
      messages.push_back(ql::Utf16ToUtf8(caption) + ": " + ql::Utf16ToUtf8(text));
    ++messageCount;
    return ql::kIdOk;
  }
  void StepProgress() override { ++steps; }
  void SetStatusText(std::u16string_view text) override { status = ql::Utf16ToUtf8(text); }

  std::vector<std::string> messages;
  size_t messageCount = 0;
  size_t steps = 0;
  std::string status;
};

class NoOutputs : public ql::TextOutputs {
 public:
  std::u16string FullPath(std::u16string_view relative) const override {
    return std::u16string(relative);
  }
  bool Write(std::u16string_view, const std::vector<uint8_t>&) override { return true; }
};

std::u16string Path(const std::string& folder, const char* relative) {
  return ql::Utf8ToUtf16(folder + "/" + relative);
}

std::vector<uint8_t> Need(const std::string& folder, const char* relative) {
  std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(Path(folder, relative));
  if (!bytes) {
    std::fprintf(stderr, "compile_bench: cannot read %s/%s (run scripts/bench-data)\n",
                 folder.c_str(), relative);
    std::exit(1);
  }
  return std::move(*bytes);
}

uint64_t Fnv(const uint8_t* bytes, size_t size) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i)
    h = (h ^ bytes[i]) * 1099511628211ull;
  return h;
}

// What one compile produced, to check that every run gives the same bytes.
struct Output {
  uint64_t mainDataHash = 0;
  uint64_t indexHash = 0;
  uint32_t records = 0;
  uint32_t characters = 0;
  uint32_t mainDataSize = 0;
  ql::PinyinIndexResult index;
  Times hashing;  // time spent hashing the outputs
};

enum Phase { kRead, kPhraseTable, kWriteMain, kPinyinIndex, kWriteIndex, kPhaseCount };
const char* const kPhaseNames[kPhaseCount] = {
    "read + decode zk.txt, dictionary", "phrase table (cz.dat image)", "write cz.dat, User.dat",
    "pinyin index (mb, dycz, keys, sort)", "write qinglan.idx, User.idx"};

// One compile of the package, phase by phase, as the installation worker runs it.
bool CompileOnce(const std::string& package,
                 const std::string& out,
                 Measured phases[],
                 Output& result) {
  PhaseWatch read;
  std::u16string characterList;
  std::u16string dictionary;
  {
    std::vector<uint8_t> zk = Need(package, kCharacterListFile);
    std::vector<uint8_t> dict = Need(package, kDictionaryFile);
    characterList = ql::DecodeUtf16Le(zk.data(), zk.size());
    dictionary = ql::DecodeUtf16Le(dict.data(), dict.size());
  }
  phases[kRead] = read.Elapsed();

  PhaseWatch build;
  std::optional<ql::ScratchMapping> block;
  block.emplace(u"SecondMapinsck", ql::kMainBlockSize, u"Init", u"init");
  if (!block->ok())
    return false;
  NoOutputs outputs;
  ql::PhraseTableBuilder builder(block->data(), block->size(), ql::kMainIndexArea, outputs);
  if (!builder.AddCharacterList(characterList, u"zk.txt") ||
      !builder.AddDictionary(dictionary, false, u"大词库.txt"))
    return false;
  builder.CloseCustomCodes();
  std::optional<uint32_t> totalSize = builder.FinishMainData();
  if (!totalSize)
    return false;
  phases[kPhraseTable] = build.Elapsed();
  result.records = builder.recordCount();
  result.characters = builder.characterCount();
  result.mainDataSize = *totalSize;

  PhaseWatch writeMain;
  ql::EnsureFolder(Path(out, "词库"));
  bool written = ql::WriteFileBytes(Path(out, "词库/cz.dat"), block->data(), *totalSize);
  // The worker maps the file it wrote; the copy stands in for that mapping.
  std::vector<uint8_t> mainData(block->data(), block->data() + *totalSize);
  ql::LayOutUserData(block->data());
  written = ql::WriteFileBytes(Path(out, "User.dat"), block->data(), ql::kUserDataSize) && written;
  block.reset();
  phases[kWriteMain] = writeMain.Elapsed();
  if (!written)
    return false;

  PhaseWatch index;
  std::optional<ql::ScratchMapping> work;
  work.emplace(u"builpyidx", ql::kPinyinIndexScratchSize);
  if (!work->ok())
    return false;
  const std::string scheme = package + "/" + kSchemeFolder;
  ql::PinyinIndexSources sources;
  sources.zg = ql::ReadFileBytes(Path(scheme, "zg.txt"));
  sources.mb = ql::ReadFileBytes(Path(scheme, "mb.txt"));
  sources.dycz = ql::ReadFileBytes(Path(scheme, "dycz.txt"));
  result.index = ql::BuildPinyinIndexInBuffer(work->data(), work->size(), mainData.data(),
                                              mainData.size(), sources, false);
  if (!result.index.built)
    return false;
  ql::StorePinyinSchemeFolder(mainData.data(), mainData.size(), u"拼音");
  phases[kPinyinIndex] = index.Elapsed();

  PhaseWatch writeIndex;
  ql::EnsureFolder(Path(out, "输入方案"));
  ql::EnsureFolder(Path(out, "输入方案/拼音"));
  written = ql::WriteFileBytes(Path(out, "输入方案/拼音/qinglan.idx"), work->data(),
                               result.index.fileLength);
  std::vector<uint8_t> user = ql::LayOutUserIndex(work->data());
  written =
      ql::WriteFileBytes(Path(out, "输入方案/拼音/User.idx"), user.data(), user.size()) && written;
  phases[kWriteIndex] = writeIndex.Elapsed();

  // The check of the bytes is the benchmark's own work: its time is taken out of the compile's.
  Stopwatch hashing;
  result.mainDataHash = Fnv(mainData.data(), mainData.size());
  result.indexHash = Fnv(work->data(), result.index.fileLength);
  result.hashing = hashing.Elapsed();
  return written;
}

// The floor: read both phrase files, decode UTF-16LE, split lines at CR LF and the first space,
// parse the frequency, sort the keys. Returns the number of lines sorted.
size_t FloorOnce(const std::string& package) {
  size_t lines = 0;
  std::vector<std::u16string> texts;
  std::vector<std::pair<std::u16string_view, uint32_t>> entries;
  for (const char* name : {kCharacterListFile, kDictionaryFile}) {
    std::ifstream in(package + "/" + name, std::ios::binary | std::ios::ate);
    std::vector<char> bytes(static_cast<size_t>(std::max<std::streamoff>(0, in.tellg())));
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    texts.push_back(
        ql::DecodeUtf16Le(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
  entries.reserve(400000);
  for (const std::u16string& text : texts) {
    std::u16string_view rest(text);
    rest.remove_prefix(rest.empty() ? 0 : 1);  // byte-order mark
    while (!rest.empty()) {
      size_t end = rest.find(u'\n');
      if (end == std::u16string_view::npos)
        break;
      std::u16string_view line = rest.substr(0, end > 0 && rest[end - 1] == u'\r' ? end - 1 : end);
      rest.remove_prefix(end + 1);
      size_t space = line.find(u' ');
      if (space == 0 || space == std::u16string_view::npos)
        continue;
      uint32_t frequency = 0;
      for (char16_t c : line.substr(space + 1)) {
        if (c < u'0' || c > u'9')
          break;
        frequency = frequency * 10 + static_cast<uint32_t>(c - u'0');
      }
      entries.emplace_back(line.substr(0, space), frequency & 0xFF);
    }
  }
  std::sort(entries.begin(), entries.end());
  lines = entries.size();
  return lines;
}

// A key shared by `count` entries: that many characters, each read only "a", with frequencies
// from a fixed pseudo-random sequence. Returns the median time of the index build and whether
// the shared key's entries came out most frequent first.
Times SharedKeyOnce(size_t count, bool* ordered) {
  std::vector<uint8_t> mb =
      ql::EncodeUtf16Le(u"[Description]\r\nName=拼音\r\n", ql::Utf16Frame::kByteOrderMark);
  std::u16string zk = u"\xFEFF";
  uint32_t seed = 12345;
  for (size_t i = 0; i < count; ++i) {
    char16_t c = static_cast<char16_t>(0x4E00 + i);
    ql::AppendUtf16Le(mb, std::u16string(1, c) + u" a1\r\n");
    seed = seed * 1103515245u + 12345u;
    zk += std::u16string(1, c) + u" " + ql::DecimalText((seed >> 16) % 255 + 1) + u"\r\n";
  }
  std::vector<uint8_t> mainData;
  {
    ql::ScratchMapping block(u"SecondMapinsck", ql::kMainBlockSize, u"Init", u"init");
    NoOutputs outputs;
    ql::PhraseTableBuilder builder(block.data(), block.size(), ql::kMainIndexArea, outputs);
    builder.AddCharacterList(zk, u"zk.txt");
    std::optional<uint32_t> size = builder.FinishMainData();
    mainData.assign(block.data(), block.data() + (size ? *size : 0));
  }
  ql::ScratchMapping work(u"builpyidx", ql::kPinyinIndexScratchSize);
  ql::PinyinIndexSources sources;
  sources.mb = mb;
  Stopwatch watch;
  ql::PinyinIndexResult result = ql::BuildPinyinIndexInBuffer(
      work.data(), work.size(), mainData.data(), mainData.size(), sources, false);
  Times t = watch.Elapsed();
  *ordered = result.built && result.entryCount == count;
  const uint8_t* entryIndex = work.data() + 2934 + result.readingTableLength + result.keyAreaLength;
  int previous = 256;
  for (size_t i = 0; *ordered && i < result.entryCount; ++i) {
    uint32_t value = ql::LoadU32(entryIndex + 4 * i);
    int frequency = value < mainData.size() - 2 ? mainData[value + 2] : 256;
    *ordered = frequency <= previous;
    previous = frequency;
  }
  return t;
}

void Row(const char* name, Times t) {
  std::printf("  %-38s %9.1f ms %9.1f ms\n", name, t.wall * 1e3, t.cpu * 1e3);
}

void Row(const char* name, const PhaseSeries& series) {
  const Times t = series.times.Median();
  std::printf("  %-38s %9.1f ms %9.1f ms %9.0f\n", name, t.wall * 1e3, t.cpu * 1e3,
              Median(series.pages));
}

}  // namespace

int main(int argc, char** argv) {
  std::string package = "build/bench-data";
  std::string libime = "libime_pinyindict";
  int runs = 5;
  Heap heap = Heap::cold;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--libime" && i + 1 < argc)
      libime = argv[++i];
    else if (arg == "--warm-heap")
      heap = Heap::warm;
    else if (!arg.empty() && arg[0] != '-')
      package = arg;
    else {
      std::fprintf(stderr,
                   "usage: compile_bench [--runs N] [--libime PROGRAM] [--warm-heap] "
                   "[PACKAGE_DIR]\n");
      return 2;
    }
  }
  SetHeap(heap);
  const std::string out = package + ".out";
  ql::EnsureFolder(ql::Utf8ToUtf16(out));
  QuietUi ui;
  ql::ScopedUi scopedUi(ui);

  std::printf("compile_bench: %s, %d runs, medians (wall, processor, pages first touched)\n",
              package.c_str(), runs);
  std::printf("heap: %s\n\n",
              heap == Heap::cold
                  ? "cold (large blocks fresh from the system in every run, as in a program's one "
                    "run)"
                  : "warm (large blocks reused from the second run on; one run to warm up)");
  // Compile, floor and libime_pinyindict take turns, run by run, so that a change in the load of
  // the shared machine weighs on all three alike.
  PhaseSeries phases[kPhaseCount];
  PhaseSeries whole;
  PhaseSeries floor;
  Series libimeSeries;
  bool haveLibime = true;
  size_t floorLines = 0;
  Output first;
  const std::string libimeOut = out + "/libime.dict";
  for (int run = heap == Heap::warm ? -1 : 0; run < runs; ++run) {
    Measured once[kPhaseCount];
    Output result;
    PhaseWatch watch;
    if (!CompileOnce(package, out, once, result)) {
      std::fprintf(stderr, "compile_bench: the compile failed (%zu messages%s%s)\n",
                   ui.messageCount, ui.messages.empty() ? "" : ", first: ",
                   ui.messages.empty() ? "" : ui.messages[0].c_str());
      return 1;
    }
    Measured compileOnce = watch.Elapsed();
    compileOnce.times.wall -= result.hashing.wall;
    compileOnce.times.cpu -= result.hashing.cpu;
    if (run <= 0)
      first = result;
    else if (result.mainDataHash != first.mainDataHash || result.indexHash != first.indexHash) {
      std::fprintf(stderr, "compile_bench: run %d gave different bytes\n", run + 1);
      return 1;
    }
    PhaseWatch floorWatch;
    floorLines = FloorOnce(package);
    const Measured floorOnce = floorWatch.Elapsed();
    if (run < 0)
      continue;  // the warm-up run
    whole.Add(compileOnce);
    floor.Add(floorOnce);
    for (int p = 0; p < kPhaseCount; ++p)
      phases[p].Add(once[p]);
    if (haveLibime) {
      std::optional<Times> t = RunProgram({libime, package + "/" + kLibimeInput, libimeOut});
      if (t)
        libimeSeries.Add(*t);
      else
        haveLibime = false;
    }
  }
  const long compilePeak = PeakKiB(RUSAGE_SELF);

  std::printf("package: %u records (%u characters, %u phrases), cz.dat %u bytes\n", first.records,
              first.characters, first.records - first.characters, first.mainDataSize);
  std::printf(
      "qinglan.idx: %u bytes, %u index values, key-record area %u bytes, "
      "dycz.txt lines written %u (skipped %u)\n",
      first.index.fileLength, first.index.entryCount, first.index.keyAreaLength,
      first.index.dyczLinesWritten, first.index.dyczLinesSkipped);
  std::printf(
      "messages: %zu%s%s; every run gave the same bytes (cz.dat %016llx, qinglan.idx %016llx)\n\n",
      ui.messageCount,
      ui.messages.empty() ? "" : ", first: ", ui.messages.empty() ? "" : ui.messages[0].c_str(),
      static_cast<unsigned long long>(first.mainDataHash),
      static_cast<unsigned long long>(first.indexHash));

  std::printf("  %-38s %12s %12s %9s\n", "phase", "wall", "processor", "pages");
  for (int p = 0; p < kPhaseCount; ++p)
    Row(kPhaseNames[p], phases[p]);
  const Times compile = whole.times.Median();
  Row("whole compile", whole);
  std::printf("  peak memory (ru_maxrss) after the compiles: %.1f MiB\n\n", compilePeak / 1024.0);

  const Times floorTime = floor.times.Median();
  Row("floor: read, decode, parse, sort", floor);
  std::printf("  (%zu lines)\n", floorLines);

  const Times libimeTime = libimeSeries.Median();
  if (!haveLibime || libimeSeries.wall.empty()) {
    haveLibime = false;
    std::printf("  %s could not run (install libime-bin); no ratio\n", libime.c_str());
  } else {
    Row("libime_pinyindict, same phrases", libimeTime);
    const long kib =
        PeakKiBOfProgram({libime, package + "/" + kLibimeInput, libimeOut}, out + "/libime.peak");
    if (kib > 0)
      std::printf("  libime_pinyindict peak memory (ru_maxrss): %.1f MiB\n", kib / 1024.0);
  }

  std::printf("\nshared key (one pinyin key, N entries; index build, equal keys by frequency)\n");
  double previousCpu = 0;
  for (size_t count : {5000u, 10000u, 20000u}) {
    Series shared;
    bool ordered = true;
    for (int run = 0; run < runs; ++run) {
      bool ok = false;
      shared.Add(SharedKeyOnce(count, &ok));
      ordered = ordered && ok;
    }
    Times t = shared.Median();
    double perEntry = t.cpu / static_cast<double>(count) * 1e6;
    char growth[48] = "first size";
    if (previousCpu > 0)
      std::snprintf(growth, sizeof growth, "x%.2f for twice the entries", t.cpu / previousCpu);
    std::printf("  N = %5zu: %8.2f ms wall %8.2f ms processor, %6.2f us per entry, %s, %s\n", count,
                t.wall * 1e3, t.cpu * 1e3, perEntry, growth,
                ordered ? "most frequent first" : "NOT IN FREQUENCY ORDER");
    previousCpu = t.cpu;
  }

  std::printf("\ntargets (processor time; wall time in brackets)\n");
  const double floorRatio = compile.cpu / floorTime.cpu;
  std::printf("  whole compile / floor:              %5.2fx (%5.2fx)  target <= 2x: %s\n",
              floorRatio, compile.wall / floorTime.wall, floorRatio <= 2 ? "met" : "NOT met");
  if (haveLibime) {
    const double libimeRatio = libimeTime.cpu / compile.cpu;
    std::printf("  libime_pinyindict / whole compile:  %5.2fx (%5.2fx)  target >= 3x: %s\n",
                libimeRatio, libimeTime.wall / compile.wall, libimeRatio >= 3 ? "met" : "NOT met");
  }
  return 0;
}
