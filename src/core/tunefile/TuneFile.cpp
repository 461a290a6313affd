#include "tunefile/TuneFile.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#include "base/Ascii.h"
#include "base/FileIO.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TeX.h"

namespace tunora {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// True when a tune begins at p: a line starting with "X:" or "T:".
bool TuneStartsAt(std::string_view t, size_t p) {
  return p + 1 < t.size() && (t[p] == 'X' || t[p] == 'T') && t[p + 1] == ':';
}

// Lines are short (some twenty bytes on average): eight bytes are looked at in one
// step, which costs less than a library call per line.
size_t FindLf(std::string_view t, size_t from) {
  const size_t n = t.size();
  if (from >= n) return std::string_view::npos;
  const char* s = t.data();
  size_t i = from;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    constexpr uint64_t kLfs = kOnes * '\n';
    for (; i + 8 <= n; i += 8) {
      uint64_t w;
      std::memcpy(&w, s + i, 8);
      const uint64_t x = w ^ kLfs;  // a zero byte where there is a line feed
      // The lowest flagged byte is the first line feed (only bytes above a zero byte
      // can be flagged wrongly).
      const uint64_t zero = (x - kOnes) & ~x & kHighs;
      if (zero != 0) return i + static_cast<size_t>(std::countr_zero(zero) / 8);
    }
  }
  const void* hit = std::memchr(s + i, '\n', n - i);
  return hit == nullptr ? std::string_view::npos
                        : static_cast<size_t>(static_cast<const char*>(hit) - s);
}

// First LF at or after from that is directly followed by "X:" or "T:".
size_t FindLfBeforeTune(std::string_view t, size_t from) {
  for (size_t lf = FindLf(t, from); lf != std::string_view::npos; lf = FindLf(t, lf + 1))
    if (TuneStartsAt(t, lf + 1)) return lf;
  return std::string_view::npos;
}

// First LF at or after from that is directly followed by CR, LF or "X:".
size_t FindLfBeforeBreak(std::string_view t, size_t from) {
  for (size_t lf = FindLf(t, from); lf != std::string_view::npos; lf = FindLf(t, lf + 1)) {
    size_t q = lf + 1;
    if (q < t.size() && (t[q] == '\r' || t[q] == '\n')) return lf;
    if (q + 1 < t.size() && t[q] == 'X' && t[q + 1] == ':') return lf;
  }
  return std::string_view::npos;
}

// End of the file header: the start of the first line that begins with X: or T:.
// A UTF-8 byte-order mark right before the first tune is header text of its own.
size_t FileHeaderEnd(std::string_view text) {
  if (TuneStartsAt(text, 0)) return 0;
  if (text.substr(0, kBom.size()) == kBom && TuneStartsAt(text, kBom.size())) return kBom.size();
  size_t lf = FindLfBeforeTune(text, 0);
  return lf == std::string_view::npos ? text.size() : lf + 1;
}

// End of the tune that starts at p: after the first empty line or X: line, the
// next line that begins with X: or T:. Every tune takes at least one byte, so no
// input can keep a loop over the tunes from ending.
size_t TuneEndFrom(std::string_view text, size_t p) {
  size_t end = text.size();
  size_t brk = FindLfBeforeBreak(text, p);
  if (brk != std::string_view::npos) {
    size_t lf = FindLfBeforeTune(text, brk);
    if (lf != std::string_view::npos) end = lf + 1;
  }
  return end <= p ? text.size() : end;
}

// Appends src, turning every bare LF (one not preceded by CR) into CR LF.
void AppendCrLf(std::string& dst, std::string_view src) {
  size_t start = 0;
  for (size_t lf = FindLf(src, 0); lf != std::string_view::npos; lf = FindLf(src, lf + 1)) {
    bool bare = lf == 0 ? (dst.empty() || dst.back() != '\r') : src[lf - 1] != '\r';
    if (!bare) continue;
    dst.append(src.data() + start, lf - start);
    dst += kCrLf;
    start = lf + 1;
  }
  dst.append(src.data() + start, src.size() - start);
}

std::string WithCrLf(std::string_view src) {
  std::string s;
  s.reserve(src.size() + 16);
  AppendCrLf(s, src);
  return s;
}

