#include "draw/DrawContext.h"

#include <algorithm>
#include <cstdio>

#include "base/Ascii.h"
#include "base/MessageSink.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TuneRecord.h"

namespace tunora {
namespace {

// Lines of a text cut at CR LF, LF or a lone CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      lines.push_back(text.substr(start, i - start));
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void Join(std::string& out, std::string_view value) {
  if (value.empty()) return;
  if (!out.empty()) out += "\r\n";
  out.append(value);
}

TextAlign ToTextAlign(int align, int adjust) {
  int a = align == kAlignFull ? adjust : align;
  if (a == kAlignRight) return TextAlign::kRight;
  if (a == kAlignCenter) return TextAlign::kCenter;
  return TextAlign::kLeft;
}

}  // namespace

std::string ArticleFirst(std::string_view title) {
  size_t comma = title.rfind(',');
  if (comma == std::string_view::npos) return std::string(title);
  std::string_view article = title.substr(comma + 1);
  while (!article.empty() && article.front() == ' ') article.remove_prefix(1);
  while (!article.empty() && article.back() == ' ') article.remove_suffix(1);
  std::string lower;
  for (char c : article) lower += Lower(c);
  if (lower != "the" && lower != "a" && lower != "an") return std::string(title);
  std::string_view name = title.substr(0, comma);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return std::string(article) + " " + std::string(name);
}

std::vector<std::string_view> WrapText(Canvas& canvas, const CanvasFont& font,
                                       std::string_view text, int32_t width) {
  std::vector<std::string_view> pieces;
  while (!text.empty()) {
    if (canvas.TextWidth(font, text) <= width) {
      pieces.push_back(text);
      break;
    }
    // The longest run of whole words that fits; a word longer than the width is cut.
    size_t cut = 0;
    for (size_t sp = text.find(' '); sp != std::string_view::npos; sp = text.find(' ', sp + 1)) {
      if (canvas.TextWidth(font, text.substr(0, sp)) > width) break;
      cut = sp;
    }
    if (cut == 0) {
      cut = 1;
      while (cut < text.size() && canvas.TextWidth(font, text.substr(0, cut + 1)) <= width) ++cut;
    }
    pieces.push_back(text.substr(0, cut));
    text.remove_prefix(cut);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  }
  return pieces;
}

PaperSize PaperInUnits(PaperKind paper, int unit) {
  bool metric = paper == PaperKind::kA4 || paper == PaperKind::kA5;
  PaperSize size;
  switch (paper) {
    case PaperKind::kA4: size = {21000, 29700}; break;
    case PaperKind::kA5: size = {14800, 21000}; break;
    case PaperKind::kLetter: size = {8500, 11000}; break;
    case PaperKind::kLegal: size = {8500, 14000}; break;
  }
  bool inches = unit == kUnitInches;
  if (metric && inches) {
    size.width = size.width * 100 / 254;
    size.height = size.height * 100 / 254;
  } else if (!metric && !inches) {
    size.width = size.width * 254 / 100;
    size.height = size.height * 254 / 100;
  }
  return size;
}

bool PaperKindFromName(std::string_view name, PaperKind& paper) {
  std::string lower;
  for (char c : name) lower += Lower(c);
  if (lower == "a4") {
    paper = PaperKind::kA4;
  } else if (lower == "letter") {
    paper = PaperKind::kLetter;
  } else if (lower == "a5") {
    paper = PaperKind::kA5;
  } else if (lower == "legal") {
    paper = PaperKind::kLegal;
  } else {
    return false;
  }
  return true;
}

DrawContext::DrawContext(Canvas& canvas, const FormatSettings& format, const LayoutParams& layout,
                         const SymbolMap& symbols, const DrawJob& job)
    : canvas_(canvas), format_(format), layout_(layout), symbols_(symbols), job_(job) {
  if (format_.staffSize != 100) {
    layout_.ScaleLayout(format_.staffSize);
    format_.ScaleLengths(format_.staffSize);
  }
  notationFont_ = MakeFont(format_.notationFont);
  notationFont_.symbol = true;
  graceFont_ = notationFont_;
  // The grace font: the notation font's size times GraceNotePercent / 100.
  FontSpec grace = format_.notationFont;
  grace.size = grace.size * layout_.Get(LP_GraceNotePercent) / 100;
  graceFont_.height = MakeFont(grace).height;
  chordFont_ = MakeFont(format_.chordFont);
  exprFont_ = MakeFont(format_.exprFont);
  lyricsFont_ = MakeFont(format_.lyricsFont);
  textFont_ = MakeFont(format_.textFont);
  for (int s = 0; s < SymbolMap::kCount; ++s) {
    if (SymbolMap::IsHeading(s)) continue;
    glyphs_[static_cast<size_t>(s)] = canvas_.CharBox(notationFont_, symbols_.Char(s));
    graceGlyphs_[static_cast<size_t>(s)] = canvas_.CharBox(graceFont_, symbols_.Char(s));
  }
  pageNumber_ = format_.firstPageNumber;
  SetFrame();
  y_ = TopLimit();
}

CanvasFont DrawContext::MakeFont(const FontSpec& fontSpec) const {
  CanvasFont f;
  f.face = fontSpec.face;
  f.height =
      static_cast<int32_t>(static_cast<int64_t>(fontSpec.size) * format_.UnitsPerInch() / 72);
  f.bold = fontSpec.bold;
  f.italic = fontSpec.italic;
  f.underline = fontSpec.underline;
  return f;
}

CanvasFont DrawContext::BodyTitleFont() const {
  for (const HeaderBlock& b : format_.headers) {
    if (b.fields.find("Tx") != std::string::npos) return MakeFont(b.font);
  }
  const HeaderBlock* last = nullptr;
  for (const HeaderBlock& b : format_.headers) {
    if (b.fields.find('T') != std::string::npos) last = &b;
  }
  return last != nullptr ? MakeFont(last->font) : exprFont_;
}

void DrawContext::DrawSymbol(int symbol, int32_t x, int32_t y, bool grace) {
  if (SymbolMap::IsHeading(symbol)) return;
  uint8_t c = symbols_.Char(symbol);
  if (c == ' ') return;
  canvas_.DrawChar(grace ? graceFont_ : notationFont_, x, y, c);
}

void DrawContext::Report(std::string_view kind, std::string_view symbol, int32_t x, int32_t y,
                         int32_t begin, int32_t end, std::string_view text, int32_t left,
                         int32_t bottom, int32_t right, int32_t top) {
  LaidOutItem item;
  item.page = pagesStarted_;
  item.system = system_;
  item.staff = staff_;
  item.kind = kind;
  item.symbol = symbol;
  item.x = x;
  item.y = y;
  if (begin >= 0 && end >= begin) {
    item.begin = begin + sourceOffset_;
    item.end = end + sourceOffset_;
  }
  item.text = text;
  item.left = std::min(left, right);
  item.right = std::max(left, right);
  item.bottom = std::min(bottom, top);
  item.top = std::max(bottom, top);
  canvas_.Item(item);
}

void DrawContext::PutSymbol(std::string_view kind, int symbol, int32_t x, int32_t y, int32_t begin,
                            int32_t end, bool grace) {
  if (SymbolMap::IsHeading(symbol) || symbols_.Char(symbol) == ' ') return;
  const GlyphBox& b = grace ? GraceGlyph(symbol) : Glyph(symbol);
  Report(kind, SymbolMap::Key(symbol), x, y, begin, end, {}, x + b.left, y + b.bottom, x + b.right,
         y + b.top);
  DrawSymbol(symbol, x, y, grace);
}

void DrawContext::PutText(std::string_view kind, const CanvasFont& font, int32_t x, int32_t y,
                          std::string_view text, int32_t begin, int32_t end) {
  if (text.empty()) return;
  FontMetrics m = canvas_.Metrics(font);
  Report(kind, "-", x, y, begin, end, text, x, y - m.descent, x + canvas_.TextWidth(font, text),
         y + m.ascent);
  canvas_.DrawText(font, x, y, text);
}

void DrawContext::PutAlignedText(const CanvasFont& font, int32_t left, int32_t right, int32_t y,
                                 std::string_view text, TextAlign align) {
  if (text.empty()) return;
  int32_t w = canvas_.TextWidth(font, text);
  int32_t x = align == TextAlign::kLeft    ? left
              : align == TextAlign::kRight ? right - w
                                           : left + (right - left - w) / 2;
  FontMetrics m = canvas_.Metrics(font);
  Report("text", "-", x, y, -1, -1, text, x, y - m.descent, x + w, y + m.ascent);
  canvas_.DrawAlignedText(font, left, right, y, text, align);
}

void DrawContext::PutLine(std::string_view kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          int32_t thickness, int32_t begin, int32_t end) {
  int32_t h = thickness / 2;
  Report(kind, "-", x1, y1, begin, end, {}, std::min(x1, x2) - (y1 == y2 ? 0 : h),
         std::min(y1, y2) - (x1 == x2 ? 0 : h), std::max(x1, x2) + (y1 == y2 ? 0 : h),
         std::max(y1, y2) + (x1 == x2 ? 0 : h));
  canvas_.DrawLine(x1, y1, x2, y2, thickness);
}

void DrawContext::PutPolygon(std::string_view kind, const CanvasPoint* points, size_t count,
                             int32_t begin, int32_t end) {
  if (count == 0) return;
  int32_t l = points[0].x, r = l, b = points[0].y, t = b;
  for (size_t i = 1; i < count; ++i) {
    l = std::min(l, points[i].x);
    r = std::max(r, points[i].x);
    b = std::min(b, points[i].y);
    t = std::max(t, points[i].y);
  }
  Report(kind, "-", points[0].x, points[0].y, begin, end, {}, l, b, r, t);
  canvas_.DrawPolygon(points, count);
}

void DrawContext::SetFrame() {
  int32_t leftMargin = format_.leftMargin;
  int32_t rightMargin = format_.rightMargin;
  // Opposite pages: even pages mirror the margins.
  if (format_.oppositePages && pagesStarted_ % 2 == 0) std::swap(leftMargin, rightMargin);
  left_ = leftMargin;
  right_ = job_.pageWidth - rightMargin;
  if (format_.staffWidth > 0 && left_ + format_.staffWidth < right_) {
    right_ = left_ + format_.staffWidth;
  }
  if (right_ <= left_ + 1000) right_ = left_ + 1000;
}

void DrawContext::ReportTooManyItems() {
  if (reportedTooMany_) return;
  reportedTooMany_ = true;
  if (job_.sink != nullptr) job_.sink->Message(kTooManyItemsMessage);
}

void DrawContext::DrawPageTexts() {
  SetPlace(0, 0);
  const int32_t pageLeft = format_.leftMargin;
  const int32_t pageRight = job_.pageWidth - format_.rightMargin;
  const int32_t headerY = -format_.headerDistance;
  const int32_t footerY = format_.footerDistance - job_.pageHeight;
  FormatOptions opts;
  opts.readEscapes = true;
  auto draw = [&](const std::string& text, const FontSpec& fontSpec, int align, int32_t y,
                  bool top) {
    CanvasFont font = MakeFont(fontSpec);
    FontMetrics m = canvas_.Metrics(font);
    // At the top the text hangs from the line; at the bottom it stands on it.
    int32_t baseline = top ? y - m.ascent : y + m.descent;
    for (std::string_view line : SplitLines(text)) {
      PutAlignedText(font, pageLeft, pageRight, baseline, line, ToTextAlign(align, kAlignLeft));
      baseline += top ? -(m.ascent + m.descent) : 0;
      if (!top) break;
    }
  };
  if (!format_.pageHeader.empty()) {
    draw(ExpandFormat(format_.pageHeader, firstTuneOnPage_, -1, opts, job_.env),
         format_.pageHeaderFont, format_.pageHeaderAlign, headerY, true);
  }
  if (!format_.pageFooter.empty()) {
    draw(ExpandFormat(format_.pageFooter, firstTuneOnPage_, -1, opts, job_.env),
         format_.pageFooterFont, format_.pageFooterAlign, footerY, false);
  }
  if (format_.pageNumbers) {
    char number[16];
    std::snprintf(number, sizeof number, "%u", pageNumber_);
    draw(number, format_.pageNumberFont, format_.pageNumberAlign,
         format_.pageNumberBottom ? footerY : headerY, !format_.pageNumberBottom);
  }
}

bool DrawContext::NewPage() {
  DrawPageTexts();
  if (!canvas_.NewPage()) {
    failed_ = true;
    return false;
  }
  ++pageNumber_;
  ++pagesStarted_;
  SetFrame();
  y_ = TopLimit();
  pageHasContent_ = false;
  firstTuneOnPage_ = currentTune_;
  return true;
}

void DrawContext::Finish() {
  if (pageHasContent_ || tunesDrawn_ > 0) DrawPageTexts();
  tunesDrawn_ = 0;
  pageHasContent_ = false;
}

std::string DrawContext::BlockText(const TuneRecord& tune, const HeaderBlock& block) const {
  std::string text;
  const std::string& f = block.fields;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == 'T') {
      size_t first = 0, last = tune.titles.size();
      if (i + 1 < f.size() && f[i + 1] == '1') {
        last = std::min<size_t>(1, last);
        ++i;
      } else if (i + 1 < f.size() && f[i + 1] == 'x') {
        first = 1;
        ++i;
      }
      for (size_t t = first; t < last; ++t) {
        Join(text, format_.titleArticleFirst ? ArticleFirst(tune.titles[t]) : tune.titles[t]);
      }
    } else if (c == 'X') {
      Join(text, std::to_string(tune.number));
    } else if (c == 'W') {
      if (tune.words) Join(text, *tune.words);
    } else if (c == 'f') {
      Join(text, ExpandFormat("%f", &tune, -1, FormatOptions{}, job_.env));
    } else if (std::string_view("ABCDGHKNOPQRSZ").find(c) != std::string_view::npos) {
      Join(text, tune.FieldText(c));
    }
  }
  if (text.empty()) return text;
  if (!block.newline.empty()) {
    std::string joined;
    for (std::string_view line : SplitLines(text)) {
      if (!joined.empty()) joined += block.newline;
      joined.append(line);
    }
    text = joined;
  }
  if (block.capitalised) {
    // Letters of the plain ASCII range; other bytes (UTF-8 sequences) stay as they are.
    for (char& ch : text)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return block.start + text + block.end;
}

