// List making in the running program: the Make List sheet filled from a list type
// with its prompt lines and checks, a run that reads an open window's unsaved
// changes and shows its output in the Found Files window, the list type editor's
// save rules and messages, Output Field, and the automation entry point.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "gui/ShellTestSupport.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/lists/CListEdit.h"
#include "gui/lists/CMakeListDlg.h"
#include "gui/lists/MakeListCommand.h"
#include "gui/search/CFindDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "lists/ListType.h"

using namespace tunora;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

}  // namespace

class MakeListWindowTest : public QObject {
  Q_OBJECT

 private:
  test::RunningProgram run_;
  QTemporaryDir& dir_ = run_.dir;
  std::unique_ptr<CTunoraApp>& app_ = run_.app;
  test::ScriptedMessages& script_ = run_.script;

  QString Home() const { return dir_.filePath(QStringLiteral("home")) + QLatin1Char('/'); }
  QString Tunes() const { return dir_.filePath(QStringLiteral("tunes")) + QLatin1Char('/'); }
  QString Out(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QStringList Told() const {
    QStringList texts;
    for (const MessageRequest& r : script_.messages) texts << r.text;
    return texts;
  }

 private slots:
  void initTestCase() {
    QDir(dir_.path()).mkpath(QStringLiteral("home/listcfg"));
    QDir(dir_.path()).mkpath(QStringLiteral("tunes/sub"));
    Write(Tunes() + "a.abc",
          "X:1\r\nT:Lark One\r\nR:jig\r\nK:D\r\nd|\r\n\r\n"
          "X:2\r\nT:Other\r\nR:reel\r\nK:D\r\nd|\r\n\r\n");
    Write(Tunes() + "sub/b.abc", "X:5\r\nT:Sky Lark\r\nR:jig\r\nK:D\r\nd|\r\n");
    // A list type whose match asks for a word, listed in the Found Files form.
    ListType found;
    found.listType = "Found form";
    found.file = "found.cfg";
    found.match = "T#[Title word]";
    found.outputFormat = "X:%X\r\nT:%#T\r\nF:%p%f\r\n";
    found.findWin = true;
    found.sortOrder = "T";
    found.changeOutFile = false;
    std::string error;
    QVERIFY(SaveListType(Home().toStdString(), found, error));
    ListType plain;
    plain.listType = "Plain";
    plain.file = "plain.cfg";
    plain.outputFormat = "%X %#T (%1k)\r\n";
    plain.outFile = Out("plain.txt").toStdString();
    QVERIFY(SaveListType(Home().toStdString(), plain, error));
    QVERIFY(SaveListRegistry(Home().toStdString(),
                             {{"Found form", "found.cfg"}, {"Plain", "plain.cfg"}}, error));
    QVERIFY(run_.Start(QSize(1000, 700)));
  }

  void cleanup() {
    for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(app_->Documents())) {
      doc->SetModifiedFlag(false);
      app_->CloseDocument(doc);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    script_.messages.clear();
    script_.answers.clear();
  }

  void cleanupTestCase() { run_.Stop(); }

  // The sheet takes the list type's texts and locks what it may not change; the
  // match's placeholder gives one prompt line; the checks come before the run; the
  // run reads the open window's unsaved title and lists into Found Files, whose
  // entries open their tunes although the list is sorted by title.
  void sheetRunsTheChosenListType() {
    auto* file = qobject_cast<CAbcDoc*>(app_->OpenDocumentFile(Tunes() + "a.abc"));
    QVERIFY(file);
    file->File().TuneAt(2)->titles[0] = "Unsaved Lark";
    file->SetModifiedFlag(true);

    CMakeListDlg sheet(app_->MainFrame());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Make List/Index/Etc"));
    QCOMPARE(sheet.TypeBox()->count(), 2);
    sheet.SelectType(0);
    QCOMPARE(sheet.MatchBox()->currentText(), QStringLiteral("T#[Title word]"));
    QVERIFY(!sheet.MatchBox()->isEnabled());
    QVERIFY(!sheet.SortBox()->isEnabled());
    QVERIFY(!sheet.OutputBox()->isEnabled());
    QCOMPARE(sheet.PromptCount(), 1);
    QCOMPARE(sheet.PromptLabel(0)->text(), QStringLiteral("Title word"));
    sheet.FilesBox()->setEditText(QString());
    QVERIFY(!sheet.Start());
    QCOMPARE(Told(), QStringList{QStringLiteral("You must enter abc file(s)")});

    sheet.FilesBox()->setEditText(Tunes() + "*.abc");
    sheet.SubdirBox()->setChecked(true);
    sheet.OutputBox()->setEditText(Out("found.txt"));
    sheet.PromptBox(0)->setText(QStringLiteral("lark"));
    sheet.show();
    test::Shot(&sheet, "make_list_sheet");
    QVERIFY(sheet.Start());
    CFindDoc* found = CFindDoc::First();
    QVERIFY(found);
    QStringList lines;
    for (int i = 0; i < found->LineCount(); ++i) lines << found->LineText(i);
    QCOMPARE(lines, (QStringList{Tunes() + "a.abc", "\t1 Lark One", Tunes() + "sub/b.abc",
                                 "\t5 Sky Lark", Tunes() + "a.abc", "\t2 Unsaved Lark"}));
    QCOMPARE(found->Request().match, std::string("T#[Title word]"));
    // An entry of the sorted list opens its own tune.
    QVERIFY(found->Activate(5, FoundAction::kGoTo));
    QCOMPARE(file->View()->CurrentLine(), 2);
  }

  void editorSaveRules() {
    CListEdit editor(-1, app_->MainFrame());
    auto* name = editor.findChild<QLineEdit*>(QStringLiteral("ListTypeName"));
    auto* file = editor.findChild<QLineEdit*>(QStringLiteral("FileName"));
    editor.accept();
    name->setText(QStringLiteral("Mine"));
    file->setText(QStringLiteral("my:list"));
    editor.accept();
    QCOMPARE(Told(),
             (QStringList{QStringLiteral("You must enter a list type and file name."),
                          QStringLiteral("File name may not contain one of\n\\/:*?\"<>|")}));
    QCOMPARE(editor.result(), int(QDialog::Rejected));

    // Saved: ".cfg" added, the file written, the registry rewritten.
    file->setText(QStringLiteral("plain"));
    editor.findChild<QPlainTextEdit*>(QStringLiteral("Information"))->setPlainText("Two\nlines");
    script_.answers = {MessageAnswer::kNo};
    editor.accept();
    QCOMPARE(Told().last(),
             QStringLiteral("A file with this name already exists.\nDo you want to overwrite it?"));
    QCOMPARE(editor.result(), int(QDialog::Rejected));  // No keeps the editor open
    file->setText(QStringLiteral("mine"));
    editor.accept();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    ListType saved;
    std::string error;
    QVERIFY(LoadListType(Home().toStdString(), "mine.cfg", saved, error));
    QCOMPARE(saved.information, std::string("Two\r\nlines"));
    QCOMPARE(LoadListRegistry(Home().toStdString()).back(), (ListTypeEntry{"Mine", "mine.cfg"}));
    QCOMPARE(LoadedListTypes().size(), size_t(3));

    // Delete, also deleting the file.
    CListEdit again(2, app_->MainFrame());
    QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("ListTypeName"))->text(),
             QStringLiteral("Mine"));
    script_.answers = {MessageAnswer::kYes};
    again.Delete();
    QVERIFY(!QFile::exists(Home() + "listcfg/mine.cfg"));
    QCOMPARE(LoadListRegistry(Home().toStdString()).size(), size_t(2));
  }

  void outputFieldIsInsertedAtTheCaret() {
    CListEdit editor(1, app_->MainFrame());
    auto* format = editor.findChild<QPlainTextEdit*>(QStringLiteral("OutputFormat"));
    QCOMPARE(format->toPlainText(), QStringLiteral("%X %#T (%1k)\n"));
    test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<COutputFieldDlg*>(modal);
      QVERIFY(dialog);
      dialog->FieldBox()->setCurrentIndex(dialog->FieldBox()->findData(QChar('X')));
      dialog->ZerosBox()->setChecked(true);
      dialog->MinBox()->setValue(3);
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("Code"))->text(), QStringLiteral("%03X"));
      dialog->accept();
    });
    editor.Pages()->setCurrentIndex(2);
    editor.show();
    test::Shot(&editor, "list_edit_output_page");
    QTextCursor c = format->textCursor();
    c.setPosition(3);
    format->setTextCursor(c);
    format->setFocus();
    editor.Page(2)->findChild<QPushButton*>(QStringLiteral("InsertField"))->click();
    QCOMPARE(format->toPlainText(), QStringLiteral("%X %03X%#T (%1k)\n"));
  }

  void automationMakesTheListWithoutTheSheet() {
    QVERIFY(!MakeListFromCommand("No such type", {}));
    QVERIFY(
        MakeListFromCommand("plain", {(Tunes() + "*.abc").toStdString(), "", "", "-", "s", "ans"}));
    QCOMPARE(ReadAll(Out("plain.txt")),
             QByteArray("1 Lark One (ans)\r\n2 Other (ans)\r\n5 Sky Lark (ans)\r\n"));
    QVERIFY(MakeListFromCommand(
        "PLAIN", {(Tunes() + "*.abc").toStdString(), Out("x.txt").toStdString(), "", "R=reel"}));
    QCOMPARE(ReadAll(Out("x.txt")), QByteArray("2 Other ()\r\n"));
  }

  // Stop in the "Making List" window asks first (No preselected); Yes ends the run
  // and leaves no output behind.
  void stopAsksAndLeavesNoOutput() {
    QTimer::singleShot(0, this, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<CMakingListDlg*>(w); window && window->isVisible())
          window->StopButton()->click();
    });
    script_.answers = {MessageAnswer::kYes};
    QVERIFY(MakeListFromCommand(
        "Plain", {(Tunes() + "*.abc").toStdString(), Out("stopped.txt").toStdString()}));
    QCOMPARE(script_.messages.size(), 1);
    QCOMPARE(script_.messages[0].text, QStringLiteral("Do you really want to stop list making?"));
    QVERIFY(script_.messages[0].defaultNo);
    QVERIFY(!QFile::exists(Out("stopped.txt")));
  }
};

QTEST_MAIN(MakeListWindowTest)
#include "MakeListWindowTest.moc"
