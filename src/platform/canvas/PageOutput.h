// Page files for the notation engine: PDF (every page in one file), SVG and PNG (one
// file per page: OUT.svg for a single page, OUT-1.svg, OUT-2.svg ... for more). This
// header has no Qt types, so command-line code can use it as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "draw/Canvas.h"

namespace tunora {

enum class PageFormat { kPdf, kSvg, kPng };

struct PageSetup {
  PageFormat format = PageFormat::kPdf;
  std::string path;
  int32_t pageWidth = 0;  // drawing units
  int32_t pageHeight = 0;
  int32_t unitsPerInch = 2540;
  int dpi = 150;  // PNG only
};

class PageOutput {
 public:
  virtual ~PageOutput() = default;
  // The canvas of the current page; NewPage on it starts the next page.
  virtual Canvas& GetCanvas() = 0;
  // Ends the last page and closes the files; false with a message when a file could
  // not be written.
  virtual bool Finish(std::string& error) = 0;
  // The files written (after Finish).
  virtual const std::vector<std::string>& Files() const = 0;
};

// Prepares Qt for drawing without a window system when no application object exists
// (offscreen platform), and makes the notation font of the program directory
// available unless a font of that family is already installed. Qt's own warnings are
// kept off the terminal: the commands report their failures themselves.
bool InitGraphics(const std::string& programDir);

// Adds "fonts/MusicalSymbols.ttf" of the program directory as an application font
// when no font family "MusicalSymbols" is installed. False when it could not be
// loaded (a real font of that name, if any, is then used).
bool LoadMusicFont(const std::string& programDir);

// Opens the first page; null with a message when the file cannot be started.
std::unique_ptr<PageOutput> OpenPageOutput(const PageSetup& setup, std::string& error);

// A canvas that measures with the fonts as page files do and draws nothing; its pages
// never run out. The layout listing draws on it.
std::unique_ptr<Canvas> OpenMeasuringCanvas();

// The format named by a file's extension (.pdf, .svg, .png, any letter case); false
// for others.
bool PageFormatOfPath(const std::string& path, PageFormat& format);

}  // namespace tunora
