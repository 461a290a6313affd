// Drawing of what stands by the notes: decorations, dynamics and hairpins, chord
// symbols and annotations, field texts, repeat endings and lyrics.
#include "draw/TuneDrawer.h"

namespace tunora::staff {

void TuneDrawer::DrawDecorations(int32_t y0) {
  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& font = dc_.ExprFont();
  FontMetrics em = cv.Metrics(font);
  auto place = [&](const Column* c, const DrawItem& it, const Decoration& d, int32_t& up,
                   int32_t& down, int32_t& atNote) {
    DecoStyle s = StyleOf(d.kind);
    const int32_t headX = c ? c->headX : it.x;
    const int32_t headW = c ? c->headW : Box(SYM_BARLINE).right;
    int32_t cx = headX + headW / 2;
    std::string text = d.text;
    if (s.symbol == -1 && s.text != nullptr) text = s.text;
    if (d.kind >= TK_FINGER_0 && d.kind <= TK_FINGER_5) text = std::to_string(d.kind - TK_FINGER_0);
    if (d.kind == TK_ROLL && dc_.Symbols().Char(SYM_ROLL) == ' ') return;
    if (d.kind == TK_SHORTPHRASE || d.kind == TK_MEDIUMPHRASE || d.kind == TK_LONGPHRASE) {
      int len = d.kind - TK_SHORTPHRASE + 1;
      dc_.PutLine("decoration", it.x - LS / 3, y0 + YOf(8) + LS / 2, it.x - LS / 3,
                  y0 + YOf(8) - len * LS, lp_.Get(LP_StemThickness) * 2, d.begin, d.end);
      return;
    }
    if (d.kind == TK_REPEATBAR) {
      dc_.PutSymbol("decoration", 15, cx - Box(15).advance / 2, y0, d.begin, d.end);
      return;
    }
    if (d.kind == kDecoTremolo && c != nullptr && !c->rest) {
      // Tremolo strokes across the stem (above or below the head without one).
      const int strokes = d.text.empty() ? 1 : d.text[0] - '0';
      const bool stemUp = c->up;
      int32_t sx = c->stem  ? c->stemX
                   : stemUp ? headX + headW - lp_.Get(LP_StemThickness) / 2
                            : headX;
      int32_t from = stemUp ? YOf(c->topStep) + LS : YOf(c->bottomStep) - LS;
      if (c->base < 2) sx = cx;
      const int32_t half = headW * 2 / 3, rise = LS / 3;
      const int32_t t = lp_.Get(LP_BeamThickness) * 2 / 3;
      for (int k = 0; k < strokes; ++k) {
        int32_t yk = y0 + from + (stemUp ? 1 : -1) * k * (t + LS / 4);
        dc_.PutLine("decoration", sx - half / 2, yk - rise / 2, sx + half / 2, yk + rise / 2, t,
                    d.begin, d.end);
      }
      return;
    }
    if (s.place == Place::kNone) return;
    if (s.symbol == -2) {
      // A dynamic without a glyph of its own: its letters in the music font.
      std::string word = s.text != nullptr ? s.text : d.text;
      std::vector<int> syms;
      int32_t w = 0;
      for (char ch : word) {
        int sym = DynamicLetterSymbol(ch);
        if (sym == 0) continue;
        syms.push_back(sym);
        w += Box(sym).advance;
      }
      if (syms.empty()) return;
      const GlyphBox& b = Box(SYM_DYN_F);
      int32_t h = b.top - b.bottom;
      int32_t y = up + h / 2;
      int32_t x = cx - w / 2;
      for (int sym : syms) {
        dc_.PutSymbol("dynamic", sym, x, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
        x += Box(sym).advance;
      }
      up += h + LS / 4;
      return;
    }
    if (s.symbol < 0) {
      if (text.empty()) return;
      int32_t w = TextWidth(font, text);
      if (s.place == Place::kLeft) {
        int32_t lx = headX - (it.headDx > 0 ? it.headDx : 0) - w - LS / 5;
        dc_.PutText("decoration", font, lx, y0 + YOf(c ? c->bottomStep : 4) - em.ascent / 3, text,
                    d.begin, d.end);
        return;
      }
      dc_.PutText(IsDynamicKind(d.kind) ? "dynamic" : "decoration", font, cx - w / 2,
                  y0 + up + em.descent, text, d.begin, d.end);
      up += em.ascent + em.descent;
      return;
    }
    int sym = s.symbol;
    const std::string_view kind = IsDynamicKind(d.kind) ? "dynamic" : "decoration";
    const GlyphBox& b = Box(sym);
    int32_t h = b.top - b.bottom;
    int32_t gx = cx - (b.left + b.right) / 2 + lp_.Horizontal(sym);
    if (s.place == Place::kLeft) {
      gx = headX - it.headDx - b.advance - LS / 6 + lp_.Horizontal(sym);
      int32_t y = YOf(c ? c->bottomStep : 4) + lp_.Above(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2 - LS / 4, d.begin, d.end);
      return;
    }
    bool above = s.place == Place::kAbove;
    if (s.place == Place::kNote) {
      above = c == nullptr || c->rest || c->base < 2 || !c->up;
      int32_t center;
      if (above) {
        int32_t base = c ? YOf(c->topStep) : YOf(8);
        if (c && c->base >= 2 && c->up && !c->rest) base = c->tip;
        center = std::max(atNote, base) + LS * 3 / 4;
        if (center < YOf(8) && ((center * 2 / LS) % 2 == 0)) center += LS / 4;
        atNote = center + h / 2;
        up = std::max(up, atNote + LS / 4);
      } else {
        int32_t base = c ? YOf(c->bottomStep) : YOf(0);
        center = base - LS * 3 / 4;
        if (center > YOf(0) && ((center * 2 / LS) % 2 == 0)) center -= LS / 4;
        down = std::min(down, center - h / 2 - LS / 4);
      }
      int32_t y = center + (above ? lp_.Above(sym) : lp_.Below(sym));
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      return;
    }
    if (above) {
      int32_t y = up + h / 2 + lp_.Above(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      up += h + LS / 4;
    } else {
      int32_t y = down - h / 2 + lp_.Below(sym);
      dc_.PutSymbol(kind, sym, gx, y0 + y - (b.top + b.bottom) / 2, d.begin, d.end);
      down -= h + LS / 4;
    }
  };
  std::vector<std::pair<int, int32_t>> hairpinStarts = openHairpins_;
  std::vector<int32_t> hairpinBegins = openHairpinBegins_;
  openHairpinBegins_.clear();
  for (auto& h : hairpinStarts) h.second = line_.front().x + LS;
  openHairpins_.clear();
  int32_t hairpinY = YOf(8) + LS;
  for (const Column& c : cols_) hairpinY = std::max(hairpinY, c.inkTop + LS / 2);
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.decos.empty() || (it.flags & kItemChordLater)) continue;
    int ci =
        it.kind == TK_NOTE || it.kind == kItemMultiRest ? ColumnOfItem(static_cast<int>(i)) : -1;
    const Column* c = ci >= 0 ? &cols_[static_cast<size_t>(ci)] : nullptr;
    int32_t up = std::max(c ? c->inkTop : YOf(8), YOf(8)) + LS / 2;
    int32_t down = std::min(c ? c->inkBottom : YOf(0), YOf(0)) - LS / 3;
    int32_t atNote = c ? (c->up && c->base >= 2 && !c->rest ? c->tip : YOf(c->topStep)) : YOf(8);
    for (size_t j = 0; j < it.decos.size(); ++j) {
      const Decoration& d = it.decos[j];
      if (d.kind == TK_CHORD_SYMBOL) continue;
      if (d.kind == TK_CRESCENDO_START || d.kind == TK_DIMINUENDO_START) {
        hairpinStarts.push_back({d.kind, c ? c->headX : it.x});
        hairpinBegins.push_back(d.begin);
        continue;
      }
      if (d.kind == TK_CRESCENDO_END || d.kind == TK_DIMINUENDO_END) {
        int want = d.kind == TK_CRESCENDO_END ? TK_CRESCENDO_START : TK_DIMINUENDO_START;
        for (size_t h = hairpinStarts.size(); h-- > 0;) {
          if (hairpinStarts[h].first != want) continue;
          int32_t x1 = hairpinStarts[h].second, x2 = c ? c->headX + c->headW : it.x;
          int32_t open = std::max(lp_.Get(LP_HairpinHeight), LS) / 2;
          int32_t t = lp_.Get(LP_HairpinThickness);
          int32_t yc = y0 + hairpinY + open;
          bool cresc = want == TK_CRESCENDO_START;
          int32_t narrowX = cresc ? x1 : x2, wideX = cresc ? x2 : x1;
          dc_.PutLine("dynamic", narrowX, yc, wideX, yc + open, t, hairpinBegins[h], d.end);
          dc_.PutLine("dynamic", narrowX, yc, wideX, yc - open, t, hairpinBegins[h], d.end);
          hairpinStarts.erase(hairpinStarts.begin() + static_cast<long>(h));
          hairpinBegins.erase(hairpinBegins.begin() + static_cast<long>(h));
          break;
        }
        continue;
      }
      // A dynamic stands where placement found it room, clear of its neighbours'.
      const PlacedText* at =
          IsDynamicKind(d.kind) ? PlacedFor(static_cast<int>(i), static_cast<int>(j)) : nullptr;
      if (at != nullptr) {
        int32_t from = at->baseline, after = up;
        place(c, it, d, from, down, atNote);
        up = std::max(after, from);
        continue;
      }
      place(c, it, d, up, down, atNote);
    }
  }
  // Hairpins that go on past the end of the line.
  for (size_t hi = 0; hi < hairpinStarts.size(); ++hi) {
    auto& h = hairpinStarts[hi];
    const int32_t hb = hairpinBegins[hi];
    int32_t x1 = h.second, x2 = line_.back().x + line_.back().ink;
    int32_t open = std::max(lp_.Get(LP_HairpinHeight), LS) / 2;
    int32_t yc = y0 + hairpinY + open;
    int32_t t = lp_.Get(LP_HairpinThickness);
    if (h.first == TK_CRESCENDO_START) {
      dc_.PutLine("dynamic", x1, yc, x2, yc + open * 2 / 3, t, hb, hb + 1);
      dc_.PutLine("dynamic", x1, yc, x2, yc - open * 2 / 3, t, hb, hb + 1);
    } else {
      dc_.PutLine("dynamic", x1, yc + open, x2, yc + open / 3, t, hb, hb + 1);
      dc_.PutLine("dynamic", x1, yc - open, x2, yc - open / 3, t, hb, hb + 1);
    }
    openHairpins_.push_back(h);
    openHairpinBegins_.push_back(hb);
  }
}

void TuneDrawer::DrawTexts(int32_t y0, int32_t, int32_t) {
  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& expr = dc_.ExprFont();
  FontMetrics em = cv.Metrics(expr);
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    int ci = it.kind == TK_NOTE ? ColumnOfItem(static_cast<int>(i)) : -1;
    const Column* c = ci >= 0 ? &cols_[static_cast<size_t>(ci)] : nullptr;
    int32_t headX = c ? c->headX : it.x;
    int32_t headW = c ? c->headW : 0;
    for (size_t j = 0; j < it.decos.size(); ++j) {
      const Decoration& d = it.decos[j];
      if (d.kind != TK_CHORD_SYMBOL || (it.flags & kItemChordLater)) continue;
      std::string_view text = d.text;
      char lead = text.empty() ? '\0' : text[0];
      const PlacedText* at = PlacedFor(static_cast<int>(i), static_cast<int>(j));
      if (lead == '^' || lead == '_' || lead == '<' || lead == '>' || lead == '@') {
        text.remove_prefix(1);
        int32_t w = TextWidth(expr, text);
        int32_t y = y0 + YOf(c ? c->bottomStep : 4) - em.ascent / 3;
        if (lead == '<') {
          // In the room the note keeps in front of it (see AddNote).
          int32_t lx = (it.flags & kItemChordFirst) ? headX - it.headDx - w - LS / 4 : it.x;
          dc_.PutText("annotation", expr, lx, y, text, d.begin, d.end);
        } else if (lead == '>') {
          dc_.PutText("annotation", expr, headX + headW + LS / 4, y, text, d.begin, d.end);
        } else if (at != nullptr) {
          dc_.PutText("annotation", expr, at->x, y0 + at->baseline, text, d.begin, d.end);
        }
        continue;
      }
      if (at != nullptr)
        dc_.PutText("chord", dc_.ChordFont(), at->x, y0 + at->baseline, ChordDisplay(text), d.begin,
                    d.end);
    }
    if (it.kind == TK_FIELD_P || it.kind == TK_FIELD_Q || it.kind == TK_FIELD_R ||
        it.kind == TK_FIELD_T) {
      CanvasFont font = it.kind == TK_FIELD_T ? dc_.BodyTitleFont() : expr;
      if (it.kind == TK_FIELD_P) font.bold = true;
      const PlacedText* at = PlacedFor(static_cast<int>(i), -1);
      if (at == nullptr) continue;
      const int32_t textBaseline = at->baseline;
      int32_t x = it.x;
      std::string text = it.text;
      if (it.kind == TK_FIELD_Q) {
        // A tempo: its words, then the beat as a note and the beats per minute.
        std::string words, rest;
        bool quoted = false;
        for (char ch : text) {
          if (ch == '"') {
            quoted = !quoted;
            if (!quoted) words += ' ';
          } else {
            (quoted ? words : rest) += ch;
          }
        }
        auto trim = [](std::string& t) {
          while (!t.empty() && t.front() == ' ') t.erase(t.begin());
          while (!t.empty() && t.back() == ' ') t.pop_back();
        };
        trim(words);
        trim(rest);
        if (!words.empty()) {
          dc_.PutText("tempo", font, x, y0 + textBaseline, words, it.begin, it.end);
          x += TextWidth(font, words) + LS / 2;
        }
        if (rest.empty()) continue;
        TempoInfo tp;
        ParseTempo(rest, meter.unitLength, meter.beatLength, tp);
        NoteShape beat = ShapeOfLength(tp.beatLength);
        if (rest.find('=') != std::string::npos && beat.base >= 2 && beat.base <= 5 &&
            ShapeOfLength(tp.beatLength).dots <= 1) {
          // The beat as a small note with its stem up, then "= n".
          CanvasFont small = dc_.NotationFont();
          small.height = small.height * 3 / 5;
          int sym = SingleNoteSymbol(beat.base, true);
          uint8_t ch = dc_.Symbols().Char(sym);
          GlyphBox b = cv.CharBox(small, ch);
          int32_t by = y0 + textBaseline + LS / 4;
          dc_.Report("tempo", SymbolMap::Key(sym), x, by, it.begin, it.end, {}, x + b.left,
                     by + b.bottom, x + b.right, by + b.top);
          cv.DrawChar(small, x, by, ch);
          int32_t after = x + b.advance + LS / 8;
          if (beat.dots > 0) {
            uint8_t dot = dc_.Symbols().Char(SYM_DOT);
            cv.DrawChar(small, after, by, dot);
            after += cv.CharBox(small, dot).advance + LS / 8;
          }
          if (b.right > b.advance) after = std::max(after, x + b.right + LS / 8);
          dc_.PutText("tempo", font, after, y0 + textBaseline,
                      "= " + std::to_string(tp.beatsPerMinute), it.begin, it.end);
          continue;
        }
        text = rest;
      }
      dc_.PutText(it.kind == TK_FIELD_Q ? "tempo" : "text", font, x, y0 + textBaseline, text,
                  it.begin, it.end);
    }
  }
}

