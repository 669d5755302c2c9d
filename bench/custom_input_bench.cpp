// The custom-input sort's benchmark: 262,144 entries, the work area's limit, on texts from
// distinct codes to thousands of identical lines, where every comparison of two entries runs on
// to the end of the file.
//   custom_input_bench [--runs N]
// Prints the median time of the index build (scan, sort, layout) for each text, checks the order
// it gives, times the whole step on files (mapping, work area, index files), and shows what a
// plain comparison sort costs on identical lines. Not a test: it prints figures.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table_format.h"

namespace {

constexpr uint32_t kEntries = ql::kMaxCustomInputEntries;

// UTF-16LE text built line by line; every line gets CR LF.
class TextBuilder {
 public:
  TextBuilder() { Add(u"\xFEFF"); }
  void Add(std::u16string_view units) { ql::AppendUtf16Le(bytes_, units); }
  void Line(std::u16string_view units) {
    Add(units);
    Add(u"\r\n");
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

std::u16string RandomCode(std::mt19937& random) {
  std::u16string code;
  for (size_t n = 2 + random() % 5; n > 0; --n)
    code.push_back(static_cast<char16_t>(u'a' + random() % 26));
  return code;
}

std::u16string RandomWords(std::mt19937& random) {
  std::u16string words;
  for (size_t n = 2 + random() % 9; n > 0; --n)
    words.push_back(static_cast<char16_t>(0x4E00 + random() % 0x5000));
  return words;
}

struct Input {
  const char* name;
  ql::CustomInputList list;
  std::vector<uint8_t> text;
  // Every entry the same text up to the next entry: each text is the next one with one more
  // entry in front, so the order is by descending offset.
  bool identicalEntries;
};

std::vector<Input> MakeInputs() {
  std::mt19937 random(262144);
  std::vector<Input> inputs;
  {
    TextBuilder b;
    for (uint32_t i = 0; i < kEntries; ++i)
      b.Line(RandomCode(random) + u"=" + RandomWords(random));
    inputs.push_back({"zdybm, random codes", ql::CustomInputList::kCodes, b.Take(), false});
  }
  {
    TextBuilder b;
    for (uint32_t i = 0; i < kEntries; ++i)
      b.Line(u"ql=青岚输入法平台");
    inputs.push_back(
        {"zdybm, one line 262,144 times", ql::CustomInputList::kCodes, b.Take(), true});
  }
  {
    // Runs of 4,096 identical lines between random ones, and comment lines without "=".
    TextBuilder b;
    std::u16string repeated;
    for (uint32_t i = 0; i < kEntries; ++i) {
      if (i % 4096 == 0)
        repeated = RandomCode(random) + u"=" + RandomWords(random);
      b.Line(i % 8 == 0 ? RandomCode(random) + u"=" + RandomWords(random) : repeated);
      if (i % 64 == 0)
        b.Line(u"; a comment line");
    }
    inputs.push_back({"zdybm, runs of 4,096 lines", ql::CustomInputList::kCodes, b.Take(), false});
  }
  {
    TextBuilder b;
    b.Line(u"自定义短文");
    for (uint32_t i = 0; i < kEntries; ++i) {
      b.Line(u"$$$$$$$$$$$$$$$$$$$$");
      b.Line(RandomCode(random));
      b.Line(RandomWords(random));
      b.Line(RandomWords(random));
    }
    inputs.push_back({"zdydw, random blocks", ql::CustomInputList::kTexts, b.Take(), false});
  }
  {
    TextBuilder b;
    b.Line(u"自定义短文");
    for (uint32_t i = 0; i < kEntries; ++i) {
      b.Line(u"$$$$$$$$$$$$$$$$$$$$");
      b.Line(u"qm");
      b.Line(u"青岚工作室");
    }
    inputs.push_back(
        {"zdydw, one block 262,144 times", ql::CustomInputList::kTexts, b.Take(), false});
  }
  return inputs;
}

std::vector<uint32_t> IndexOf(const std::vector<uint8_t>& work, uint32_t count) {
  std::vector<uint32_t> offsets(count);
  for (uint32_t i = 0; i < count; ++i)
    offsets[i] = ql::LoadU32(work.data() + 4 * i);
  return offsets;
}

// Checks the order: all of it where the entries repeat one text (the later the offset, the
// shorter the text, the earlier it sorts); elsewhere 2,000 adjacent pairs picked at random
// against the plain comparison, which may run on through thousands of lines.
bool OrderHolds(const Input& input, const std::vector<uint32_t>& index) {
  if (input.identicalEntries)
    return std::is_sorted(index.rbegin(), index.rend());
  std::mt19937 random(7);
  for (int k = 0; k < 2000 && index.size() > 1; ++k) {
    size_t i = 1 + random() % (index.size() - 1);
    int order =
        ql::CompareCustomInputTexts(input.text.data(), input.text.size(), index[i - 1], index[i]);
    if (order > 0 || (order == 0 && index[i - 1] > index[i]))
      return false;
  }
  return true;
}

// A plain stable comparison sort of `lines` identical entries, and the index build on the same.
void PlainSortOnIdenticalLines() {
  std::printf(
      "\nidentical lines \"ql=青岚输入法平台\": plain comparison sort against the index build\n");
  std::printf("%10s %14s %14s\n", "lines", "plain sort", "index build");
  for (uint32_t lines : {1024u, 2048u, 4096u, 8192u}) {
    TextBuilder b;
    for (uint32_t i = 0; i < lines; ++i)
      b.Line(u"ql=青岚输入法平台");
    std::vector<uint8_t> text = b.Take();
    std::vector<uint32_t> offsets = ql::CollectCustomInputEntries(
        ql::CustomInputList::kCodes, text.data(), text.size(), kEntries);
    Stopwatch plain;
    std::stable_sort(offsets.begin(), offsets.end(), [&](uint32_t a, uint32_t c) {
      return ql::CompareCustomInputTexts(text.data(), text.size(), a, c) < 0;
    });
    double plainCpu = plain.Elapsed().cpu;
    std::vector<uint8_t> work(ql::kCustomInputScratchSize);
    Stopwatch built;
    ql::BuildCustomInputIndexInBuffer(ql::CustomInputList::kCodes, text.data(), text.size(),
                                      work.data(), work.size());
    double builtCpu = built.Elapsed().cpu;
    if (IndexOf(work, lines) != offsets) {
      std::printf("error: the orders differ at %u lines\n", lines);
      std::exit(1);
    }
    std::printf("%10u %11.1f ms %11.2f ms\n", lines, plainCpu * 1e3, builtCpu * 1e3);
  }
}

class QuietUi : public ql::Ui {
 public:
  int ShowMessage(std::u16string_view, std::u16string_view, uint32_t) override {
    ++messages;
    return ql::kIdOk;
  }
  void StepProgress() override {}
  void SetStatusText(std::u16string_view) override {}
  int messages = 0;
};

// BuildCustomInputIndexes on files: both lists mapped, sorted in the work area, index written.
void WholeStep(const Input& codes, const Input& texts, int runs) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "custom_input_bench";
  fs::create_directories(folder / "自定义输入");
  ql::WriteFileBytes(ql::Utf8ToUtf16((folder / "自定义输入" / "zdybm.TXT").string()),
                     codes.text.data(), codes.text.size());
  ql::WriteFileBytes(ql::Utf8ToUtf16((folder / "自定义输入" / "zdydw.TXT").string()),
                     texts.text.data(), texts.text.size());
  const std::u16string installFolder = ql::Utf8ToUtf16(folder.string() + "/");
  QuietUi ui;
  ql::ScopedUi scope(ui);
  Series series;
  for (int run = 0; run < runs; ++run) {
    Stopwatch watch;
    ql::BuildCustomInputIndexes(installFolder);
    series.Add(watch.Elapsed());
  }
  const Times median = series.Median();
  std::printf("\nwhole step on files (%s + %s): %.1f ms wall, %.1f ms processor, %d messages\n",
              codes.name, texts.name, median.wall * 1e3, median.cpu * 1e3, ui.messages);
  fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: custom_input_bench [--runs N]\n");
      return 2;
    }
  }
  std::vector<Input> inputs = MakeInputs();
  std::printf("custom_input_bench: %u entries per text, %d runs, medians\n\n", kEntries, runs);
  std::printf("%-32s %9s %10s %10s %10s %6s\n", "text", "MiB", "entries", "wall", "processor",
              "order");
  std::vector<uint8_t> work(ql::kCustomInputScratchSize);
  for (const Input& input : inputs) {
    Series series;
    ql::CustomInputIndexResult result;
    for (int run = 0; run < runs; ++run) {
      Stopwatch watch;
      result = ql::BuildCustomInputIndexInBuffer(input.list, input.text.data(), input.text.size(),
                                                 work.data(), work.size());
      series.Add(watch.Elapsed());
    }
    const Times median = series.Median();
    bool ok = OrderHolds(input, IndexOf(work, result.entryCount));
    std::printf("%-32s %9.1f %10u %7.1f ms %7.1f ms %6s\n", input.name,
                static_cast<double>(input.text.size()) / (1 << 20), result.entryCount,
                median.wall * 1e3, median.cpu * 1e3, ok ? "ok" : "WRONG");
    if (!ok || result.entryCount != kEntries)
      return 1;
  }
  WholeStep(inputs[1], inputs[4], runs);
  PlainSortOnIdenticalLines();
  return 0;
}
