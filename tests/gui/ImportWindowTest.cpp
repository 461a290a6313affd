// The import command and the "Import" window on the offscreen platform, with real
// files: one chosen file converts at once into the tune list after the current
// tune; several are listed and converted one after another with Start; Stop halts
// between files and Start goes on; import with no tune file open makes one.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QtTest>
#include <memory>

#include "ShellTestSupport.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/import/CImportDlg.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TuneListModel.h"

using namespace tunora;

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class ImportWindowTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;
  QStringList answer_;  // what the file dialog answers
  QString caption_;     // the caption it was asked with

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  QString Bww(const QString& name, const QByteArray& title) {
    WriteBytes(PathOf(name), "Bagpipe Reader:1.0\r\n\"" + title +
                                 "\",(T,L,0,0,Times New Roman,15,700,0,1,2,0,0,32768)\r\n"
                                 "& sharpf sharpc 2_4 gg LA_4 dbc C_4 !t\r\n");
    return PathOf(name);
  }

  CAbcDoc* OpenTunes() {
    WriteBytes(PathOf("tunes.abc"),
               "X:1\r\nT:First\r\nK:D\r\nABc|\r\n\r\nX:2\r\nT:Last\r\nK:D\r\ndef|\r\n");
    return qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(PathOf("tunes.abc")));
  }

 private slots:
  void initTestCase() {
    CLarkFileDialog::SetAnswerHook([this](const QString& title, const QString&) {
      caption_ = title;
      return answer_.join(QLatin1Char('\n'));
    });
    QVERIFY(run_.Start(QSize(1000, 700), {"abcbmw.cfg"}));
  }

  void cleanup() {
    if (CImportDlg* d = test::FindVisibleWindow<CImportDlg>()) d->close();
    test::CloseAllDocuments(*app_);
    script_.messages.clear();
  }

  void cleanupTestCase() {
    run_.Stop();
    CLarkFileDialog::SetAnswerHook({});
  }

  void oneFileConvertsAfterTheCurrentTune() {
    CAbcDoc* doc = OpenTunes();
    QVERIFY(doc);
    doc->View()->SelectLine(1);
    answer_ = {Bww("one.bww", "Imported Reel")};
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kFileImportBww));
    QCOMPARE(caption_, QStringLiteral("Import File(s). Multiple files can be selected."));
    QCOMPARE(doc->File().TuneCount(), size_t(3));
    const TuneRecord* tune = doc->File().TuneAt(2);
    QCOMPARE(QString::fromStdString(tune->titles.front()), QStringLiteral("Imported Reel"));
    QCOMPARE(tune->number, 2);
    QCOMPARE(QString::fromStdString(tune->FieldText('K')), QStringLiteral("Hp"));
    QVERIFY(doc->IsModified());
    QVERIFY(doc->Model().LineText(2).contains(QStringLiteral("Imported Reel")));
    QVERIFY(test::FindVisibleWindow<CImportDlg>() == nullptr);

    // A file that cannot be converted is told, and nothing is added.
    answer_ = {PathOf("missing.bww")};
    app_->MainFrame()->RunCommand(CommandId::kFileImportBww);
    QCOMPARE(doc->File().TuneCount(), size_t(3));
    QCOMPARE(script_.messages.size(), 1);
    QVERIFY(script_.messages[0].text.contains(QStringLiteral("missing.bww")));
  }

  void severalFilesGoThroughTheImportWindowWithStartAndStop() {
    CAbcDoc* doc = OpenTunes();
    QVERIFY(doc);
    doc->View()->SelectLine(2);
    WriteBytes(PathOf("pipes.bgp"), "Pipe Tune\n{$24@80 A4B4|C4 ?D4|}");
    answer_ = {Bww("a.bww", "Tune A"), PathOf("none.bww"), PathOf("pipes.bgp"),
               Bww("b.bww", "Tune B")};
    // The three kinds share the window; the kind comes from the command.
    app_->MainFrame()->RunCommand(CommandId::kFileImportBww);
    CImportDlg* window = test::FindVisibleWindow<CImportDlg>();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Import"));
    QCOMPARE(window->List()->topLevelItemCount(), 4);
    QCOMPARE(doc->File().TuneCount(), size_t(2));

    // Stop before the first file: nothing is converted, Start goes on from there.
    QTimer::singleShot(0, window, [window] { window->StopButton()->click(); });
    window->StartButton()->click();
    QCOMPARE(window->FilesDone(), 0);
    QVERIFY(window->StartButton()->isEnabled());
    window->StartButton()->click();
    QCOMPARE(window->FilesDone(), 4);
    QVERIFY(!window->StartButton()->isEnabled());
    // The BGP file was read as BWW (the command's kind): it gives a tune all the same.
    QCOMPARE(window->TunesAdded(), 3);
    QVERIFY(window->List()->topLevelItem(1)->text(1).contains(QStringLiteral("none.bww")));
    QCOMPARE(window->List()->topLevelItem(0)->text(1), QStringLiteral("1 tune"));
    QCOMPARE(doc->File().TuneCount(), size_t(5));
    QCOMPARE(QString::fromStdString(doc->File().TuneAt(3)->titles.front()),
             QStringLiteral("Tune A"));
    QCOMPARE(QString::fromStdString(doc->File().TuneAt(5)->titles.front()),
             QStringLiteral("Tune B"));
    QCOMPARE(doc->File().TuneAt(5)->number, 5);
    test::Shot(window, "import-window");
  }

  void closingTheTuneFileLeavesTheWindowWithNothingToDo() {
    CAbcDoc* doc = OpenTunes();
    QVERIFY(doc);
    answer_ = {Bww("a.bww", "Tune A"), Bww("b.bww", "Tune B")};
    app_->MainFrame()->RunCommand(CommandId::kFileImportBww);
    QPointer<CImportDlg> window = test::FindVisibleWindow<CImportDlg>();
    QVERIFY(window);
    app_->CloseDocument(doc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window);
    window->StartButton()->click();
    QCOMPARE(window->FilesDone(), 0);
    QVERIFY(app_->Documents().empty());
  }

  void bgpMessagesAreShownAndTheTuneIsAdded() {
    CAbcDoc* doc = OpenTunes();
    QVERIFY(doc);
    WriteBytes(PathOf("pipes.bgp"), "Pipe Tune\n{$24@80 A4B4|\nC4 ?D4|}");
    answer_ = {PathOf("pipes.bgp")};
    app_->MainFrame()->RunCommand(CommandId::kFileImportBgp);
    QCOMPARE(script_.messages.size(), 1);
    QCOMPARE(script_.messages[0].text,
             QStringLiteral("Line 3:\nUnexpected character in BGP file: ?"));
    QCOMPARE(doc->File().TuneCount(), size_t(3));
    QVERIFY(doc->File().TuneAt(1)->body.find("!?!") != std::string::npos);
  }

  void importWithoutATuneFileMakesOne() {
    QVERIFY(app_->Documents().empty());
    answer_ = {Bww("c.bww", "Caf\xe9")};
    app_->MainFrame()->RunCommand(CommandId::kFileImportBww);
    QCOMPARE(app_->Documents().size(), size_t(1));
    auto* doc = qobject_cast<CAbcDoc*>(app_->Documents().front());
    QVERIFY(doc);
    QCOMPARE(doc->File().TuneCount(), size_t(1));
    // The code page 1252 title arrives as the document's own characters.
    QCOMPARE(doc->ToDisplay(doc->File().TuneAt(1)->titles.front()), QStringLiteral("Caf\u00e9"));
  }
};

QTEST_MAIN(ImportWindowTest)
#include "ImportWindowTest.moc"