void TuneDrawer::DrawEndings(int32_t y0, int32_t startX, int32_t endX) {
  Canvas& cv = dc_.GetCanvas();
  const int32_t th = lp_.Get(LP_BracketThickness);
  const int32_t top = y0 + EndingTop();
  const int32_t bottom = top - lp_.Get(LP_BracketHeight);
  CanvasFont font = dc_.ExprFont();
  FontMetrics m = cv.Metrics(font);
  int32_t from = startX;
  bool drawnStart = false;
  auto close = [&](int32_t x, bool down) {
    dc_.PutLine("ending", from, top, x, top, th, endingBegin_, endingBegin_ + 1);
    if (drawnStart)
      dc_.PutLine("ending", from, top, from, bottom, th, endingBegin_, endingBegin_ + 1);
    if (down) dc_.PutLine("ending", x, top, x, bottom, th, endingBegin_, endingBegin_ + 1);
    openEnding_ = 0;
  };
  for (size_t i = 0; i < line_.size(); ++i) {
    const DrawItem& it = line_[i];
    if (it.kind == TK_FIRST_ENDING || it.kind == TK_SECOND_ENDING) {
      if (openEnding_ != 0) close(it.x, true);
      // The bracket starts at the bar line before the number.
      int32_t x = it.x;
      for (size_t j = i; j-- > 0;) {
        if (IsBarItem(line_[j].kind)) {
          x = line_[j].x + lp_.Get(LP_SpaceBeforeBarline) + Box(SYM_BARLINE).right;
          break;
        }
        if (line_[j].kind == TK_NOTE) break;
      }
      from = x;
      drawnStart = true;
      openEnding_ = it.value;
      endingHadNote_ = false;
      endingBegin_ = it.begin;
      std::string label = std::to_string(it.value) + ".";
      dc_.PutText("ending", font, from + LS / 4 + lp_.Get(LP_BracketTextHpos),
                  top - m.ascent + lp_.Get(LP_BracketTextVpos), label, it.begin, it.end);
      continue;
    }
    if (openEnding_ == 0) continue;
    if (it.kind == TK_NOTE) endingHadNote_ = true;
    if (IsBarItem(it.kind) && endingHadNote_) {
      bool repeatEnd = it.kind == TK_REPEAT_END || it.kind == TK_REPEAT_BOTH;
      bool strong = repeatEnd || it.kind == TK_DOUBLE_BAR || it.kind == TK_END_BAR;
      if (openEnding_ == 1 && !strong) continue;
      close(it.x + lp_.Get(LP_SpaceBeforeBarline) + Box(SYM_BARLINE).left,
            repeatEnd || openEnding_ == 1);
    }
  }
  if (openEnding_ != 0) {
    dc_.PutLine("ending", from, top, endX, top, th, endingBegin_, endingBegin_ + 1);
    if (drawnStart)
      dc_.PutLine("ending", from, top, from, bottom, th, endingBegin_, endingBegin_ + 1);
  }
}

