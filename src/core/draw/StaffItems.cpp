// Items from tokens: the reader walks the tune and every drawn token becomes a draw
// item; w: lines become the syllables of the notes they follow.
#include "draw/TuneDrawer.h"

#include "abc/UserSymbols.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneRecord.h"

namespace tunora::staff {

// ---------------------------------------------------------------------------------------
// Reading

void TuneDrawer::ReadLyricLine(std::string_view text, int32_t offset, int verse, size_t blockStart,
                               size_t blockEnd) {
  size_t n = blockStart;
  Syllable syllable;
  bool have = false;
  auto assign = [&](Syllable s) {
    if (n < blockEnd && n < lyrics_.size()) {
      auto& v = lyrics_[n];
      if (v.size() <= static_cast<size_t>(verse)) v.resize(static_cast<size_t>(verse) + 1);
      v[static_cast<size_t>(verse)] = std::move(s);
    }
    ++n;
  };
  auto at = [&](size_t i) { return offset < 0 ? -1 : offset + static_cast<int32_t>(i); };
  auto flush = [&](bool hyphen, size_t i) {
    if (have) {
      if (hyphen) syllable.text += '-';
      syllable.end = at(i);
      assign(std::move(syllable));
    }
    syllable = Syllable();
    have = false;
  };
  auto add = [&](char c, size_t i) {
    if (!have) syllable.begin = at(i);
    syllable.text += c;
    have = true;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t') {
      flush(false, i);
    } else if (c == '-') {
      if (have) {
        flush(true, i);
      } else if (n > blockStart) {
        // "--": a note passed over while the word goes on; it shows a hyphen.
        assign({"-", at(i), at(i + 1)});
      }
    } else if (c == '_') {
      flush(false, i);
      assign({"_", at(i), at(i + 1)});
    } else if (c == '*') {
      flush(false, i);
      assign({"", at(i), at(i + 1)});
    } else if (c == '|') {
      flush(false, i);
      if (n < noteBars_.size() && n > 0) {
        int bar = noteBars_[n - 1];
        while (n < noteBars_.size() && noteBars_[n] == bar) ++n;
      }
    } else if (c == '~') {
      add(' ', i);
    } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '-') {
      add('-', i);
      ++i;
    } else if (c != '\r' && c != '\n') {
      add(c, i);
    }
  }
  flush(false, text.size());
}

void TuneDrawer::CollectLyrics(const TuneRecord& tune) {
  size_t pos = 0;
  bool first = true;
  size_t notes = 0;
  int bar = 0;
  // The notes of the music line a w: line follows: lines joined by a continuation
  // count as one; a w: right after another w: is the next verse of the same notes.
  size_t lineStart = 0;                 // first note of the source line being read
  size_t groupStart = 0;                // first note of the line group being read
  size_t musicStart = 0, musicEnd = 0;  // the last line group that held notes
  bool continued = false;
  size_t blockStart = 0, blockEnd = 0;
  int verse = -1;
  bool sawLyrics = false;
  bool inText = false;
  struct Line {
    std::string_view text;
    int32_t offset;
    int verse;
    size_t start, end;
  };
  std::vector<Line> lines;
  const size_t guard = tune.body.size() * 4 + 64;
  for (size_t steps = 0; steps < guard; ++steps) {
    TokenKind k = NextToken(pos, first);
    first = false;
    if (k == TK_END) break;
    if (SkipsTextBlock(k, TokenText(), inText)) continue;
    if (k == TK_NOTE && IsLyricNote()) {
      noteBars_.push_back(bar);
      ++notes;
    } else if (IsBarKind(k)) {
      ++bar;
    } else if (k == TK_CONTINUE) {
      continued = true;
    } else if (k == TK_NEWLINE) {
      if (notes > lineStart) {
        musicStart = groupStart;
        musicEnd = notes;
      }
      lineStart = notes;
      if (!continued) groupStart = notes;
      continued = false;
    } else if (k == TK_FIELD_w) {
      if (musicEnd > blockEnd || verse < 0) {
        blockStart = std::max(musicStart, blockEnd);
        blockEnd = std::max(musicEnd, blockStart);
        verse = 0;
      } else {
        ++verse;
      }
      std::string_view t = TokenText();
      int32_t offset = -1;
      if (!InSubstitution() && t.data() >= Text().data() &&
          t.data() + t.size() <= Text().data() + Text().size())
        offset = static_cast<int32_t>(t.data() - Text().data());
      lines.push_back({t, offset, verse, blockStart, blockEnd});
      sawLyrics = true;
    }
  }
  if (!sawLyrics) return;
  lyrics_.assign(notes, {});
  for (const Line& l : lines) ReadLyricLine(l.text, l.offset, std::min(l.verse, 8), l.start, l.end);
}

