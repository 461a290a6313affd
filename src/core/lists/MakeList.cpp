#include "lists/MakeList.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "base/Ascii.h"
#include "base/FileIO.h"
#include "app/ProgramDir.h"
#include "base/TextEncoding.h"
#include "search/MatchExpression.h"
#include "tunefile/TuneFormat.h"
#include "search/FileSearch.h"

namespace tunora {

namespace {

unsigned CountLines(std::string_view text) {
  return static_cast<unsigned>(std::count(text.begin(), text.end(), '\n'));
}

// The letters of a sort order that give keys.
std::string SortLetters(const std::string& sortOrder) {
  std::string letters;
  for (char c : sortOrder)
    if ((c >= 'A' && c <= 'Z') || c == 'i' || c == 't' || c == 'u') letters += c;
  return letters;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Compares case-insensitively; tune numbers compare by value.
int CompareKey(const std::string& a, const std::string& b, char letter) {
  if (letter == 'X' && AllDigits(a) && AllDigits(b)) {
    std::string_view x(a), y(b);
    while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
    while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
  }
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = static_cast<unsigned char>(Lower(a[i]));
    const int y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// True when the folder of path exists or can be made, and a file can be made in it.
bool OutputFolderUsable(const std::string& path) {
  if (path.empty() || path.back() == '/') return false;
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return !std::filesystem::is_directory(status);  // a device or pipe is written directly
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return IsWritableFolder("./");
  std::filesystem::create_directories(folder, ec);
  return !ec && IsWritableFolder(folder.string() + "/");
}

// A copy of the tune whose values can go into a file name: no "/" (which would
// lead into another folder) and no line ends.
TuneRecord FileNameSafe(const TuneRecord& tune) {
  auto clean = [](std::string& s) {
    for (char& c : s)
      if (c == '/' || c == '\\')
        c = '-';
      else if (c == '\r' || c == '\n' || c == '\t' || c == '\0')
        c = ' ';
  };
  TuneRecord copy = tune;
  for (std::string& t : copy.titles) clean(t);
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (copy.HasField(letter)) clean(**copy.Field(letter));
  for (char letter : {'u', 'm'})
    if (copy.HasField(letter)) clean(**copy.Field(letter));
  if (copy.words) clean(*copy.words);
  clean(copy.body);
  return copy;
}

// path with "-2", "-3", ... before its extension, the first not in used.
std::string UnusedName(const std::string& path, const std::set<std::string>& used) {
  if (used.count(path) == 0) return path;
  const size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  for (int n = 2;; ++n) {
    std::string candidate = path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
    if (used.count(candidate) == 0) return candidate;
  }
}

struct Entry {
  std::vector<std::string> keys;
  const TuneRecord* tune;
  int title;
};

// Writes texts with page headers, footers and breaks.
class PageWriter {
 public:
  PageWriter(const ListType& type, std::string& out, std::string header, std::string footer,
             std::string pageBreak)
      : type_(type),
        out_(out),
        header_(std::move(header)),
        footer_(std::move(footer)),
        pageBreak_(std::move(pageBreak)),
        footerLines_(CountLines(footer_)) {}

  // Writes the first page's headers.
  void Start(const std::string& headerFirst) {
    out_ += headerFirst;
    out_ += header_;
    used_ = pageStart_ = CountLines(headerFirst) + CountLines(header_);
  }

  void Write(std::string_view text) {
    if (type_.pageLines == 0) {
      out_ += text;
      return;
    }
    const long limit = static_cast<long>(type_.pageLines) - static_cast<long>(footerLines_);
    if (type_.noSplitTune) {
      const unsigned lines = CountLines(text);
      // A page that holds nothing but its header is not broken again: an entry
      // longer than a page would otherwise leave empty pages.
      if (static_cast<long>(used_ + lines) > limit && used_ > pageStart_) Break();
      out_ += text;
      used_ += lines;
      return;
    }
    size_t from = 0;
    while (from < text.size()) {
      size_t end = text.find('\n', from);
      const bool whole = end != std::string_view::npos;
      end = whole ? end + 1 : text.size();
      if (whole && static_cast<long>(used_ + 1) > limit && used_ > pageStart_) Break();
      out_.append(text.substr(from, end - from));
      if (whole) ++used_;
      from = end;
    }
  }

  void Finish(const std::string& footerLast) {
    out_ += footer_;
    out_ += footerLast;
  }

 private:
  void Break() {
    out_ += footer_;
    out_ += type_.pageBreakFF ? std::string("\f\r\n") : pageBreak_;
    out_ += header_;
    used_ = pageStart_ = CountLines(header_);
  }

  const ListType& type_;
  std::string& out_;
  std::string header_, footer_, pageBreak_;
  unsigned footerLines_;
  unsigned used_ = 0;
  unsigned pageStart_ = 0;
};

class ListMaker {
 public:
  ListMaker(const MakeListRequest& request, const MakeListHooks& hooks)
      : req_(request), type_(request.type), hooks_(hooks) {
    type_.sortOrder = request.sort;
    type_.match = request.match;
    program_.Compile(request.match);
    program_.SetPlaceholderValues(request.promptValues);
    letters_ = SortLetters(type_.sortOrder);
    // The k codes 1 to 4 give the prompt answers, 5 the entry's number in the list
    // (in the last footer: the number of entries written), 6 in a sub-header the
    // number of entries under it.
    extras_ = request.promptValues;
    extras_.resize(MatchProgram::kMaxPlaceholders);
    extras_.push_back("0");
    extras_.push_back("0");
  }

  MakeListResult Run() {
    const std::string pattern = Expand(req_.files, nullptr, -1, {});
    if (!type_.oneFilePerTune) {
      result_.outputPath = Expand(req_.output, nullptr, -1, {});
      // An output that cannot be made ends the run before the files are read.
      if (!OutputFolderUsable(result_.outputPath)) {
        Report(CannotWriteMessage(result_.outputPath));
        return result_;
      }
      writer_ = std::make_unique<PageWriter>(type_, out_, Text(type_.header, nullptr, -1),
                                             Text(type_.footer, nullptr, -1),
                                             Text(type_.pageBreak, nullptr, -1));
      writer_->Start(Text(type_.headerFirst, nullptr, -1));
    }
    for (const std::string& path : InputFiles(pattern)) {
      if (!Poll()) break;
      ReadFile(path);
    }
    if (result_.stopped) return result_;
    if (!letters_.empty() && !type_.oneFilePerTune) WriteSorted();
    if (type_.oneFilePerTune) {
      result_.written = failures_ == 0;
      return result_;
    }
    writer_->Finish(Text(type_.footerLast, nullptr, -1));
    std::string why;
    if (WriteFileAtomically(result_.outputPath, out_, why)) {
      result_.written = true;
      result_.text = std::move(out_);
    } else {
      Report(CannotWriteMessage(result_.outputPath));
    }
    return result_;
  }

 private:
  std::string Expand(const std::string& format, const TuneRecord* tune, int title,
                     const FormatOptions& opts) const {
    return ExpandFormat(format, tune, title, opts, hooks_.env, extras_);
  }
  // Headers, footers and entries: \t escapes, HTML conversion when asked.
  std::string Text(const std::string& format, const TuneRecord* tune, int title,
                   bool tex = false) const {
    FormatOptions opts;
    opts.readEscapes = true;
    opts.html = type_.htmlChar;
    opts.tex = tex && type_.texChar;
    return Expand(format, tune, title, opts);
  }

  bool Poll() {
    if (!result_.stopped && hooks_.poll && !hooks_.poll()) result_.stopped = true;
    return !result_.stopped;
  }
  void Report(const std::string& message) {
    if (hooks_.report) hooks_.report(message);
  }

  // The files of the pattern; within each folder in name order, so a list comes out
  // the same on every machine.
  std::vector<std::string> InputFiles(const std::string& pattern) {
    std::vector<std::string> paths;
    WalkFiles(pattern, req_.subdirectories, [&](const std::string& path) {
      paths.push_back(path);
      return true;
    });
    auto folderOf = [](const std::string& p) { return p.substr(0, p.rfind('/') + 1); };
    for (size_t from = 0; from < paths.size();) {
      size_t to = from + 1;
      while (to < paths.size() && folderOf(paths[to]) == folderOf(paths[from])) ++to;
      std::sort(paths.begin() + static_cast<long>(from), paths.begin() + static_cast<long>(to));
      from = to;
    }
    // The list's own output is not read back as input (a song book made into the
    // folder it reads would otherwise grow by itself on every run).
    std::error_code ec;
    if (!result_.outputPath.empty()) {
      const auto out = std::filesystem::weakly_canonical(result_.outputPath, ec);
      std::erase_if(paths, [&](const std::string& p) {
        std::error_code e;
        return !ec && std::filesystem::weakly_canonical(p, e) == out && !e;
      });
    }
    return paths;
  }

  void ReadFile(const std::string& path) {
    if (hooks_.progress) hooks_.progress(path);
    std::string text, error;
    if (std::optional<std::string> open = hooks_.openText ? hooks_.openText(path) : std::nullopt)
      text = std::move(*open);
    else if (!ReadWholeFile(path, text, error))
      return;  // unreadable files are skipped
    // HTML entities are made from code page 1252 characters: a UTF-8 file is
    // converted first so its accented letters become the right entities.
    if (type_.htmlChar &&
        std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }) &&
        IsValidUtf8(text))
      text = Transcode(text, TextEncoding::kUtf8, TextEncoding::kCp1252);
    TuneFileOptions options = hooks_.fileOptions;
    options.convertTeX = type_.texChar;
    auto file = std::make_unique<TuneFile>(options);
    file->name = path;
    file->SplitTunes(text, true, 0, type_.texChar);
    ++result_.inputFiles;
    for (size_t p = 1; p <= file->TuneCount(); ++p) {
      if (p % 64 == 0 && !Poll()) return;
      if (const TuneRecord* tune = file->TuneAt(static_cast<int>(p))) Tune(*tune);
    }
    files_.push_back(std::move(file));
  }

  void Tune(const TuneRecord& tune) {
    for (size_t t = 0; t < tune.TitleCount(); ++t) {
      if (!program_.Evaluate(tune, t)) continue;
      const int title = static_cast<int>(t);
      if (!letters_.empty() && !type_.oneFilePerTune)
        entries_.push_back({SortKeysOf(tune, title, letters_, hooks_.env), &tune, title});
      else if (type_.oneFilePerTune)
        OneFile(tune, title, EntryText(tune, title));
      else
        writer_->Write(EntryText(tune, title));
      if (type_.oneTitle) break;
    }
  }

  void WriteSorted() {
    std::stable_sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
      return SortKeysLess(a.keys, b.keys, letters_);
    });
    size_t levels = 0;
    while (levels < 4 && !type_.subHeader[levels].empty()) ++levels;
    levels = std::min(levels, letters_.size());
    std::vector<std::optional<std::string>> last(levels);
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      for (size_t j = 0; j < levels; ++j) {
        if (last[j] && EqualNoCase(*last[j], e.keys[j])) continue;
        extras_[5] = std::to_string(GroupSize(i, j));
        writer_->Write(Text(type_.subHeader[j], e.tune, e.title, true));
        last[j] = e.keys[j];
        // A new heading starts its sub-headings afresh.
        for (size_t k = j + 1; k < levels; ++k) last[k].reset();
      }
      writer_->Write(EntryText(*e.tune, e.title));
    }
  }

  // The number of entries from the i-th on that share its first j + 1 keys.
  size_t GroupSize(size_t i, size_t j) const {
    size_t n = i + 1;
    auto same = [&](const Entry& a) {
      for (size_t k = 0; k <= j; ++k)
        if (!EqualNoCase(a.keys[k], entries_[i].keys[k])) return false;
      return true;
    };
    while (n < entries_.size() && same(entries_[n])) ++n;
    return n - i;
  }

  // The entry's text, numbered in output order.
  std::string EntryText(const TuneRecord& tune, int title) {
    extras_[4] = std::to_string(++result_.entries);
    return Text(type_.outputFormat, &tune, title);
  }

  void OneFile(const TuneRecord& tune, int title, const std::string& text) {
    FormatOptions nameOpts;
    nameOpts.tex = true;
    const TuneRecord safe = FileNameSafe(tune);
    const std::string path = UnusedName(Expand(type_.outFile, &safe, title, nameOpts), used_);
    std::string out;
    PageWriter writer(type_, out, Text(type_.header, &tune, title),
                      Text(type_.footer, &tune, title), Text(type_.pageBreak, &tune, title));
    writer.Start(Text(type_.headerFirst, &tune, title));
    writer.Write(text);
    writer.Finish(Text(type_.footerLast, &tune, title));
    std::string why;
    if (path.empty() || !WriteFileAtomically(path, out, why)) {
      Report(CannotWriteMessage(path));
      ++failures_;
      return;
    }
    used_.insert(path);
    result_.filesWritten.push_back(path);
  }

  const MakeListRequest& req_;
  ListType type_;
  const MakeListHooks& hooks_;
  MatchProgram program_;
  std::string letters_;
  std::vector<std::string> extras_;
  MakeListResult result_;
  std::string out_;
  std::unique_ptr<PageWriter> writer_;
  std::vector<std::unique_ptr<TuneFile>> files_;
  std::vector<Entry> entries_;
  std::set<std::string> used_;
  int failures_ = 0;
};

}  // namespace

