// Paper, printing and page files of drawn tunes. The paper chosen in Print Setup
// is the paper of the drawing window too; it is kept in the settings file (section
// "PrintSetup") between runs. Printing, the print preview, the window and the page
// files all draw through DrawTunes, so they show the same pages.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "abc/UserSymbols.h"
#include "draw/DrawContext.h"
#include "tunefile/TuneRecord.h"

class QPrinter;
class QWidget;

namespace tunora {

class ItemHitMap;

// What a drawing shows: copies of tunes and the U: symbols of their file header.
struct DrawSource {
  std::vector<TuneRecord> tunes;
  UserSymbols fileSymbols;
  std::vector<const TuneRecord*> Pointers() const;
};

// The application's printer, made on first use with the paper of the settings.
QPrinter& DrawPrinter();
// The chosen paper in drawing units of a unit (kUnitCentimetres or kUnitInches):
// metric papers exact in 0.01 mm, inch papers exact in 0.001 inch, converted for
// the other unit; width and height swapped in landscape.
PaperSize ScreenPaper(int unit);
// Reads and writes the paper in the settings file of the program directory.
void LoadPrintSetup();
bool SavePrintSetup();

// The job of a drawing: page size, the application's message sink and tune format
// environment, the file's U: symbols.
DrawJob MakeDrawJob(const DrawSource& source, PaperSize paper);
// The notation symbols of the settings.
SymbolMap CurrentSymbolMap();

// File -> Print Setup: the page setup dialog on the application's printer; OK keeps
// the paper in the settings. True when confirmed.
bool RunPrintSetup(QWidget* parent);
// Draws the tunes on the printer's pages (the printer's own paper). False with a
// message when the printer could not start or a page could not be begun.
bool PrintTunes(QPrinter& printer, const DrawSource& source, QString& error);
// File -> Print: the print dialog ("Print to File" gives a PDF), then PrintTunes.
bool RunPrint(QWidget* parent, const DrawSource& source);
// File -> Print Preview: the pages as they will print, in the preview dialog.
void RunPrintPreview(QWidget* parent, const DrawSource& source);
// Writes the pages as PDF, SVG or PNG (by the path's extension) on the screen's
// paper; false with a message.
bool ExportPages(const QString& path, const DrawSource& source, int dpi, QString& error);

}  // namespace tunora
