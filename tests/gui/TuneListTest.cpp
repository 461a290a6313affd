// The tune list window in the running program: dragging, cut and undo,
// renumbering, saving and reloading, the modified marker, the close guard and the
// character sets of files. Type-ahead is tested on its engine (ListLogicTest).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "gui/ShellTestSupport.h"
#include <deque>
#include <functional>
#include <memory>

#include "app/Settings.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TextDialogs.h"
#include "gui/tunefile/TuneListBox.h"
#include "gui/tunefile/TuneListModel.h"

using namespace tunora;

namespace {

QByteArray Tunes(int count, int firstNumber = 1, const char* titlePrefix = "Tune") {
  QByteArray out;
  for (int k = 0; k < count; ++k) {
    out += QStringLiteral("X:%1\r\nT:%2 %3\r\nM:4/4\r\nK:G\r\nabc|\r\n\r\n")
               .arg(firstNumber + k)
               .arg(QString::fromLatin1(titlePrefix))
               .arg(k + 1)
               .toLatin1();
  }
  return out;
}

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& local, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

QPoint LinePos(TuneListBox* list, int line) {
  return list->visualRect(list->model()->index(line, 0)).center();
}

// Presses on a line of one list, moves and releases over a line of another (or
// the same) list, through the list's own mouse handlers.
void Drag(TuneListBox* from, int fromLine, TuneListBox* to, int toLine, Qt::MouseButton button) {
  QWidget* vp = from->viewport();
  QPoint start = LinePos(from, fromLine);
  SendMouse(vp, QEvent::MouseButtonPress, start, button, button);
  SendMouse(vp, QEvent::MouseMove, start + QPoint(QApplication::startDragDistance() + 5, 0),
            Qt::NoButton, button);
  QPoint global = to->viewport()->mapToGlobal(LinePos(to, toLine));
  QPoint local = vp->mapFromGlobal(global);
  SendMouse(vp, QEvent::MouseMove, local, Qt::NoButton, button);
  QVERIFY(from->Dragging());
  SendMouse(vp, QEvent::MouseButtonRelease, local, button, Qt::NoButton);
  QVERIFY(!from->Dragging());
}

// Runs action on the next modal dialog as soon as it shows.
void OnNextDialog(std::function<void(QWidget*)> action) { test::WhenModal(std::move(action)); }

// The rightmost column of r in image that differs from r's background (its
// rightmost pixel column), or -1.
int RightmostInk(const QImage& image, const QRect& r) {
  const QRect area = r.intersected(image.rect());
  for (int x = area.right() - 1; x >= area.left(); --x)
    for (int y = area.top(); y <= area.bottom(); ++y)
      if (image.pixel(x, y) != image.pixel(area.right(), y)) return x;
  return -1;
}

QString Titles(CAbcDoc* doc) {
  QStringList titles;
  for (int p = 1; p <= static_cast<int>(doc->File().TuneCount()); ++p)
    titles << QString::fromStdString(doc->File().TuneAt(p)->titles[0]).section(' ', -1);
  return titles.join(',');
}

}  // namespace

class TuneListTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;
  QList<MessageRequest>& messages_ = script_.messages;
  std::deque<MessageAnswer>& answers_ = script_.answers;

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  CAbcDoc* Open(const QString& name, const QByteArray& bytes) {
    WriteBytes(PathOf(name), bytes);
    auto* doc = qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(PathOf(name)));
    if (doc != nullptr) doc->View()->List()->setFocus();
    return doc;
  }

  static TuneListBox* List(CAbcDoc* doc) { return doc->View()->List(); }

  // Opens the tune editor on the tune at position; the list stays active.
  CMinFormDoc* OpenEditor(CAbcDoc* doc, int position) {
    doc->View()->SelectLine(position);
    doc->Edit(false);
    QApplication::processEvents();
    CMinFormDoc* editor = doc->EditorOf(*doc->File().TuneAt(position));
    doc->ActivateFirstView();
    return editor;
  }

 private slots:
  void initTestCase() { QVERIFY(run_.Start(QSize(1000, 700))); }

  void cleanup() {
    test::CloseAllDocuments(*app_);
    messages_.clear();
    answers_.clear();
    Settings& s = app_->GetSettings();
    s.preferences = PreferenceSettings{};
    app_->ApplySettings();
  }

  void cleanupTestCase() { run_.Stop(); }

  void opensWithHeaderLineAndFormattedLines() {
    CAbcDoc* doc = Open("lines.abc", "% my tunes\r\n\r\n" + Tunes(3, 7));
    QVERIFY(doc);
    TuneListModel& m = doc->Model();
    QCOMPARE(m.rowCount(), 4);
    QCOMPARE(m.LineText(0), QStringLiteral("0 [preface text]"));
    QCOMPARE(m.LineText(1), QStringLiteral("7 Tune 1"));
    QCOMPARE(doc->View()->CurrentLine(), 0);
    // The format settings decide the lines; a tab escape gives a tab.
    app_->GetSettings().preferences.tunelistFormat = "%T\\t(%X)";
    app_->GetSettings().preferences.preftextFormat = "header";
    app_->ApplySettings();
    QCOMPARE(m.LineText(2), QStringLiteral("Tune 2\t(8)"));
    QCOMPARE(m.LineText(0), QStringLiteral("header"));
    // All titles make several lines; the list shows them on one.
    app_->GetSettings().preferences.tunelistFormat = "%X %T";
    app_->ApplySettings();
    doc->File().TuneAt(1)->titles.push_back("Other name");
    m.RefreshLine(1);
    QCOMPARE(m.LineText(1), QStringLiteral("7 Tune 1\r\nOther name"));
    QCOMPARE(m.data(m.index(1), Qt::DisplayRole).toString(), QStringLiteral("7 Tune 1 Other name"));
  }

  void tabColumnsLineUpInOneAndManyColumns() {
    // A short and a long title before a tab: the keys after it must start (and so
    // end) at the same place; in many columns the column must hold the long line.
    const QByteArray text =
        "X:1\r\nT:A\r\nK:G\r\nabc|\r\n\r\n"
        "X:2\r\nT:The Very Long Title Of A Reel From Donegal\r\nK:G\r\nabc|\r\n\r\n";
    for (int multi : {0, 1}) {
      for (int fixed : {0, 80}) {
        app_->GetSettings().preferences.tunelistFormat = "%T\\t%K";
        app_->GetSettings().preferences.multiColumn = multi;
        app_->GetSettings().preferences.tunelistTabWidth = fixed;
        app_->ApplySettings();
        CAbcDoc* doc = Open(QStringLiteral("tabs%1%2.abc").arg(multi).arg(fixed), text);
        QVERIFY(doc);
        TuneListBox* list = List(doc);
        QCOMPARE(doc->Model().LineText(2),
                 QStringLiteral("The Very Long Title Of A Reel From Donegal\tG"));
        doc->View()->Frame()->resize(900, 300);
        QApplication::processEvents();
        list->viewport()->grab();  // the first drawing measures the lines shown
        const QImage image = list->viewport()->grab().toImage();
        const int shortLine = RightmostInk(image, list->visualRect(list->model()->index(1, 0)));
        const int longLine = RightmostInk(image, list->visualRect(list->model()->index(2, 0)));
        const QString where = QStringLiteral("multi %1 fixed %2: %3 %4")
                                  .arg(multi)
                                  .arg(fixed)
                                  .arg(shortLine)
                                  .arg(longLine);
        QVERIFY2(shortLine > list->fontMetrics().horizontalAdvance(QStringLiteral("The Very Long")),
                 qPrintable(where));
        QVERIFY2(shortLine == longLine, qPrintable(where));
        if (multi != 0)
          QVERIFY2(
              list->ColumnWidth() > longLine - list->visualRect(list->model()->index(2, 0)).left(),
              qPrintable(where));
        app_->CloseDocument(doc);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      }
    }
  }

  void enterOnHeaderLineEditsTheFileHeader() {
    CAbcDoc* doc = Open("header.abc", "% old header\r\n\r\n" + Tunes(1));
    QVERIFY(doc);
    QString caption;
    // OK without a change leaves the file as it was.
    OnNextDialog([&](QWidget* w) {
      caption = w->windowTitle();
      test::Shot(w, "header-dialog");
      qobject_cast<QDialog*>(w)->accept();
    });
    QTest::keyClick(List(doc), Qt::Key_Return);
    QCOMPARE(caption, QStringLiteral("header.abc [preface text]"));
    QVERIFY(!doc->IsModified());
    OnNextDialog([&](QWidget* w) {
      auto* dlg = qobject_cast<CTextEditDlg*>(w);
      QVERIFY(dlg);
      QCOMPARE(dlg->Text(), QStringLiteral("% old header\n\n"));
      dlg->Edit()->setPlainText(QStringLiteral("% new header\nC:Trad."));
      dlg->accept();
    });
    QTest::keyClick(List(doc), Qt::Key_Return);
    QVERIFY(doc->IsModified());
    QCOMPARE(doc->Title(), QStringLiteral("header.abc *"));
    QCOMPARE(QByteArray::fromStdString(*doc->File().headerText),
             QByteArray("% new header\r\nC:Trad.\r\n"));
    QVERIFY(doc->File().HeaderField('C')->has_value());
  }

  void doubleClickEditsTheTuneText() {
    CAbcDoc* doc = Open("edit.abc", Tunes(3));
    QVERIFY(doc);
    TuneListBox* list = List(doc);
    // A double click opens the tune editor on the tune.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, LinePos(list, 2));
    CMinFormDoc* editor = doc->EditorOf(*doc->File().TuneAt(2));
    QVERIFY(editor);
    QCOMPARE(app_->MainFrame()->ActiveDocument(), editor);
    app_->CloseDocument(editor);
    // The tune's text in the plain text dialog.
    OnNextDialog([&](QWidget* w) {
      auto* dlg = qobject_cast<CTextEditDlg*>(w);
      QVERIFY(dlg);
      QVERIFY(dlg->Text().startsWith(QStringLiteral("X:2\nT:Tune 2\n")));
      dlg->Edit()->setPlainText(
          dlg->Text().replace(QStringLiteral("T:Tune 2"), QStringLiteral("T:Renamed")));
      dlg->accept();
    });
    doc->EditTuneText(2);
    QCOMPARE(doc->Model().LineText(2), QStringLiteral("2 Renamed"));
    QVERIFY(doc->IsModified());
    // The text after the tune stays with it.
    QCOMPARE(QByteArray::fromStdString(doc->File().WriteTune(*doc->File().TuneAt(2), false)),
             QByteArray("X:2\r\nT:Renamed\r\nM:4/4\r\nK:G\r\nabc|\r\n\r\n"));
  }

  void dragMoveWithinList() {
    CAbcDoc* doc = Open("move.abc", Tunes(6));
    QVERIFY(doc);
    TuneListBox* list = List(doc);
    doc->View()->SelectRange(2, 4);
    Drag(list, 2, list, 6, Qt::LeftButton);
    // Tunes 2, 3, 4 now follow the tune that was on line 6.
    QCOMPARE(Titles(doc), QStringLiteral("1,5,6,2,3,4"));
    QCOMPARE(doc->View()->SelectedLines(), (std::vector<int>{4, 5, 6}));
    QCOMPARE(doc->View()->CurrentLine(), 6);
    QVERIFY(doc->IsModified());
    QCOMPARE(doc->File().History().UndoName(), std::string("Move"));
    // Onto the header line: to the start of the file.
    Drag(list, 5, list, 0, Qt::LeftButton);
    QCOMPARE(Titles(doc), QStringLiteral("2,3,4,1,5,6"));
    // Dropping on the pressed line changes nothing.
    doc->View()->SelectLine(4);
    Drag(list, 4, list, 4, Qt::LeftButton);
    QCOMPARE(Titles(doc), QStringLiteral("2,3,4,1,5,6"));
    // Each move is one step: Undo puts the tunes back, lines and bytes.
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kEditUndo));
    QCOMPARE(Titles(doc), QStringLiteral("1,5,6,2,3,4"));
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kEditUndo));
    QCOMPARE(Titles(doc), QStringLiteral("1,2,3,4,5,6"));
    QCOMPARE(doc->Model().LineText(6), QStringLiteral("6 Tune 6"));
    QCOMPARE(QByteArray::fromStdString(doc->File().WriteFile()), Tunes(6));
  }

  void clickOnSelectedLineSelectsJustThatLine() {
    CAbcDoc* doc = Open("click.abc", Tunes(5));
    QVERIFY(doc);
    TuneListBox* list = List(doc);
    doc->View()->SelectRange(1, 4);
    SendMouse(list->viewport(), QEvent::MouseButtonPress, LinePos(list, 3), Qt::LeftButton,
              Qt::LeftButton);
    QCOMPARE(doc->View()->SelectedLines(), (std::vector<int>{1, 2, 3, 4}));
    SendMouse(list->viewport(), QEvent::MouseButtonRelease, LinePos(list, 3), Qt::LeftButton,
              Qt::NoButton);
    QCOMPARE(doc->View()->SelectedLines(), std::vector<int>{3});
  }

  void dragCopyToAnotherFile() {
    CAbcDoc* source = Open("source.abc", Tunes(4, 1, "Src"));
    CAbcDoc* target = Open("target.abc", Tunes(3, 20, "Dst"));
    QVERIFY(source && target);
    app_->MainFrame()->MdiArea()->tileSubWindows();
    QApplication::processEvents();
    source->View()->SelectRange(2, 3);
    Drag(List(source), 2, List(target), 1, Qt::RightButton);
    QCOMPARE(Titles(target), QStringLiteral("1,2,3,2,3"));  // Dst 1, Src 2, Src 3, Dst 2, Dst 3
    QCOMPARE(QString::fromStdString(target->File().TuneAt(2)->titles[0]), QStringLiteral("Src 2"));
    QCOMPARE(target->File().TuneAt(2)->number, 2);
    QVERIFY(target->IsModified());
    QCOMPARE(target->View()->SelectedLines(), (std::vector<int>{2, 3}));
    // The source is unchanged.
    QCOMPARE(source->File().TuneCount(), size_t{4});
    QVERIFY(!source->IsModified());
    // With the left button the tunes leave the source.
    source->View()->SelectLine(4);
    Drag(List(source), 4, List(target), 5, Qt::LeftButton);
    QCOMPARE(source->File().TuneCount(), size_t{3});
    QVERIFY(source->IsModified());
    QCOMPARE(target->File().TuneCount(), size_t{6});
    QCOMPARE(QString::fromStdString(target->File().TuneAt(6)->titles[0]), QStringLiteral("Src 4"));
  }

  void dragInMultiColumnList() {
    app_->GetSettings().preferences.multiColumn = 1;
    app_->ApplySettings();
    CAbcDoc* doc = Open("multi.abc", Tunes(60));
    QVERIFY(doc);
    TuneListBox* list = List(doc);
    QVERIFY(list->MultiColumn());
    // Narrow enough for the columns to scroll sideways.
    doc->View()->Frame()->resize(320, 420);
    QApplication::processEvents();
    test::Shot(app_->MainFrame(), "multi-column");
    // A line of the second column; the drop arithmetic must find it.
    int rows = list->RowsPerColumn();
    QVERIFY(rows > 2);
    QVERIFY(list->visualRect(list->model()->index(rows, 0)).left() > 0);
    QCOMPARE(list->visualRect(list->model()->index(rows - 1, 0)).left(), 0);
    int target = rows + 2;
    QVERIFY(list->visualRect(list->model()->index(target, 0)).left() > 0);
    QVERIFY(list->viewport()->rect().contains(LinePos(list, target)));
    QCOMPARE(list->DropLineAt(LinePos(list, target)), target);
    // Scrolled sideways, every line shown is found where it is drawn.
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    QVERIFY(!list->viewport()->rect().contains(LinePos(list, 0)));
    int checked = 0;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      if (!list->viewport()->rect().contains(LinePos(list, row))) continue;
      QCOMPARE(list->DropLineAt(LinePos(list, row)), row);
      ++checked;
    }
    QVERIFY(checked > 10);
    list->horizontalScrollBar()->setValue(0);
    doc->View()->SelectLine(1);
    Drag(list, 1, list, target, Qt::LeftButton);
    QCOMPARE(QString::fromStdString(doc->File().TuneAt(target)->titles[0]),
             QStringLiteral("Tune 1"));
  }

  void undoAndRedoOneActionAtATime() {
    const QByteArray original = Tunes(5);
    CAbcDoc* doc = Open("undo.abc", original);
    QVERIFY(doc);
    CMainFrame* frame = app_->MainFrame();
    QAction* undo = frame->Action(CommandId::kEditUndo);
    QAction* redo = frame->Action(CommandId::kEditRedo);
    QVERIFY(!frame->CommandStateOf(CommandId::kEditUndo).enabled);
    // Two deletes are two steps.
    doc->View()->SelectLine(2);
    QVERIFY(frame->RunCommand(CommandId::kEditDelete));
    doc->View()->SelectLine(3);
    QVERIFY(frame->RunCommand(CommandId::kEditDelete));
    QCOMPARE(Titles(doc), QStringLiteral("1,3,5"));
    QCOMPARE(undo->text(), QStringLiteral("&Undo Delete"));
    QVERIFY(!redo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("&Redo"));

    QVERIFY(frame->RunCommand(CommandId::kEditUndo));
    QCOMPARE(Titles(doc), QStringLiteral("1,3,4,5"));
    QCOMPARE(doc->View()->SelectedLines(), std::vector<int>{3});
    QVERIFY(frame->RunCommand(CommandId::kEditUndo));
    QCOMPARE(Titles(doc), QStringLiteral("1,2,3,4,5"));
    QCOMPARE(doc->Model().LineText(4), QStringLiteral("4 Tune 4"));
    QVERIFY(!undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));
    QCOMPARE(redo->text(), QStringLiteral("&Redo Delete"));
    QCOMPARE(QByteArray::fromStdString(doc->File().WriteFile()), original);

    QVERIFY(frame->RunCommand(CommandId::kEditRedo));
    QCOMPARE(Titles(doc), QStringLiteral("1,3,4,5"));
    QCOMPARE(doc->Model().rowCount(), 5);
    QCOMPARE(doc->Model().LineText(2), QStringLiteral("3 Tune 3"));
    QCOMPARE(doc->View()->CurrentLine(), 1);
    QVERIFY(undo->isEnabled() && redo->isEnabled());

    // A redo that would take out a tune open in an editor is refused, as Delete is.
    CMinFormDoc* editor = OpenEditor(doc, 3);
    QVERIFY(editor);
    QCOMPARE(editor->Tune()->titles[0], std::string("Tune 4"));
    messages_.clear();
    QVERIFY(frame->RunCommand(CommandId::kEditRedo));
    QCOMPARE(Titles(doc), QStringLiteral("1,3,4,5"));
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text,
             QStringLiteral("This tune is open for editing. Please close it first."));
    QVERIFY(doc->File().CanRedo());
    app_->CloseDocument(editor);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    doc->ActivateFirstView();
    QCOMPARE(frame->ActiveDocument(), doc);
    QVERIFY(frame->RunCommand(CommandId::kEditRedo));
    QCOMPARE(Titles(doc), QStringLiteral("1,3,5"));
  }

  void deleteHonoursTheQuestionSettings() {
    CAbcDoc* doc = Open("delete.abc", Tunes(4));
    QVERIFY(doc);
    doc->View()->SelectLine(2);
    answers_.push_back(MessageAnswer::kNo);
    QTest::keyClick(List(doc), Qt::Key_Delete);
    QCOMPARE(messages_.size(), 1);
    // The question names the tune by its list line.
    QCOMPARE(messages_[0].text,
             QStringLiteral("Are you sure you want to remove this tune?\n\n2 Tune 2"));
    QCOMPARE(doc->File().TuneCount(), size_t{4});  // No stops
    app_->GetSettings().preferences.askCut = 0;
    QTest::keyClick(List(doc), Qt::Key_Delete);
    QCOMPARE(messages_.size(), 1);  // not asked
    QCOMPARE(Titles(doc), QStringLiteral("1,3,4"));
    QCOMPARE(doc->View()->CurrentLine(), 1);
    // Cut asks about several tunes and leaves them on the clipboard.
    doc->View()->SelectLines({1, 3});
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kEditCut));
    QCOMPARE(messages_.last().text,
             QStringLiteral("Are you sure you want to remove these 2 tunes?"));
    QCOMPARE(Titles(doc), QStringLiteral("3"));
    const QString clip = QGuiApplication::clipboard()->text();
    QVERIFY(clip.startsWith(QStringLiteral("X:1\nT:Tune 1\n")));
    QVERIFY(clip.contains(QStringLiteral("X:4\nT:Tune 4\n")));
  }

  void tuneOpenForEditingIsNotRemovedOrDragged() {
    CAbcDoc* doc = Open("guard.abc", Tunes(3));
    QVERIFY(doc);
    CMinFormDoc* editor = OpenEditor(doc, 2);
    QVERIFY(editor);

    app_->GetSettings().preferences.askCutMulti = 0;
    doc->View()->SelectLines({1, 2, 3});
    doc->RemoveSelected(false);
    QCOMPARE(Titles(doc), QStringLiteral("2"));
    QCOMPARE(messages_.last().text,
             QStringLiteral("This tune is open for editing. Please close it first."));

    messages_.clear();
    doc->View()->SelectLine(1);
    QWidget* vp = List(doc)->viewport();
    SendMouse(vp, QEvent::MouseButtonPress, LinePos(List(doc), 1), Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, LinePos(List(doc), 1) + QPoint(0, 30), Qt::NoButton,
              Qt::LeftButton);
    QVERIFY(!List(doc)->Dragging());
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text,
             QStringLiteral("This tune is open for editing. Please close it first."));
    SendMouse(vp, QEvent::MouseButtonRelease, LinePos(List(doc), 1), Qt::LeftButton, Qt::NoButton);

    // Closing the file: the close guard. Cancel keeps everything open.
    QString guardText;
    OnNextDialog([&](QWidget* w) {
      guardText = qobject_cast<QMessageBox*>(w)->text();
      test::Shot(w, "close-guard");
      for (QAbstractButton* b : qobject_cast<QMessageBox*>(w)->buttons())
        if (b->text() == QStringLiteral("Cancel")) b->click();
    });
    QVERIFY(!CloseViewFrame(doc->View()));
    QCOMPARE(
        guardText,
        QStringLiteral("There are open tunes for this abc file window.\nPlease close them first."));
    QVERIFY(app_->Documents().size() == 2);
    // "Close all open tunes" closes the editor, then the file.
    OnNextDialog([&](QWidget* w) {
      for (QAbstractButton* b : qobject_cast<QMessageBox*>(w)->buttons())
        if (b->text() == QStringLiteral("Close all open tunes")) b->click();
    });
    QVERIFY(CloseViewFrame(doc->View()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(app_->Documents().empty());
  }

  void saveThenReloadAndTheModifiedMarker() {
    CAbcDoc* doc = Open("save.abc", Tunes(2));
    QVERIFY(doc);
    auto* frame = doc->View()->Frame();
    QCOMPARE(doc->Title(), QStringLiteral("save.abc"));
    doc->RenumberFrom(5);
    QCOMPARE(doc->Title(), QStringLiteral("save.abc *"));
    QVERIFY(frame->windowTitle().contains(QStringLiteral("save.abc *")));
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kFileSave));
    QCOMPARE(doc->Title(), QStringLiteral("save.abc"));
    QVERIFY(!doc->IsModified());
    QCOMPARE(ReadBytes(PathOf("save.abc")), Tunes(2, 5));

    // Someone else changes the file; Reload reads it without asking.
    WriteBytes(PathOf("save.abc"), Tunes(3, 30));
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kFileReload));
    QCOMPARE(messages_.size(), 0);
    QCOMPARE(doc->Model().rowCount(), 4);
    QCOMPARE(doc->Model().LineText(3), QStringLiteral("32 Tune 3"));
    QCOMPARE(doc->View()->CurrentLine(), 0);
    QCOMPARE(doc->View()->PositionText(), QStringLiteral("3 tunes"));
    // A tune that is still there stays the current one.
    doc->View()->SelectLine(2);
    QCOMPARE(doc->View()->PositionText(), QStringLiteral("Tune 2 of 3"));
    QVERIFY(doc->Reload());
    QCOMPARE(doc->View()->CurrentLine(), 2);

    // Modified: Reload asks, No keeps the changes.
    doc->RenumberFrom(1);
    answers_.push_back(MessageAnswer::kNo);
    QVERIFY(!doc->Reload());
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(messages_[0].text,
             QStringLiteral("The file is modified. Do you wish to reload it anyway?"));
    QCOMPARE(messages_[0].kind, MessageKind::kQuestion);
    QVERIFY(messages_[0].defaultNo);
    QCOMPARE(doc->Model().LineText(1), QStringLiteral("1 Tune 1"));
    QVERIFY(doc->Reload());
    QCOMPARE(doc->Model().LineText(1), QStringLiteral("30 Tune 1"));
    QCOMPARE(doc->Title(), QStringLiteral("save.abc"));
  }

  void saveAsOffersACleanName() {
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kFileNew));
    auto* doc = qobject_cast<CAbcDoc*>(app_->Documents().back());
    QVERIFY(doc);
    QVERIFY(doc->PathName().isEmpty());
    doc->PasteText(QString::fromLatin1(Tunes(2)));
    QCOMPARE(doc->File().TuneCount(), size_t{2});
    QVERIFY(doc->Title().endsWith(QStringLiteral(" *")));
    QString offered;
    QString title;
    CLarkFileDialog::SetAnswerHook([&](const QString& t, const QString& name) {
      title = t;
      offered = name;
      return PathOf(QStringLiteral("saved-as.abc"));
    });
    QVERIFY(app_->MainFrame()->RunCommand(CommandId::kFileSave));
    CLarkFileDialog::SetAnswerHook({});
    QCOMPARE(title, QStringLiteral("Save As"));
    QCOMPARE(offered, QStringLiteral("Abc1.abc"));
    QCOMPARE(doc->PathName(), PathOf(QStringLiteral("saved-as.abc")));
    QCOMPARE(doc->Title(), QStringLiteral("saved-as.abc"));
    // A file made in the program has LF line ends.
    QVERIFY(ReadBytes(PathOf("saved-as.abc")).contains("T:Tune 2\n"));
    QVERIFY(!ReadBytes(PathOf("saved-as.abc")).contains('\r'));
  }

  void charactersOfEachFileAreKept() {
    // A code page 1252 file and a UTF-8 file show the same accented title.
    QByteArray cp1252 =
        "% caf\xE9 "
        "\x80\r\n\r\nX:1\r\nT:Caf\xE9\r\nK:G\r\nabc\r\n\r\nX:2\r\nT:Na\xEFve\r\nK:G\r\nd\r\n\r\n";
    QByteArray utf8 = "X:1\r\nT:Caf\xC3\xA9\r\nK:G\r\nabc\r\n\r\n";
    CAbcDoc* a = Open("cp1252.abc", cp1252);
    CAbcDoc* b = Open("utf8.abc", utf8);
    QVERIFY(a && b);
    QCOMPARE(a->Encoding(), TextEncoding::kCp1252);
    QCOMPARE(b->Encoding(), TextEncoding::kUtf8);
    QCOMPARE(a->Model().LineText(1), QStringLiteral("1 Caf\u00E9"));
    QCOMPARE(b->Model().LineText(1), QStringLiteral("1 Caf\u00E9"));
    // Saving after a change elsewhere leaves every other byte as it was.
    a->View()->SelectLine(2);
    a->PasteText(QStringLiteral("X:3\nT:Cr\u00E8me\nK:D\nf\n"));
    QVERIFY(a->DoFileSave());
    QByteArray saved = ReadBytes(PathOf("cp1252.abc"));
    QVERIFY(saved.startsWith(cp1252));
    QVERIFY(saved.endsWith("X:3\r\nT:Cr\xE8me\r\nK:D\r\nf\r\n\r\n"));
    // A copied tune takes the other file's characters.
    app_->MainFrame()->MdiArea()->tileSubWindows();
    QApplication::processEvents();
    a->View()->SelectLine(1);
    Drag(List(a), 1, List(b), 1, Qt::RightButton);
    QCOMPARE(QByteArray::fromStdString(b->File().TuneAt(2)->titles[0]), QByteArray("Caf\xC3\xA9"));
    // A character the code page lacks is reported, not silently lost.
    messages_.clear();
    a->PasteText(QStringLiteral("X:4\nT:\u0141\u00F3d\u017A\nK:D\nf\n"));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].text.contains(QStringLiteral("Windows-1252")));
  }
};

QTEST_MAIN(TuneListTest)
#include "TuneListTest.moc"