void TuneDrawer::AddClef() {
  DrawItem clef;
  clef.kind = kItemClef;
  clef.value = clef_;
  ClefInfo info = ClefOf(clef_);
  clef.width = Box(info.symbol).advance + lp_.Get(LP_SpaceAfterClef) + LS / 4;
  clef.ink = Box(info.symbol).right;
  lastClef_ = clef;
}

void TuneDrawer::AddKey(bool cancel, const std::array<int8_t, 12>& old) {
  DrawItem k;
  k.kind = TK_FIELD_K;
  for (int pc = 0; pc < 12; ++pc) k.key[static_cast<size_t>(pc)] = key.letterAccidentals[pc];
  if (key.noKey) k.key.fill(0);
  // "exp": the signature is the accidentals written after it, nothing of the mode.
  if (keyExplicit_) {
    k.key.fill(0);
    for (int e = 0; e < key.explicitCount && e < 7; ++e) {
      int pc = key.explicitLetters[e] - 60;
      if (pc >= 0 && pc < 12) k.key[static_cast<size_t>(pc)] = key.explicitAccidentals[e];
    }
  }
  // Pipe music: Hp shows F and C sharp, HP no signature at all.
  if (key.bagpipeKey != 0) {
    k.key.fill(0);
    if (key.bagpipeKey == 2) k.key[5] = k.key[0] = 1;
  }
  k.oldKey = old;
  if (cancel) k.flags |= kItemCancel;
  k.value = clef_;
  k.width = KeyWidth(k);
  k.ink = k.width;
  key_ = k.key;
  lastKey_ = k;
  haveKey_ = true;
}

void TuneDrawer::AddMeter() {
  DrawItem m = MakeMeter();
  if (m.width > 0) Append(std::move(m));
}

DrawItem TuneDrawer::MakeMeter() const {
  DrawItem m;
  m.kind = TK_FIELD_M;
  m.value = meter.numerator;
  m.value2 = meter.denominator;
  m.value3 = meter.isSymbol ? 1 : 0;
  if (meter.partCount > 1) {
    for (int i = 0; i < meter.partCount && i < MeterInfo::kMaxParts; ++i) {
      if (i > 0) m.text += '+';
      m.text += std::to_string(meter.parts[i]);
    }
  } else {
    m.text = std::to_string(meter.numerator);
  }
  m.width = MeterWidth(m);
  m.ink = m.width;
  return m;
}

void TuneDrawer::AddText(uint8_t kind, std::string text) {
  DrawItem t;
  t.kind = kind;
  t.text = std::move(text);
  Append(std::move(t));
}

void TuneDrawer::AddBar(TokenKind kind) {
  // The bar line that ends an overlaid bar belongs to the voice overlaid; within an
  // overlay of several bars the overlay only starts its next bar.
  if (multi_ && overlayLevel_ > 0 && spanOpen_) {
    barTick_ = 0;
    return;
  }
  if (multi_ && overlayLevel_ > 0) EndOverlay();
  // A [| at the very start of a line takes the place of the staff start.
  if (kind == TK_START_BAR) {
    bool atStart = true;
    for (const DrawItem& it : line_) {
      if (!IsPrefixItem(it.kind)) atStart = false;
    }
    if (atStart && !line_.empty()) {
      int32_t w = Box(SYM_THICK_THIN).advance;
      line_[0].flags |= kItemThickThinStart;
      line_[0].begin = tokBegin_;
      line_[0].end = tokEnd_;
      for (size_t i = 1; i < line_.size(); ++i) line_[i].x += w;
      cursor_ += w;
      return;
    }
  }
  DrawItem b;
  b.kind = kind;
  b.width = BarWidth(kind, &b.ink);
  AttachPending(b);
  barTick_ = 0;
  bool counts = kind != TK_START_BAR;
  Append(std::move(b));
  if (counts && fs_.barsPerStaff > 0 && !stopped_) {
    ++barsInLine_;
    if (barsInLine_ >= fs_.barsPerStaff) FlushLine(false);
  }
}