// Joins a value to a multi-line field with CR LF.
void AppendValue(std::optional<std::string>& field, std::string_view value) {
  if (field.has_value()) {
    *field += kCrLf;
    field->append(value);
  } else {
    field.emplace(value);
  }
}

std::string_view StripLeadingBlanks(std::string_view v) {
  size_t k = 0;
  while (k < v.size() && IsBlank(v[k])) ++k;
  return v.substr(k);
}

// End of a field value: the first CR or LF at or after from.
size_t ValueEnd(std::string_view t, size_t from, size_t lineEnd) {
  for (size_t k = from; k < lineEnd; ++k)
    if (t[k] == '\r') return k;
  return lineEnd;
}

// Decimal value of at most ten characters, read as atoi does, clamped to 32 bits.
int32_t ReadNumber(std::string_view s) {
  s = s.substr(0, std::min<size_t>(s.size(), 10));
  size_t k = 0;
  while (k < s.size() && (IsBlank(s[k]) || s[k] == '\v' || s[k] == '\f')) ++k;
  bool neg = false;
  if (k < s.size() && (s[k] == '+' || s[k] == '-')) neg = s[k++] == '-';
  int64_t v = 0;
  for (; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) v = v * 10 + (s[k] - '0');
  if (neg) v = -v;
  v = std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(v);
}

bool IsReplacingField(char c) {
  switch (c) {
    case 'F':
    case 'K':
    case 'L':
    case 'M':
    case 'P':
    case 'Q':
    case 'R': return true;
    default: return false;
  }
}
bool KeepsLeadingBlanks(char c) { return c == 'H' || c == 'm' || c == 'N' || c == 'W' || c == 'Z'; }

// Writes tag, value and CR LF, repeating the tag after every LF inside the value.
void WriteField(std::string& out, char tag, std::string_view value) {
  out += tag;
  out += ':';
  size_t start = 0;
  for (size_t lf = FindLf(value, 0); lf != std::string_view::npos; lf = FindLf(value, lf + 1)) {
    out.append(value.data() + start, lf + 1 - start);
    out += tag;
    out += ':';
    start = lf + 1;
  }
  out.append(value.data() + start, value.size() - start);
  out += kCrLf;
}

constexpr std::string_view kOrderedLetters = "ABCDFGHLMNOPQRSUVZu";

// A tune inserted from text carries no text after it, but it still ends with the
// empty line that separates it from the next tune, as a new tune does.
void SeparateFromNext(TuneRecord& record) {
  if (!record.afterText) record.afterText.emplace(kCrLf);
}

}  // namespace

bool HasLoneCr(std::string_view text) {
  for (size_t k = 0; k < text.size(); ++k) {
    const void* hit = std::memchr(text.data() + k, '\r', text.size() - k);
    if (hit == nullptr) return false;
    k = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (k + 1 >= text.size() || text[k + 1] != '\n') return true;
  }
  return false;
}

std::string NormalizeLoneCr(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  for (size_t k = 0; k < text.size(); ++k) {
    out += text[k];
    if (text[k] == '\r' && (k + 1 >= text.size() || text[k + 1] != '\n')) out += '\n';
  }
  return out;
}

TuneFile::TuneFile(TuneFileOptions options) : options_(std::move(options)) {}
TuneFile::~TuneFile() = default;

// ---------------------------------------------------------------------------
// Splitting and parsing

