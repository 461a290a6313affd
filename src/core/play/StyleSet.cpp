#include "play/StyleSet.h"

#include <cstdio>
#include <filesystem>

#include "base/FileIO.h"
#include "base/MessageSink.h"
#include "app/Settings.h"
#include "base/Ascii.h"

namespace tunora {

namespace {

// Numbers of an item's value, read one after another.
class NumberReader {
 public:
  explicit NumberReader(std::string_view s) : s_(s) {}

  void SkipBlanks() {
    while (p_ < s_.size() && IsSpace(s_[p_])) ++p_;
  }
  // Decimal digits (at most 9 of them, no sign); false when there are none.
  bool Number(int& value) {
    SkipBlanks();
    if (p_ >= s_.size() || !IsDigit(s_[p_])) return false;
    long long v = 0;
    int digits = 0;
    while (p_ < s_.size() && IsDigit(s_[p_])) {
      if (++digits > 9) return false;
      v = v * 10 + (s_[p_] - '0');
      ++p_;
    }
    value = static_cast<int>(v);
    return true;
  }
  bool Literal(std::string_view text) {
    SkipBlanks();
    if (s_.substr(p_).substr(0, text.size()) != text) return false;
    p_ += text.size();
    return true;
  }
  bool AtEnd() {
    SkipBlanks();
    return p_ >= s_.size();
  }

 private:
  std::string_view s_;
  size_t p_ = 0;
};

// "1/n k /d w1 ... wk": n not 0 (and a unit of at least one tick), k from 1 to 4,
// d not 0, exactly k weights, none 0.
bool ParseSwing(std::string_view value, SwingSpec& swing) {
  NumberReader r(value);
  SwingSpec s;
  if (!r.Literal("1/") || !r.Number(s.n) || s.n == 0 || s.n > static_cast<int>(kTicksPerWhole))
    return false;
  if (!r.Number(s.count) || s.count < 1 || s.count > SwingSpec::kMaxWeights) return false;
  if (!r.Literal("/") || !r.Number(s.divisor) || s.divisor == 0) return false;
  for (int i = 0; i < s.count; ++i) {
    if (!r.Number(s.weights[static_cast<size_t>(i)]) || s.weights[static_cast<size_t>(i)] == 0)
      return false;
  }
  if (!r.AtEnd()) return false;
  swing = s;
  return true;
}

// "a b c" with c not 0.
bool ParseBroken(std::string_view value, BrokenRatio& ratio) {
  NumberReader r(value);
  BrokenRatio b;
  if (!r.Number(b.a) || !r.Number(b.b) || !r.Number(b.c) || b.c == 0 || !r.AtEnd()) return false;
  b.present = true;
  ratio = b;
  return true;
}

class StyleReader {
 public:
  StyleReader(std::string_view text, StyleSet& set) : t_(text), set_(set) {}

  bool Read(unsigned& errorLine) {
    for (;;) {
      SkipSpace();
      if (p_ >= t_.size()) return true;
      bool ok = false;
      if (Keyword("rhythm")) {
        ok = OpenBlock() && ReadRhythm();
      } else if (Keyword("chord")) {
        ok = OpenBlock() && ReadChord();
      } else if (Keyword("backing")) {
        ok = OpenBlock() && ReadBacking();
      }
      if (!ok) {
        errorLine = line_;
        return false;
      }
    }
  }

 private:
  // Blanks, line ends and // comments.
  void SkipSpace() {
    while (p_ < t_.size()) {
      const char c = t_[p_];
      if (c == '\n') {
        ++line_;
        ++p_;
      } else if (IsSpace(c)) {
        ++p_;
      } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '/') {
        while (p_ < t_.size() && t_[p_] != '\n') ++p_;
      } else {
        break;
      }
    }
  }

  bool Keyword(std::string_view word) {
    if (t_.substr(p_).substr(0, word.size()) != word) return false;
    p_ += word.size();
    return true;
  }

  bool OpenBlock() {
    SkipSpace();
    if (p_ >= t_.size() || t_[p_] != '{') return false;
    ++p_;
    return true;
  }

  // Before an item: true at the closing brace (consumed); false at the end of
  // the text, which is an error inside a block.
  // Reads the items of a block up to its '}', each by item; false when an item fails or
  // the text ends first.
  template <class Item>
  bool ReadItems(Item item) {
    for (;;) {
      bool closed = false;
      if (!BlockEnd(closed)) return false;
      if (closed) return true;
      if (!item()) return false;
    }
  }