void TuneDrawer::AddNote() {
  const bool grace = (note.flags & kNoteInGrace) != 0;
  DrawItem n;
  n.kind = TK_NOTE;
  n.pitch = note.pitch;
  n.serial = ++serial_;
  if (note.pitch == kRest) {
    n.rest = 1;
  } else if (note.pitch >= kInvisibleRest) {
    n.rest = 2;
  }
  tick len = note.lengthBeforeTuplet != 0 ? note.lengthBeforeTuplet : note.notatedLength;
  NoteShape shape = ShapeOfLength(len);
  n.base = static_cast<uint8_t>(shape.base);
  n.dots = static_cast<uint8_t>(shape.dots);
  if (shape.longa) n.flags |= kItemLonga;
  if (note.flags & kNoteInGrace) n.flags |= kItemGrace;
  if (grace && acciaccatura_) n.flags |= kItemSlashed;
  if (note.flags & kNoteTied) n.flags |= kItemTied;
  if (note.flags & kNoteInTuplet) n.flags |= kItemTuplet;
  if (note.flags & kNoteTupletFirst) n.flags |= kItemTupletFirst;
  const bool inChord = chordStart_ >= 0;
  if (inChord) {
    if (chordFirst_ < 0) {
      chordFirst_ = static_cast<int>(line_.size());
      n.flags |= kItemChordFirst;
    } else {
      n.flags |= kItemChordLater;
    }
  }
  if (n.rest == 0) {
    const int shift = middleShift_ != kNoMiddle ? middleShift_ : ClefOf(clef_).shift;
    n.step = static_cast<int16_t>(StaffStep(note.writtenPitch) + shift);
    n.accidental = note.writtenAccidental;
  } else {
    n.step = 4;
  }
  n.start = barTick_;
  // A rest that fills a whole bar is a whole rest in the middle of its bar.
  const bool barRest = n.rest == 1 && !grace && !inChord && barTick_ == 0 && meter.barLength != 0 &&
                       note.length == meter.barLength;
  n.time = inChord ? chordTime_ : vtime_;
  if (!grace && !(n.flags & kItemChordLater)) {
    barTick_ += note.length;
    vtime_ += note.length;
  }
  // Widths.
  int32_t accW = 0;
  int acc = AccidentalSymbol(n.accidental, grace);
  if (acc != 0) {
    if (grace && dc_.Symbols().Char(acc) == ' ') acc -= SYM_SMALL_SHARP - SYM_SHARP;
    accW = Box(acc, grace).advance + Scaled(lp_.Get(LP_SpaceAfterAccidental), grace);
  }
  int32_t headW =
      n.rest == 1 ? Box(RestSymbol(n.base)).advance : Box(HeadSymbol(n.base), grace).advance;
  if (n.rest == 2) headW = Box(SYM_FILLED_HEAD).advance;
  int32_t dotsW = 0;
  if (n.dots > 0) {
    dotsW = Scaled(lp_.Get(LP_SpaceBeforeDot), grace) +
            n.dots * (Box(SYM_DOT, grace).advance + Scaled(lp_.Get(LP_DotSpacing), grace));
  }
  n.headDx = accW;
  n.ink = accW + headW + dotsW;
  if (grace) {
    n.width = n.ink + headW * 2 / 5;
  } else {
    n.width = accW + headW + std::max(dotsW + LS / 4, Spacing(len));
  }
  if (n.pitch == kSpacer) n.width = n.ink = LS;
  if (!(n.flags & kItemChordLater)) {
    AttachPending(n);
    n.slurStarts = pendingSlurs_;
    pendingSlurs_ = 0;
    // Room for wide signs above or below the note (dynamics, texts).
    if (!grace) {
      int32_t need = 0;
      for (const Decoration& d : n.decos) {
        DecoStyle style = StyleOf(d.kind);
        if (style.place != Place::kAbove && style.place != Place::kBelow) continue;
        if (style.symbol >= 0) {
          need = std::max(need, Box(style.symbol).advance);
        } else if (style.symbol == -2) {
          need = std::max(need, Box(SYM_DYN_FFF).advance + Box(SYM_DYN_F).advance);
        } else {
          std::string_view text = style.text != nullptr ? style.text : std::string_view(d.text);
          need = std::max(need, TextWidth(dc_.ExprFont(), text));
        }
      }
      if (need > 0) n.width = std::max(n.width, need + LS / 3);
      // Annotations left and right of the note get room of their own, so that they
      // do not run into the notes beside it.
      for (const Decoration& d : n.decos) {
        if (d.kind != TK_CHORD_SYMBOL || d.text.size() < 2) continue;
        int32_t w = TextWidth(dc_.ExprFont(), std::string_view(d.text).substr(1)) + LS / 4;
        if (d.text[0] == '<' && !inChord) {
          n.headDx += w;
          n.ink += w;
          n.width += w;
        } else if (d.text[0] == '>') {
          n.width = std::max(n.width, n.headDx + headW + w + LS / 3);
        }
      }
    }
  }
  if (IsLyricNote() && noteOrdinal_ < lyrics_.size()) {
    n.lyrics = lyrics_[noteOrdinal_];
    // Room for the syllables under the note.
    for (const Syllable& syllable : n.lyrics) {
      if (syllable.text.empty() || syllable.text == "_") continue;
      int32_t w = TextWidth(dc_.LyricsFont(), syllable.text) + LS * 2 / 3;
      // A syllable that joins the next leaves room for the hyphen.
      if (syllable.text.size() > 1 && syllable.text.back() == '-') w += LS / 3;
      n.width = std::max(n.width, w);
    }
    SpaceSyllables(n, headW);
  }
  if (IsLyricNote()) ++noteOrdinal_;
  if (inChord) n.width = 0;
  if (!(n.flags & kItemChordLater)) lastNoteSerial_ = n.serial;
  if (barRest) {
    n.kind = kItemMultiRest;
    n.value = 1;
    n.base = 1;
    n.dots = 0;
    n.headDx = 0;
    n.ink = Box(SYM_WHOLE_REST).advance + fs_.noteSpacing;
    n.width = n.ink + fs_.noteSpacing;
  }
  Append(std::move(n));
}