int TuneFile::SplitTunes(std::string_view text, bool create, int position, bool decodeTeX) {
  // A loaded tune keeps its own bytes; with lone CRs the cuts are found in the
  // text with LFs added, so those LFs are counted back out.
  const std::string_view raw = text;
  std::string normalized;
  std::vector<size_t> addedLf;
  if (HasLoneCr(text)) {
    normalized = NormalizeLoneCr(text);
    text = normalized;
    if (create)
      for (size_t r = 0; r < raw.size(); ++r)
        if (raw[r] == '\r' && (r + 1 >= raw.size() || raw[r + 1] != '\n'))
          addedLf.push_back(r + 1 + addedLf.size());
  }
  auto rawOffset = [&](size_t p) {
    return p - static_cast<size_t>(std::lower_bound(addedLf.begin(), addedLf.end(), p) -
                                   addedLf.begin());
  };
  const size_t n = text.size();
  const size_t headerEnd = FileHeaderEnd(text);
  // Loaded tunes start a new history; inserted ones are a step of it.
  if (create) history_.Clear();
  std::optional<UndoStep> step;
  if (!create) step.emplace(*this, "Paste");
  if (create && !lineEnds_) lineEnds_ = DetectLineEnds(raw);
  if (create && headerEnd > 0) {
    std::string header = WithCrLf(text.substr(0, headerEnd));
    if (decodeTeX) TeXDecode(header);
    ParseFileHeader(header);
    headerLoaded_.assign(raw.substr(0, rawOffset(headerEnd)));
    headerParsed_ = headerText;
  }

  std::vector<std::unique_ptr<TuneRecord>> inserted;
  int count = 0;
  std::string decoded;
  for (size_t p = headerEnd; p < n;) {
    const size_t end = TuneEndFrom(text, p);
    std::string_view piece = text.substr(p, end - p);
    const size_t rawStart = rawOffset(p), rawEnd = rawOffset(end);
    p = end;
    ++count;
    if (create) {
      auto rec = std::make_unique<TuneRecord>();
      if (decodeTeX) {
        decoded.assign(piece);
        TeXDecode(decoded);
        ParseTune(*rec, decoded, true);
      } else {
        ParseTune(*rec, piece, true);
      }
      rec->loaded.assign(raw.substr(rawStart, rawEnd - rawStart));
      rec->owner = this;
      tunes_.push_back(std::move(rec));
      InvalidatePositions();
    } else {
      // Pasted tunes are cut and read as a file's are: text after a tune's empty line
      // (a copied tune's notes) stays text after it and does not become music.
      auto rec = std::make_unique<TuneRecord>();
      ParseTune(*rec, piece, true);
      SeparateFromNext(*rec);
      rec->owner = this;
      inserted.push_back(std::move(rec));
    }
  }

  if (!create && !inserted.empty()) {
    size_t at = static_cast<size_t>(std::clamp(position, 0, static_cast<int>(tunes_.size())));
    // Each inserted tune numbered 1 follows the number of the tune before it.
    const TuneRecord* prev = at > 0 ? tunes_[at - 1].get() : nullptr;
    for (auto& rec : inserted) {
      if (prev != nullptr && rec->number == 1) rec->number = prev->number + 1;
      prev = rec.get();
    }
    tunes_.insert(tunes_.begin() + static_cast<std::ptrdiff_t>(at),
                  std::make_move_iterator(inserted.begin()),
                  std::make_move_iterator(inserted.end()));
    InvalidatePositions();
  }
  return count;
}

size_t TuneFile::ForEachTuneText(std::string_view text, bool decodeTeX, std::string* header,
                                 const std::function<void(std::string_view)>& each) {
  // The same cuts as SplitTunes, found in the same text.
  std::string normalized;
  if (HasLoneCr(text)) {
    normalized = NormalizeLoneCr(text);
    text = normalized;
  }
  const size_t headerEnd = FileHeaderEnd(text);
  if (header != nullptr) {
    header->clear();
    if (headerEnd > 0) {
      *header = WithCrLf(text.substr(0, headerEnd));
      if (decodeTeX) TeXDecode(*header);
    }
  }
  std::string decoded;
  size_t count = 0;
  for (size_t p = headerEnd; p < text.size(); ++count) {
    const size_t end = TuneEndFrom(text, p);
    std::string_view piece = text.substr(p, end - p);
    p = end;
    if (decodeTeX) {
      decoded.assign(piece);
      TeXDecode(decoded);
      piece = decoded;
    }
    each(piece);
  }
  return count;
}

size_t TuneFile::ReadHeadings(std::string_view text, bool decodeTeX,
                              const std::function<void(const TuneRecord&)>& each) {
  TuneRecord record;
  return ForEachTuneText(text, decodeTeX, nullptr, [&](std::string_view piece) {
    record.Clear();
    ParseHeading(record, piece, nullptr);
    each(record);
  });
}

size_t TuneFile::ReadTunes(std::string_view text, bool decodeTeX, std::string& header,
                           const TakeTune& each) {
  std::unique_ptr<TuneRecord> record;
  return ForEachTuneText(text, decodeTeX, &header, [&](std::string_view piece) {
    if (!record) record = std::make_unique<TuneRecord>();
    ParseTune(*record, piece, true);
    record = each(std::move(record));
  });
}

