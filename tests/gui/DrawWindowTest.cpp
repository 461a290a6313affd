// The drawing window in the running program: Draw from the tune list and from the
// editor, zoom and pages, printing to a PDF file through the printer against
// tunora-cli render, the live preview following the editor's text, the editor
// selection of a drawn item's source bytes, both layout sheets with their unit
// rules, OK and Cancel, the header block dialog and the list moves, and the
// symbol dialog. With TUNORA_SHOT_DIR set, every window is saved as a picture.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "base/IniFile.h"
#include "draw/FormatSettings.h"
#include "draw/LayoutParams.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/draw/CDrawDoc.h"
#include "gui/draw/CDrawView.h"
#include "gui/draw/CLayoutAProp.h"
#include "gui/draw/CLayoutProp.h"
#include "gui/draw/CSymbolDlg.h"
#include "gui/draw/DrawPrint.h"
#include "gui/draw/LayoutFields.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/play/HeardNotes.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

using namespace tunora;

namespace {

// A 64-bar reel (two pages on A4), a song with words under the notes, a jig.
QByteArray Tunes() {
  QByteArray long_ = "X:1\r\nT:The Long Reel\r\nC:Trad.\r\nR:reel\r\nM:4/4\r\nL:1/8\r\nK:D\r\n";
  for (int line = 0; line < 16; ++line)
    long_ += "|:\"D\"d2fd Adfd|\"G\"g2bg \"A\"fgag|\"D\"f2df \"G\"gfed|\"A\"cABc d4:|\r\n";
  QByteArray song =
      "X:2\r\nT:A Song\r\nM:3/4\r\nL:1/4\r\nK:G\r\nG A B|c2 B|A G F|G3|\r\n"
      "w:Here we go a-long the road we know\r\nd d e|d2 B|c B A|G3|]\r\n"
      "w:sing-ing as we go, o-ver the hill\r\n";
  QByteArray jig = "X:3\r\nT:Short Jig\r\nM:6/8\r\nK:G\r\nGAB AGE|\"C\"c2e \"D\"d2B|]\r\n";
  return long_ + "\r\n" + song + "\r\n" + jig + "\r\n";
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int PdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray data = f.readAll();
  return static_cast<int>(data.count("/Type /Page\n") + data.count("/Type /Page\r") +
                          data.count("/Type /Page ") + data.count("/Type /Page/") +
                          data.count("/Type /Page>"));
}

// The words of a PDF's text, sorted (pdftotext from poppler-utils); empty when it cannot be
// read. Sorted, because the order of text runs in a page description is not the drawing's.
QStringList PdfWords(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  QStringList words = QString::fromUtf8(p.readAllStandardOutput())
                          .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  words.sort();
  return words;
}

}  // namespace

class DrawWindowTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;
  CAbcDoc* file_ = nullptr;

  CMainFrame* Frame() const { return app_->MainFrame(); }
  QString Home() const { return dir_.filePath(QStringLiteral("home")) + QLatin1Char('/'); }

  CDrawDoc* DrawLines(std::vector<int> lines) {
    file_->View()->SelectLine(lines.front());
    CDrawDoc* doc = CDrawDoc::OpenOnTunes(*file_, lines);
    QApplication::processEvents();
    return doc;
  }
  void Paint(CDrawDoc* doc) {
    doc->View()->Pages()->grab();  // a paint: pages and items are laid out anew
    doc->View()->Pages()->grab();
  }

 private slots:
  void initTestCase() {
    QVERIFY(
        run_.Start(QSize(1200, 900), {"layout.cfg", "abcstyle.cfg", "fonts/MusicalSymbols.ttf"}));
    QFile f(dir_.filePath(QStringLiteral("tunes.abc")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Tunes());
    f.close();
    file_ = qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(f.fileName()));
    QVERIFY(file_);
  }

  void cleanupTestCase() { run_.Stop(); }

  void drawOpensPagesZoomsAndStepsByPage() {
    CDrawDoc* doc = DrawLines({1});
    QVERIFY(doc);
    CDrawView* view = doc->View();
    QVERIFY(view);
    QCOMPARE(doc->Source().tunes.size(), size_t{1});
    QVERIFY(doc->TuneFileDocument() == file_);
    Paint(doc);
    QVERIFY(view->Pages()->PageCount() >= 2);
    // Zoom keeps within its limits; the pages grow with it.
    view->SetZoom(1.0);
    const int height = view->Pages()->height();
    view->ZoomIn();
    QVERIFY(view->Pages()->height() > height);
    view->SetZoom(100);
    QCOMPARE(view->Pages()->Zoom(), CDrawView::kMaxZoom);
    view->FitWidth();
    const int pageWidth = view->Pages()->PagePixels().width();
    QVERIFY(std::abs(pageWidth + 2 * DrawPages::kGap - view->ScrollArea()->viewport()->width()) <=
            2);
    // Page Down goes to the top of page 2.
    view->SetZoom(0.5);
    view->StepPage(1);
    QScrollBar* bar = view->ScrollArea()->verticalScrollBar();
    QCOMPARE(bar->value(), std::min(bar->maximum(), view->Pages()->PageTop(2) - DrawPages::kGap));
    QVERIFY(bar->value() > 0);
    QTest::keyClick(view->ScrollArea(), Qt::Key_PageUp);
    QCOMPARE(view->ScrollArea()->verticalScrollBar()->value(), 0);
    QTest::keyClick(view->ScrollArea(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view->ScrollArea()->verticalScrollBar()->value(),
             view->ScrollArea()->verticalScrollBar()->maximum());
    // "View margins, headers & footers": the printable area is outlined on screen.
    auto marginInk = [view]() {
      const QImage image = view->Pages()->grab().toImage();
      const double ppu = view->Pages()->PixelsPerUnit();
      const int x =
          DrawPages::kGap + static_cast<int>(FormatSettings::Application().leftMargin * ppu + 0.5);
      int blue = 0;
      for (int y = view->Pages()->PageTop(1) + 200; y < view->Pages()->PageTop(1) + 260; ++y)
        for (int dx = -1; dx <= 1; ++dx) {
          const QColor c = image.pixelColor(x + dx, y);
          if (c.blue() > c.red() + 40) ++blue;
        }
      return blue;
    };
    view->SetZoom(1.0);
    QCOMPARE(marginInk(), 0);
    FormatSettings::Application().showMargins = true;
    QVERIFY(marginInk() > 10);
    FormatSettings::Application().showMargins = false;
    app_->CloseDocument(doc);
  }

  void drawsSeveralSelectedTunesAndLyrics() {
    CDrawDoc* doc = DrawLines({2, 3});
    QVERIFY(doc);
    QCOMPARE(doc->Source().tunes.size(), size_t{2});
    // The player makes a note of the second tune heard: the drawing marks it.
    Paint(doc);
    DrawPages* pages = doc->View()->Pages();
    const TuneRecord& jig = *file_->File().TuneAt(3);
    const size_t note = jig.body.find("c2e");
    emit HeardNotes::Instance().Heard(&jig, static_cast<qint64>(note));
    Paint(doc);
    QVERIFY(pages->Heard() != nullptr);
    QCOMPARE(pages->Heard()->tune, 1);
    QCOMPARE(pages->Heard()->kind, std::string("note"));
    const std::string canonical = file_->File().WriteTune(jig, false);
    QCOMPARE(canonical.substr(static_cast<size_t>(pages->Heard()->begin), 2), std::string("c2"));
    // Another tune heard, or the play over: no mark.
    const TuneRecord& reel = *file_->File().TuneAt(1);
    emit HeardNotes::Instance().Heard(&reel, 0);
    QVERIFY(pages->Heard() == nullptr);
    emit HeardNotes::Instance().Heard(&jig, static_cast<qint64>(note));
    emit HeardNotes::Instance().Heard(nullptr, -1);
    QVERIFY(pages->Heard() == nullptr);
    emit HeardNotes::Instance().Heard(&jig, static_cast<qint64>(note));
    QVERIFY(doc->Title().startsWith(QStringLiteral("Draw - A Song")));
    app_->CloseDocument(doc);
  }

  void printingToPdfGivesThePagesOfRender() {
    DrawSource source;
    source.tunes.push_back(*file_->File().TuneAt(1));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString printed = dir_.filePath(QStringLiteral("printed.pdf"));
    printer.setOutputFileName(printed);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QString error;
    QVERIFY(PrintTunes(printer, source, error));
    const QString rendered = dir_.filePath(QStringLiteral("rendered.pdf"));
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + "/tunora-cli",
              {"render", "--home", Home(), dir_.filePath(QStringLiteral("tunes.abc")), "1", "-o",
               rendered});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(PdfPages(printed) >= 2);
    QCOMPARE(PdfPages(printed), PdfPages(rendered));
    // And the same texts on them: titles, chord symbols, words, page texts.
    const QStringList printedWords = PdfWords(printed);
    QVERIFY(printedWords.contains(QStringLiteral("Reel")));
    QCOMPARE(printedWords, PdfWords(rendered));
    // The same drawing through the page files of the window's Export.
    QVERIFY(ExportPages(dir_.filePath(QStringLiteral("export.pdf")), source, 100, error));
    QCOMPARE(PdfPages(dir_.filePath(QStringLiteral("export.pdf"))), PdfPages(rendered));
    QVERIFY(!ExportPages(dir_.filePath(QStringLiteral("export.txt")), source, 100, error));
    // The print preview shows the same pages.
    bool shown = false;
    test::WhenModal([&shown](QWidget* preview) {
      shown = preview->windowTitle() == QStringLiteral("Print Preview");
      static_cast<QDialog*>(preview)->reject();
    });
    RunPrintPreview(Frame(), source);
    QVERIFY(shown);
  }

  void livePreviewFollowsTheEditorAndSelectsSources() {
    file_->View()->SelectLine(3);
    file_->Edit(false);
    QApplication::processEvents();
    auto* editor = qobject_cast<CTuneDoc*>(file_->EditorOf(*file_->File().TuneAt(3)));
    QVERIFY(editor);
    QVERIFY(Frame()->RunCommand(CommandId::kTuneDraw));
    CDrawDoc* doc = CDrawDoc::FollowerOf(editor);
    QVERIFY(doc);
    QVERIFY(doc->View()->FollowBox()->isVisible());
    // Beside its editor, not over it.
    QVERIFY(doc->View()->Frame()->geometry().left() >= editor->View()->Frame()->geometry().right());
    QPlainTextEdit* body = editor->View()->BodyBox();
    const std::string before = doc->Source().tunes.front().body;
    QTextCursor c = body->textCursor();
    c.movePosition(QTextCursor::End);
    body->setTextCursor(c);
    body->insertPlainText(QStringLiteral("GAB c3|\n"));
    // Not at once: after the pause.
    QCOMPARE(doc->Source().tunes.front().body, before);
    QTRY_VERIFY_WITH_TIMEOUT(doc->Source().tunes.front().body.find("GAB c3|") != std::string::npos,
                             30000);
    // A drawn item's canonical range selects its bytes in the body box.
    const TuneRecord& drawn = doc->Source().tunes.front();
    const std::string canonical = file_->File().WriteTune(drawn, false);
    const size_t at = canonical.find("\"C\"c2e");
    QVERIFY(at != std::string::npos);
    QVERIFY(doc->SelectInEditor(0, static_cast<int32_t>(at), static_cast<int32_t>(at + 6)));
    QCOMPARE(body->textCursor().selectedText(), QStringLiteral("\"C\"c2e"));
    // A header field has no place in the body; another tune is not the editor's.
    QVERIFY(!doc->SelectInEditor(0, 0, 3));
    QVERIFY(!doc->SelectInEditor(1, static_cast<int32_t>(at), static_cast<int32_t>(at + 1)));
    // The cursor's place comes back as the same canonical byte.
    QTextCursor back = body->textCursor();
    back.setPosition(back.selectionStart());
    body->setTextCursor(back);
    QCOMPARE(doc->EditorCursorOffset(), std::optional<size_t>(at));
    // End to end: a click on the drawn chord symbol and on a note selects their ABC;
    // the cursor in the editor marks the item drawn from there.
    DrawPages* pages = doc->View()->Pages();
    Paint(doc);
    auto centre = [pages](const ItemHitMap::Entry& e) {
      const double ppu = pages->PixelsPerUnit();
      return QPoint(DrawPages::kGap + static_cast<int>((e.left + e.right) / 2.0 * ppu),
                    pages->PageTop(e.page) - static_cast<int>((e.top + e.bottom) / 2.0 * ppu));
    };
    const ItemHitMap::Entry* chord = nullptr;
    const ItemHitMap::Entry* note = nullptr;
    for (const ItemHitMap::Entry& e : pages->Items().Entries()) {
      if (e.kind == "chord" && chord == nullptr) chord = &e;
      if (e.kind == "note" && static_cast<size_t>(e.begin) == at + 3) note = &e;
    }
    QVERIFY(chord && note);
    QTest::mouseClick(pages, Qt::LeftButton, {}, centre(*chord));
    QCOMPARE(body->textCursor().selectedText(), QStringLiteral("\"C\""));
    QTest::mouseClick(pages, Qt::LeftButton, {}, centre(*note));
    QCOMPARE(body->textCursor().selectedText(), QStringLiteral("c2"));
    QTextCursor onNote = body->textCursor();
    onNote.setPosition(onNote.selectionStart() + 1);
    body->setTextCursor(onNote);
    Paint(doc);
    QVERIFY(pages->Marked() != nullptr);
    QCOMPARE(pages->Marked()->begin, note->begin);
    // Following can be turned off.
    doc->View()->FollowBox()->setChecked(false);
    body->insertPlainText(QStringLiteral("x"));
    QTest::qWait(CDrawDoc::kFollowDelay + 200);
    QVERIFY(doc->Source().tunes.front().body.find("cx2e") == std::string::npos);
    QVERIFY(editor->View()->BodyBox()->toPlainText().contains(QStringLiteral("cx2e")));
    // The stale drawing neither marks nor selects.
    QCOMPARE(doc->EditorCursorOffset(), std::nullopt);
    QVERIFY(!doc->SelectInEditor(0, static_cast<int32_t>(at), static_cast<int32_t>(at + 1)));
    // The drawing goes with its editor.
    script_.answers.assign(3, MessageAnswer::kNo);
    QPointer<CDrawDoc> watch(doc);
    app_->CloseDocument(editor);
    QTRY_VERIFY(watch.isNull());
  }

  void layoutSheetRoundTripsWithTheUnitRules() {
    FormatSettings& fs = FormatSettings::Application();
    const FormatSettings original = fs;
    QVERIFY(original.topMargin != 2250);
    {
      CLayoutProp sheet(Frame());
      sheet.PageMargins()->TopMargin()->setText(QStringLiteral("2.25"));
      sheet.General()->Inches()->setChecked(true);
      sheet.reject();  // Cancel: nothing changes
    }
    QCOMPARE(fs, original);
    {
      CLayoutProp sheet(Frame());
      QCOMPARE(sheet.PageMargins()->TopMargin()->text(),
               QString::fromStdString(FormatDecimal(original.topMargin)));
      sheet.PageMargins()->TopMargin()->setText(QStringLiteral("2.25"));
      sheet.accept();
    }
    QCOMPARE(fs.topMargin, 2250);
    QVERIFY(
        QString::fromUtf8(ReadAll(Home() + "layout.cfg")).contains(QStringLiteral("top=2.250")));
    {
      CLayoutProp sheet(Frame());
      sheet.General()->Inches()->setChecked(true);
      sheet.accept();
    }
    // Switching the unit converts nothing.
    QCOMPARE(fs.unit, kUnitInches);
    QCOMPARE(fs.topMargin, 2250);
    {
      CLayoutProp sheet(Frame());
      QCOMPARE(sheet.PageMargins()->TopMargin()->text(), QStringLiteral("2.250"));
      sheet.PageMargins()->TopMargin()->setText(QStringLiteral("one"));
      script_.messages.clear();
      sheet.accept();  // refused with a message
      QCOMPARE(script_.messages.size(), 1);
      QVERIFY(sheet.isVisible() || sheet.result() != QDialog::Accepted);
    }
    QCOMPARE(fs.topMargin, 2250);
    fs = original;
  }

  void headerBlocksEditAndMove() {
    FormatSettings& fs = FormatSettings::Application();
    const FormatSettings original = fs;
    CLayoutProp sheet(Frame());
    CLayoutGeneral* general = sheet.General();
    const size_t count = general->Headers().size();
    QVERIFY(count >= 2);
    const std::string first = general->Headers()[0].fields;
    const std::string second = general->Headers()[1].fields;
    // The list shows the header-block lines.
    QCOMPARE(general->HeaderList()->item(0)->text(),
             QString::fromStdString(WriteHeaderBlock(fs.headers[0], fs.headerFont)));
    general->HeaderList()->setCurrentRow(0);
    general->MoveHeader(1);
    QCOMPARE(general->Headers()[1].fields, first);
    QCOMPARE(general->HeaderList()->currentRow(), 1);
    general->MoveHeader(-1);
    QCOMPARE(general->Headers()[0].fields, first);
    general->MoveHeader(-1);  // at the top: nothing moves
    QCOMPARE(general->Headers()[0].fields, first);
    QCOMPARE(general->Headers()[1].fields, second);
    // The block dialog: edits go into the block on OK only.
    HeaderBlock block = general->Headers()[0];
    {
      CHeaderBlockDlg dialog(block, &sheet);
      QCOMPARE(dialog.windowTitle(),
               QStringLiteral("Layout - Tune Header - ") + QString::fromStdString(block.fields));
      dialog.SpaceBefore()->setText(QStringLiteral("0.25"));
      dialog.reject();
    }
    QCOMPARE(block, general->Headers()[0]);
    {
      CHeaderBlockDlg dialog(block, &sheet);
      dialog.SpaceBefore()->setText(QStringLiteral("0.25"));
      dialog.Fields()->setText(QStringLiteral("T1 "));
      dialog.accept();
    }
    QCOMPARE(block.spaceBefore, 250);
    QCOMPARE(block.fields, std::string("T1"));
    general->DeleteHeader();
    QCOMPARE(general->Headers().size(), count - 1);
    sheet.accept();
    QCOMPARE(fs.headers.size(), count - 1);
    fs = original;
  }

  void advancedSheetSavesTheMusicSection() {
    LayoutParams& params = LayoutParams::Application();
    const LayoutParams original = params;
    {
      CLayoutAProp sheet(Frame());
      QCOMPARE(sheet.Tabs()->count(), 7);
      static_cast<LengthField*>(sheet.Pages()[2]->Field(LP_StemThickness))->setText("0.5");
      sheet.reject();
    }
    QCOMPARE(params, original);
    {
      CLayoutAProp sheet(Frame());
      static_cast<LengthField*>(sheet.Pages()[2]->Field(LP_StemThickness))->setText("0.5");
      static_cast<QSpinBox*>(sheet.Pages()[1]->Field(LP_GraceNotePercent))->setValue(50);
      sheet.accept();
    }
    QCOMPARE(params[LP_StemThickness], 500);
    QCOMPARE(params[LP_GraceNotePercent], 50);
    IniFile ini;
    QVERIFY(ini.Load(app_->IniPath()));
    QCOMPARE(ini.GetInt("Music", "StemThickness", 0), 500);
    {
      CLayoutAProp sheet(Frame());
      sheet.ResetToDefaults();
      sheet.accept();
    }
    QCOMPARE(params[LP_StemThickness], LayoutParams::Default(LP_StemThickness));
    params = original;
  }

  void symbolDialogChoosesOnlySymbolsAndSavesOnOk() {
    LayoutParams params;
    const std::string before = app_->GetSettings().fonts.musicalSymbols;
    {
      CSymbolDlg dialog(params, Frame());
      QListWidget* list = dialog.List();
      QCOMPARE(list->count(), SymbolMap::kCount);
      // Headings cannot be chosen, in the list or through the buttons' action.
      QVERIFY(!(list->item(0)->flags() & Qt::ItemIsSelectable));
      QVERIFY(list->item(SYM_SHARP)->flags() & Qt::ItemIsSelectable);
      QVERIFY(!dialog.ChangeSymbol(48, 'x'));
      list->setCurrentRow(0);
      QCOMPARE(dialog.Current(), -1);
      QVERIFY(dialog.ChangeSymbol(SYM_SHARP, 0x24));
      COffsetDlg offset(SYM_SHARP, params, &dialog);
      QCOMPARE(offset.windowTitle(), QStringLiteral("Offset - Sharp"));
      offset.Field(2)->setText(QStringLiteral("0.12"));
      offset.accept();
      QCOMPARE(params.Horizontal(SYM_SHARP), 120);
      dialog.reject();
    }
    QCOMPARE(app_->GetSettings().fonts.musicalSymbols, before);
    {
      CSymbolDlg dialog(params, Frame());
      QVERIFY(dialog.ChangeSymbol(SYM_SHARP, 0x24));
      dialog.accept();
    }
    QCOMPARE(static_cast<uint8_t>(app_->GetSettings().fonts.musicalSymbols[SYM_SHARP]),
             uint8_t{0x24});
    IniFile ini;
    QVERIFY(ini.Load(app_->IniPath()));
    QCOMPARE(SymbolMap(ini.GetString("Fonts", "MusicalSymbols", "")).Char(SYM_SHARP),
             uint8_t{0x24});
    QCOMPARE(SymbolMap(ini.GetString("Fonts", "MusicalSymbols", "")).Char(SYM_FLAT),
             SymbolMap().Char(SYM_FLAT));
  }

  void printSetupPaperIsTheScreensPaperAndKept() {
    QPrinter& printer = DrawPrinter();
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Landscape);
    QVERIFY(SavePrintSetup());
    // Letter is an inch paper: exact in inches, converted for centimetres.
    QCOMPARE(ScreenPaper(kUnitInches).width, 11000);
    QCOMPARE(ScreenPaper(kUnitInches).height, 8500);
    QCOMPARE(ScreenPaper(kUnitCentimetres).width, 27940);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    LoadPrintSetup();
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(ScreenPaper(kUnitInches).width, 11000);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QCOMPARE(ScreenPaper(kUnitCentimetres).width, 21000);
    QVERIFY(SavePrintSetup());
  }
};

QTEST_MAIN(DrawWindowTest)
#include "DrawWindowTest.moc"