namespace {

// Where the body begins in the canonical text of the tune (as its file writes it).
int32_t BodyOffset(const TuneRecord& tune) {
  TuneFile plain;
  const TuneFile& file = tune.owner != nullptr ? *tune.owner : plain;
  std::string text = file.WriteTune(tune, false);
  size_t end = text.size() - (tune.afterText ? std::min(text.size(), tune.afterText->size()) : 0);
  if (end < tune.body.size()) return 0;
  size_t at = text.rfind(tune.body, end - tune.body.size());
  return at == std::string::npos ? 0 : static_cast<int32_t>(at);
}

}  // namespace

// The end of a chord: its heads line up behind its accidentals, and the chord takes
// the room of its longest head.
void TuneDrawer::EndChord() {
  if (chordStart_ < 0) return;
  // The heads line up behind the accidentals. Accidentals closer than a sixth
  // stand in columns side by side, the nearest column next to the heads.
  int32_t restMax = 0, inkMax = 0;
  uint32_t len = 0;
  int32_t x = cursor_;
  std::vector<DrawItem*> notes;
  for (size_t i = static_cast<size_t>(chordStart_) + 1; i < line_.size(); ++i) {
    DrawItem& n = line_[i];
    if (n.kind != TK_NOTE) continue;
    restMax = std::max(restMax, n.ink - n.headDx);
    if (len == 0) len = n.base <= 8 ? 768u >> std::max(0, n.base - 1) : 96u;
    if (n.headDx > 0) notes.push_back(&n);
  }
  std::sort(notes.begin(), notes.end(),
            [](const DrawItem* a, const DrawItem* b) { return a->step > b->step; });
  std::vector<std::vector<int>> columns;
  std::vector<int32_t> widths;
  std::vector<size_t> columnOf(notes.size());
  for (size_t k = 0; k < notes.size(); ++k) {
    size_t c = 0;
    for (; c < columns.size(); ++c) {
      bool clear = true;
      for (int step : columns[c])
        if (std::abs(step - notes[k]->step) < 6) clear = false;
      if (clear) break;
    }
    if (c == columns.size()) {
      columns.emplace_back();
      widths.push_back(0);
    }
    columns[c].push_back(notes[k]->step);
    widths[c] = std::max(widths[c], notes[k]->headDx);
    columnOf[k] = c;
  }
  int32_t accMax = 0;
  for (int32_t w : widths) accMax += w;
  for (size_t k = 0; k < notes.size(); ++k) {
    int32_t before = 0;
    for (size_t c = 0; c < columnOf[k]; ++c) before += widths[c];
    // From the head back to where this accidental begins.
    notes[k]->value = before + notes[k]->headDx;
  }
  for (size_t i = static_cast<size_t>(chordStart_) + 1; i < line_.size(); ++i) {
    DrawItem& n = line_[i];
    if (n.kind != TK_NOTE) continue;
    n.x = x;
    n.headDx = accMax;
    n.ink = accMax + restMax;
    inkMax = std::max(inkMax, n.ink);
  }
  chordStart_ = -1;
  chordFirst_ = -1;
  DrawItem e;
  e.kind = TK_CHORD_END;
  e.time = chordTime_;
  bool grace = InGrace();
  int32_t headW = restMax;
  e.width = grace
                ? inkMax + headW * 2 / 5
                : accMax + std::max(restMax + LS / 4, Box(SYM_FILLED_HEAD).advance + Spacing(len));
  e.ink = inkMax;
  Append(std::move(e));
}