void TuneFile::ParseFileHeader(std::string_view text) {
  headerText.emplace(text);
  for (auto& f : headerFields) f.reset();
  // The header's user-defined symbols (U:, u:) are built by the ABC reader's symbol
  // tables from HeaderField('U') and HeaderField('u').
  const std::string& t = *headerText;
  for (size_t p = 0; p < t.size();) {
    size_t lf = FindLf(t, p);
    size_t lineEnd = lf == std::string_view::npos ? t.size() : lf;
    if (lineEnd - p >= 2 && t[p + 1] == ':') {
      size_t slot = kFileHeaderLetters.find(t[p]);
      if (slot != std::string_view::npos) {
        char c = t[p];
        std::string_view value(t.data() + p + 2, ValueEnd(t, p + 2, lineEnd) - (p + 2));
        if (c != 'H' && c != 'N' && c != 'Z') value = StripLeadingBlanks(value);
        if (IsReplacingField(c))
          headerFields[slot].emplace(value);
        else
          AppendValue(headerFields[slot], value);
      }
    }
    p = lineEnd + 1;
  }
}

void TuneFile::SetHeaderFromDialog(std::string_view text) {
  while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  std::string header = WithCrLf(text);
  // Any remaining text gets its line end, so the first tune still starts a line.
  header += kCrLf;
  ParseFileHeader(header);
}

const std::optional<std::string>* TuneFile::HeaderField(char letter) const {
  size_t slot = kFileHeaderLetters.find(letter);
  return slot == std::string_view::npos ? nullptr : &headerFields[slot];
}

