// One paint or print job of the notation engine: the canvas, private copies of the
// format settings and layout measures (scaled to the staff size), the fonts and the
// glyph metrics measured once, the page frame, the vertical position and the page
// number. Tunes are drawn one after the other onto pages.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "draw/Canvas.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"

namespace tunora {

class MessageSink;
class UserSymbols;
struct FormatEnv;
struct TuneRecord;

enum class PaperKind { kA4, kLetter, kA5, kLegal };

struct PaperSize {
  int32_t width = 0;
  int32_t height = 0;
};

// A paper size in drawing units of a unit (kUnitCentimetres or kUnitInches): metric
// papers are kept in 0.01 mm and converted for inches, inch papers the other way.
PaperSize PaperInUnits(PaperKind paper, int unit);
// "a4", "letter", "a5", "legal" (any letter case); false for others.
bool PaperKindFromName(std::string_view name, PaperKind& paper);

// The message shown when a staff line holds too many items.
inline constexpr std::string_view kTooManyItemsMessage =
    "Maximum number of draw items in one line reached.";

// "Name, The" (or ", A", ", An") as "The Name"; other titles as they are.
std::string ArticleFirst(std::string_view title);

// A line of text cut at blanks into pieces no wider than width (a word wider than
// that is cut where it must be).
std::vector<std::string_view> WrapText(Canvas& canvas, const CanvasFont& font,
                                       std::string_view text, int32_t width);

struct DrawJob {
  int32_t pageWidth = 0;  // drawing units of the format's unit
  int32_t pageHeight = 0;
  MessageSink* sink = nullptr;                  // the item-limit message; none when null
  const FormatEnv* env = nullptr;               // page texts (tune format strings)
  const UserSymbols* programSymbols = nullptr;  // the program's set (userdef.abc)
  const UserSymbols* fileSymbols = nullptr;     // U: lines of the file header
};

class DrawContext {
 public:
  DrawContext(Canvas& canvas, const FormatSettings& format, const LayoutParams& layout,
              const SymbolMap& symbols, const DrawJob& job);

  // Draws a tune with its header blocks on the current page (and the pages that
  // follow). False when the canvas could not start a new page.
  bool DrawTune(const TuneRecord& tune);
  // Draws the page texts of the last page when a tune was drawn on it.
  void Finish();

  // --- used by the staff layout ------------------------------------------------------
  Canvas& GetCanvas() { return canvas_; }
  const FormatSettings& Format() const { return format_; }
  const LayoutParams& Layout() const { return layout_; }
  const SymbolMap& Symbols() const { return symbols_; }
  const DrawJob& Job() const { return job_; }

  const CanvasFont& NotationFont() const { return notationFont_; }
  const CanvasFont& GraceFont() const { return graceFont_; }
  const CanvasFont& ChordFont() const { return chordFont_; }
  const CanvasFont& ExprFont() const { return exprFont_; }
  const CanvasFont& LyricsFont() const { return lyricsFont_; }
  const CanvasFont& TextFont() const { return textFont_; }
  CanvasFont MakeFont(const FontSpec& fontSpec) const;
  // The font of T: fields in the body: the first header block with "Tx", else the
  // last one with "T1" or "T", else the text-expression font.
  CanvasFont BodyTitleFont() const;

  // Glyph boxes of every symbol in the notation and grace fonts, measured once.
  const GlyphBox& Glyph(int symbol) const { return glyphs_[Clamp(symbol)]; }
  const GlyphBox& GraceGlyph(int symbol) const { return graceGlyphs_[Clamp(symbol)]; }
  int32_t GlyphWidth(int symbol) const { return Glyph(symbol).advance; }

  // Draws symbol n with the notation (or grace) font; a blank character draws nothing.
  void DrawSymbol(int symbol, int32_t x, int32_t y, bool grace = false);