// A K: field in the music: a clef change, or a new key signature (with naturals for
// what the old one had, or in its place at the start of a staff).
void TuneDrawer::ChangeKey() {
  std::array<int8_t, 12> old = key_;
  int clef = ClefFromText(std::string(TokenText()));
  if (clef != kClefNone && clef != clef_) {
    clef_ = clef;
    AddClef();
    DrawItem c = lastClef_;
    Append(std::move(c));
  }
  // "K:bass" and "K:clef=..." change the clef only.
  std::string lower;
  for (char ch : TokenText()) lower += Lower(ch);
  size_t b = lower.find_first_not_of(" \t");
  std::string_view first =
      b == std::string::npos ? std::string_view() : std::string_view(lower).substr(b);
  bool clefOnly =
      clef != kClefNone && (first.substr(0, 5) == "clef=" || first.substr(0, 4) == "bass" ||
                            first.substr(0, 6) == "treble" || first.substr(0, 4) == "alto" ||
                            first.substr(0, 5) == "tenor");
  if (clefOnly || first.empty()) return;
  keyExplicit_ = ContainsWord(lower, "exp");
  AddKey(true, old);
  if (lastKey_.key == old) return;
  // At the start of a staff the new signature takes the place of the old one;
  // within a staff it is drawn after naturals for what the old one had.
  bool atStart = true;
  size_t keyAt = 0;
  for (size_t i = 0; i < line_.size(); ++i) {
    if (line_[i].kind == TK_FIELD_K) keyAt = i;
    if (!IsPrefixItem(line_[i].kind) || line_[i].kind == TK_FIELD_Q) atStart = false;
  }
  if (atStart && keyAt > 0 && !fs_.cancelKey) {
    DrawItem& prev = line_[keyAt];
    DrawItem kItem = lastKey_;
    kItem.flags &= static_cast<uint16_t>(~kItemCancel);
    kItem.width = KeyWidth(kItem);
    kItem.ink = kItem.width;
    kItem.x = prev.x;
    kItem.begin = tokBegin_;
    kItem.end = tokEnd_;
    int32_t shift = kItem.width - prev.width;
    prev = std::move(kItem);
    for (size_t i = keyAt + 1; i < line_.size(); ++i) line_[i].x += shift;
    cursor_ += shift;
    return;
  }
  DrawItem kItem = lastKey_;
  Append(std::move(kItem));
}

// A rest of several bars (Z, Z4 ...); pos is just after the Z.
void TuneDrawer::AddMultiRest(size_t& pos) {
  // A rest of several bars: Z, Z4 ...
  int bars = 0;
  std::string_view t = Text();
  while (!InSubstitution() && pos < t.size() && t[pos] >= '0' && t[pos] <= '9') {
    bars = std::min(bars * 10 + (t[pos] - '0'), 9999);
    ++pos;
  }
  DrawItem r;
  r.kind = kItemMultiRest;
  r.value = std::max(1, bars);
  r.rest = 1;
  r.base = 1;
  r.step = 4;
  r.ink = Box(SYM_WHOLE_REST).advance;
  r.width = r.ink + 2 * fs_.noteSpacing;
  r.time = vtime_;
  vtime_ += static_cast<uint32_t>(r.value) * meter.barLength;
  AttachPending(r);
  Append(std::move(r));
}

