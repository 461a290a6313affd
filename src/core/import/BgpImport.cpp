#include "import/BgpImport.h"

#include <vector>

#include "base/MessageSink.h"
#include "import/AbcText.h"

namespace tunora {

namespace {

constexpr int kEighth = 96;

// Melody letters of the file and the ABC pipe-scale letters they stand for.
char PipeLetter(char c) {
  switch (c) {
    case 'A':
    case 'B':
    case 'G':
    case 'a':
    case 'g': return c;
    case 'C':
    case 'D':
    case 'E':
    case 'F': return static_cast<char>(c - 'A' + 'a');
    default: return 0;
  }
}

constexpr std::string_view kGraceCodes = "#'*,-/<=>W\\^bcdefhkltw~";

// The strike gracenote below a melody note.
char StrikeBelow(char note) {
  switch (note) {
    case 'e': return 'A';
    case 'f': return 'e';
    case 'g': return 'f';
    case 'a': return 'g';
    default: return 'G';
  }
}

// The doubling of a melody note, without the leading high G gracenote.
std::string DoublingTail(char note) {
  switch (note) {
    case 'G':
    case 'A':
    case 'B':
    case 'c': return std::string(1, note) + "d";
    case 'd': return "de";
    case 'e': return "ef";
    case 'f': return "fg";
    default: return "";
  }
}

// Ticks of a length digit; 0 for none. triplet is set for 3, 9 and 7.
int LengthTicks(char digit, bool& triplet) {
  triplet = false;
  switch (digit) {
    case '1': return 768;
    case '2': return 384;
    case '4': return 192;
    case '8': return 96;
    case '6': return 48;
    case '5': return 24;
    case '3': triplet = true; return 64;
    case '9': triplet = true; return 32;
    case '7': triplet = true; return 16;
    default: return 0;
  }
}

struct Item {
  enum Kind { kNote, kText, kField, kKey, kBreak, kBar } kind = kText;
  std::string text;  // kText, kField, kBar: what is written; kNote: the gracenotes
  char letter = 0;
  int ticks = 0;  // the note's length without dots
  int dots = 0;
  bool triplet = false;
  int beat = 192;  // the beat of the meter in force
};

// Repeats and endings: one character each.
struct SignRow {
  char code;
  Item::Kind kind;
  std::string_view abc;
};
constexpr SignRow kSigns[] = {{'[', Item::kBar, " |:"},
                              {']', Item::kBar, " :|"},
                              {'x', Item::kText, " [1 "},
                              {'y', Item::kText, " [2 "},
                              {'z', Item::kText, " [1,2 "}};

class BgpReader {
 public:
  BgpReader(std::string_view text, MessageSink& sink) : text_(text), sink_(sink) {}

  // Reads the body from pos (the first "{").
  std::vector<Item> Read(size_t pos, int firstLine) {
    line_ = firstLine;
    while (pos < text_.size()) pos = ReadChar(pos);
    return std::move(items_);
  }

 private:
  void Message(const std::string& text) {
    sink_.Message("Line " + std::to_string(line_) + ":\n" + text);
  }

  Item& Add(Item::Kind kind, std::string text = {}) {
    items_.emplace_back();
    items_.back().kind = kind;
    items_.back().text = std::move(text);
    return items_.back();
  }

  size_t NextNonBlank(size_t pos) const {
    while (pos < text_.size() &&
           (text_[pos] == ' ' || text_[pos] == '\t' || text_[pos] == '\r' || text_[pos] == '\n')) {
      ++pos;
    }
    return pos;
  }

  size_t ReadLengthDigitAndDots(size_t pos, int& ticks, int& dots, bool& triplet) const {
    ticks = pos < text_.size() ? LengthTicks(text_[pos], triplet) : 0;
    dots = 0;
    if (ticks == 0) return pos;
    ++pos;
    while (pos < text_.size() && text_[pos] == '.') {
      ++dots;
      ++pos;
    }
    return pos;
  }

  size_t ReadNote(size_t pos, char letter) {
    int ticks = 0, dots = 0;
    bool triplet = false;
    size_t p = ReadLengthDigitAndDots(pos + 1, ticks, dots, triplet);
    if (ticks == 0) {
      Message("Note without length in BGP file: ignored.");
      Add(Item::kText, std::string("!") + text_[pos] + "!");
      graces_.clear();
      return pos + 1;
    }
    // "P" and an optional length after it are read and skipped.
    if (p < text_.size() && text_[p] == 'P') {
      int t2 = 0, d2 = 0;
      bool tr2 = false;
      p = ReadLengthDigitAndDots(p + 1, t2, d2, tr2);
    }
    std::string gracenotes;
    for (char code : graces_) {
      std::string g = BgpGraceExpansion(code, letter, previous_);
      if (g.empty()) {
        Message(std::string("BGP: Don't know how to do grace ") + code + " on note " + text_[pos]);
        continue;
      }
      gracenotes += g;
    }
    graces_.clear();
    Item& n = Add(Item::kNote, gracenotes.empty() ? std::string() : "{" + gracenotes + "}");
    n.letter = letter;
    n.ticks = ticks;
    n.dots = dots;
    n.triplet = triplet;
    n.beat = beat_;
    previous_ = letter;
    return p;
  }