size_t TuneFile::ParseHeading(TuneRecord& record, std::string_view text,
                              std::string* headerComments) {
  const size_t n = text.size();
  auto lineEndAt = [&](size_t p) {
    size_t lf = FindLf(text, p);
    return lf == std::string_view::npos ? n : lf;
  };

  size_t i = 0;
  while (i < n && (IsBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
  if (i + 1 < n && text[i] == 'X' && text[i + 1] == ':') {
    size_t le = lineEndAt(i);
    record.number = ReadNumber(text.substr(i + 2, ValueEnd(text, i + 2, le) - (i + 2)));
    i = le < n ? le + 1 : n;
  }

  // Header lines: fields and comments up to K:.
  bool inHistory = false;
  while (i < n) {
    size_t le = lineEndAt(i);
    size_t next = le < n ? le + 1 : n;
    char c0 = text[i];
    bool fieldLine = i + 1 < le && text[i + 1] == ':';
    if (inHistory && !(fieldLine && IsUpper(c0))) {
      AppendValue(*record.Field('H'), text.substr(i, ValueEnd(text, i, le) - i));
      i = next;
      continue;
    }
    inHistory = false;
    if (c0 == '%') {
      if (headerComments != nullptr) {
        headerComments->append(text.data() + i, ValueEnd(text, i, le) - i);
        *headerComments += kCrLf;
      }
      i = next;
      continue;
    }
    if (!(fieldLine && (IsUpper(c0) || c0 == 'u' || c0 == 'm'))) break;
    std::string_view value = text.substr(i + 2, ValueEnd(text, i + 2, le) - (i + 2));
    if (!KeepsLeadingBlanks(c0)) value = StripLeadingBlanks(value);
    i = next;
    if (c0 == 'X') continue;  // a second X: line is dropped
    if (c0 == 'T') {
      record.titles.emplace_back(value);
    } else if (c0 == 'W') {
      AppendValue(record.words, value);
    } else {
      auto& field = *record.Field(c0);
      if (IsReplacingField(c0))
        field.emplace(value);
      else
        AppendValue(field, value);
      if (c0 == 'H') inHistory = true;
      if (c0 == 'K') break;
    }
  }
  if (record.titles.empty()) record.titles.emplace_back();
  return i;
}

size_t TuneFile::ParseTune(TuneRecord& record, std::string_view text, bool fromFile) {
  record.Clear();
  const size_t n = text.size();
  auto lineEndAt = [&](size_t p) {
    size_t lf = FindLf(text, p);
    return lf == std::string_view::npos ? n : lf;
  };
  std::string headerComments;
  const size_t bodyStart = ParseHeading(record, text, &headerComments);

  // The tune ends at its first empty line (when read from a file); a run of W: lines
  // right before that end is the words block.
  size_t tuneEnd = n;
  size_t wordsStart = std::string_view::npos;
  for (size_t p = bodyStart; p < n;) {
    if (fromFile && (text[p] == '\n' || (text[p] == '\r' && p + 1 < n && text[p + 1] == '\n'))) {
      tuneEnd = p;
      break;
    }
    bool isWords = p + 1 < n && text[p] == 'W' && text[p + 1] == ':';
    if (!isWords)
      wordsStart = std::string_view::npos;
    else if (wordsStart == std::string_view::npos)
      wordsStart = p;
    size_t le = lineEndAt(p);
    p = le < n ? le + 1 : n;
  }
  size_t bodyEnd = wordsStart != std::string_view::npos ? wordsStart : tuneEnd;

  record.body.reserve(headerComments.size() + (bodyEnd - bodyStart) + 8);
  record.body = headerComments;
  AppendCrLf(record.body, text.substr(bodyStart, bodyEnd - bodyStart));
  if (!fromFile) {
    // Text given by a command never carries empty lines or text after the tune.
    std::string& b = record.body;
    while (b.compare(0, 2, kCrLf) == 0) b.erase(0, 2);
    for (size_t k = b.find("\r\n\r\n"); k != std::string::npos; k = b.find("\r\n\r\n", k))
      b.erase(k, 2);
  }

  if (wordsStart != std::string_view::npos) {
    std::string block = WithCrLf(text.substr(wordsStart, tuneEnd - wordsStart));
    if (block.size() >= 2 && block.compare(block.size() - 2, 2, kCrLf) == 0)
      block.resize(block.size() - 2);
    std::string words;
    words.reserve(block.size());
    for (size_t k = 0; k < block.size(); ++k) {
      if (block[k] == 'W' && k + 1 < block.size() && block[k + 1] == ':') {
        ++k;
        continue;
      }
      words += block[k];
    }
    // Words from header W: lines come first, joined to the block by a line break.
    // Without a block no break is added: an empty W: line would be written, and a
    // tune without K: would gain another one at every save.
    if (record.words.has_value()) {
      *record.words += kCrLf;
      *record.words += words;
    } else {
      record.words = std::move(words);
    }
  }

  if (fromFile && tuneEnd < n) record.afterText = WithCrLf(text.substr(tuneEnd));
  return bodyStart;
}

std::string TuneFile::WriteTune(const TuneRecord& record, bool encodeTeX) const {
  std::string out;
  size_t estimate = 32 + record.body.size();
  for (const auto& t : record.titles) estimate += t.size() + 4;
  for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSUVYZum"))
    if (record.HasField(c)) estimate += record.FieldText(c).size() + 8;
  if (record.words) estimate += record.words->size() * 2;
  if (record.afterText) estimate += record.afterText->size();
  out.reserve(estimate);

  out += "X:";
  out += std::to_string(record.number);
  out += kCrLf;
  for (const auto& t : record.titles) WriteField(out, 'T', t);
  bool written[kRecordFieldSlots] = {};
  for (char c : options_.fieldOrder) {
    if (kOrderedLetters.find(c) == std::string_view::npos) continue;
    int slot = RecordFieldSlot(c);
    if (written[slot] || !record.HasField(c)) continue;
    written[slot] = true;
    WriteField(out, c, record.FieldText(c));
  }
  for (char c : std::string_view("mEIJY"))
    if (const auto* f = record.Field(c); f->has_value()) WriteField(out, c, **f);
  if (const auto* k = record.Field('K'); k->has_value()) WriteField(out, 'K', **k);
  out += record.body;
  if (record.words) WriteField(out, 'W', *record.words);
  if (record.afterText) out += *record.afterText;
  if (encodeTeX) return TeXEncode(out, options_.cvtTeXEsc);
  return out;
}

std::optional<LineEnds> DetectLineEnds(std::string_view text) {
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\n') return LineEnds::kLf;
    if (text[k] == '\r')
      return k + 1 < text.size() && text[k + 1] == '\n' ? LineEnds::kCrLf : LineEnds::kCr;
  }
  return std::nullopt;
}

std::string ConvertCrLf(std::string_view crlfText, LineEnds ends) {
  if (ends == LineEnds::kCrLf) return std::string(crlfText);
  const char end = ends == LineEnds::kLf ? '\n' : '\r';
  std::string out;
  out.reserve(crlfText.size());
  for (size_t k = 0; k < crlfText.size(); ++k) {
    if (crlfText[k] == '\r' && k + 1 < crlfText.size() && crlfText[k + 1] == '\n') {
      out += end;
      ++k;
    } else {
      out += crlfText[k];
    }
  }
  return out;
}

namespace {

// The loaded bytes of a tune with its X: number replaced (or an X: line put in
// front when it had none); every other byte stays.
std::string WithNumber(std::string_view bytes, int32_t number, LineEnds ends) {
  size_t i = 0;
  while (i < bytes.size() && (IsBlank(bytes[i]) || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
  std::string out(bytes.substr(0, i));
  if (i + 1 < bytes.size() && bytes[i] == 'X' && bytes[i + 1] == ':') {
    size_t from = i + 2;
    while (from < bytes.size() && IsBlank(bytes[from])) ++from;
    size_t to = from;
    if (to < bytes.size() && (bytes[to] == '+' || bytes[to] == '-')) ++to;
    while (to < bytes.size() && bytes[to] >= '0' && bytes[to] <= '9') ++to;
    out.append(bytes.substr(i, from - i));
    out += std::to_string(number);
    out.append(bytes.substr(to));
  } else {
    out += "X:" + std::to_string(number) + ConvertCrLf(kCrLf, ends);
    out.append(bytes.substr(i));
  }
  return out;
}

bool SameFields(const TuneRecord& a, const TuneRecord& b) {
  for (char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZum"))
    if (*a.Field(c) != *b.Field(c)) return false;
  return true;
}

}  // namespace

TuneFile::Kept TuneFile::CompareLoaded(const TuneRecord& record) const {
  if (record.loaded.empty()) return Kept::kNo;
  std::string text = HasLoneCr(record.loaded) ? NormalizeLoneCr(record.loaded) : record.loaded;
  if (options_.convertTeX) TeXDecode(text);
  TuneRecord probe;
  ParseTune(probe, text, true);
  if (probe.titles != record.titles || probe.body != record.body || probe.words != record.words ||
      probe.afterText != record.afterText || !SameFields(probe, record))
    return Kept::kNo;
  return probe.number == record.number ? Kept::kYes : Kept::kNumberOnly;
}

bool TuneFile::KeepsLoadedBytes(const TuneRecord& record) const {
  return !options_.canonical && CompareLoaded(record) == Kept::kYes;
}

void TuneFile::AppendCanonical(std::string& out, std::string_view crlfText) const {
  if (options_.canonical || FileLineEnds() == LineEnds::kCrLf)
    out += crlfText;
  else
    out += ConvertCrLf(crlfText, FileLineEnds());
}

void TuneFile::AppendTune(std::string& out, const TuneRecord& record) const {
  if (!options_.canonical) {
    switch (CompareLoaded(record)) {
      case Kept::kYes: out += record.loaded; return;
      case Kept::kNumberOnly:
        out += WithNumber(record.loaded, record.number, FileLineEnds());
        return;
      case Kept::kNo: break;
    }
  }
  AppendCanonical(out, WriteTune(record, options_.convertTeX));
}

std::string TuneFile::WriteFile() const {
  std::string out;
  size_t total = headerText ? headerText->size() : 0;
  for (const auto& t : tunes_) total += t->body.size() + 256;
  out.reserve(options_.convertTeX ? total * 2 : total);
  if (headerText) {
    if (!options_.canonical && headerParsed_ == headerText)
      out += headerLoaded_;
    else if (options_.convertTeX)
      AppendCanonical(out, TeXEncode(*headerText, options_.cvtTeXEsc));
    else
      AppendCanonical(out, *headerText);
  }
  for (const auto& t : tunes_) AppendTune(out, *t);
  return out;
}

// ---------------------------------------------------------------------------
// The tune list

TuneRecord* TuneFile::TuneAt(int position) {
  if (position < 1 || static_cast<size_t>(position) > tunes_.size()) return nullptr;
  return tunes_[static_cast<size_t>(position - 1)].get();
}

const TuneRecord* TuneFile::TuneAt(int position) const {
  return const_cast<TuneFile*>(this)->TuneAt(position);
}

int TuneFile::PositionOf(const TuneRecord& record) const {
  if (!positionsValid_) {
    for (size_t k = 0; k < tunes_.size(); ++k)
      tunes_[k]->cachedPosition = static_cast<int32_t>(k + 1);
    positionsValid_ = true;
  }
  int p = record.cachedPosition;
  if (p >= 1 && static_cast<size_t>(p) <= tunes_.size() &&
      tunes_[static_cast<size_t>(p - 1)].get() == &record)
    return p;
  return 0;
}

void TuneFile::LinkAt(size_t index, std::unique_ptr<TuneRecord> record) {
  record->owner = this;
  tunes_.insert(tunes_.begin() + static_cast<std::ptrdiff_t>(std::min(index, tunes_.size())),
                std::move(record));
  InvalidatePositions();
}

TuneRecord* TuneFile::InsertTune(int after, const std::string_view* text) {
  UndoStep step(*this, "Insert Tune");
  after = std::clamp(after, 0, static_cast<int>(tunes_.size()));
  const TuneRecord* prev = TuneAt(after);
  auto rec = std::make_unique<TuneRecord>();
  rec->owner = this;
  if (text != nullptr) {
    if (HasLoneCr(*text))
      ParseTune(*rec, NormalizeLoneCr(*text), false);
    else
      ParseTune(*rec, *text, false);
    SeparateFromNext(*rec);
    if (prev != nullptr && rec->number == 1) rec->number = prev->number + 1;
  } else {
    NewTune(*rec, UnusedNumber(prev != nullptr ? prev->number + 1 : 1));
  }
  TuneRecord* raw = rec.get();
  LinkAt(static_cast<size_t>(after), std::move(rec));
  return raw;
}

void TuneFile::NewTune(TuneRecord& record, int32_t number) const {
  record.Clear();
  record.number = number;
  record.titles.emplace_back();
  record.body = kCrLf;
  record.afterText.emplace(kCrLf);
  static const FormatEnv kDefaultEnv;
  const FormatEnv* env = options_.formatEnv != nullptr ? options_.formatEnv : &kDefaultEnv;
  FormatOptions opts;
  opts.readEscapes = true;
  for (size_t k = 0; k < kFileHeaderLetters.size(); ++k) {
    if (!headerFields[k]) continue;
    std::string value = ExpandFormat(*headerFields[k], &record, -1, opts, env);
    if (value.size() > 2048) value.resize(2048);
    *record.Field(kFileHeaderLetters[k]) = std::move(value);
  }
  if (!record.Field('K')->has_value()) record.Field('K')->emplace();
  if (!record.Field('M')->has_value()) record.Field('M')->emplace();
  if (!record.Field('L')->has_value()) record.Field('L')->emplace(options_.defaultLength);
}

std::vector<std::unique_ptr<TuneRecord>> TuneFile::TakeOut(const std::vector<int>& positions) {
  std::vector<std::unique_ptr<TuneRecord>> out;
  out.reserve(positions.size());
  size_t k = 0, kept = 0;
  for (size_t i = 0; i < tunes_.size(); ++i) {
    if (k < positions.size() && static_cast<size_t>(positions[k]) == i + 1) {
      out.push_back(std::move(tunes_[i]));
      ++k;
    } else {
      tunes_[kept++] = std::move(tunes_[i]);
    }
  }
  tunes_.resize(kept);
  InvalidatePositions();
  return out;
}

void TuneFile::PutIn(const std::vector<int>& positions,
                     std::vector<std::unique_ptr<TuneRecord>> records) {
  const size_t total = tunes_.size() + records.size();
  std::vector<std::unique_ptr<TuneRecord>> merged;
  merged.reserve(total);
  size_t k = 0, old = 0;
  for (size_t at = 0; at < total; ++at) {
    const bool put =
        k < records.size() && (static_cast<size_t>(positions[k]) == at + 1 || old == tunes_.size());
    std::unique_ptr<TuneRecord>& next = put ? records[k++] : tunes_[old++];
    next->owner = this;
    merged.push_back(std::move(next));
  }
  tunes_ = std::move(merged);
  InvalidatePositions();
}

void TuneFile::ClearAll() {
  headerText.reset();
  for (auto& f : headerFields) f.reset();
  tunes_.clear();
  history_.Clear();
  positionsValid_ = true;
  lineEnds_.reset();
  headerLoaded_.clear();
  headerParsed_.reset();
}

// ---------------------------------------------------------------------------
// Document operations

std::string TuneFile::CopyText(const std::vector<int>& positions) const {
  std::string out;
  for (int p : positions)
    if (const TuneRecord* rec = TuneAt(p)) out += WriteTune(*rec, false);
  return out;
}

DeleteResult TuneFile::DeleteTunes(const std::vector<int>& positions,
                                   const TuneHistory::IsOpen& isOpen) {
  UndoStep step(*this, "Delete");
  DeleteResult result;
  std::vector<int> taken;
  for (int pos : positions) {
    TuneRecord* rec = TuneAt(pos);
    if (rec == nullptr) continue;
    if (isOpen && isOpen(*rec)) {
      result.refused.push_back(pos);
      continue;
    }
    taken.push_back(pos);
  }
  std::sort(taken.begin(), taken.end());
  taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
  // The records go to the history, which gives them back on Undo.
  for (auto& rec : TakeOut(taken)) history_.Park(std::move(rec));
  result.removed = static_cast<int>(taken.size());
  return result;
}

ListChange TuneFile::Undo(const TuneHistory::IsOpen& isOpen) {
  return history_.Replay(*this, true, isOpen);
}

ListChange TuneFile::Redo(const TuneHistory::IsOpen& isOpen) {
  return history_.Replay(*this, false, isOpen);
}

int TuneFile::Paste(int after, std::string_view text) {
  size_t k = 0;
  while (k < text.size() && (IsBlank(text[k]) || text[k] == '\r' || text[k] == '\n')) ++k;
  text.remove_prefix(k);
  if (text.empty()) return 0;
  return SplitTunes(text, false, after, false);
}

std::vector<int32_t> TuneFile::RepeatedNumbers() const {
  std::vector<int32_t> numbers;
  numbers.reserve(tunes_.size());
  for (const auto& t : tunes_) numbers.push_back(t->number);
  std::sort(numbers.begin(), numbers.end());
  std::vector<int32_t> repeated;
  for (size_t k = 1; k < numbers.size(); ++k)
    if (numbers[k] == numbers[k - 1] && (repeated.empty() || repeated.back() != numbers[k]))
      repeated.push_back(numbers[k]);
  return repeated;
}

int32_t TuneFile::UnusedNumber(int32_t wanted) const {
  std::vector<int32_t> numbers;
  numbers.reserve(tunes_.size());
  for (const auto& t : tunes_)
    if (t->number >= wanted) numbers.push_back(t->number);
  std::sort(numbers.begin(), numbers.end());
  for (int32_t n : numbers) {
    if (n > wanted) break;
    if (n == wanted && wanted < std::numeric_limits<int32_t>::max()) ++wanted;
  }
  return wanted;
}

void TuneFile::Renumber(int32_t start) {
  UndoStep step(*this, "Renumber");
  int64_t n = start;
  for (auto& t : tunes_) {
    t->number = static_cast<int32_t>(std::min<int64_t>(n, std::numeric_limits<int32_t>::max()));
    ++n;
  }
}

bool TuneFile::SetAfterText(int position, std::string_view text) {
  TuneRecord* rec = TuneAt(position);
  if (rec == nullptr) return false;
  std::string block = WithCrLf(text);
  // The text after a tune must begin with the empty line that ends the tune, or it
  // would be read back as music of the tune.
  if (block.compare(0, 2, kCrLf) != 0) block.insert(0, kCrLf);
  if (block.size() < 2 || block.compare(block.size() - 2, 2, kCrLf) != 0) block += kCrLf;
  if (rec->afterText && *rec->afterText == block) return false;
  rec->afterText = std::move(block);
  return true;
}

// ---------------------------------------------------------------------------
// Files

bool TuneFile::Load(const std::string& path, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) return false;
  ClearAll();
  name = path;
  SplitTunes(bytes, true, 0, options_.convertTeX);
  return true;
}

bool TuneFile::Save(const std::string& path, std::string& error) const {
  return WriteFileAtomically(path, WriteFile(), error);
}

}  // namespace tunora
