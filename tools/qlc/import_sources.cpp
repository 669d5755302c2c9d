// `qlc import FORMAT SOURCE...`: the readers of rime dictionaries (with import_tables and an
// essay-style weight file), libime's text dictionaries and plain word lists.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/model/package.h"
#include "tools/qlc/import.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

enum class SourceFormat { kRime, kLibime, kPlain };

// The lines of a source in UTF-8 or UTF-16; nullopt (reported) when it is neither.
std::optional<std::vector<std::u16string>> SourceLines(const std::string& name) {
  const std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(ql::Utf8ToUtf16(name));
  if (!bytes) {
    std::fprintf(stderr, "qlc: error: cannot read %s\n", name.c_str());
    return std::nullopt;
  }
  std::string encoding;
  std::optional<std::u16string> text = DecodeUnicodeText(*bytes, &encoding);
  if (!text) {
    std::fprintf(stderr, "qlc: error: %s is %s; import reads UTF-8 or UTF-16\n", name.c_str(),
                 encoding.c_str());
    return std::nullopt;
  }
  std::vector<std::u16string> lines;
  for (size_t at = 0; at <= text->size();) {
    size_t end = text->find(u'\n', at);
    if (end == std::u16string::npos)
      end = text->size();
    std::u16string line = text->substr(at, end - at);
    if (!line.empty() && line.back() == u'\r')
      line.pop_back();
    if (end < text->size() || !line.empty())
      lines.push_back(std::move(line));
    at = end + 1;
  }
  return lines;
}

std::vector<std::u16string> Split(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> parts;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find(separator, at);
    if (end == std::u16string_view::npos)
      end = text.size();
    if (end > at)
      parts.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

std::u16string Trim(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
    text.remove_suffix(1);
  return std::u16string(text);
}

// A number, or nullopt when the text is none.
std::optional<double> Number(std::u16string_view text) {
  const std::string ascii = U8(text);
  char* end = nullptr;
  const double value = std::strtod(ascii.c_str(), &end);
  if (ascii.empty() || end != ascii.c_str() + ascii.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// A rime dictionary: a YAML header up to "...", then text, code and weight separated by tabs
// (or the header's "columns"). Tables named by "import_tables" are read from the same folder.
bool ReadRime(const std::string& name,
              ImportModel& model,
              std::set<std::string>& seen,
              bool* presetVocabulary) {
  if (!seen.insert(name).second)
    return true;
  std::optional<std::vector<std::u16string>> lines = SourceLines(name);
  if (!lines)
    return false;
  std::vector<std::u16string> columns = {u"text", u"code", u"weight"};
  std::vector<std::u16string> imports;
  size_t body = 0;
  bool inImports = false, inColumns = false, ended = false;
  for (; body < lines->size() && !ended; ++body) {
    const std::u16string line = Trim((*lines)[body]);
    ended = line == u"...";
    const bool item = line.size() > 2 && line[0] == u'-' && line[1] == u' ';
    if ((inImports || inColumns) && item) {
      (inImports ? imports : columns).push_back(Trim(line.substr(2)));
      continue;
    }
    inImports = line == u"import_tables:";
    inColumns = line == u"columns:";
    if (inColumns)
      columns.clear();
    if (line == u"use_preset_vocabulary: true")
      *presetVocabulary = true;
  }
  if (!ended) {
    std::fprintf(stderr, "qlc: error: %s: no \"...\" ends the header\n", name.c_str());
    return false;
  }
  auto column = [&](std::u16string_view wanted) {
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i] == wanted)
        return i;
    return columns.size();
  };
  const size_t textAt = column(u"text"), codeAt = column(u"code"), weightAt = column(u"weight");
  for (size_t i = body; i < lines->size(); ++i) {
    const std::u16string& line = (*lines)[i];
    if (line.empty() || line[0] == u'#')
      continue;
    const Place place{name, i + 1};
    std::vector<std::u16string> fields;
    for (size_t at = 0; at <= line.size();) {
      size_t end = line.find(u'\t', at);
      if (end == std::u16string::npos)
        end = line.size();
      fields.push_back(line.substr(at, end - at));
      at = end + 1;
    }
    if (textAt >= fields.size() || fields[textAt].empty()) {
      model.Note(place, kRuleBadLine, line);
      continue;
    }
    const std::vector<std::u16string> code =
        codeAt < fields.size() ? Split(fields[codeAt], u' ') : std::vector<std::u16string>();
    double weight = kNoWeight;
    bool share = false;
    if (weightAt < fields.size() && !fields[weightAt].empty()) {
      std::u16string w = fields[weightAt];
      share = w.back() == u'%';
      if (share)
        w.pop_back();
      const std::optional<double> value = Number(w);
      if (!value) {
        model.Note(place, kRuleBadLine, line);
        continue;
      }
      weight = *value;
    }
    model.AddEntry(place, fields[textAt], code, weight, share);
  }
  const fs::path folder = ToPath(ql::Utf8ToUtf16(name)).parent_path();
  for (const std::u16string& table : imports) {
    if (!ReadRime(U8(FromPath(folder / ToPath(table + u".dict.yaml"))), model, seen,
                  presetVocabulary))
      return false;
  }
  return true;
}

// An essay-style weight file: phrase, tab, weight.
bool ReadWeights(const std::string& name, ImportModel& model, bool addPhrases) {
  std::optional<std::vector<std::u16string>> lines = SourceLines(name);
  if (!lines)
    return false;
  for (size_t i = 0; i < lines->size(); ++i) {
    const std::u16string& line = (*lines)[i];
    const size_t tab = line.find(u'\t');
    const std::optional<double> weight =
        tab == std::u16string::npos ? std::nullopt : Number(line.substr(tab + 1));
    if (!weight) {
      if (!line.empty() && line[0] != u'#')
        model.Note(Place{name, i + 1}, kRuleBadLine, line);
      continue;
    }
    model.AddWeight(Place{name, i + 1}, line.substr(0, tab), *weight, addPhrases, false);
  }
  return true;
}

// libime's text dictionary: phrase, pin'yin, and a cost (a negative log probability, so the
// weight is its negative), separated by spaces.
bool ReadLibime(const std::string& name, ImportModel& model) {
  std::optional<std::vector<std::u16string>> lines = SourceLines(name);
  if (!lines)
    return false;
  for (size_t i = 0; i < lines->size(); ++i) {
    const std::vector<std::u16string> fields = Split((*lines)[i], u' ');
    const Place place{name, i + 1};
    if (fields.empty())
      continue;
    std::optional<double> cost = fields.size() == 3 ? Number(fields[2]) : std::nullopt;
    if (fields.size() < 2 || fields.size() > 3 || (fields.size() == 3 && !cost)) {
      model.Note(place, kRuleBadLine, (*lines)[i]);
      continue;
    }
    model.AddEntry(place, fields[0], Split(fields[1], u'\''), cost ? -*cost : kNoWeight);
  }
  return true;
}

// One phrase a line, optionally a space or tab and its frequency.
bool ReadPlain(const std::string& name, ImportModel& model) {
  std::optional<std::vector<std::u16string>> lines = SourceLines(name);
  if (!lines)
    return false;
  for (size_t i = 0; i < lines->size(); ++i) {
    std::u16string line = Trim((*lines)[i]);
    if (line.empty())
      continue;
    const size_t gap = line.find_first_of(u" \t");
    double weight = kNoWeight;
    if (gap != std::u16string::npos) {
      const std::optional<double> value = Number(Trim(line.substr(gap)));
      if (!value) {
        model.Note(Place{name, i + 1}, kRuleBadLine, line);
        continue;
      }
      weight = *value;
      line.resize(gap);
    }
    model.AddWeight(Place{name, i + 1}, line, weight, true, true);
  }
  return true;
}

}  // namespace