  size_t ReadChar(size_t pos) {
    const char c = text_[pos];
    switch (c) {
      case ' ':
      case '\t':
      case '\r':
      case '{':
      case '}': return pos + 1;
      case '\n': ++line_; return pos + 1;
      case '$': {
        size_t p = pos + 1;
        char n = '4', d = '4';
        if (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') n = text_[p++];
        if (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') d = text_[p++];
        const std::string m = std::string(1, n) + "/" + d;
        if (!meterSeen_) {
          Add(Item::kField, "M:" + m);
          Add(Item::kField, "L:1/8");
        } else {
          Add(Item::kText, "[M:" + m + "][L:1/8]");
        }
        meterSeen_ = true;
        const int num = n - '0';
        beat_ = num % 3 == 0 && num >= 6 ? 288 : 192;
        return p;
      }
      case '@': {
        size_t p = pos + 1;
        long tempo = 0;
        while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') {
          if (tempo < 100000) tempo = tempo * 10 + (text_[p] - '0');
          ++p;
        }
        if (!tempoSeen_) {
          Add(Item::kField, "Q:1/4=" + std::to_string(tempo));
          Add(Item::kKey);
        } else {
          Add(Item::kText, "[Q:1/4=" + std::to_string(tempo) + "]");
        }
        tempoSeen_ = true;
        return p;
      }
      case '(': {
        std::string g;
        size_t p = pos + 1;
        while (p < text_.size() && text_[p] != ')') {
          if (text_[p] == '\n') ++line_;
          if (char l = PipeLetter(text_[p])) g += l;
          ++p;
        }
        if (!g.empty()) Add(Item::kText, "{" + g + "}");
        return p < text_.size() ? p + 1 : p;
      }
      case ';': Add(Item::kBreak); return pos + 1;
      case '|': {
        size_t p = pos + 1;
        const bool twice = p < text_.size() && text_[p] == '|';
        if (twice) ++p;
        const size_t next = NextNonBlank(p);
        if (next >= text_.size() || text_[next] != '[') Add(Item::kBar, twice ? " ||" : " |");
        return p;
      }
      default: break;
    }
    for (const SignRow& sign : kSigns) {
      if (sign.code == c) {
        Add(sign.kind, std::string(sign.abc));
        return pos + 1;
      }
    }
    if (char letter = PipeLetter(c)) return ReadNote(pos, letter);
    if (kGraceCodes.find(c) != std::string_view::npos) {
      graces_ += c;
      return pos + 1;
    }
    // A control character is shown as "?" so the message and the tune stay text.
    const auto u = static_cast<unsigned char>(c);
    const char shown = u < 32 || u == 127 ? '?' : c;
    Message(std::string("Unexpected character in BGP file: ") + shown);
    Add(Item::kText, std::string("!") + shown + "!");
    return pos + 1;
  }

  std::string_view text_;
  MessageSink& sink_;
  std::vector<Item> items_;
  std::string graces_;
  char previous_ = 0;
  int line_ = 1;
  int beat_ = 192;
  bool meterSeen_ = false;
  bool tempoSeen_ = false;
};

// Ticks of a note with its dots: each dot adds half of what the last added.
int DottedTicks(int ticks, int dots) {
  int total = ticks, add = ticks;
  for (int i = 0; i < dots && add > 1; ++i) {
    add /= 2;
    total += add;
  }
  return total;
}

class BgpWriter {
 public:
  explicit BgpWriter(std::string& out) : out_(out) {}

  void Write(const std::vector<Item>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& it = items[i];
      switch (it.kind) {
        case Item::kField: Field(it.text); break;
        case Item::kKey: EnsureKey(); break;
        case Item::kBreak:
          EnsureKey();
          out_ += "\r\n";
          lineEmpty_ = true;
          break;
        case Item::kBar:
          EnsureKey();
          Music(it.text);
          barPos_ = 0;
          break;
        case Item::kText:
          EnsureKey();
          Music(it.text);
          break;
        case Item::kNote: {
          EnsureKey();
          const Item* next =
              i + 1 < items.size() && items[i + 1].kind == Item::kNote ? &items[i + 1] : nullptr;
          if (next != nullptr && Pair(it, *next)) {
            ++i;
          } else {
            Note(it);
          }
          break;
        }
      }
    }
    out_ += "\r\n";
  }

 private:
  void Field(const std::string& text) {
    if (!lineEmpty_) out_ += "\r\n";
    out_ += text;
    out_ += "\r\n";
    lineEmpty_ = true;
  }

  // The pipe key before the first music, when no tempo code brought it.
  void EnsureKey() {
    if (keyWritten_) return;
    keyWritten_ = true;
    Field("K:Hp");
  }

  void Music(std::string_view text) {
    out_ += text;
    lineEmpty_ = false;
  }

  void EndOfNote(int beat) {
    if (barPos_ % beat == 0) Music(" ");
  }

