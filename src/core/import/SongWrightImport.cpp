#include "import/SongWrightImport.h"

#include <numeric>
#include <vector>

#include "abc/AbcHeader.h"
#include "base/Ascii.h"
#include "import/AbcText.h"
#include "import/OemText.h"

namespace tunora {

namespace {

// The ABC pitch of a cell's first character; "" for none.
std::string Pitch(char c) {
  switch (c) {
    case 'C':
    case 'D':
    case 'E':
    case 'F':
    case 'G':
    case 'c':
    case 'd':
    case 'e':
    case 'f':
    case 'g': return std::string(1, c);
    case 'a': return "A";
    case 'b': return "B";
    case 'h': return "a";
    case 'i': return "b";
    case 'R':
    case 'X':
    case 'r':
    case 'x': return "z";
    default: break;
  }
  if (c >= '<' && c <= 'B') return std::string(1, "CDEFGAB"[c - '<']) + ",";
  if (c >= 'j' && c <= 'p') return std::string(1, "cdefgab"[c - 'j']) + "'";
  return "";
}

std::string_view Accidental(char c) {
  switch (c) {
    case '#': return "^";
    case '$': return "^^";
    case '%': return "=";
    case '&': return "_";
    case '*': return "__";
    default: return "";
  }
}

// The written length of a duration character; false for none. triplet is set
// for the triplet durations.
bool Duration(char c, std::string& length, bool& triplet) {
  triplet = false;
  switch (c) {
    case '1': length = "8"; return true;
    case '2': length = "4"; return true;
    case '3': length = "6"; return true;
    case '4': length = "2"; return true;
    case '5': length = "3"; return true;
    case '8': length = ""; return true;
    case '9': length = "3/2"; return true;
    case '0': length = "/"; return true;
    case '-': length = "3/4"; return true;
    case '=': length = "/4"; return true;
    case '/':
      length = "4";
      triplet = true;
      return true;
    case '6':
      length = "2";
      triplet = true;
      return true;
    case '7':
      length = "";
      triplet = true;
      return true;
    default: return false;
  }
}

// One note cell: pitch, accidental, duration, then "+" (a chord goes on) or ".".
// Returns "" for a cell that is no note.
std::string NoteCell(std::string_view cell, bool& inChord, int& tripletCount) {
  if (cell.size() < 3) return "";
  const std::string pitch = Pitch(cell[0]);
  std::string length;
  bool triplet = false;
  if (pitch.empty() || !Duration(cell[2], length, triplet)) return "";
  std::string out;
  if (tripletCount < 0) {
    ++tripletCount;  // a note of the group a "T34" cell opened
  } else if (triplet) {
    if (tripletCount % 3 == 0) out += "(3";
    ++tripletCount;
  }
  const bool chordGoesOn = cell.size() > 3 && cell[3] == '+';
  if (chordGoesOn && !inChord) out += '[';
  if (pitch != "z") out += Accidental(cell[1]);
  out += pitch;
  out += length;
  if (cell.size() > 3 && cell[3] == '.') out += '.';
  if (inChord && !chordGoesOn) out += ']';
  inChord = chordGoesOn;
  return out;
}

// A cell that begins with S: bar and repeat signs, and meter changes "ST" n m.
std::string SignCell(std::string_view cell) {
  if (cell.size() >= 3 && cell[1] == '-' && IsDigit(cell[2])) {
    if (cell[2] == '1') return "|:";
    if (cell[2] == '2') return ":|";
    return "|";
  }
  if (cell.size() >= 4 && cell[1] == 'T' && IsDigit(cell[2]) && IsDigit(cell[3]))
    return std::string("[M:") + cell[2] + "/" + cell[3] + "][L:1/8]";
  return "";
}

std::string BeatText(std::string_view meter) {
  MeterInfo m;
  ParseMeter(meter, m, false, false);
  if (m.numerator == 0 || m.beatLength <= 0) return "1/4";
  const long g = std::gcd(static_cast<long>(m.beatLength), 768L);
  return std::to_string(m.beatLength / g) + "/" + std::to_string(768 / g);
}

// The key text of a K line.
std::string KeyText(std::string_view t) {
  if (!t.empty() && t[0] >= 'a' && t[0] <= 'g') {
    const char letter = static_cast<char>(t[0] - 'a' + 'A');
    if (t.size() == 1) return std::string(1, letter);
    if (t.size() == 2 && (t[1] == '#' || t[1] == 'b')) return std::string(1, letter) + t[1] + "m";
  }
  return std::string(t);
}

}  // namespace

std::string ConvertSongWrightMusic(std::string_view cells, int& tripletCount) {
  std::string out;
  bool inChord = false;
  bool firstCell = true;
  size_t pos = 0;
  while (pos < cells.size()) {
    while (pos < cells.size() && (cells[pos] == ' ' || cells[pos] == '\t')) ++pos;
    size_t end = pos;
    while (end < cells.size() && cells[end] != ' ' && cells[end] != '\t') ++end;
    std::string_view word = cells.substr(pos, end - pos);
    pos = end;
    if (word.empty()) continue;
    // The first cell of a line carries the line's column number in front of it.
    if (firstCell)
      while (!word.empty() && IsDigit(word[0])) word.remove_prefix(1);
    firstCell = false;
    if (word.empty()) continue;
    const bool inChordBefore = inChord;
    std::string text;
    if (word[0] == 'S') {
      text = SignCell(word);
    } else if (word == "T34") {
      text = "(3";
      tripletCount = -3;
    } else {
      // Cells joined by "_" are sung to one syllable: a slur.
      std::vector<std::string> notes;
      size_t p = 0;
      while (p <= word.size()) {
        size_t q = word.find('_', p);
        if (q == std::string_view::npos) q = word.size();
        std::string n = NoteCell(word.substr(p, q - p), inChord, tripletCount);
        if (!n.empty()) notes.push_back(std::move(n));
        p = q + 1;
      }
      for (size_t i = 0; i < notes.size(); ++i) {
        if (notes.size() > 1 && i == 0) text += '(';
        text += notes[i];
        if (notes.size() > 1 && i + 1 == notes.size()) text += ')';
      }
    }
    if (text.empty()) continue;
    const bool afterTuplet = out.size() >= 2 && out.compare(out.size() - 2, 2, "(3") == 0;
    if (!out.empty() && !inChordBefore && !afterTuplet) out += ' ';
    out += text;
  }
  if (inChord) out += ']';
  return out;
}

std::string ConvertSongWrightText(std::string_view text, std::string_view sourcePath) {
  std::string out;
  std::string key, tempo = "120";
  bool musicBegun = false;
  int tripletCount = 0;
  auto line = [&out](std::string_view s) {
    out += s;
    out += "\r\n";
  };
  auto beginMusic = [&]() {
    if (musicBegun) return;
    musicBegun = true;
    line("Z:" + std::string(sourcePath));
    line("K:" + key);
  };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n')) raw.remove_suffix(1);
    // A code letter and a sign, in either order.
    char code = 0, sign = 0;
    std::string_view rest;
    if (raw.size() >= 2 && (raw[0] == '+' || raw[0] == '-')) {
      sign = raw[0];
      code = raw[1];
      rest = raw.substr(2);
    } else if (raw.size() >= 2 && (raw[1] == '+' || raw[1] == '-') && raw[0] >= 'A' &&
               raw[0] <= 'Z') {
      code = raw[0];
      sign = raw[1];
      rest = raw.substr(2);
    } else {
      if (out.empty() && raw.find_first_not_of(" \t") != std::string_view::npos) return "";
      continue;
    }
    if (out.empty() && (code != 'N' || sign != '-')) return "";
    const std::string t = PrintableText(OemToWindows(rest));
    switch (code) {
      case 'N': line("T:" + t); break;
      // Empty texts say nothing and give no line.
      case 'C':
        if (!musicBegun && !t.empty()) line("C:" + t);
        break;
      case 'A':
        if (!musicBegun && !t.empty()) line("Z:Author: " + t);
        break;
      case 'F':
        if (!musicBegun && !t.empty()) line("Z:Footnote: " + t);
        break;
      case 'T':
        if (!t.empty()) line("Z:Tempo: " + t);
        break;
      case 'S':
        if (!t.empty()) tempo = t;
        break;
      case 'K': key = KeyText(t); break;
      case 'B':
        line("M:" + t);
        line("L:1/8");
        line("Q:" + BeatText(t) + "=" + tempo);
        break;
      case 'H':
        beginMusic();
        if (!t.empty()) line("%" + t);
        break;
      case 'L': line("w:" + t); break;
      case 'M':
        beginMusic();
        line(ConvertSongWrightMusic(t, tripletCount));
        break;
      default: break;
    }
  }
  if (!out.empty()) beginMusic();
  return out;
}

}  // namespace tunora
