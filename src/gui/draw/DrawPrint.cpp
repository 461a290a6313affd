#include "gui/draw/DrawPrint.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "base/IniFile.h"
#include "draw/DrawTunes.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "gui/app/CTunoraApp.h"
#include "platform/canvas/PageCanvas.h"
#include "platform/canvas/PageOutput.h"

namespace tunora {
namespace {

constexpr const char* kSection = "PrintSetup";

QString ProgramDir() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr ? app->ProgramDirQ() : QString();
}

}  // namespace

std::vector<const TuneRecord*> DrawSource::Pointers() const {
  std::vector<const TuneRecord*> out;
  out.reserve(tunes.size());
  for (const TuneRecord& t : tunes) out.push_back(&t);
  return out;
}

QPrinter& DrawPrinter() {
  static QPrinter* printer = [] {
    auto* p = new QPrinter(QPrinter::HighResolution);
    p->setFullPage(true);
    p->setPageSize(QPageSize(QPageSize::A4));
    return p;
  }();
  return *printer;
}

PaperSize ScreenPaper(int unit) {
  const QPageLayout layout = DrawPrinter().pageLayout();
  const QPageSize size = layout.pageSize();
  PaperSize paper;
  if (size.definitionUnits() == QPageSize::Inch) {
    QSizeF in = size.size(QPageSize::Inch);
    double f = unit == kUnitInches ? 1000.0 : 2540.0;
    paper = {static_cast<int32_t>(in.width() * f + 0.5),
             static_cast<int32_t>(in.height() * f + 0.5)};
  } else {
    QSizeF mm = size.size(QPageSize::Millimeter);
    double f = unit == kUnitInches ? 1000.0 / 25.4 : 100.0;
    paper = {static_cast<int32_t>(mm.width() * f + 0.5),
             static_cast<int32_t>(mm.height() * f + 0.5)};
  }
  if (layout.orientation() == QPageLayout::Landscape) std::swap(paper.width, paper.height);
  if (paper.width <= 0 || paper.height <= 0) paper = PaperInUnits(PaperKind::kA4, unit);
  return paper;
}

void LoadPrintSetup() {
  IniFile ini;
  if (!ini.Load((ProgramDir() + "tunora.ini").toStdString())) return;
  QPrinter& printer = DrawPrinter();
  const std::string key = ini.GetString(kSection, "PaperSize", "");
  const int width = ini.GetInt(kSection, "PaperWidth", 0);    // 0.1 mm
  const int length = ini.GetInt(kSection, "PaperLength", 0);  // 0.1 mm
  QPageSize size;
  for (int id = 0; id <= QPageSize::LastPageSize && !key.empty(); ++id) {
    auto candidate = static_cast<QPageSize::PageSizeId>(id);
    if (QPageSize::key(candidate).toStdString() == key) {
      size = QPageSize(candidate);
      break;
    }
  }
  if (!size.isValid() && width > 0 && length > 0 && width <= 20000 && length <= 20000)
    size = QPageSize(QSizeF(width / 10.0, length / 10.0), QPageSize::Millimeter);
  if (size.isValid()) printer.setPageSize(size);
  printer.setPageOrientation(ini.GetInt(kSection, "Orientation", 1) == 2 ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
}

bool SavePrintSetup() {
  IniFile ini;
  const std::string path = (ProgramDir() + "tunora.ini").toStdString();
  ini.Load(path);
  ini.SetPath(path);
  const QPageLayout layout = DrawPrinter().pageLayout();
  const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
  ini.WriteString(kSection, "PaperSize", layout.pageSize().key().toStdString());
  ini.WriteInt(kSection, "PaperWidth", static_cast<int>(mm.width() * 10 + 0.5));
  ini.WriteInt(kSection, "PaperLength", static_cast<int>(mm.height() * 10 + 0.5));
  ini.WriteInt(kSection, "Orientation", layout.orientation() == QPageLayout::Landscape ? 2 : 1);
  return ini.Save();
}

SymbolMap CurrentSymbolMap() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app != nullptr ? SymbolMap(app->GetSettings().fonts.musicalSymbols) : SymbolMap();
}

