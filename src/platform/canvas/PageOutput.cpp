#include "platform/canvas/PageOutput.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <cstdlib>
#include <unistd.h>

#include "base/FileIO.h"
#include "platform/canvas/QtCanvas.h"
#include "platform/canvas/SvgCanvas.h"

namespace tunora {
namespace {

constexpr const char* kMusicFamily = "MusicalSymbols";

// OUT.ext becomes OUT-n.ext.
std::string NumberedPath(const std::string& path, int n) {
  QFileInfo info(QString::fromStdString(path));
  QString suffix = info.suffix();
  QString base = QString::fromStdString(path);
  if (!suffix.isEmpty()) base.chop(suffix.size() + 1);
  return (base + "-" + QString::number(n) + (suffix.isEmpty() ? "" : "." + suffix)).toStdString();
}

class PdfOutput : public PageOutput {
 public:
  bool Open(const PageSetup& s, std::string& error) {
    setup_ = s;
    writer_ = std::make_unique<QPdfWriter>(QString::fromStdString(s.path));
    writer_->setResolution(1200);
    writer_->setCreator("Tunora");
    double mm = s.unitsPerInch == 1000 ? 25.4 / 1000.0 : 0.01;
    writer_->setPageSize(QPageSize(QSizeF(s.pageWidth * mm, s.pageHeight * mm),
                                   QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    writer_->setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!painter_.begin(writer_.get())) {
      error = "cannot write " + s.path;
      return false;
    }
    canvas_ = std::make_unique<PagedCanvas>(this);
    canvas_->Attach(&painter_, 1200.0 / s.unitsPerInch);
    return true;
  }
  Canvas& GetCanvas() override { return *canvas_; }
  bool Finish(std::string& error) override {
    if (painter_.isActive() && !painter_.end()) {
      error = "cannot write " + setup_.path;
      return false;
    }
    files_ = {setup_.path};
    return true;
  }
  const std::vector<std::string>& Files() const override { return files_; }

 private:
  class PagedCanvas : public QtCanvas {
   public:
    explicit PagedCanvas(PdfOutput* out) : QtCanvas(nullptr, 1), out_(out) {}
    bool NewPage() override {
      if (!out_->writer_->newPage()) return false;
      // The painter keeps its transform across pages of one writer.
      return true;
    }

   private:
    PdfOutput* out_;
  };

  PageSetup setup_;
  std::unique_ptr<QPdfWriter> writer_;
  QPainter painter_;
  std::unique_ptr<PagedCanvas> canvas_;
  std::vector<std::string> files_;
};

// PNG: one image per page.
class PerPageOutput : public PageOutput {
 public:
  bool Open(const PageSetup& s, std::string& error) {
    setup_ = s;
    canvas_ = std::make_unique<PagedCanvas>(this);
    return StartPage(error);
  }
  Canvas& GetCanvas() override { return *canvas_; }
  bool Finish(std::string& error) override {
    if (!EndPage(error)) return false;
    if (pages_ == 1) {
      files_ = {setup_.path};
    } else {
      files_.clear();
      for (int i = 1; i <= pages_; ++i) files_.push_back(NumberedPath(setup_.path, i));
    }
    return true;
  }
  const std::vector<std::string>& Files() const override { return files_; }

 private:
  class PagedCanvas : public QtCanvas {
   public:
    explicit PagedCanvas(PerPageOutput* out) : QtCanvas(nullptr, 1), out_(out) {}
    bool NewPage() override {
      std::string error;
      return out_->EndPage(error) && out_->StartPage(error);
    }

   private:
    PerPageOutput* out_;
  };

  std::string CurrentPath() const {
    return pages_ <= 1 ? setup_.path : NumberedPath(setup_.path, pages_);
  }

  bool StartPage(std::string& error) {
    ++pages_;
    if (pages_ == 2) {
      // A second page: the first file gets its number too.
      std::string first = NumberedPath(setup_.path, 1);
      QFile::remove(QString::fromStdString(first));
      if (!QFile::rename(QString::fromStdString(setup_.path), QString::fromStdString(first))) {
        error = "cannot write " + first;
        return false;
      }
    }
    const double inches = 1.0 / setup_.unitsPerInch;
    {
      int dpi = std::clamp(setup_.dpi, 20, 1200);
      QSize px(std::max(1, static_cast<int>(setup_.pageWidth * inches * dpi + 0.5)),
               std::max(1, static_cast<int>(setup_.pageHeight * inches * dpi + 0.5)));
      image_ = QImage(px, QImage::Format_RGB32);
      if (image_.isNull()) {
        error = "the page image is too large";
        return false;
      }
      image_.setDotsPerMeterX(static_cast<int>(dpi / 0.0254));
      image_.setDotsPerMeterY(static_cast<int>(dpi / 0.0254));
      image_.fill(Qt::white);
      if (!painter_.begin(&image_)) {
        error = "cannot draw the page image";
        return false;
      }
      canvas_->Attach(&painter_, dpi * inches);
    }
    return true;
  }

  bool EndPage(std::string& error) {
    if (!painter_.isActive()) return true;
    painter_.end();
    canvas_->Attach(nullptr, 1);
    if (!image_.save(QString::fromStdString(CurrentPath()), "PNG")) {
      error = "cannot write " + CurrentPath();
      return false;
    }
    return true;
  }

