// The tune editor in the running program: editing fields with their keys, inserting,
// copying, cutting and pasting fields, saving (also raw and as a new tune), the panes,
// the errors of a play, the close question, the tune list's refusals and the window
// list. The rules behind them (field order, cleaning, comment toggling, error steps,
// key help, colouring) are tested on the engines in tests/editor.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QtTest>
#include <deque>
#include <memory>

#include "abc/ErrorList.h"
#include "app/Settings.h"
#include "editor/PaneLayout.h"
#include "gui/ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/editor/AbcHighlighter.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/editor/EditorDialogs.h"
#include "gui/editor/EditorTemplate.h"
#include "gui/editor/HeaderList.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/PlayDialogs.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TuneListBox.h"
#include "gui/tunefile/TuneListModel.h"
#include "tunefile/TuneFile.h"

using namespace tunora;

namespace {

const QByteArray kTunes =
    "X:1\r\nT:First\r\nT:Other name\r\nR:reel\r\nC:Someone\r\nN:one\r\nN:two\r\nM:4/4\r\n"
    "K:G\r\nabc|def|\r\nW:la la\r\nW:lee\r\n\r\n"
    "X:2\r\nT:Second\r\nM:6/8\r\nK:D\r\nABc def|\r\n\r\nsome text after\r\n"
    "X:3\r\nT:Third\r\nK:A\r\nabc|\r\n\r\n";

std::string Letters(const TuneForm& form) {
  std::string s;
  for (const FormLine& l : form.lines) s += l.letter;
  return s;
}

QString Bytes(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class TuneEditorTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;
  QList<MessageRequest>& messages_ = script_.messages;
  std::deque<MessageAnswer>& answers_ = script_.answers;
  std::deque<MessageAnswer>& threeWay_ = script_.threeWay;

  CMainFrame* Frame() const { return app_->MainFrame(); }

  CAbcDoc* Open(const QString& name, const QByteArray& bytes) {
    QFile f(dir_.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
    f.write(bytes);
    f.close();
    return qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(dir_.filePath(name)));
  }

  // Opens the editor on a tune through the tune list's Edit command.
  CTuneDoc* Edit(CAbcDoc* doc, int line, bool raw = false) {
    // Dialogs of earlier steps may have left the main window inactive.
    if (!Frame()->isActiveWindow()) {
      Frame()->activateWindow();
      if (!QTest::qWaitForWindowActive(Frame())) qWarning("the main window is not active");
    }
    doc->View()->SelectLine(line);
    doc->Edit(raw);
    QApplication::processEvents();
    const TuneRecord* tune = doc->File().TuneAt(line);
    return tune ? qobject_cast<CTuneDoc*>(doc->EditorOf(*tune)) : nullptr;
  }

  static CTuneView* View(CTuneDoc* doc) { return doc->View(); }

  bool Run(CommandId id) { return Frame()->RunCommand(id); }
  bool Enabled(CommandId id) { return Frame()->CommandStateOf(id).enabled; }

 private slots:
  // The rhythm names of the R: drop-down come from the style file.
  void initTestCase() { QVERIFY(run_.Start(QSize(1100, 800), {"abcstyle.cfg"})); }

  void cleanup() {
    answers_.assign(20, MessageAnswer::kNo);
    for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(app_->Documents()))
      if (doc->IsTuneEditor()) app_->CloseDocument(doc);
    test::CloseAllDocuments(*app_);
    messages_.clear();
    answers_.clear();
    app_->GetSettings().preferences = PreferenceSettings{};
    app_->ApplySettings();
  }

  void cleanupTestCase() { run_.Stop(); }

  // --- filling -----------------------------------------------------------------------