  void Note(const Item& n) {
    std::string t = n.text;
    int written = n.ticks;
    if (n.triplet) {
      if (tripletLeft_ == 0) {
        t = "(3" + t;
        tripletLeft_ = 3;
      }
      --tripletLeft_;
      written = n.ticks * 3 / 2;
    } else {
      tripletLeft_ = 0;
    }
    t += n.letter;
    t += AbcLengthText(DottedTicks(written, n.dots), kEighth);
    Music(t);
    barPos_ += DottedTicks(n.ticks, n.dots);
    EndOfNote(n.beat);
  }

  // A dotted note and its short partner on a beat (eighth and sixteenth) or on an
  // eighth (sixteenth and thirty-second) become a broken-rhythm pair.
  bool Pair(const Item& a, const Item& b) {
    if (a.triplet || b.triplet || a.dots > 1 || b.dots > 1 || a.dots + b.dots != 1) return false;
    const Item& dotted = a.dots == 1 ? a : b;
    const Item& plain = a.dots == 1 ? b : a;
    if (dotted.ticks != plain.ticks * 2) return false;
    int grid = 0;
    if (dotted.ticks == 96) grid = a.beat;
    if (dotted.ticks == 48) grid = 96;
    if (grid == 0 || barPos_ % grid != 0) return false;
    tripletLeft_ = 0;
    const std::string length = AbcLengthText(dotted.ticks, kEighth);
    std::string t =
        a.text + a.letter + length + (a.dots == 1 ? ">" : "<") + b.text + b.letter + length;
    Music(t);
    barPos_ += dotted.ticks * 2;
    EndOfNote(a.beat);
    return true;
  }

  std::string& out_;
  bool lineEmpty_ = true;
  bool keyWritten_ = false;
  int barPos_ = 0;
  int tripletLeft_ = 0;
};

}  // namespace

std::string BgpGraceExpansion(char code, char note, char previous) {
  const std::string n(1, note);
  switch (code) {
    case 'b': return "B";
    case 'c': return "c";
    case 'd': return "d";
    case 'e': return "e";
    case 'f': return "f";
    case 'h': return "g";        // high G gracenote
    case 't': return "a";        // thumb gracenote
    case 'l': return "A";        // low A gracenote
    case 'w': return "G";        // low G gracenote
    case '*': return "GdGeAfA";  // crunluath
    case '#':
      if (note == 'A' || note == 'B' || note == 'c') return "GdG" + n + "e" + n + "f" + n;
      if (note == 'd') return "edfd";
      if (note == 'e') return "fege";
      return "";
    case '=': {  // doubling
      if (note == 'g') return "gf";
      if (note == 'a') return "ag";
      return "g" + DoublingTail(note);
    }
    case '-':  // half doubling
      if (note == 'g') return "gf";
      if (note == 'a') return "ag";
      return DoublingTail(note);
    case '^':  // thumb doubling
      if (note == 'g' || note == 'a') return "";
      return "a" + DoublingTail(note);
    case ',':  // strike
      if (note == 'G') return "";
      return std::string(1, StrikeBelow(note));
    case 'W':  // gracenote strike
      if (note == 'G' || note == 'a') return "";
      return "g" + n + StrikeBelow(note);
    case '/':  // grip
      return note == 'd' ? "GBG" : "GdG";
    case '\\':  // taorluath
      return note == 'd' ? "GBGe" : "GdGe";
    case '\'':  // throw on D
      return note == 'd' ? "Gdc" : "";
    case 'k':  // heavy throw on D
      return note == 'd' ? "GdGc" : "";
    case '<':  // birl: after a low A the first A is the melody note itself
      if (note != 'A') return "";
      return previous == 'A' ? "GAG" : "AGAG";
    case '>':  // birl with a high G gracenote
      return note == 'A' ? "gAGAG" : "";
    case '~': {  // pele
      if (note == 'G' || note == 'a') return "";
      const char above = note == 'e' ? 'f' : note == 'f' ? 'g' : note == 'g' ? 'a' : 'e';
      const char lead = note == 'g' ? 'a' : 'g';
      return std::string(1, lead) + n + above + n + StrikeBelow(note);
    }
    default: return "";
  }
}

std::string ConvertBgpText(std::string_view text, std::string_view sourcePath, MessageSink& sink) {
  std::string out;
  const size_t brace = text.find('{');
  const size_t headEnd = brace == std::string_view::npos ? text.size() : brace;
  int line = 1;
  size_t pos = 0;
  while (pos < headEnd) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos || end > headEnd) end = headEnd;
    std::string_view title = text.substr(pos, end - pos);
    while (!title.empty() && (title.back() == '\r' || title.back() == ' ')) title.remove_suffix(1);
    if (!title.empty()) {
      out += "T:";
      out += PrintableText(title);
      out += "\r\n";
    }
    if (end < headEnd) ++line;
    pos = end + 1;
  }
  out += "Z:";
  out += PrintableText(sourcePath);
  out += "\r\n";
  if (brace == std::string_view::npos) {
    out += "K:Hp\r\n";
    return out;
  }
  BgpReader reader(text, sink);
  std::vector<Item> items = reader.Read(brace, line);
  BgpWriter writer(out);
  writer.Write(items);
  return out;
}

}  // namespace tunora