  bool BlockEnd(bool& closed) {
    SkipSpace();
    closed = p_ < t_.size() && t_[p_] == '}';
    if (closed) ++p_;
    return closed || p_ < t_.size();
  }

  // The text from the first non-blank after the keyword up to the ';' (consumed).
  bool Value(std::string& out) {
    size_t b = p_;
    while (b < t_.size() && IsSpace(t_[b])) {
      if (t_[b] == '\n') ++line_;
      ++b;
    }
    size_t e = b;
    while (e < t_.size() && t_[e] != ';') {
      if (t_[e] == '\n') ++line_;
      ++e;
    }
    if (e >= t_.size()) {
      p_ = e;
      return false;
    }
    out.assign(TrimSpace(t_.substr(b, e - b)));
    p_ = e + 1;
    return true;
  }

  bool ReadRhythm() {
    RhythmRecord r;
    std::string v;
    const bool read = ReadItems([&] {
      if (Keyword("name")) {
        if (!Value(v) || r.names.size() >= RhythmRecord::kMaxNames) return false;
        r.names.push_back(v);
      } else if (Keyword("meter")) {
        if (!Value(v) || r.meters.size() >= RhythmRecord::kMaxMeters) return false;
        r.meters.push_back(v);
      } else if (Keyword("tempo")) {
        if (!Value(r.tempo)) return false;
      } else if (Keyword("swingbbr")) {
        if (!Value(v) || !ParseBroken(v, r.swingbbr)) return false;
      } else if (Keyword("swingbr")) {
        if (!Value(v) || !ParseBroken(v, r.swingbr)) return false;
      } else if (Keyword("swing")) {
        if (!Value(v) || !ParseSwing(v, r.swing)) return false;
      } else if (Keyword("beatlen")) {
        if (!Value(v) || !ParseSwing(v, r.beatlen)) return false;
      } else if (Keyword("datetime")) {
        if (!Value(v) || v.size() != RhythmRecord::kNewDatetime.size()) return false;
        r.datetime = v;
      } else {
        return false;
      }
      return true;
    });
    if (!read) return false;
    if (!r.names.empty() && !r.meters.empty()) set_.rhythms.push_back(std::move(r));
    return true;
  }

  bool ReadChord() {
    ChordType c;
    bool named = false;
    std::string v;
    const bool read = ReadItems([&] {
      if (Keyword("name")) {
        if (!Value(v) || v.size() > ChordType::kMaxName) return false;
        c.name = v;
        named = true;
      } else if (Keyword("notes")) {
        if (!Value(v)) return false;
        NumberReader r(v);
        c.notes.clear();
        int interval = 0;
        while (r.Number(interval)) {
          if (c.notes.size() >= ChordType::kMaxNotes || interval > 127) return false;
          c.notes.push_back(interval);
        }
        if (!r.AtEnd()) return false;
      } else {
        return false;
      }
      return true;
    });
    if (!read) return false;
    if (named) set_.chordTypes.push_back(std::move(c));
    return true;
  }

  bool ReadBacking() {
    Backing b;
    std::string v;
    const bool read = ReadItems([&] {
      if (Keyword("name")) {
        if (!Value(b.name)) return false;
      } else if (Keyword("use")) {
        if (!Value(v)) return false;
        b.use = true;
      } else if (Keyword("meter")) {
        if (!Value(v) || b.pairs.size() >= Backing::kMaxPairs) return false;
        size_t colon = v.find(':');
        if (colon == std::string::npos) return false;
        b.pairs.push_back({std::string(TrimSpace(std::string_view(v).substr(0, colon))),
                           std::string(TrimSpace(std::string_view(v).substr(colon + 1)))});
      } else {
        return false;
      }
      return true;
    });
    if (!read) return false;
    set_.backings.push_back(std::move(b));
    return true;
  }

  std::string_view t_;
  StyleSet& set_;
  size_t p_ = 0;
  unsigned line_ = 1;
};

void AppendSwing(std::string& out, std::string_view keyword, const SwingSpec& s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "\t%.*s 1/%d %d /%d", static_cast<int>(keyword.size()),
                keyword.data(), s.n, s.count, s.divisor);
  out += buf;
  for (int i = 0; i < s.count; ++i) {
    std::snprintf(buf, sizeof buf, " %d", s.weights[static_cast<size_t>(i)]);
    out += buf;
  }
  out += ";\r\n";
}

