// The tune tools window in the running program: opened from the editor (and from
// the tune list), its pages acting on the whole tune or the editor's selection,
// the result landing in the editor as one change that Undo takes back, the
// Chordwise settings dialogs, Comment Selection in its tune box, and the window
// closing with its editor.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/Settings.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/tools/CToolDoc.h"
#include "gui/tools/CToolPropSheet.h"
#include "gui/tools/CToolView.h"
#include "gui/tools/ChordwiseDialogs.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

using namespace tunora;

namespace {

const QByteArray kTunes =
    "X:1\r\nT:Jig\r\nM:6/8\r\nK:D\r\n|:\"D\"FAd \"G\"B2A|\"A\"c3 e3:|\r\n% note\r\nd3 e3|]\r\n\r\n"
    "X:2\r\nT:Reel\r\nM:4/4\r\nL:1/8\r\nK:G\r\nGABc dedB|\r\n\r\n";

}  // namespace

class ToolWindowTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;

  CMainFrame* Frame() const { return app_->MainFrame(); }
  bool Run(CommandId id) { return Frame()->RunCommand(id); }

  CAbcDoc* Open() {
    QFile f(dir_.filePath("tools.abc"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
    f.write(kTunes);
    f.close();
    return qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(dir_.filePath("tools.abc")));
  }
  CTuneDoc* Edit(CAbcDoc* doc, int line) {
    doc->View()->SelectLine(line);
    doc->Edit(false);
    QApplication::processEvents();
    return qobject_cast<CTuneDoc*>(doc->EditorOf(*doc->File().TuneAt(line)));
  }
  CToolDoc* ToolsOf(CTuneDoc* editor) {
    for (CMinFormDoc* d : app_->Documents())
      if (auto* t = qobject_cast<CToolDoc*>(d); t != nullptr && t->Editor() == editor) return t;
    return nullptr;
  }
  static QString Field(CTuneView* view, char letter) {
    int k = view->Form().IndexOf(letter);
    return k < 0 ? QString()
                 : QString::fromStdString(view->Form().lines[static_cast<size_t>(k)].value);
  }

 private slots:
  void initTestCase() { QVERIFY(run_.Start(QSize(1100, 800), {"abcstyle.cfg"})); }

  void cleanup() {
    script_.answers.assign(20, MessageAnswer::kNo);
    for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(app_->Documents()))
      if (doc->IsTuneEditor()) app_->CloseDocument(doc);
    QApplication::processEvents();
    test::CloseAllDocuments(*app_);
    script_.messages.clear();
    script_.answers.clear();
  }

  void cleanupTestCase() { run_.Stop(); }

  void transposeLandsInTheEditorAndUndoTakesItBack() {
    CTuneDoc* editor = Edit(Open(), 1);
    QVERIFY(editor);
    editor->View()->BodyBox()->setFocus();
    QVERIFY(Run(CommandId::kTuneTools));
    CToolDoc* tools = ToolsOf(editor);
    QVERIFY(tools);
    CToolView* view = tools->View();
    QCOMPARE(view->RangeLabel()->text(), QStringLiteral("Applies to: the whole tune"));
    CToolTransposeDlg* page = view->Sheet()->TransposePage();
    view->Sheet()->setCurrentIndex(CToolPropSheet::kTransposePage);
    // "by" shows the key it leads to, and a key chosen sets "by".
    page->BySpin()->setValue(2);
    QCOMPARE(page->KeyList()->currentText(), QStringLiteral("E "));
    page->Down()->setChecked(true);
    QCOMPARE(page->KeyList()->currentText(), QStringLiteral("C "));
    page->Up()->setChecked(true);
    const int bb = page->KeyList()->findText(QStringLiteral("Bb"));
    page->KeyList()->setCurrentIndex(bb);
    emit page->KeyList()->activated(bb);
    QCOMPARE(page->BySpin()->value(), 8);
    page->BySpin()->setValue(2);
    QVERIFY(page->Apply());
    CTuneView* ev = editor->View();
    QCOMPARE(Field(ev, 'K'), QStringLiteral("E"));
    QCOMPARE(ev->BodyBox()->toPlainText(),
             QStringLiteral("|:\"E\"GBe \"A\"c2B|\"B\"d3 f3:|\n% note\ne3 f3|]\n"));
    QCOMPARE(view->TuneBox()->toPlainText(), ev->BodyBox()->toPlainText());
    QVERIFY(editor->IsModified());
    // One Undo in the tune box takes back the body and the K: field.
    ev->BodyBox()->undo();
    QCOMPARE(Field(ev, 'K'), QStringLiteral("D"));
    QCOMPARE(ev->BodyBox()->toPlainText(),
             QStringLiteral("|:\"D\"FAd \"G\"B2A|\"A\"c3 e3:|\n% note\nd3 e3|]\n"));
    ev->BodyBox()->redo();
    QCOMPARE(Field(ev, 'K'), QStringLiteral("E"));

    // The window closes with its editor.
    app_->CloseDocument(editor);
    for (int i = 0; i < 3; ++i) {
      QApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool toolsLeft = false;
    for (CMinFormDoc* d : app_->Documents()) toolsLeft |= qobject_cast<CToolDoc*>(d) != nullptr;
    QVERIFY(!toolsLeft);
  }

  void rawEditorTakesTheWholeTune() {
    CAbcDoc* file = Open();
    file->View()->SelectLine(2);
    file->Edit(true);
    QApplication::processEvents();
    auto* editor = qobject_cast<CTuneDoc*>(file->EditorOf(*file->File().TuneAt(2)));
    QVERIFY(editor && editor->Raw());
    CToolDoc* tools = CToolDoc::OpenFor(editor);
    QVERIFY(tools);
    CToolTransposeDlg* page = tools->View()->Sheet()->TransposePage();
    page->Down()->setChecked(true);
    page->BySpin()->setValue(2);
    QVERIFY(page->Apply());
    QPlainTextEdit* raw = editor->View()->RawBox();
    QCOMPARE(raw->toPlainText(), QStringLiteral("X:2\nT:Reel\nM:4/4\nL:1/8\nK:F\nFGAB cdcA|\n"));
    raw->undo();
    QCOMPARE(raw->toPlainText(), QStringLiteral("X:2\nT:Reel\nM:4/4\nL:1/8\nK:G\nGABc dedB|\n"));
  }

  void abcPageOnTheSelectionAndTheDefaultLength() {
    CAbcDoc* file = Open();
    CTuneDoc* editor = Edit(file, 1);
    QVERIFY(editor);
    CToolDoc* tools = CToolDoc::OpenFor(editor);
    QVERIFY(tools);
    CToolAbcDlg* page = tools->View()->Sheet()->AbcPage();
    tools->View()->Refresh();
    QCOMPARE(page->LengthEdit()->text(), QStringLiteral("1/8"));  // the meter's default
    // Select the second line of the body: only it changes.
    QPlainTextEdit* box = editor->View()->BodyBox();
    QTextCursor c = box->textCursor();
    c.setPosition(box->toPlainText().indexOf(QStringLiteral("% note")));
    c.setPosition(box->toPlainText().size(), QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    tools->View()->Refresh();
    QCOMPARE(tools->View()->RangeLabel()->text(),
             QStringLiteral("Applies to: the selected part of the tune"));
    page->RemoveBox(CToolAbcDlg::kComments)->setChecked(true);
    page->RemoveBox(CToolAbcDlg::kChords)->setChecked(true);
    page->AddBox(CToolAbcDlg::kAddBarSpaces)->setChecked(true);
    QVERIFY(page->Apply());
    QCOMPARE(box->toPlainText(), QStringLiteral("|:\"D\"FAd \"G\"B2A|\"A\"c3 e3:|\nd3 e3 |]\n"));
    // A new default length applies to the whole tune and adds L:.
    box->moveCursor(QTextCursor::Start);
    page->LengthBox()->setChecked(true);
    page->LengthEdit()->setText(QStringLiteral("1/16"));
    page->AddBox(CToolAbcDlg::kAddBarSpaces)->setChecked(false);
    page->RemoveBox(CToolAbcDlg::kChords)->setChecked(false);
    QVERIFY(page->Apply());
    QCOMPARE(Field(editor->View(), 'L'), QStringLiteral("1/16"));
    QCOMPARE(box->toPlainText(),
             QStringLiteral("|:\"D\"F2A2d2 \"G\"B4A2|\"A\"c6 e6:|\nd6 e6 |]\n"));
    // Undo removes the L: field it added.
    box->undo();
    QCOMPARE(Field(editor->View(), 'L'), QString());
    // A length that is no fraction is refused with a message.
    page->LengthEdit()->setText(QStringLiteral("fast"));
    QVERIFY(!page->Apply());
    QCOMPARE(script_.messages.size(), 1);
  }

  void chordsPageAndItsSettings() {
    CAbcDoc* file = Open();
    CTuneDoc* editor = Edit(file, 2);
    QVERIFY(editor);
    // From the tune list, Tools opens the editor's tools window.
    file->View()->SelectLine(2);
    QVERIFY(file->OnCommand(CommandId::kTuneTools));
    CToolDoc* tools = ToolsOf(editor);
    QVERIFY(tools);
    CToolChordsDlg* page = tools->View()->Sheet()->ChordsPage();
    page->PerBar()->setChecked(true);
    QVERIFY(page->SetChords());
    QPlainTextEdit* box = editor->View()->BodyBox();
    QCOMPARE(box->toPlainText(), QStringLiteral("\"G\"GABc dedB|\n"));
    page->ViewChords();
    QCOMPARE(tools->View()->TuneBox()->toPlainText(), QStringLiteral("Reel\n\n G |\n"));
    QVERIFY(page->RemoveChords());
    QCOMPARE(box->toPlainText(), QStringLiteral("GABc dedB|\n"));

    // Comment Selection works in the tools window's tune box.
    QPlainTextEdit* toolBox = tools->View()->TuneBox();
    toolBox->setFocus();
    toolBox->selectAll();
    QVERIFY(tools->View()->OnCommand(CommandId::kEditCommentSelection));
    QCOMPARE(toolBox->toPlainText(), QStringLiteral("%GABc dedB|\n"));

    // The settings dialogs save the whole Chordwise section.
    ChordwiseSettings weights;
    CChordwiseAdvancedDlg advanced(tools->View(), weights);
    advanced.Spin(17)->setValue(70);  // Weight of Possible Chord Points
    advanced.accept();
    QCOMPARE(app_->GetSettings().chordwise.weightPossible, 70);
    IniFile ini;
    QVERIFY(ini.Load(dir_.filePath(QStringLiteral("home/tunora.ini")).toStdString()));
    QCOMPARE(ini.GetString("Chordwise", "WeightPossible", ""), std::string("70"));
    app_->GetSettings().chordwise = ChordwiseSettings{};
  }
};

QTEST_MAIN(ToolWindowTest)
#include "ToolWindowTest.moc"