bool DrawContext::DrawHeaderBlocks(const TuneRecord& tune, bool after) {
  if (!format_.showText && after) return true;
  int32_t col[3] = {y_, y_, y_};  // left, right, centre
  std::string carried;
  for (const HeaderBlock& block : format_.headers) {
    if (block.after != after) continue;
    std::string text = BlockText(tune, block);
    if (block.merge) {
      if (!text.empty()) carried += carried.empty() ? text : " " + text;
      continue;
    }
    if (!carried.empty()) {
      text = text.empty() ? carried : carried + " " + text;
      carried.clear();
    }
    // A fresh line starts below everything before it, also when the tune has no
    // text for the block.
    if (block.freshline || block.align == kAlignFull) {
      int32_t lowest = std::min({col[0], col[1], col[2]});
      col[0] = col[1] = col[2] = lowest;
    }
    if (text.empty()) continue;
    int c = block.align == kAlignRight ? 1 : block.align == kAlignCenter ? 2 : 0;
    int32_t pos = col[c] - block.spaceBefore;
    CanvasFont font = MakeFont(block.font);
    FontMetrics m = canvas_.Metrics(font);
    int32_t left = left_, right = right_;
    if (block.width > 0 && block.width < right - left) {
      if (block.align == kAlignRight) {
        left = right - block.width;
      } else if (block.align == kAlignCenter) {
        left += (right - left - block.width) / 2;
        right = left + block.width;
      } else {
        right = left + block.width;
      }
    }
    uint32_t n = 0;
    std::vector<std::string_view> lines;
    for (std::string_view line : SplitLines(text)) {
      for (std::string_view piece : WrapText(canvas_, font, line, right - left))
        lines.push_back(piece);
    }
    for (std::string_view line : lines) {
      if (block.maxLines != 0 && n >= block.maxLines) break;
      if (n > 0) pos -= block.lineSpacing;
      if (pos - (m.ascent + m.descent) < BottomLimit() && pageHasContent_) {
        if (!NewPage()) return false;
        pos = y_;
        col[0] = col[1] = col[2] = y_;
      }
      PutAlignedText(font, left, right, pos - m.ascent, line,
                     ToTextAlign(block.align, block.adjust));
      pos -= m.ascent + m.descent;
      pageHasContent_ = true;
      ++n;
    }
    pos -= block.spaceAfter;
    col[c] = pos;
    if (block.align == kAlignFull) col[0] = col[1] = col[2] = pos;
  }
  y_ = std::min({col[0], col[1], col[2]});
  return true;
}