DrawJob MakeDrawJob(const DrawSource& source, PaperSize paper) {
  DrawJob job;
  job.pageWidth = paper.width;
  job.pageHeight = paper.height;
  job.programSymbols = &UserSymbols::Application();
  job.fileSymbols = &source.fileSymbols;
  if (CTunoraApp* app = CTunoraApp::Instance()) {
    job.sink = &app->Sink();
    job.env = &app->GetFormatEnv();
  }
  return job;
}

bool RunPrintSetup(QWidget* parent) {
  QPageSetupDialog dialog(&DrawPrinter(), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  SavePrintSetup();
  return true;
}

bool PrintTunes(QPrinter& printer, const DrawSource& source, QString& error) {
  const FormatSettings& fs = FormatSettings::Application();
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = QStringLiteral("The printer could not be started.");
    return false;
  }
  const QSizeF mm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
  const double perMm = fs.unit == kUnitInches ? 1000.0 / 25.4 : 100.0;
  PaperSize paper{static_cast<int32_t>(mm.width() * perMm + 0.5),
                  static_cast<int32_t>(mm.height() * perMm + 0.5)};
  const double ppu = printer.resolution() / static_cast<double>(fs.UnitsPerInch());
  PageCanvas canvas(&painter, ppu, [&printer, &painter, ppu, &canvas]() {
    if (!printer.newPage()) return false;
    painter.resetTransform();
    canvas.Attach(&painter, ppu);
    return true;
  });
  const int pages = DrawTunes(canvas, source.Pointers(), fs, LayoutParams::Application(),
                              CurrentSymbolMap(), MakeDrawJob(source, paper));
  painter.end();
  if (pages == 0) {
    error = QStringLiteral("A page could not be started on the printer.");
    return false;
  }
  return true;
}

bool RunPrint(QWidget* parent, const DrawSource& source) {
  QPrintDialog dialog(&DrawPrinter(), parent);
  dialog.setWindowTitle(QStringLiteral("Print"));
  if (dialog.exec() != QDialog::Accepted) return false;
  QString error;
  if (!PrintTunes(DrawPrinter(), source, error)) {
    if (CTunoraApp* app = CTunoraApp::Instance()) app->Sink().Message(error.toStdString());
    return false;
  }
  return true;
}

void RunPrintPreview(QWidget* parent, const DrawSource& source) {
  QPrintPreviewDialog dialog(&DrawPrinter(), parent);
  dialog.setWindowTitle(QStringLiteral("Print Preview"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&source](QPrinter* printer) {
                     QString error;
                     PrintTunes(*printer, source, error);
                   });
  dialog.resize(900, 1000);
  dialog.exec();
}

bool ExportPages(const QString& path, const DrawSource& source, int dpi, QString& error) {
  const FormatSettings& fs = FormatSettings::Application();
  PageSetup setup;
  if (!PageFormatOfPath(path.toStdString(), setup.format)) {
    error = QStringLiteral("The file name must end in .pdf, .svg or .png.");
    return false;
  }
  const PaperSize paper = ScreenPaper(fs.unit);
  setup.path = path.toStdString();
  setup.pageWidth = paper.width;
  setup.pageHeight = paper.height;
  setup.unitsPerInch = fs.UnitsPerInch();
  setup.dpi = dpi;
  std::string message;
  std::unique_ptr<PageOutput> out = OpenPageOutput(setup, message);
  if (!out) {
    error = QString::fromStdString(message);
    return false;
  }
  const int pages = DrawTunes(out->GetCanvas(), source.Pointers(), fs, LayoutParams::Application(),
                              CurrentSymbolMap(), MakeDrawJob(source, paper));
  if (!out->Finish(message)) {
    error = QString::fromStdString(message);
    return false;
  }
  if (pages == 0) {
    error = QStringLiteral("A page could not be started.");
    return false;
  }
  return true;
}

}  // namespace tunora