int Import(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kImportUsage, true);
  std::optional<SourceFormat> format;
  std::vector<std::string> sources;
  std::optional<std::string> out, weights;
  std::u16string name = u"导入词库";
  bool verbose = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (!format && (arg == "rime" || arg == "libime" || arg == "plain")) {
      format = arg == "rime"     ? SourceFormat::kRime
               : arg == "libime" ? SourceFormat::kLibime
                                 : SourceFormat::kPlain;
    } else if (arg == "--out" && hasValue && !out) {
      out = args[++i];
    } else if (arg == "--weights" && hasValue && !weights) {
      weights = args[++i];
    } else if (arg == "--name" && hasValue) {
      name = ql::Utf8ToUtf16(args[++i]);
    } else if (arg == "--verbose") {
      verbose = true;
    } else if (format && !arg.empty() && arg[0] != '-') {
      sources.push_back(arg);
    } else {
      std::fprintf(stderr, "qlc import: unknown option \"%s\"\n", arg.c_str());
      return PrintUsage(kImportUsage, false);
    }
  }
  if (!format || sources.empty() || !out || (weights && format != SourceFormat::kRime))
    return PrintUsage(kImportUsage, false);
  if (name.empty() || name.find_first_of(u" \\/:*?\"<>|") != std::u16string::npos) {
    std::fprintf(stderr, "qlc: error: --name must be a file name without spaces\n");
    return 1;
  }
  const fs::path outPath = ToPath(ql::Utf8ToUtf16(*out));
  // An existing package takes the pieces; any other folder must be empty.
  std::error_code error;
  const bool fresh = !fs::exists(outPath / ToPath(ql::kSetupIniFile), error);
  if (fresh && fs::exists(outPath, error) && !fs::is_empty(outPath, error)) {
    std::fprintf(stderr, "qlc: error: %s is neither empty nor a package\n", out->c_str());
    return 1;
  }
  ImportModel model(verbose);
  bool presetVocabulary = false;
  std::set<std::string> seen;
  for (const std::string& source : sources) {
    const bool read = *format == SourceFormat::kRime
                          ? ReadRime(source, model, seen, &presetVocabulary)
                      : *format == SourceFormat::kLibime ? ReadLibime(source, model)
                                                         : ReadPlain(source, model);
    if (!read)
      return 1;
  }
  // The weight file's phrases join the dictionary when the rime dictionary asks for its preset
  // vocabulary; otherwise they only weigh the entries it has.
  if (weights && !ReadWeights(*weights, model, presetVocabulary))
    return 1;
  const bool readings = *format != SourceFormat::kPlain;
  if (!model.Write(outPath, name, readings, readings))
    return 1;
  std::printf("imported into %s\n", out->c_str());
  // The open data brings no program: qlc check names what a new package still lacks.
  if (fresh)
    std::printf(
        "a new package: add the input-method module and the tool library before it is "
        "installed (qlc check names them), or import into a package\n");
  return 0;
}

}  // namespace qlc