  PageSetup setup_;
  std::unique_ptr<PagedCanvas> canvas_;
  QImage image_;
  QPainter painter_;
  int pages_ = 0;
  std::vector<std::string> files_;
};

}  // namespace

// SVG: one file per page, written by the SVG canvas.
class SvgOutput : public PageOutput {
 public:
  bool Open(const PageSetup& s, std::string&) {
    setup_ = s;
    canvas_ = std::make_unique<PagedCanvas>(this, s);
    pages_ = 1;
    return true;
  }
  Canvas& GetCanvas() override { return *canvas_; }
  bool Finish(std::string& error) override {
    if (!WritePage(error)) return false;
    files_.clear();
    if (pages_ == 1) {
      files_.push_back(setup_.path);
    } else {
      for (int i = 1; i <= pages_; ++i) files_.push_back(NumberedPath(setup_.path, i));
    }
    return true;
  }
  const std::vector<std::string>& Files() const override { return files_; }

 private:
  class PagedCanvas : public SvgCanvas {
   public:
    PagedCanvas(SvgOutput* out, const PageSetup& s)
        : SvgCanvas(s.pageWidth, s.pageHeight, s.unitsPerInch), out_(out) {}
    bool NewPage() override {
      std::string error;
      if (!out_->WritePage(error)) return false;
      Clear();
      ++out_->pages_;
      return true;
    }

   private:
    SvgOutput* out_;
  };

  bool WritePage(std::string& error) {
    if (pages_ == 2 && !renamed_) {
      // A second page: the first file gets its number too.
      std::string first = NumberedPath(setup_.path, 1);
      QFile::remove(QString::fromStdString(first));
      if (!QFile::rename(QString::fromStdString(setup_.path), QString::fromStdString(first))) {
        error = "cannot write " + first;
        return false;
      }
      renamed_ = true;
    }
    std::string path = pages_ <= 1 ? setup_.path : NumberedPath(setup_.path, pages_);
    std::string message;
    if (!WriteFileAtomically(path, canvas_->Document(), message)) {
      error = "cannot write " + path + (message.empty() ? "" : ": " + message);
      return false;
    }
    return true;
  }

  PageSetup setup_;
  std::unique_ptr<PagedCanvas> canvas_;
  int pages_ = 0;
  bool renamed_ = false;
  std::vector<std::string> files_;
};

bool LoadMusicFont(const std::string& programDir) {
  static bool loaded = false;
  if (loaded) return true;
  if (QFontDatabase::hasFamily(kMusicFamily)) {
    loaded = true;
    return true;
  }
  QString path = QString::fromStdString(programDir) + "fonts/MusicalSymbols.ttf";
  loaded = QFontDatabase::addApplicationFont(path) >= 0;
  return loaded;
}

namespace {
// Qt's own warnings (a painter that could not begin, fonts without OpenType tables for
// stray bytes) would reach the user before the program's message, or by the hundred;
// the program says what went wrong itself. Only critical and fatal messages pass.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "tunora-cli: %s\n", text.toLocal8Bit().constData());
  }
}
}  // namespace

bool InitGraphics(const std::string& programDir) {
  if (QGuiApplication::instance() == nullptr) {
    qInstallMessageHandler(QuietQtMessages);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
      // A private runtime folder, so that Qt has no reason to complain.
      QString dir = QDir::tempPath() + "/tunora-runtime-" + QString::number(getuid());
      QDir().mkpath(dir);
      QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      setenv("XDG_RUNTIME_DIR", dir.toLocal8Bit().constData(), 1);
    }
    static int argc = 1;
    static char name[] = "tunora";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
  }
  return LoadMusicFont(programDir);
}

bool PageFormatOfPath(const std::string& path, PageFormat& format) {
  QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == "pdf") {
    format = PageFormat::kPdf;
  } else if (suffix == "svg") {
    format = PageFormat::kSvg;
  } else if (suffix == "png") {
    format = PageFormat::kPng;
  } else {
    return false;
  }
  return true;
}

std::unique_ptr<PageOutput> OpenPageOutput(const PageSetup& setup, std::string& error) {
  if (setup.pageWidth <= 0 || setup.pageHeight <= 0) {
    error = "no paper size";
    return nullptr;
  }
  if (setup.format == PageFormat::kPdf) {
    auto out = std::make_unique<PdfOutput>();
    if (!out->Open(setup, error)) return nullptr;
    return out;
  }
  if (setup.format == PageFormat::kSvg) {
    auto out = std::make_unique<SvgOutput>();
    if (!out->Open(setup, error)) return nullptr;
    return out;
  }
  auto out = std::make_unique<PerPageOutput>();
  if (!out->Open(setup, error)) return nullptr;
  return out;
}

std::unique_ptr<Canvas> OpenMeasuringCanvas() {
  class MeasuringCanvas : public QtCanvas {
   public:
    MeasuringCanvas() : QtCanvas(nullptr, 1) {}
    bool NewPage() override { return true; }
  };
  return std::make_unique<MeasuringCanvas>();
}

}  // namespace tunora