  // --- laid-out items: every element is reported to the canvas, then drawn ----------
  // Where the items reported next stand: system and staff of the tune, counted from 1.
  void SetPlace(int system, int staff) {
    system_ = system;
    staff_ = staff;
  }
  // Byte ranges handed to the Put functions are offsets into the tune's body; this is
  // where the body begins in the canonical tune text.
  void SetSourceOffset(int32_t offset) { sourceOffset_ = offset; }
  // Reports an item with its ink box (left, bottom, right, top) on the current page.
  void Report(std::string_view kind, std::string_view symbol, int32_t x, int32_t y, int32_t begin,
              int32_t end, std::string_view text, int32_t left, int32_t bottom, int32_t right,
              int32_t top);
  // A music symbol (nothing when its character is a blank).
  void PutSymbol(std::string_view kind, int symbol, int32_t x, int32_t y, int32_t begin,
                 int32_t end, bool grace = false);
  void PutText(std::string_view kind, const CanvasFont& font, int32_t x, int32_t y,
               std::string_view text, int32_t begin, int32_t end);
  // One line of text aligned between left and right.
  void PutAlignedText(const CanvasFont& font, int32_t left, int32_t right, int32_t y,
                      std::string_view text, TextAlign align);
  void PutLine(std::string_view kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
               int32_t thickness, int32_t begin, int32_t end);
  void PutPolygon(std::string_view kind, const CanvasPoint* points, size_t count, int32_t begin,
                  int32_t end);

  // Page frame.
  int32_t PageWidth() const { return job_.pageWidth; }
  int32_t PageHeight() const { return job_.pageHeight; }
  int32_t LeftEdge() const { return left_; }
  int32_t RightLimit() const { return right_; }
  int32_t TopLimit() const { return -format_.topMargin; }
  int32_t BottomLimit() const { return format_.bottomMargin - job_.pageHeight; }

  // The current vertical position (y up, negative below the paper's top edge).
  int32_t Y() const { return y_; }
  void SetY(int32_t y) { y_ = y; }
  uint32_t PageNumber() const { return pageNumber_; }
  int PagesStarted() const { return pagesStarted_; }
  // Whether something was drawn on the current page.
  bool PageHasContent() const { return pageHasContent_; }
  void MarkContent() { pageHasContent_ = true; }
  // Finishes the page and starts the next one at the top of its printable area.
  bool NewPage();
  bool Failed() const { return failed_; }

  // Reports the item-limit message once per tune.
  void ReportTooManyItems();

 private:
  static int Clamp(int symbol) { return symbol < 0 || symbol >= SymbolMap::kCount ? 0 : symbol; }
  void DrawPageTexts();
  void SetFrame();
  // Header blocks whose after flag equals after.
  bool DrawHeaderBlocks(const TuneRecord& tune, bool after);
  std::string BlockText(const TuneRecord& tune, const HeaderBlock& block) const;
  // Room the header blocks before a tune and its first staff take, roughly.
  int32_t HeadingHeight(const TuneRecord& tune);

  Canvas& canvas_;
  FormatSettings format_;
  LayoutParams layout_;
  SymbolMap symbols_;
  DrawJob job_;
  CanvasFont notationFont_, graceFont_, chordFont_, exprFont_, lyricsFont_, textFont_;
  std::array<GlyphBox, SymbolMap::kCount> glyphs_{};
  std::array<GlyphBox, SymbolMap::kCount> graceGlyphs_{};
  int32_t left_ = 0;
  int32_t right_ = 0;
  int32_t y_ = 0;
  uint32_t pageNumber_ = 1;
  int pagesStarted_ = 1;
  bool pageHasContent_ = false;
  const TuneRecord* firstTuneOnPage_ = nullptr;
  const TuneRecord* currentTune_ = nullptr;
  int tunesDrawn_ = 0;
  bool failed_ = false;
  bool reportedTooMany_ = false;
  int system_ = 0;
  int staff_ = 0;
  int32_t sourceOffset_ = 0;
};

// Draws the music of one tune at the context's vertical position (the staff lines
// of the tune, without header blocks). False when drawing had to stop.
bool DrawTuneMusic(DrawContext& dc, const TuneRecord& tune);

}  // namespace tunora