// Syllables are centred under their notes: the note moves right until its syllables
// clear those of the note before (with room for a hyphen between them).
void TuneDrawer::SpaceSyllables(DrawItem& n, int32_t headW) {
  const CanvasFont& font = dc_.LyricsFont();
  size_t stop = line_.size() > 64 ? line_.size() - 64 : 0;
  for (size_t i = line_.size(); i-- > stop;) {
    DrawItem& prev = line_[i];
    if (prev.kind != TK_NOTE || prev.lyrics.empty() || (prev.flags & kItemGrace)) continue;
    int32_t need = 0;
    for (size_t v = 0; v < n.lyrics.size() && v < prev.lyrics.size(); ++v) {
      const std::string& a = prev.lyrics[v].text;
      const std::string& b = n.lyrics[v].text;
      if (a.empty() || b.empty() || a == "_" || a == "-" || b == "_" || b == "-") continue;
      bool joins = a.size() > 1 && a.back() == '-';
      int32_t wa = TextWidth(font, joins ? std::string_view(a).substr(0, a.size() - 1) : a);
      int32_t gap = joins ? TextWidth(font, "-") + LS / 3 : LS / 4;
      need = std::max(need, wa / 2 + TextWidth(font, b) / 2 + gap);
    }
    // Head centres: the previous note's is fixed; this one stands at the cursor.
    int32_t prevCentre = prev.x + prev.headDx + headW / 2;
    int32_t have = multi_ ? prev.width : cursor_ + n.headDx + headW / 2 - prevCentre;
    if (need > have) {
      if (multi_) {
        prev.width += need - have;
      } else {
        cursor_ += need - have;
      }
    }
    return;
  }
}