  void untitledTuneStartsWithItsTitle() {
    CAbcDoc* file = Open("new.abc", kTunes);
    QVERIFY(file);
    file->View()->SelectLine(3);
    file->View()->List()->setFocus();
    QVERIFY(Run(CommandId::kTuneInsert));
    QApplication::processEvents();
    auto* editor = qobject_cast<CTuneDoc*>(Frame()->ActiveDocument());
    QVERIFY(editor);
    QCOMPARE(editor->Position(), 4);
    CTuneView* view = View(editor);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kMultiLine);
    QCOMPARE(view->EditingRow(), view->Form().IndexOf('T'));
    QTest::keyClicks(view->MultiLineEditor(), QStringLiteral("New Tune"));
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Tab);
    QCOMPARE(view->Form().lines[1].value, std::string("New Tune"));
    QVERIFY(editor->Title().endsWith(QStringLiteral(" *")));
    QVERIFY(Run(CommandId::kFileSave));
    QCOMPARE(file->Model().LineText(4), QStringLiteral("4 New Tune"));
    QCOMPARE(file->View()->CurrentLine(), 4);
    QVERIFY(!editor->Title().endsWith(QStringLiteral(" *")));
  }

  // --- editing fields -------------------------------------------------------------------

  void startKeysDecideTheCaret() {
    CAbcDoc* file = Open("keys.abc", kTunes);
    CTuneDoc* editor = Edit(file, 1);
    QVERIFY(editor);
    CTuneView* view = View(editor);
    HeaderListView* list = view->HeaderList();
    const int c = view->Form().IndexOf('C');
    view->SelectRow(c);
    list->setFocus();
    // Backspace takes the last character off and selects the rest.
    QTest::keyClick(list, Qt::Key_Backspace);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kMultiLine);
    QCOMPARE(view->MultiLineEditor()->toPlainText(), QStringLiteral("Someon"));
    QCOMPARE(view->MultiLineEditor()->textCursor().selectedText(), QStringLiteral("Someon"));
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Escape);
    QCOMPARE(view->Form().lines[static_cast<size_t>(c)].value, std::string("Someon"));
    QVERIFY(list->hasFocus());
    // Delete selects the whole value; typing replaces it.
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(view->MultiLineEditor()->textCursor().selectedText(), QStringLiteral("Someon"));
    QTest::keyClicks(view->MultiLineEditor(), QStringLiteral("Anon"));
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Escape);
    QCOMPARE(view->Form().lines[static_cast<size_t>(c)].value, std::string("Anon"));
    // Right puts the caret at the end, Left and space at the start.
    QTest::keyClick(list, Qt::Key_Right);
    QCOMPARE(view->MultiLineEditor()->textCursor().position(), 4);
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Escape);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(view->MultiLineEditor()->textCursor().position(), 0);
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Escape);
    // Any other character replaces the value: a digit on the X line.
    view->SelectRow(0);
    QTest::keyClick(list, Qt::Key_7);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kSingleLine);
    QCOMPARE(view->SingleLineEditor()->text(), QStringLiteral("7"));
    QCOMPARE(view->SingleLineEditor()->cursorPosition(), 1);
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Return);
    QCOMPARE(view->Form().lines[0].value, std::string("7"));
    // A letter goes to its field; R gets the rhythm drop-down.
    QTest::keyClick(list, Qt::Key_R);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kRhythm);
    QCOMPARE(view->RhythmEditor()->currentText(), QStringLiteral("reel"));
    QVERIFY(view->RhythmEditor()->count() > 0);
    QVERIFY(view->RhythmEditor()->findText(QStringLiteral("jig"), Qt::MatchFixedString) >= 0);
    view->RhythmEditor()->setEditText(QStringLiteral("hornpipe"));
    QTest::keyClick(view->RhythmEditor()->lineEdit(), Qt::Key_Escape);
    QCOMPARE(view->Form().lines[2].value, std::string("hornpipe"));
    // A click on the selected line starts editing; the editor sits on its value column.
    QRect r = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QCOMPARE(view->EditingRow(), 2);
    QCOMPARE(view->RhythmEditor()->geometry().left(), list->LabelWidth());
    QCOMPARE(view->RhythmEditor()->geometry().top(), r.top());
  }

  void escapeKeepsTheEditAndTabMoves() {
    CAbcDoc* file = Open("tab.abc", kTunes);
    CTuneDoc* editor = Edit(file, 1);
    CTuneView* view = View(editor);
    view->StartEditing(0);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kSingleLine);
    view->SingleLineEditor()->setText(QStringLiteral("5"));
    // Tab stores and moves on to the next line, Shift+Tab back.
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Tab);
    QCOMPARE(view->Form().lines[0].value, std::string("5"));
    QCOMPARE(view->EditingRow(), 1);
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Backtab);
    QCOMPARE(view->EditingRow(), 0);
    // Escape keeps what was typed.
    view->SingleLineEditor()->setText(QStringLiteral("6"));
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Escape);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kNone);
    QCOMPARE(view->Form().lines[0].value, std::string("6"));
    QVERIFY(editor->IsModified());
    // Before the first line, and past the last, the focus goes to the body box ...
    view->StartEditing(0);
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Backtab);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kNone);
    QVERIFY(view->BodyBox()->hasFocus());
    const int k = view->Form().IndexOf('K');
    view->StartEditing(k);
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Tab);
    QVERIFY(view->BodyBox()->hasFocus());
    // ... or, with the tune pane hidden, to the words box.
    QVERIFY(Run(CommandId::kViewTune));
    view->StartEditing(k);
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Tab);
    QVERIFY(view->WordsBox()->hasFocus());
    // Leaving the editor for another box stores the value there and then.
    view->StartEditing(k);
    view->SingleLineEditor()->setText(QStringLiteral("Gmix"));
    view->WordsBox()->setFocus();
    QApplication::processEvents();
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kNone);
    QCOMPARE(view->Form().lines[static_cast<size_t>(k)].value, std::string("Gmix"));
    QVERIFY(view->WordsBox()->hasFocus());
  }

  void multiLineEditorKeepsToItsRowAndEnterStores() {
    CAbcDoc* file = Open("rows.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2);
    CTuneView* view = View(editor);
    HeaderListView* list = view->HeaderList();
    view->StartEditing(1);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kMultiLine);
    QPlainTextEdit* box = view->MultiLineEditor();
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("Zweite"));
    QTest::keyClick(box, Qt::Key_Enter, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("Trois"));
    QApplication::processEvents();
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kMultiLine);
    // Three lines in the editor, every one in sight, and the next row (M:) starts
    // below the editor rather than under it.
    const QRect next = list->visualRect(list->model()->index(2, 0));
    QVERIFY2(box->geometry().bottom() < next.top(),
             qPrintable(QStringLiteral("%1 %2").arg(box->geometry().bottom()).arg(next.top())));
    QVERIFY(box->height() >= 3 * list->TextLineHeight());
    QVERIFY(box->isVisible());
    // A plain Enter stores the value, in a multi-line field as in a single-line one.
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kNone);
    QVERIFY(!box->isVisible());
    QCOMPARE(view->Form().lines[1].value, std::string("Second\r\nZweite\r\nTrois"));
    // The row is as tall as the lines it shows again, with no editor in it.
    const QModelIndex titles = list->model()->index(1, 0);
    QCOMPARE(list->visualRect(titles).height(),
             list->RowHeight(HeaderListView::ShownLines(titles)));
    view->StartEditing(2);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kSingleLine);
    QTest::keyClick(view->SingleLineEditor(), Qt::Key_Enter);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kNone);
  }

  void savesMultiLineValuesAndSeveralTitles() {
    CAbcDoc* file = Open("save.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2);
    CTuneView* view = View(editor);
    view->StartEditing(1);
    view->MultiLineEditor()->setPlainText(QStringLiteral("Second\nZweite\n\nDeuxième"));
    view->EndEditing(0);
    view->SetField('N', "first note\r\nsecond note", false);
    view->BodyBox()->appendPlainText(QStringLiteral("fed cBA|"));
    view->WordsBox()->setPlainText(QStringLiteral("verse one\nverse two"));
    QVERIFY(editor->Title().endsWith(QStringLiteral(" *")));
    QVERIFY(!file->IsModified());
    QVERIFY(Run(CommandId::kFileSave));
    const TuneRecord* tune = file->File().TuneAt(2);
    QCOMPARE(tune->titles.size(), size_t{3});
    QCOMPARE(Bytes(tune->titles[2]), QStringLiteral("Deuxième"));
    // Each line of a value is a line of its own with the tag, and the text
    // after the tune stays with it.
    QCOMPARE(Bytes(file->File().WriteTune(*tune, false)),
             QStringLiteral("X:2\r\nT:Second\r\nT:Zweite\r\nT:Deuxième\r\nN:first note\r\n"
                            "N:second note\r\nM:6/8\r\nK:D\r\nABc def|\r\nfed cBA|\r\n"
                            "W:verse one\r\nW:verse two\r\n\r\nsome text after\r\n"));
    QVERIFY(file->IsModified());
    QCOMPARE(file->Model().LineText(2), QStringLiteral("2 Second"));
    QCOMPARE(file->View()->CurrentLine(), 2);
    QCOMPARE(editor->Title(), QStringLiteral("2 Second (save.abc)"));
    QVERIFY(!editor->IsModified());
    QVERIFY(!view->BodyBox()->document()->isModified());
    // With SaveTuneFileAlso the file is written at once.
    app_->GetSettings().preferences.saveTuneFileAlso = 1;
    view->BodyBox()->appendPlainText(QStringLiteral("|]"));
    QVERIFY(Run(CommandId::kFileSave));
    QVERIFY(!file->IsModified());
    QFile saved(dir_.filePath(QStringLiteral("save.abc")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("fed cBA|\r\n|]\r\nW:verse one\r\n"));
  }

  void saveTuneAsAddsANewTune() {
    CAbcDoc* file = Open("saveas.abc", kTunes);
    CTuneDoc* editor = Edit(file, 1);
    CTuneView* view = View(editor);
    const TuneRecord* old = editor->Tune();
    view->BodyBox()->appendPlainText(QStringLiteral("gfe|"));
    QString shownNumber, shownTitle;
    test::WhenModal([&](QWidget* w) {
      auto* dlg = qobject_cast<CSaveTuneAsDlg*>(w);
      QVERIFY(dlg);
      QCOMPARE(dlg->windowTitle(), QStringLiteral("Save Tune As"));
      shownNumber = dlg->NumberEdit()->text();
      test::Shot(dlg, "editor-save-tune-as");
      dlg->NumberEdit()->setText(QStringLiteral("40"));
      dlg->accept();
    });
    QVERIFY(Run(CommandId::kFileSaveTuneAs));
    QCOMPARE(shownNumber, QStringLiteral("1"));
    QCOMPARE(file->File().TuneCount(), size_t{4});
    const TuneRecord* added = file->File().TuneAt(2);
    QCOMPARE(added->number, 40);
    QVERIFY(added->body.find("gfe|") != std::string::npos);
    QCOMPARE(editor->Tune(), added);
    // The tune that was edited keeps its last saved state.
    QCOMPARE(old->number, 1);
    QVERIFY(old->body.find("gfe|") == std::string::npos);
    QCOMPARE(file->Model().LineText(2), QStringLiteral("40 First"));
    QCOMPARE(file->View()->CurrentLine(), 2);
    QCOMPARE(view->Form().lines[0].value, std::string("40"));
    QCOMPARE(editor->Position(), 2);
    QVERIFY(!editor->IsModified());
  }

  // --- header list commands ------------------------------------------------------------

  void insertPlacesNewLines() {
    CAbcDoc* file = Open("insert.abc", "X:1\r\nT:Only\r\n\r\n");
    QVERIFY(file);
    CTuneDoc* editor = Edit(file, 1);
    CTuneView* view = View(editor);
    QCOMPARE(Letters(view->Form()), std::string("XT"));
    view->SelectRow(0);
    view->HeaderList()->setFocus();
    // X current, nothing but X and T: an empty K line first, the new line between T and K.
    QTest::keyClick(view->HeaderList(), Qt::Key_Insert);
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kChooser);
    QCOMPARE(Letters(view->Form()), std::string("XT?K"));
    QCOMPARE(view->HeaderList()->model()->index(2, 0).data().toString(), QStringLiteral("?:\t"));
    QVERIFY(view->FieldChooser()->isVisible());
    QCOMPARE(view->FieldChooser()->itemText(0), QStringLiteral("R: Rhythm"));
    test::Shot(Frame(), "editor-chooser");
    // Leaving the chooser without a choice takes the placeholder away.
    QTest::keyClick(view->FieldChooser(), Qt::Key_Escape);
    QCOMPARE(Letters(view->Form()), std::string("XTK"));
    QVERIFY(editor->IsModified());
    // A letter without a line offers it preselected; choosing starts editing.
    view->SelectRow(1);
    QTest::keyClick(view->HeaderList(), Qt::Key_O);
    QCOMPARE(view->FieldChooser()->currentText(), QStringLiteral("O: Origin"));
    QTest::keyClick(view->FieldChooser(), Qt::Key_Return);
    QCOMPARE(Letters(view->Form()), std::string("XTOK"));
    QCOMPARE(view->EditingRow(), 2);
    QTest::keyClicks(view->MultiLineEditor(), QStringLiteral("Scotland"));
    QTest::keyClick(view->MultiLineEditor(), Qt::Key_Escape);
    QCOMPARE(view->Form().lines[2].value, std::string("Scotland"));
    // With every field of the order present the chooser has nothing to offer.
    app_->GetSettings().preferences.fieldOrder = "O";
    CTuneDoc* other = Edit(Open("insert2.abc", "X:1\r\nT:t\r\nO:o\r\nK:C\r\n\r\n"), 1);
    QVERIFY(!View(other)->InsertField());
    QVERIFY(!Enabled(CommandId::kTuneInsert));
  }

  void copyCutAndPasteFields() {
    CAbcDoc* file = Open("clip.abc", kTunes);
    CTuneDoc* editor = Edit(file, 1);
    CTuneView* view = View(editor);
    view->HeaderList()->setFocus();
    // Cut on X, T and K copies the line and leaves it.
    for (char letter : {'X', 'T', 'K'}) {
      view->SelectRow(view->Form().IndexOf(letter));
      QVERIFY(Run(CommandId::kEditCut));
      QVERIFY(view->Form().Has(letter));
    }
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("K:G\n"));
    view->SelectRow(1);
    QVERIFY(Run(CommandId::kEditCopy));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("T:First\nT:Other name\n"));
    QVERIFY(!editor->IsModified());
    // Cut on another line takes it away.
    view->SelectRow(view->Form().IndexOf('N'));
    QVERIFY(Run(CommandId::kEditCut));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("N:one\nN:two\n"));
    QVERIFY(!view->Form().Has('N'));
    QVERIFY(editor->IsModified());
    // Pasted back, the field comes back before K.
    QVERIFY(Run(CommandId::kEditPaste));
    QCOMPARE(Letters(view->Form()), std::string("XTRCMNK"));
    QCOMPARE(view->Form().lines[5].value, std::string("one\r\ntwo"));
    // Text without a tag goes into the field of the current line.
    view->SelectRow(view->Form().IndexOf('C'));
    QApplication::clipboard()->setText(QStringLiteral("  and another\n"));
    QVERIFY(Run(CommandId::kEditPaste));
    QCOMPARE(view->Form().lines[3].value, std::string("Someone\r\nand another"));
    // Words are no header line: they join the words.
    QApplication::clipboard()->setText(QStringLiteral("W:third line"));
    QVERIFY(Run(CommandId::kEditPaste));
    QCOMPARE(view->WordsBox()->toPlainText(), QStringLiteral("la la\nlee\nthird line"));
    QVERIFY(!view->Form().Has('W'));
    // With no current line the text is offered as a new field's value.
    view->HeaderList()->selectionModel()->clear();
    view->HeaderList()->setCurrentIndex(QModelIndex());
    QApplication::clipboard()->setText(QStringLiteral("from the radio"));
    QVERIFY(Run(CommandId::kEditPaste));
    QCOMPARE(view->EditingKind(), CTuneView::Editing::kChooser);
    int row = view->EditingRow();
    view->ChooseField('S');
    QCOMPARE(view->Form().lines[static_cast<size_t>(row)].letter, 'S');
    QCOMPARE(view->MultiLineEditor()->toPlainText(), QStringLiteral("from the radio"));
    view->EndEditing(0);
    QCOMPARE(view->Form().lines[static_cast<size_t>(row)].value, std::string("from the radio"));
  }

  // --- raw mode -----------------------------------------------------------------------------

  void rawModeSave() {
    CAbcDoc* file = Open("raw.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2, true);
    QVERIFY(editor);
    QVERIFY(editor->Raw());
    CTuneView* view = View(editor);
    QVERIFY(view->RawBox()->isVisible());
    QVERIFY(!view->HeaderList()->isVisible());
    // The tune's text without the text after it.
    QCOMPARE(view->RawBox()->toPlainText(),
             QStringLiteral("X:2\nT:Second\nM:6/8\nK:D\nABc def|\n"));
    QVERIFY(!Enabled(CommandId::kViewHeaders));
    QString text = view->RawBox()->toPlainText();
    text.replace(QStringLiteral("T:Second"), QStringLiteral("T:Renamed\nC:Me"));
    view->RawBox()->setPlainText(text);
    QVERIFY(editor->IsModified());
    QVERIFY(Run(CommandId::kFileSave));
    const TuneRecord* tune = file->File().TuneAt(2);
    QCOMPARE(
        Bytes(file->File().WriteTune(*tune, false)),
        QStringLiteral(
            "X:2\r\nT:Renamed\r\nC:Me\r\nM:6/8\r\nK:D\r\nABc def|\r\n\r\nsome text after\r\n"));
    QCOMPARE(file->Model().LineText(2), QStringLiteral("2 Renamed"));
    // Setting a field works on the raw text.
    view->SetField('R', "jig", false);
    QVERIFY(view->RawBox()->toPlainText().contains(QStringLiteral("M:6/8\nR:jig\nK:D\n")));
    // An editor in the form switches to raw when raw is asked for, keeping its edits.
    CTuneDoc* formEditor = Edit(file, 3);
    View(formEditor)->BodyBox()->moveCursor(QTextCursor::End);
    View(formEditor)->BodyBox()->insertPlainText(QStringLiteral("def|\n"));
    QCOMPARE(Edit(file, 3, true), formEditor);
    QVERIFY(formEditor->Raw());
    QVERIFY(View(formEditor)->RawBox()->toPlainText().endsWith(QStringLiteral("abc|\ndef|\n")));
    QVERIFY(formEditor->IsModified());
  }

  // --- body box -------------------------------------------------------------------------------

  void playFromTheEditorRemembersItsErrors() {
    app_->GetSettings().midi.speedPercent = 800;
    app_->GetSettings().midi.playnowMinimize = 0;
    CAbcDoc* file =
        Open("play.abc", "X:1\r\nT:Bars\r\nM:4/4\r\nL:1/4\r\nK:C\r\nC D E F|G A B c|]\r\n\r\n");
    CTuneDoc* editor = Edit(file, 1);
    CTuneView* view = View(editor);
    QMdiSubWindow* editorFrame = view->Frame();
    editorFrame->showMaximized();
    QApplication::processEvents();
    // What plays is the text in the editor, saved or not: its second bar is short,
    // ended by |] before the |: of the next line.
    view->BodyBox()->setPlainText(QStringLiteral("C D E F|G A|]\n|:c d e f|g a b c:|\n"));
    QStringList dialogs;
    test::WhenModal([&](QWidget* w) {
      dialogs << w->windowTitle();
      if (auto* dlg = qobject_cast<CAbcErrorsDlg*>(w)) {
        QVERIFY(dlg->List()->toPlainText().contains(QStringLiteral("Too many or too few notes")));
        dlg->accept();
      } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
        dialog->reject();
      }
    });
    QVERIFY(Run(CommandId::kTunePlayNow));
    QCOMPARE(dialogs, QStringList{QStringLiteral("Errors in ABC Tune")});
    QCOMPARE(CTuneDoc::ErrorEditor(), editor);
    CPlayDoc* player = CPlayDoc::First();
    QVERIFY(player);
    QMdiSubWindow* playerFrame = player->FirstView()->Frame();
    auto* area = Frame()->findChild<QMdiArea*>();
    QVERIFY(area);
    // The player comes up at its own size, with its title bar, over the editor,
    // which stays maximised; switching back and forth keeps both so.
    for (int round = 0; round < 2; ++round) {
      QCOMPARE(area->activeSubWindow(), playerFrame);
      QVERIFY(editorFrame->isMaximized());
      QVERIFY(!playerFrame->isMaximized());
      QVERIFY(!playerFrame->isMinimized());
      QVERIFY(playerFrame->width() < area->viewport()->width());
      QVERIFY(playerFrame->windowTitle().startsWith(QStringLiteral("Play Tune")));
      Frame()->ActivateView(editor->FirstView());
      QCOMPARE(area->activeSubWindow(), editorFrame);
      QVERIFY(editorFrame->isMaximized());
      QVERIFY(!playerFrame->isMaximized());
      Frame()->ActivateView(player->FirstView());
    }
    QVERIFY(!(playerFrame->windowFlags() & Qt::WindowMaximizeButtonHint));
    player->Stop();
    // Next Error lands on the short bar, not on the full bar after the repeat sign.
    Frame()->ActivateView(editor->FirstView());
    QVERIFY(Run(CommandId::kTuneNextError));
    QCOMPARE(view->BodyBox()->textCursor().selectionStart(), 8);
    QVERIFY(!Enabled(CommandId::kTuneNextError));
    // Ctrl+Shift+E shows the list again.
    dialogs.clear();
    test::WhenModal([&](QWidget* w) {
      dialogs << w->windowTitle();
      if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->accept();
    });
    QVERIFY(Run(CommandId::kTuneShowErrors));
    QCOMPARE(dialogs, QStringList{QStringLiteral("Errors in ABC Tune")});
    app_->GetSettings().midi.playnowMinimize = 1;
  }

  // --- panes, title, key help -------------------------------------------------------------------

  void panesShowAndHide() {
    CAbcDoc* file = Open("panes.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2);
    CTuneView* view = View(editor);
    QVERIFY(view->PaneShown(kHeaderPane) && view->PaneShown(kTunePane));
    QVERIFY(!view->PaneShown(kWordsPane));
    QCOMPARE(view->PaneButton(kWordsPane)->text(), QStringLiteral(">>"));
    QCOMPARE(view->PaneButton(kTunePane)->text(), QStringLiteral("<<"));
    QCOMPARE(view->PaneCaption(kHeaderPane)->text(), QStringLiteral("hdrs"));
    // The short header shrinks to its lines; the tune pane gets the rest.
    QCOMPARE(view->PaneHeight(kHeaderPane), view->HeaderList()->ContentHeight() +
                                                std::max(4, 2 * view->HeaderList()->frameWidth()));
    QVERIFY(view->PaneHeight(kTunePane) > view->PaneHeight(kHeaderPane));
    QVERIFY(Frame()->CommandStateOf(CommandId::kViewHeaders).checked);
    // Hiding panes, the last one shown stays.
    QVERIFY(Run(CommandId::kViewHeaders));
    QVERIFY(!view->PaneShown(kHeaderPane));
    QVERIFY(!view->HeaderList()->isVisible());
    QCOMPARE(view->PaneButton(kHeaderPane)->text(), QStringLiteral(">>"));
    QTest::mouseClick(view->PaneButton(kWordsPane), Qt::LeftButton);
    QVERIFY(view->PaneShown(kWordsPane));
    QVERIFY(view->PaneHeight(kWordsPane) > 0);
    view->PaneButton(kTunePane)->click();
    QVERIFY(!view->PaneShown(kTunePane));
    QVERIFY(!Enabled(CommandId::kViewWords));
    QVERIFY(!view->TogglePane(kWordsPane));
    QVERIFY(view->PaneShown(kWordsPane));
    QVERIFY(Run(CommandId::kViewHeaders));
    QVERIFY(view->PaneShown(kHeaderPane));
    QVERIFY(!editor->IsModified());
    // Dragging the words caption moves the border between the tune and the words.
    QVERIFY(Run(CommandId::kViewTune));
    QWidget* bar = view->PaneCaption(kWordsPane)->parentWidget();
    int tune = view->PaneHeight(kTunePane);
    int words = view->PaneHeight(kWordsPane);
    QPoint at = bar->rect().center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(0, -30)),
                     QPointF(bar->mapToGlobal(at + QPoint(0, -30))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at + QPoint(0, -30));
    QCOMPARE(view->PaneHeight(kTunePane), tune - 30);
    QCOMPARE(view->PaneHeight(kWordsPane), words + 30);
  }

  void titleAndSizeFollowTheSettings() {
    app_->GetSettings().preferences.edittitleFormat = "%T / %X";
    app_->GetSettings().preferences.editTuneWidth = 70;
    app_->GetSettings().preferences.editTuneHeight = 30;
    CAbcDoc* file = Open("title.abc", kTunes);
    CTuneDoc* editor = Edit(file, 1);
    QCOMPARE(editor->Title(), QStringLiteral("First Other name / 1"));
    View(editor)->BodyBox()->insertPlainText(QStringLiteral("z"));
    QCOMPARE(editor->Title(), QStringLiteral("First Other name / 1 *"));
    QCOMPARE(editor->FirstView()->Frame()->windowTitle(), QStringLiteral("First Other name / 1 *"));
    // Seventy characters of the ABC font across, thirty lines down.
    QFontMetrics fm(View(editor)->BodyBox()->font());
    QVERIFY(View(editor)->width() >= 70 * fm.horizontalAdvance(QLatin1Char('m')));
    QVERIFY(View(editor)->height() >= 30 * fm.lineSpacing());
    // A new title format reaches the open editor, and so does a new number.
    app_->GetSettings().preferences.edittitleFormat = "%X";
    app_->ApplySettings();
    QCOMPARE(editor->Title(), QStringLiteral("1 *"));
    file->RenumberFrom(5);
    QCOMPARE(editor->Title(), QStringLiteral("5 *"));
  }

  // --- closing and the tune list ----------------------------------------------------------------

  void closeQuestionWithTheTitle() {
    CAbcDoc* file = Open("close.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2);
    View(editor)->BodyBox()->appendPlainText(QStringLiteral("g|"));
    threeWay_ = {MessageAnswer::kNo};
    QVERIFY(CloseViewFrame(editor->FirstView()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].kind, MessageKind::kYesNoCancel);
    QCOMPARE(messages_[0].text, QStringLiteral("You have made changes to the tune.\nDo you want to "
                                               "save these changes?\n\nSecond"));
    QVERIFY(file->File().TuneAt(2)->body.find("g|") == std::string::npos);
    QVERIFY(!file->IsModified());
    // Cancel (and Escape) keeps the window and the edits.
    editor = Edit(file, 2);
    View(editor)->BodyBox()->appendPlainText(QStringLiteral("g|"));
    threeWay_ = {MessageAnswer::kCancel};
    QVERIFY(!CloseViewFrame(editor->FirstView()));
    QVERIFY(editor->IsModified());
    QVERIFY(View(editor)->BodyBox()->toPlainText().contains(QStringLiteral("g|")));
    // Yes saves before the window goes.
    threeWay_ = {MessageAnswer::kYes};
    QVERIFY(CloseViewFrame(editor->FirstView()));
    QVERIFY(file->File().TuneAt(2)->body.find("g|") != std::string::npos);
    QVERIFY(file->IsModified());
    // Without changes nothing is asked.
    messages_.clear();
    editor = Edit(file, 1);
    QVERIFY(CloseViewFrame(editor->FirstView()));
    QVERIFY(messages_.isEmpty());
    // A value still being typed is a change.
    editor = Edit(file, 3);
    View(editor)->StartEditing(1);
    View(editor)->MultiLineEditor()->setPlainText(QStringLiteral("Third, typed"));
    threeWay_ = {MessageAnswer::kYes};
    QVERIFY(CloseViewFrame(editor->FirstView()));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].text.endsWith(QStringLiteral("\n\nThird, typed")));
    QCOMPARE(Bytes(file->File().TuneAt(3)->titles[0]), QStringLiteral("Third, typed"));
  }

  // Renumber carries the new numbers into open editors, changed or not, so that
  // storing one keeps the new number.
  void renumberReachesOpenEditors() {
    CAbcDoc* file = Open("renumber.abc", kTunes);
    CTuneDoc* clean = Edit(file, 2);
    CTuneDoc* changed = Edit(file, 3);
    View(changed)->BodyBox()->appendPlainText(QStringLiteral("g|"));
    file->RenumberFrom(10);
    QVERIFY(!clean->IsModified());
    QVERIFY(changed->IsModified());
    QVERIFY(changed->SaveTune());
    QCOMPARE(file->File().TuneAt(3)->number, 12);
    QCOMPARE(file->File().TuneAt(2)->number, 11);
    const TuneForm& form = View(clean)->Form();
    QCOMPARE(QString::fromStdString(form.lines[static_cast<size_t>(form.IndexOf('X'))].value),
             QStringLiteral("11"));
    QVERIFY(CloseViewFrame(clean->FirstView()));
    QVERIFY(CloseViewFrame(changed->FirstView()));
    file->SetModifiedFlag(false);
  }

  void tuneListRefusesATuneOpenInAnEditor() {
    CAbcDoc* file = Open("refuse.abc", kTunes);
    CTuneDoc* editor = Edit(file, 2);
    QVERIFY(editor);
    Frame()->ActivateView(file->View());
    file->View()->SelectLines({2, 3});
    file->View()->List()->setFocus();
    QVERIFY(Run(CommandId::kEditDelete));
    // Tune 3 went; tune 2 stayed with the message, and its editor came forward.
    QCOMPARE(file->File().TuneCount(), size_t{2});
    QCOMPARE(file->File().TuneAt(2), editor->Tune());
    QCOMPARE(messages_.last().text,
             QStringLiteral("This tune is open for editing. Please close it first."));
    QCOMPARE(Frame()->ActiveDocument(), editor);
    // Cut refuses it too.
    Frame()->ActivateView(file->View());
    file->View()->SelectLine(2);
    messages_.clear();
    QVERIFY(Run(CommandId::kEditCut));
    QCOMPARE(file->File().TuneCount(), size_t{2});
    QCOMPARE(messages_.last().text,
             QStringLiteral("This tune is open for editing. Please close it first."));
    // The editor follows its tune when others move: tune 1 goes, it is now tune 1.
    Frame()->ActivateView(file->View());
    file->View()->SelectLine(1);
    QVERIFY(Run(CommandId::kEditDelete));
    QCOMPARE(editor->Position(), 1);
  }

  void editorsAreSavedAndRestoredWithTheWindows() {
    CAbcDoc* file = Open("windows.abc", kTunes);
    CTuneDoc* editor = Edit(file, 3, true);
    const DocTemplate* t = app_->Templates().FindById(131);
    QVERIFY(t && t->saveWindow && t->restoreWindow);
    std::optional<WindowDoc> saved = t->saveWindow(editor->FirstView());
    QVERIFY(saved.has_value());
    QCOMPARE(FormatWindowDoc(*saved), "?3?" + file->PathName().toStdString() + "?1");
    app_->CloseDocument(editor);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CMinFormView* restored = t->restoreWindow(*ParseWindowDoc(FormatWindowDoc(*saved)));
    QVERIFY(restored);
    auto* again = qobject_cast<CTuneDoc*>(restored->Document());
    QVERIFY(again && again->Raw());
    QCOMPARE(again->Position(), 3);
    QCOMPARE(file->View()->CurrentLine(), 3);
    // A tune file that is not open, or a tune it does not have: nothing.
    WindowDoc missing = *saved;
    missing.position = 9;
    QVERIFY(!t->restoreWindow(missing));
    missing.path = dir_.filePath(QStringLiteral("nothere.abc")).toStdString();
    QVERIFY(!t->restoreWindow(missing));
  }

  // --- colouring and pictures -----------------------------------------------------------------
};

QTEST_MAIN(TuneEditorTest)
#include "TuneEditorTest.moc"
