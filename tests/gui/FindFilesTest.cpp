// Find in the tune list and the Found Files window in the running program: the
// search dialog, the list with its file lines, " (*)" marks and count, activating
// an entry, F3 and Ctrl+F3 in one file and across files, and Stop Find.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/Settings.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/search/CFindDlg.h"
#include "gui/search/CFindDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

using namespace tunora;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray Tune(int number, const char* title, const char* body) {
  return QStringLiteral("X:%1\r\nT:%2\r\nM:6/8\r\nK:D\r\n%3\r\n\r\n")
      .arg(number)
      .arg(QString::fromLatin1(title))
      .arg(QString::fromLatin1(body))
      .toLatin1();
}

}  // namespace

class FindFilesTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;

  CMainFrame* Frame() const { return app_->MainFrame(); }
  bool Run(CommandId id) { return Frame()->RunCommand(id); }
  QString Folder() const { return dir_.filePath(QStringLiteral("tunes")) + QLatin1Char('/'); }

  // Runs Find File with the text page filled in.
  CFindDoc* FindFiles(const QString& text, const QString& files) {
    test::WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<CFindDlg*>(modal);
      QVERIFY(dialog);
      dialog->Pages()->setCurrentIndex(SearchRequest::kText);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Text Search"));
      dialog->FilesBox()->setEditText(files);
      dialog->TextPage()->TextBox()->setEditText(text);
      test::Shot(dialog, "find_text_page");
      dialog->Pages()->setCurrentIndex(SearchRequest::kMusic);
      test::Shot(dialog, "find_music_page");
      dialog->Pages()->setCurrentIndex(SearchRequest::kAdvanced);
      test::Shot(dialog, "find_advanced_page");
      dialog->Pages()->setCurrentIndex(SearchRequest::kText);
      dialog->accept();
    });
    app_->GetSettings().search.field = "T";
    Run(CommandId::kEditFindFile);
    return CFindDoc::First();
  }
  QStringList Lines(CFindDoc* doc) {
    QStringList lines;
    for (int i = 0; i < doc->LineCount(); ++i) lines << doc->LineText(i);
    return lines;
  }
  CAbcDoc* Open(const QString& name) {
    return qobject_cast<CAbcDoc*>(app_->FindDocument(Folder() + name));
  }
  bool Told(const QString& text) {
    for (const MessageRequest& r : script_.messages)
      if (r.text == text) return true;
    return false;
  }

 private slots:
  void initTestCase() {
    QVERIFY(run_.Start(QSize(1100, 800)));
    QDir(dir_.path()).mkdir(QStringLiteral("tunes"));
    Write(Folder() + "a.abc", Tune(1, "Lark One", "FAA dAF|") + Tune(2, "Other", "GBB|") +
                                  Tune(3, "Lark Two", "dAF|") + Tune(4, "Lark Three", "a|"));
    Write(Folder() + "b.abc", Tune(7, "Skylark", "dAF|"));
    app_->GetSettings().search.findDefaultButton = 0;  // Go To
  }

  void cleanup() {
    test::CloseAllDocuments(*app_);
    script_.messages.clear();
    script_.answers.clear();
  }

  void cleanupTestCase() { run_.Stop(); }

  void activatingAnEntryOpensTheFileAtItsTune() {
    CFindDoc* doc = FindFiles(QStringLiteral("lark"), Folder() + "*.abc");
    QVERIFY(doc);
    QCOMPARE(doc->List().MatchingFiles(), 2);
    QCOMPARE(doc->Title(), QStringLiteral("Found Files"));
    QCOMPARE(doc->View()->CountLabel()->text(), QStringLiteral("2 matching files"));
    QVERIFY(!doc->View()->StopButton()->isEnabled());
    const int line = Lines(doc).indexOf(QStringLiteral("\t3 Lark Two"));
    QVERIFY(line > 0);
    QListWidget* list = doc->View()->List();
    emit list->itemActivated(list->item(line));
    CAbcDoc* file = Open("a.abc");
    QVERIFY(file);
    QCOMPARE(file->View()->CurrentLine(), 3);
    QVERIFY(Lines(doc).contains(Folder() + "a.abc (*)"));
    QVERIFY(!Lines(doc).contains(Folder() + "b.abc (*)"));
  }

  void f3GoesThroughTheFilesAndThenSaysSo() {
    CFindDoc* doc = FindFiles(QStringLiteral("lark"), Folder() + "*.abc");
    QVERIFY(doc);
    doc->View()->SelectLine(0);
    // The file of the selected line first: its tunes 1, 3, 4 in turn.
    std::vector<std::pair<QString, int>> seen;
    for (int i = 0; i < 6 && script_.messages.isEmpty(); ++i) {
      doc->ActivateFirstView();
      QVERIFY(Run(CommandId::kEditFindNext));
      if (!script_.messages.isEmpty()) break;
      CAbcDoc* active = qobject_cast<CAbcDoc*>(Frame()->ActiveDocument());
      if (active == nullptr) continue;
      const int line = active->View()->CurrentLine();
      seen.emplace_back(QFileInfo(active->PathName()).fileName(), line);
      // The list follows: its selection is the line of the tune shown.
      const QString title = QString::fromStdString(active->File().TuneAt(line)->titles[0]);
      QCOMPARE(doc->LineText(doc->View()->SelectedLine()),
               QStringLiteral("\t%1 %2").arg(active->File().TuneAt(line)->number).arg(title));
    }
    QVERIFY(Told(QStringLiteral("No more matches found.")));
    // Three tunes of one file and one of the other, in the list's file order.
    QCOMPARE(static_cast<int>(seen.size()), 4);
    std::vector<std::pair<QString, int>> a, b;
    for (const auto& s : seen) (s.first == "a.abc" ? a : b).push_back(s);
    QCOMPARE(static_cast<int>(a.size()), 3);
    QCOMPARE(a[0].second, 1);
    QCOMPARE(a[1].second, 3);
    QCOMPARE(a[2].second, 4);
    QCOMPARE(static_cast<int>(b.size()), 1);
    QCOMPARE(b[0].second, 1);
  }

  void findInTheTuneListAndFindPrevious() {
    auto* file = qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(Folder() + "a.abc"));
    QVERIFY(file);
    file->ActivateFirstView();
    test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CFindDlg*>(modal);
      QVERIFY(dialog);
      QVERIFY(!dialog->FilesBox()->isEnabled());
      dialog->Pages()->setCurrentIndex(SearchRequest::kText);
      dialog->TextPage()->TextBox()->setEditText(QStringLiteral("lark"));
      dialog->accept();
    });
    QVERIFY(Run(CommandId::kEditFind));
    QCOMPARE(file->View()->CurrentLine(), 1);
    QVERIFY(Run(CommandId::kEditFindNext));
    QCOMPARE(file->View()->CurrentLine(), 3);
    QVERIFY(Run(CommandId::kEditFindNext));
    QCOMPARE(file->View()->CurrentLine(), 4);
    QVERIFY(Run(CommandId::kEditFindNext));
    QVERIFY(Told(QStringLiteral("No more matches found.")));
    QCOMPARE(file->View()->CurrentLine(), 4);
    QVERIFY(Run(CommandId::kEditFindPrevious));
    QCOMPARE(file->View()->CurrentLine(), 3);
  }

  void nothingFoundAsksForANewSearch() {
    script_.answers = {MessageAnswer::kNo};
    CFindDoc* doc = FindFiles(QStringLiteral("no such title"), Folder() + "*.abc");
    QVERIFY(doc);
    QCOMPARE(doc->LineCount(), 0);
    QVERIFY(Told(QStringLiteral("No matching files were found.\nDo you wish to do a new search?")));
  }

  void stopEndsTheRunBetweenTunes() {
    QDir(dir_.path()).mkdir(QStringLiteral("many"));
    QByteArray many;
    for (int i = 1; i <= 400; ++i) many += Tune(i, "Lark", "dAF|");
    const QString manyDir = dir_.filePath(QStringLiteral("many")) + QLatin1Char('/');
    for (int f = 0; f < 40; ++f) Write(manyDir + QStringLiteral("f%1.abc").arg(f), many);
    // Stop is pressed as soon as the window shows its first lines.
    auto* timer = new QTimer(this);
    timer->setInterval(1);
    connect(timer, &QTimer::timeout, this, [timer] {
      CFindDoc* doc = CFindDoc::First();
      if (doc != nullptr && doc->Running() && doc->LineCount() > 0) {
        QTest::mouseClick(doc->View()->StopButton(), Qt::LeftButton);
        timer->stop();
      }
    });
    timer->start();
    CFindDoc* doc = FindFiles(QStringLiteral("lark"), manyDir + "*.abc");
    timer->stop();
    QVERIFY(doc);
    QVERIFY(!doc->Running());
    QVERIFY(doc->LineCount() > 0);
    QVERIFY(doc->LineCount() < 40 * 401);
    QCOMPARE(doc->Title(), QStringLiteral("Found Files"));
  }
};

QTEST_MAIN(FindFilesTest)
#include "FindFilesTest.moc"