// One token of the music: the items it makes, or the state it changes. pos is where
// reading goes on (a rest of several bars reads its count).
void TuneDrawer::ReadToken(TokenKind k, size_t& pos) {
  switch (k) {
    case TK_NOTE: AddNote(); break;
    case TK_CHORD_START: {
      DrawItem c;
      c.kind = TK_CHORD_START;
      chordTime_ = vtime_;
      Append(std::move(c));
      chordStart_ = static_cast<int>(line_.size()) - 1;
      chordFirst_ = -1;
      break;
    }
    case TK_CHORD_END: EndChord(); break;
    case TK_GRACE_START: {
      acciaccatura_ = TokenValue() == 1;  // "{/"
      DrawItem g;
      g.kind = TK_GRACE_START;
      Append(std::move(g));
      break;
    }
    case TK_GRACE_END: {
      acciaccatura_ = false;
      DrawItem g;
      g.kind = TK_GRACE_END;
      g.width = lp_.Get(LP_SpaceAfterGraceNote) + LS / 3;
      Append(std::move(g));
      break;
    }
    case TK_BAR:
    case TK_DOUBLE_BAR:
    case TK_END_BAR:
    case TK_START_BAR:
    case TK_REPEAT_START:
    case TK_REPEAT_BOTH:
    case TK_REPEAT_END: AddBar(k); break;
    case TK_FIRST_ENDING:
    case TK_SECOND_ENDING: {
      DrawItem e;
      e.kind = k;
      e.value = k == TK_FIRST_ENDING ? 1 : 2;
      Append(std::move(e));
      break;
    }
    case TK_TUPLET: {
      DrawItem t;
      t.kind = TK_TUPLET;
      t.value = Tuplet().p;
      t.value2 = Tuplet().qWritten ? Tuplet().q : 0;
      t.value3 = Tuplet().r;
      Append(std::move(t));
      break;
    }
    case TK_SLUR_START:
      if (multi_ && ReadOverlaySpan(k, pos)) break;
      ++pendingSlurs_;
      break;
    case TK_SLUR_END:
      if (multi_ && ReadOverlaySpan(k, pos)) break;
      for (size_t i = line_.size(); i-- > 0;) {
        if (line_[i].kind == TK_NOTE && line_[i].serial == lastNoteSerial_) {
          // A slur around a single note has nothing to join: it is dropped.
          if (line_[i].slurStarts > line_[i].slurEnds) {
            --line_[i].slurStarts;
          } else {
            ++line_[i].slurEnds;
          }
          break;
        }
      }
      break;
    case TK_STACCATO: Pend(TK_STACCATO); break;
    case TK_DECORATION_TEXT: {
      std::string text;
      int kind = DecorationOfName(TokenText(), text);
      if (kind != 0) Pend(kind, text);
      break;
    }
    case TK_CHORD_SYMBOL: Pend(TK_CHORD_SYMBOL, std::string(TokenText())); break;
    case TK_SYMBOL: {
      uint8_t c = TokenValue();
      if (c == 'Z') {
        AddMultiRest(pos);
        break;
      }
      int kind = DefaultSymbolKind(c);
      if (kind != 0) Pend(kind);
      break;
    }
    case TK_SPACE:
    case TK_TAB: {
      DrawItem b;
      b.kind = k;
      Append(std::move(b));
      break;
    }
    case TK_CONTINUE: afterContinue_ = true; break;
    case TK_NEWLINE: {
      // Every line end that does not follow a continuation ends the staff; a
      // line with no music before it draws nothing.
      bool breaks = fs_.softLf && !afterContinue_;
      afterContinue_ = false;
      if (breaks) {
        breakPending_ = true;
      } else {
        DrawItem b;
        b.kind = TK_NEWLINE;
        Append(std::move(b));
      }
      break;
    }
    case TK_BANG_BREAK: breakPending_ = true; break;
    case TK_FIELD_K: ChangeKey(); break;
    case TK_FIELD_M: AddMeter(); break;
    case TK_FIELD_V: {
      if (multi_) {
        if (overlayLevel_ > 0) EndOverlay();
        spanOpen_ = spanPending_ = false;
        SwitchVoice(VoiceIndex(TokenText(), false));
        break;
      }
      // Voices are drawn one after the other: a voice field starts a new staff
      // in that voice's clef.
      std::string id = VoiceId(TokenText());
      if (voice.clef != kClefNone) voiceClefs_[id] = voice.clef;
      auto found = voiceClefs_.find(id);
      int clef = found != voiceClefs_.end() ? found->second : headerClef_;
      if (clef != clef_) {
        clef_ = clef;
        AddClef();
      }
      FlushLine(false);
      break;
    }
    case TK_FIELD_W:
      // Verses among the music: printed after it.
      bodyTexts_.push_back(
          {std::string(TokenText()), tokBegin_, tokEnd_, dc_.MakeFont(fs_.lyricsAfterFont), {}});
      break;
    case TK_FIELD_INFO:
      // Notes and history among the music are shown under the tune as the header
      // blocks show those of the header; other information fields are not drawn.
      if (TokenValue() == 'N' || TokenValue() == 'H') {
        BodyText t{std::string(TokenText()), tokBegin_, tokEnd_, dc_.TextFont(), {}};
        const char letter[2] = {static_cast<char>(TokenValue()), '\0'};
        for (const HeaderBlock& b : fs_.headers) {
          if (b.fields.find(letter) == std::string::npos) continue;
          t.font = dc_.MakeFont(b.font);
          t.start = b.start;
          break;
        }
        bodyTexts_.push_back(std::move(t));
      }
      break;
    case TK_FIELD_P:
    case TK_FIELD_Q:
    case TK_FIELD_R:
    case TK_FIELD_T:
      if (fs_.showText) AddText(k, std::string(TokenText()));
      break;
    case TK_ERROR:
      // Characters the reader could not read are not music (the syntax check
      // lists them); a backquote only keeps notes apart in the text.
    case TK_BACKQUOTE: break;
    case TK_OVERLAY:
      // "&" overlays a second voice on the bar.
      if (multi_ && !ReadOverlaySpan(k, pos)) StartOverlay();
      break;
    default:
      if (IsDecorationKind(k)) Pend(k);
      break;
  }
}