void TuneDrawer::DrawLyrics(int32_t y0) {
  if (verses_ == 0) return;
  Canvas& cv = dc_.GetCanvas();
  const CanvasFont& font = dc_.LyricsFont();
  FontMetrics m = cv.Metrics(font);
  const int32_t lineH = m.ascent + m.descent;
  const int32_t hyphenW = TextWidth(font, "-");
  for (int v = 0; v < verses_; ++v) {
    int32_t baseline = y0 + lyricsTop_ - m.ascent - v * lineH;
    int32_t lastEnd = INT32_MIN;
    bool hyphen = false;
    int32_t hyphenBegin = -1;
    int32_t holdEnd = INT32_MIN;
    int32_t holdBegin = -1;
    auto extender = [&]() {
      if (holdEnd != INT32_MIN && lastEnd != INT32_MIN && holdEnd > lastEnd + LS / 4) {
        dc_.PutLine("lyric", lastEnd + LS / 8, baseline, holdEnd, baseline,
                    lp_.Get(LP_LineThickness), holdBegin, holdBegin + 1);
      }
      holdEnd = INT32_MIN;
    };
    for (const Column& c : cols_) {
      const DrawItem& it = line_[static_cast<size_t>(c.first)];
      if (static_cast<size_t>(v) >= it.lyrics.size()) continue;
      const Syllable& syl = it.lyrics[static_cast<size_t>(v)];
      std::string s = syl.text;
      if (s == "_") {
        if (holdEnd == INT32_MIN) holdBegin = syl.begin;
        holdEnd = c.headX + c.headW;
        continue;
      }
      extender();
      if (s == "-") {
        // The word goes on past this note: the hyphen stands between the syllables.
        if (!hyphen) hyphenBegin = syl.begin;
        hyphen = lastEnd != INT32_MIN;
        continue;
      }
      if (s.empty()) continue;
      bool joins = s.size() > 1 && s.back() == '-';
      if (joins) s.pop_back();
      int32_t w = TextWidth(font, s);
      int32_t x = c.headX + c.headW / 2 - w / 2;
      int32_t gap = hyphen ? hyphenW + LS / 3 : LS / 5;
      if (lastEnd != INT32_MIN && x < lastEnd + gap) x = lastEnd + gap;
      if (hyphen && lastEnd != INT32_MIN) {
        dc_.PutText("lyric", font, (lastEnd + x) / 2 - hyphenW / 2, baseline, "-", hyphenBegin,
                    hyphenBegin + 1);
      }
      dc_.PutText("lyric", font, x, baseline, s, syl.begin, syl.end);
      lastEnd = x + w;
      hyphen = joins;
      if (joins) hyphenBegin = syl.end;
    }
    extender();
  }
}

}  // namespace tunora::staff