int32_t DrawContext::HeadingHeight(const TuneRecord& tune) {
  int32_t height = 0;
  if (format_.showText) {
    for (const HeaderBlock& block : format_.headers) {
      if (block.after) continue;
      std::string text = BlockText(tune, block);
      if (text.empty()) continue;
      FontMetrics m = canvas_.Metrics(MakeFont(block.font));
      size_t lines = SplitLines(text).size();
      if (block.maxLines != 0) lines = std::min<size_t>(lines, block.maxLines);
      height += block.spaceBefore + block.spaceAfter +
                static_cast<int32_t>(lines) * (m.ascent + m.descent);
    }
  }
  // The first staff with room for chord symbols above it.
  const int32_t ls = layout_.Get(LP_LineSpacing);
  return height + format_.spaceBeforeTune + 6 * ls;
}

bool DrawContext::DrawTune(const TuneRecord& tune) {
  if (failed_) return false;
  currentTune_ = &tune;
  if (format_.onePerPage && tunesDrawn_ > 0 && pageHasContent_) {
    if (!NewPage()) return false;
  }
  // A tune whose titles and first staff do not fit any more starts on a new page,
  // so that no heading is left alone at the foot of a page.
  if (pageHasContent_ && y_ - HeadingHeight(tune) < BottomLimit()) {
    if (!NewPage()) return false;
  }
  if (firstTuneOnPage_ == nullptr || !pageHasContent_) firstTuneOnPage_ = &tune;
  reportedTooMany_ = false;
  ++tunesDrawn_;
  SetPlace(0, 0);
  if (format_.showText && !DrawHeaderBlocks(tune, false)) return false;
  if (!DrawTuneMusic(*this, tune)) return false;
  SetPlace(0, 0);
  if (!DrawHeaderBlocks(tune, true)) return false;
  y_ -= format_.spaceAfterTune;
  return !failed_;
}

}  // namespace tunora