bool TuneDrawer::Draw(const TuneRecord& tune) {
  const auto* keyField = tune.Field('K');
  std::optional<std::string_view> keyText;
  if (keyField != nullptr && keyField->has_value()) keyText = **keyField;
  Init(keyText, tune.FieldText('M'), tune.FieldText('L'), std::string_view(tune.body),
       tune.FieldText('Q'), true);
  SetUserSymbols(UserSymbols::kDrawTable, dc_.Job().fileSymbols, TuneSymbolLines(tune),
                 dc_.Job().programSymbols);
  dc_.SetSourceOffset(BodyOffset(tune));
  CollectLyrics(tune);
  Restart();

  measure_ = fs_.measureFirst - (pickupOffset > 0 ? 1 : 0);
  clef_ = ClefFromText(keyText ? std::string(*keyText) : std::string());
  if (clef_ == kClefNone) clef_ = kClefTreble;
  headerClef_ = clef_;
  {
    const std::string& v = tune.FieldText('V');
    size_t i = 0;
    while (i < v.size()) {
      size_t e = v.find_first_of("\r\n", i);
      if (e == std::string::npos) e = v.size();
      VoiceInfo info;
      ParseVoice(std::string_view(v).substr(i, e - i), info);
      if (info.clef != kClefNone)
        voiceClefs_[VoiceId(std::string_view(v).substr(i, e - i))] = info.clef;
      i = e + 1;
    }
  }
  AddClef();
  std::array<int8_t, 12> none{};
  keyExplicit_ = keyText && ContainsWord(LowerText(*keyText), "exp");
  AddKey(false, none);
  headerKey_ = lastKey_;
  headerReaderKey_ = key;
  headerReaderMeter_ = meter;
  multi_ = DefineVoices(tune);
  if (multi_) {
    // The music before the first V: field belongs to the first voice.
    Voice& v = voices_[static_cast<size_t>(staffVoices_.front().front())];
    cur_ = static_cast<int>(&v - voices_.data());
    v.started = true;
    middleShift_ = v.middleShift;
    clef_ = v.clef != kClefNone ? v.clef : headerClef_;
    AddClef();
    headerMeter_ = MakeMeter();
    if (fs_.showText && !tune.FieldText('Q').empty()) AddText(TK_FIELD_Q, tune.FieldText('Q'));
  } else {
    StartLine(true);
    if (fs_.showText && !tune.FieldText('Q').empty()) AddText(TK_FIELD_Q, tune.FieldText('Q'));
    AddMeter();
  }

  size_t pos = 0;
  bool first = true;
  bool inTextBlock = false;
  const size_t guard = tune.body.size() * 4 + 64;
  int32_t symbolBegin = 0;
  for (size_t steps = 0; !stopped_ && steps < guard; ++steps) {
    const size_t before = pos;
    const bool wasSubst = InSubstitution();
    TokenKind k = NextToken(pos, first);
    first = false;
    // A user symbol's tokens all point at the symbol.
    if (!wasSubst) symbolBegin = static_cast<int32_t>(before);
    tokBegin_ = InSubstitution() ? symbolBegin : static_cast<int32_t>(before);
    tokEnd_ = std::max(static_cast<int32_t>(pos), tokBegin_ + 1);
    if (InSubstitution()) tokEnd_ = std::max(tokEnd_, symbolBegin + 1);
    if (IsFieldKind(k) || k == TK_FIELD_INFO) FieldRange();
    // A staff break takes effect when more music follows, so that the last staff of
    // the tune is known as the last.
    if (breakPending_ && BeginsMusic(k)) {
      breakPending_ = false;
      FlushLine(false);
    }
    if (k == TK_END) break;
    if (SkipsTextBlock(k, TokenText(), inTextBlock)) continue;
    ReadToken(k, pos);
  }
  if (!stopped_) {
    breakPending_ = false;
    // Decorations after the last note stay with the last item.
    if (!pending_.empty() && line_.size() > 1) AttachPending(line_.back());
    if (multi_) {
      if (overlayLevel_ > 0) EndOverlay();
      voices_[static_cast<size_t>(cur_)].items.swap(line_);
      LayoutVoices();
    } else {
      FlushLine(true);
    }
  }
  dc_.SetY(prevBottom_ - prevBelow_);
  if (fs_.showText && !bodyTexts_.empty() && !dc_.Failed()) DrawBodyTexts();
  return !dc_.Failed();
}

void TuneDrawer::DrawBodyTexts() {
  Canvas& cv = dc_.GetCanvas();
  int32_t y = dc_.Y() - LS * 2;
  for (const BodyText& line : bodyTexts_) {
    const CanvasFont& font = line.font;
    FontMetrics m = cv.Metrics(font);
    std::string whole = line.start + line.text;
    std::string_view text = whole;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    if (text.empty()) {
      y -= (m.ascent + m.descent) / 2;
      continue;
    }
    for (std::string_view piece : WrapText(cv, font, text, dc_.RightLimit() - dc_.LeftEdge())) {
      if (y - m.ascent - m.descent < dc_.BottomLimit() && dc_.PageHasContent()) {
        if (!dc_.NewPage()) return;
        y = dc_.Y();
      }
      dc_.PutText("text", font, dc_.LeftEdge(), y - m.ascent, piece, line.begin, line.end);
      dc_.MarkContent();
      y -= m.ascent + m.descent;
    }
  }
  dc_.SetY(y);
}

}  // namespace tunora::staff
