// Replace in the edit fields of forms: the "Replace" dialog, the modeless
// "Replacing" window and "No more occurrences", on each kind of edit field.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "gui/ShellTestSupport.h"
#include <functional>

#include "gui/app/CMinFormView.h"
#include "gui/app/Messages.h"
#include "gui/tunefile/FieldReplace.h"

using namespace tunora;

namespace {

// Runs action on the "Replace" dialog as soon as it shows.
void OnReplaceDialog(std::function<void(CReplaceDlg*)> action) {
  test::WhenModal([action](QWidget* w) {
    if (auto* dlg = qobject_cast<CReplaceDlg*>(w)) action(dlg);
  });
}

void Fill(CReplaceDlg* dlg, const QString& find, const QString& with, bool all) {
  dlg->FindEdit()->setText(find);
  dlg->ReplaceEdit()->setText(with);
  (all ? dlg->ReplaceAllButton() : dlg->ReplaceButton())->click();
}

}  // namespace

class ReplaceFieldTest : public QObject {
  Q_OBJECT

 private:
  QStringList messages_;

 private slots:
  void initTestCase() {
    SetMessageHandler([this](const MessageRequest& r) {
      messages_ << r.text;
      return MessageAnswer::kOk;
    });
    InstallFieldReplace();
  }

  void cleanup() {
    QTRY_VERIFY(CReplacingWnd::Running() == nullptr);
    messages_.clear();
    TheReplaceState().ignoreCase = false;
  }

  void selectionOnlyStaysInsideTheSelection() {
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("x one\nx two\nx three"));
    QTextCursor c(edit.document());
    c.setPosition(6);
    c.setPosition(11, QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
    edit.show();
    OnReplaceDialog([](CReplaceDlg* dlg) {
      QVERIFY(dlg->SelectionOnlyBox()->isEnabled());
      QVERIFY(dlg->SelectionOnlyBox()->isChecked());
      test::Shot(dlg, "replace-dialog");
      Fill(dlg, QStringLiteral("x"), QStringLiteral("yy"), true);
    });
    StartReplace(&edit);
    QTRY_COMPARE(messages_.size(), 1);
    QCOMPARE(edit.toPlainText(), QStringLiteral("x one\nyy two\nx three"));
  }

  void stepsThroughTheReplacingWindowFromTheEditCommand() {
    CMinFormView view(nullptr);
    auto* layout = new QVBoxLayout(&view);
    auto* edit = new QLineEdit(QStringLiteral("Kesh kesh KESH"), &view);
    auto* readOnly = new QLineEdit(QStringLiteral("fixed"), &view);
    readOnly->setReadOnly(true);
    layout->addSpacing(120);
    layout->addWidget(edit);
    layout->addWidget(readOnly);
    view.resize(400, 200);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    readOnly->setFocus();
    CommandState state;
    QVERIFY(view.EditFieldUpdate(CommandId::kEditReplace, state));
    QVERIFY(!state.enabled);
    edit->setFocus();
    QVERIFY(view.EditFieldUpdate(CommandId::kEditReplace, state));
    QVERIFY(state.enabled);
    edit->setCursorPosition(0);  // the search starts at the caret

    OnReplaceDialog([](CReplaceDlg* dlg) {
      dlg->IgnoreCaseBox()->setChecked(true);
      Fill(dlg, QStringLiteral("kesh"), QStringLiteral("Jig"), false);
    });
    QVERIFY(view.EditFieldCommand(CommandId::kEditReplace));
    QTRY_VERIFY(CReplacingWnd::Running() != nullptr);
    CReplacingWnd* wnd = CReplacingWnd::Running();
    QCOMPARE(wnd->windowTitle(), QStringLiteral("Replacing"));
    test::Shot(wnd, "replacing");
    QVERIFY(!wnd->isModal());
    // While a replace runs, no other can start.
    QVERIFY(!CanStartReplace(edit));
    // Its lower left corner sits at the field's upper left corner.
    QTRY_COMPARE(wnd->frameGeometry().bottomLeft() + QPoint(0, 1), edit->mapToGlobal(QPoint(0, 0)));
    QTRY_COMPARE(edit->selectedText(), QStringLiteral("Kesh"));
    wnd->NextButton()->click();  // skip the first
    QCOMPARE(edit->selectionStart(), 5);
    wnd->ReplaceButton()->click();
    QCOMPARE(edit->text(), QStringLiteral("Kesh Jig KESH"));
    QCOMPARE(edit->selectedText(), QStringLiteral("KESH"));
    wnd->QuitButton()->click();
    QTRY_VERIFY(CReplacingWnd::Running() == nullptr);
    QVERIFY(messages_.isEmpty());
    QCOMPARE(edit->text(), QStringLiteral("Kesh Jig KESH"));

    // The dialog offers the texts and the case choice of the last use.
    QString find;
    QString with;
    bool ignoreCase = false;
    OnReplaceDialog([&](CReplaceDlg* dlg) {
      find = dlg->FindEdit()->text();
      with = dlg->ReplaceEdit()->text();
      ignoreCase = dlg->IgnoreCaseBox()->isChecked();
      dlg->reject();
    });
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    edit->setFocus();
    QVERIFY(view.EditFieldCommand(CommandId::kEditReplace));
    QCOMPARE(find, QStringLiteral("kesh"));
    QCOMPARE(with, QStringLiteral("Jig"));
    QVERIFY(ignoreCase);
    QVERIFY(CReplacingWnd::Running() == nullptr);
  }

  void comboBoxEditField() {
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(QStringLiteral("%X %T %X"));
    combo.lineEdit()->setCursorPosition(0);
    combo.show();
    OnReplaceDialog(
        [](CReplaceDlg* dlg) { Fill(dlg, QStringLiteral("%X"), QStringLiteral("%x"), true); });
    StartReplace(&combo);
    QTRY_COMPARE(messages_.size(), 1);
    QCOMPARE(combo.currentText(), QStringLiteral("%x %T %x"));
  }

  void fieldClosedWhileReplacing() {
    QWidget host;
    auto* edit = new QLineEdit(QStringLiteral("aaa"), &host);
    host.show();
    OnReplaceDialog(
        [](CReplaceDlg* dlg) { Fill(dlg, QStringLiteral("a"), QStringLiteral("b"), false); });
    StartReplace(edit);
    QTRY_VERIFY(CReplacingWnd::Running() != nullptr);
    CReplacingWnd* wnd = CReplacingWnd::Running();
    delete edit;
    wnd->ReplaceButton()->click();
    QTRY_VERIFY(CReplacingWnd::Running() == nullptr);
    QVERIFY(!TheReplaceState().Running());
  }
};

QTEST_MAIN(ReplaceFieldTest)
#include "ReplaceFieldTest.moc"