std::vector<std::string> SortKeysOf(const TuneRecord& tune, int titleIndex,
                                    const std::string& sortOrder, const FormatEnv* env) {
  std::vector<std::string> keys;
  for (char c : SortLetters(sortOrder)) {
    switch (c) {
      case 'T':
        keys.push_back(titleIndex >= 0 && static_cast<size_t>(titleIndex) < tune.titles.size()
                           ? tune.titles[static_cast<size_t>(titleIndex)]
                           : std::string());
        break;
      case 'X': keys.push_back(std::to_string(tune.number)); break;
      case 'W': keys.push_back(tune.words.value_or(std::string())); break;
      case 't': keys.push_back(tune.body); break;
      case 'i':
        keys.push_back(env != nullptr && env->incipit ? env->incipit(tune) : std::string());
        break;
      default: keys.push_back(FieldValueWithoutComment(tune.FieldText(c))); break;
    }
  }
  return keys;
}

bool SortKeysLess(const std::vector<std::string>& a, const std::vector<std::string>& b,
                  const std::string& sortOrder) {
  const std::string letters = SortLetters(sortOrder);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const int c = CompareKey(a[i], b[i], i < letters.size() ? letters[i] : '\0');
    if (c != 0) return c < 0;
  }
  return false;
}

MakeListResult MakeList(const MakeListRequest& request, const MakeListHooks& hooks) {
  ListMaker maker(request, hooks);
  return maker.Run();
}

MakeListRequest RequestFromType(const ListType& type) {
  MakeListRequest r;
  r.type = type;
  r.files = type.inputFile;
  r.output = type.outFile;
  r.sort = type.sortOrder;
  r.match = type.match;
  r.subdirectories = type.subdir;
  return r;
}

void FoundListFromOutput(std::string_view output, FoundList& list) {
  std::string number, title;
  size_t from = 0;
  while (from < output.size()) {
    size_t end = output.find('\n', from);
    if (end == std::string_view::npos) end = output.size();
    std::string_view line = output.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 2 || line[1] != ':') continue;
    std::string_view value = line.substr(2);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (line[0] == 'X')
      number.assign(value);
    else if (line[0] == 'T')
      title.assign(value);
    else if (line[0] == 'F')
      list.Add(std::string(value), number + " " + title);
  }
}

}  // namespace tunora
