// Image checks of the notation engine on the QPainter canvas: the notation font keeps
// the conventions the layout relies on, sample tunes render to pages that match
// reviewed reference images within a tolerance.
//
// TUNORA_UPDATE_REFERENCES=1 writes the current images as the new references (look
// at them before committing them).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "abc/UserSymbols.h"
#include "base/FileIO.h"
#include "draw/DrawContext.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "draw/SymbolMap.h"
#include "platform/canvas/PageOutput.h"
#include "platform/canvas/QtCanvas.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

const QString kReferenceDir = QStringLiteral(TUNORA_SOURCE_DIR "/tests/draw/reference/");
constexpr int kDpi = 100;

// Pages drawn into images, one image per page.
class ImagePages : public QtCanvas {
 public:
  ImagePages(int32_t width, int32_t height, int32_t unitsPerInch)
      : QtCanvas(nullptr, 1), width_(width), height_(height), unitsPerInch_(unitsPerInch) {
    Start();
  }
  ~ImagePages() override { End(); }
  bool NewPage() override {
    End();
    Start();
    return true;
  }
  std::vector<QImage> Finish() {
    End();
    return images_;
  }

 private:
  void Start() {
    double inches = 1.0 / unitsPerInch_;
    QImage image(static_cast<int>(width_ * inches * kDpi + 0.5),
                 static_cast<int>(height_ * inches * kDpi + 0.5), QImage::Format_RGB32);
    image.fill(Qt::white);
    images_.push_back(image);
    painter_ = std::make_unique<QPainter>(&images_.back());
    Attach(painter_.get(), kDpi * inches);
  }
  void End() {
    if (painter_) {
      painter_->end();
      painter_.reset();
      Attach(nullptr, 1);
    }
  }
  int32_t width_, height_, unitsPerInch_;
  std::vector<QImage> images_;
  std::unique_ptr<QPainter> painter_;
};

FormatSettings ShippedLayout() {
  std::string text, error;
  ReadWholeFile(TUNORA_DATA_DIR "/layout.cfg", text, error);
  FormatSettings fs = FormatSettings::FromText(text);
  // The fonts the layout file cannot name: a face every build machine has, so that
  // the pages do not depend on which font stands in for "Arial".
  fs.exprFont.face = "DejaVu Sans";
  fs.lyricsAfterFont.face = "DejaVu Sans";
  return fs;
}

std::vector<QImage> Render(TuneFile& file, const std::vector<int>& positions) {
  FormatSettings fs = ShippedLayout();
  PaperSize paper = PaperInUnits(PaperKind::kA4, fs.unit);
  ImagePages pages(paper.width, paper.height, fs.UnitsPerInch());
  UserSymbols symbols;
  if (file.headerText) symbols.LoadFromText(*file.headerText);
  DrawJob job;
  job.pageWidth = paper.width;
  job.pageHeight = paper.height;
  job.fileSymbols = &symbols;
  DrawContext dc(pages, fs, LayoutParams(), SymbolMap(), job);
  for (int p : positions) dc.DrawTune(*file.TuneAt(p));
  dc.Finish();
  return pages.Finish();
}

// Share of pixels whose grey differs by more than a third of the scale, after both
// images are smoothed to half size (so that antialiasing does not count).
double Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1.0;
  QImage sa = a.convertToFormat(QImage::Format_Grayscale8)
                  .scaled(a.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage sb = b.convertToFormat(QImage::Format_Grayscale8)
                  .scaled(b.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  long differing = 0, inked = 0;
  for (int y = 0; y < sa.height(); ++y) {
    const uchar* ra = sa.constScanLine(y);
    const uchar* rb = sb.constScanLine(y);
    for (int x = 0; x < sa.width(); ++x) {
      if (ra[x] < 200 || rb[x] < 200) ++inked;
      if (std::abs(ra[x] - rb[x]) > 85) ++differing;
    }
  }
  return inked == 0 ? 0.0 : static_cast<double>(differing) / static_cast<double>(inked);
}

}  // namespace

class DrawRenderTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(LoadMusicFont(TUNORA_DATA_DIR "/"));
    std::string error;
    QVERIFY(file_.Load(TUNORA_DATA_DIR "/samples/traditional.abc", error));
    QVERIFY(file_.TuneCount() >= 10);
  }

  // The layout puts a head on its staff line and stands clefs, bar lines and rests
  // on theirs: the font must be built that way.
  void fontConventions() {
    CanvasFont font;
    font.face = "MusicalSymbols";
    font.height = 846;
    font.symbol = true;
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    QtCanvas canvas(&painter, 1);
    SymbolMap map;
    GlyphBox head = canvas.CharBox(font, map.Char(SYM_FILLED_HEAD));
    QVERIFY(head.advance > 200 && head.advance < 300);
    QVERIFY(std::abs(head.top + head.bottom) < 20);  // centred on the baseline
    QVERIFY(head.left >= 0 && head.left < 10);
    GlyphBox bar = canvas.CharBox(font, map.Char(SYM_BARLINE));
    QVERIFY(std::abs(bar.bottom) < 10);
    QVERIFY(std::abs(bar.top - 846) < 20);  // one staff high
    QVERIFY(bar.left > 50);                 // room before and after the line
    QVERIFY(bar.advance - bar.right > 50);
    GlyphBox up = canvas.CharBox(font, map.Char(SYM_QUARTER_UP));
    GlyphBox down = canvas.CharBox(font, map.Char(SYM_QUARTER_DOWN));
    QVERIFY(up.top > 650 && up.bottom > -150);
    QVERIFY(down.bottom < -650 && down.top < 150);
    QCOMPARE(up.advance, head.advance);
    // Every symbol that is not a heading and not a blank has ink.
    for (int s = 0; s < SymbolMap::kCount; ++s) {
      if (SymbolMap::IsHeading(s) || map.Char(s) == ' ') continue;
      GlyphBox b = canvas.CharBox(font, map.Char(s));
      QVERIFY2(b.right > b.left && b.top > b.bottom, SymbolMap::Name(s));
    }
    painter.end();
  }

  void referenceImages_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tune");
    QTest::newRow("reel") << "sample-reel" << 1;
    QTest::newRow("hornpipe") << "sample-hornpipe" << 9;
    QTest::newRow("air") << "sample-air" << 20;
  }

  void referenceImages() {
    QFETCH(QString, name);
    QFETCH(int, tune);
    QVERIFY(tune <= static_cast<int>(file_.TuneCount()));
    std::vector<QImage> pages = Render(file_, {tune});
    QVERIFY(!pages.empty());
    QImage page = pages.front();
    QString path = kReferenceDir + name + ".png";
    if (qEnvironmentVariableIsSet("TUNORA_UPDATE_REFERENCES")) {
      QDir().mkpath(kReferenceDir);
      QVERIFY(page.save(path));
      return;
    }
    QImage reference(path);
    QVERIFY2(!reference.isNull(), qPrintable("missing " + path));
    double diff = Difference(page, reference);
    if (diff > 0.02) page.save(QDir::tempPath() + "/" + name + "-actual.png");
    QVERIFY2(
        diff <= 0.02,
        qPrintable(QString("%1 differs in %2% of its ink").arg(name).arg(diff * 100, 0, 'f', 2)));
  }

  // The SVG page shows what the PNG page shows, also where the notation font is not
  // installed (its glyphs travel in the file).
  void svgPageMatchesTheImage() {
    QTemporaryDir dir;
    FormatSettings fs = ShippedLayout();
    PageSetup setup;
    setup.format = PageFormat::kSvg;
    setup.path = (dir.path() + "/tune.svg").toStdString();
    setup.pageWidth = 21000;
    setup.pageHeight = 29700;
    std::string error;
    std::unique_ptr<PageOutput> out = OpenPageOutput(setup, error);
    QVERIFY(out);
    DrawJob job;
    job.pageWidth = 21000;
    job.pageHeight = 29700;
    DrawContext dc(out->GetCanvas(), fs, LayoutParams(), SymbolMap(), job);
    dc.DrawTune(*file_.TuneAt(1));
    dc.Finish();
    QVERIFY(out->Finish(error));
    QSvgRenderer svg(QString::fromStdString(out->Files()[0]));
    QVERIFY(svg.isValid());
    QImage image = Render(file_, {1}).front();
    QImage drawn(image.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    svg.render(&painter);
    painter.end();
    double diff = Difference(image, drawn);
    if (diff > 0.05 || qEnvironmentVariableIsSet("TUNORA_KEEP_IMAGES"))
      drawn.save(QDir::tempPath() + "/svg-actual.png");
    QVERIFY2(diff <= 0.05,
             qPrintable(QString("the SVG differs in %1% of its ink").arg(diff * 100)));
    QFile file(QString::fromStdString(out->Files()[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("<use xlink:href="));
    QVERIFY(!bytes.contains("MusicalSymbols\""));
  }

 private:
  TuneFile file_;
};

}  // namespace tunora

QTEST_MAIN(tunora::DrawRenderTest)
#include "DrawRenderTest.moc"