void AppendBroken(std::string& out, std::string_view keyword, const BrokenRatio& b) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "\t%.*s %d %d %d;\r\n", static_cast<int>(keyword.size()),
                keyword.data(), b.a, b.b, b.c);
  out += buf;
}

}  // namespace

void StyleSet::Clear() {
  rhythms.clear();
  chordTypes.clear();
  backings.clear();
}

bool StyleSet::Parse(std::string_view text, unsigned& errorLine) {
  StyleReader reader(text, *this);
  return reader.Read(errorLine);
}

bool StyleSet::LoadFromFile(const std::string& path, MessageSink& sink) {
  Clear();
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return true;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxFileBytes) return false;
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, text, error) || text.size() > kMaxFileBytes) return false;
  unsigned line = 0;
  if (!Parse(text, line)) sink.Message("Error in " + path + ", line " + std::to_string(line));
  return true;
}

std::string StyleSet::Write() const {
  std::string out = "// Do NOT edit this file.\r\n";
  for (const RhythmRecord& r : rhythms) {
    if (r.names.empty() || r.meters.empty()) continue;
    out += "\r\nrhythm {\r\n";
    for (const std::string& name : r.names) out += "\tname " + name + ";\r\n";
    for (const std::string& meter : r.meters) out += "\tmeter " + meter + ";\r\n";
    out += "\ttempo " + r.tempo + ";\r\n";
    if (r.swing.Present()) AppendSwing(out, "swing", r.swing);
    if (r.swingbr.present) AppendBroken(out, "swingbr", r.swingbr);
    if (r.swingbbr.present) AppendBroken(out, "swingbbr", r.swingbbr);
    if (r.beatlen.Present()) AppendSwing(out, "beatlen", r.beatlen);
    out += "\tdatetime " + r.datetime + ";\r\n";
    out += "}\r\n";
  }
  out += "\r\n";
  for (const ChordType& c : chordTypes) {
    out += "chord { name " + c.name + "; notes";
    for (int n : c.notes) out += " " + std::to_string(n);
    out += ";}\r\n";
  }
  out += "\r\n";
  for (const Backing& b : backings) {
    out += "\r\nbacking {\r\n\tname " + b.name + ";\r\n";
    if (b.use) out += "\tuse;\r\n";
    for (const BackingPair& pair : b.pairs)
      out += "\tmeter " + pair.meters + ": " + pair.pattern + ";\r\n";
    out += "}\r\n";
  }
  return out;
}

bool StyleSet::SaveToFile(const std::string& path, MessageSink& sink) const {
  std::string error;
  if (WriteFileAtomically(path, Write(), error)) return true;
  sink.Message("Cannot write file " + path);
  return false;
}

const RhythmRecord* StyleSet::SelectRhythm(std::string_view rhythmText,
                                           std::string_view meterText) const {
  rhythmText = TrimSpace(rhythmText);
  meterText = TrimSpace(meterText);
  for (const RhythmRecord& r : rhythms) {
    bool nameOk = r.names.size() == 1 && r.names[0].empty();
    for (size_t i = 0; !nameOk && i < r.names.size(); ++i)
      nameOk = EqualNoCase(r.names[i], rhythmText);
    if (!nameOk) continue;
    if (meterText.empty()) return &r;
    for (const std::string& m : r.meters)
      if (EqualNoCase(m, meterText)) return &r;
  }
  return nullptr;
}

const Backing* StyleSet::SelectBacking(std::string_view name) const {
  if (backings.empty()) return nullptr;
  for (const Backing& b : backings)
    if (!name.empty() && b.name == name) return &b;
  for (const Backing& b : backings)
    if (b.use) return &b;
  return &backings.front();
}

const ChordType* StyleSet::FindChordType(std::string_view name) const {
  for (const ChordType& c : chordTypes)
    if (c.name == name) return &c;
  return nullptr;
}

StyleSet& StyleSet::Application() {
  static StyleSet set;
  return set;
}

void ConnectStyleSet(SettingsDataHooks& hooks, MessageSink& sink, StyleSet& set) {
  hooks.loadStyleFile = [&set, &sink](const std::string& path) {
    return set.LoadFromFile(path, sink);
  };
}

}  // namespace tunora
