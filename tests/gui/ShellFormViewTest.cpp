// The form-view base classes: minimum size, resize hooks, placement in the MDI
// area, the modified marker, the command route and dropped files.
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QVBoxLayout>
#include <QtTest>

#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/ShellTestSupport.h"

using namespace tunora;
using tunora::test::ProgramFolder;

namespace {

class FakeDoc : public CMinFormDoc {
 public:
  std::vector<CommandId> ran;
  bool OnCommand(CommandId id) override {
    if (id != CommandId::kTuneRenumber) return false;
    ran.push_back(id);
    return true;
  }
  bool OnUpdateCommand(CommandId id, CommandState& state) override {
    if (id != CommandId::kTuneRenumber) return false;
    state.enabled = true;
    return true;
  }
};

class FakeView : public CMinFormView {
 public:
  explicit FakeView(CMinFormDoc* doc) : CMinFormView(doc) {
    auto* layout = new QVBoxLayout(this);
    edit = new QLineEdit(this);
    layout->addWidget(edit);
  }
  QLineEdit* edit;
  QStringList sizes;
  std::vector<CommandId> ran;
  bool OnCommand(CommandId id) override {
    if (id != CommandId::kEditCopy && id != CommandId::kTuneEdit) return false;
    ran.push_back(id);
    return true;
  }
  bool OnUpdateCommand(CommandId id, CommandState& state) override {
    if (id != CommandId::kEditCopy && id != CommandId::kTuneEdit) return false;
    state.enabled = true;
    return true;
  }

 protected:
  void OnSizeBoth(const QSize&) override { sizes << "both"; }
  void OnSizeWidth(int) override { sizes << "width"; }
  void OnSizeHeight(int) override { sizes << "height"; }
};

struct Fixture {
  ProgramFolder home;
  CTunoraApp app;
  const DocTemplate* kind = nullptr;

  Fixture() {
    app.InitInstance({"--home", home.Dir(), "/s"});
    app.MainFrame()->resize(900, 650);
    DocTemplate t;
    t.name = "Fake";
    t.resourceId = 999;
    t.createDocument = [] { return new FakeDoc; };
    t.createView = [](CMinFormDoc* doc) { return new FakeView(doc); };
    app.Templates().Register(std::move(t));
    kind = app.Templates().FindById(999);
  }
  FakeView* Open(QSize form = QSize(240, 160)) {
    CMinFormDoc* doc = app.CreateDocument(*kind);
    doc->SetTitle("Fake1");
    auto* view = static_cast<FakeView*>(kind->createView(doc));
    view->SetFormSize(form);
    QMdiSubWindow* frame = app.MainFrame()->AddView(view);
    frame->show();
    view->OnInitialUpdate();
    app.MainFrame()->ActivateView(view);
    return view;
  }
};

}  // namespace

class ShellFormViewTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetMessageHandler({}); }

  void frameCannotShrinkBelowTheForm() {
    Fixture f;
    FakeView* view = f.Open(QSize(240, 160));
    auto* frame = qobject_cast<CMinFormMDIChild*>(view->Frame());
    QVERIFY(frame);
    QSize borders = frame->BorderSize();
    QVERIFY(borders.height() > 0);
    QCOMPARE(frame->minimumSize(), QSize(240, 160) + borders);
    frame->resize(50, 50);
    QVERIFY(view->width() >= 240 && view->height() >= 160);
  }

  void resizeHooksTellWhatChanged() {
    Fixture f;
    FakeView* view = f.Open();
    QMdiSubWindow* frame = view->Frame();
    frame->resize(500, 400);
    view->sizes.clear();
    frame->resize(520, 400);
    frame->resize(520, 420);
    frame->resize(540, 440);
    QCOMPARE(view->sizes.join(','), QStringLiteral("width,height,both"));
    QCOMPARE(view->ClientSize(), view->size());
  }

  void placementInsideAndInTheCorners() {
    Fixture f;
    FakeView* view = f.Open(QSize(200, 120));
    QMdiSubWindow* frame = view->Frame();
    QSize area = f.app.MainFrame()->MdiArea()->viewport()->size();
    frame->setGeometry(area.width() - 50, area.height() - 30, area.width() + 300, 5000);
    view->PlaceInsideClient();
    QRect r = frame->geometry();
    QVERIFY(r.left() >= 0 && r.top() >= 0);
    QVERIFY(r.right() < area.width() && r.bottom() < area.height());
    view->PlaceLowerLeft();
    QCOMPARE(frame->x(), 0);
    QCOMPARE(frame->geometry().bottom(), area.height() - 1);
    view->PlaceUpperRight();
    QCOMPARE(frame->y(), 0);
    QCOMPARE(frame->geometry().right(), area.width() - 1);
  }

  void modifiedMarkerFollowsTheFlag() {
    Fixture f;
    FakeView* view = f.Open();
    CMinFormDoc* doc = view->Document();
    doc->SetPathName("/tmp/Reels.abc");
    doc->SetModifiedFlag(true);
    QCOMPARE(doc->Title(), QStringLiteral("Reels.abc *"));
    QCOMPARE(view->Frame()->windowTitle(), QStringLiteral("Reels.abc *"));
    QCOMPARE(f.app.MainFrame()->windowTitle(), QStringLiteral("Tunora - [Reels.abc *]"));
    doc->SetModifiedFlag(true);
    QCOMPARE(doc->Title(), QStringLiteral("Reels.abc *"));
    doc->SetModifiedFlag(false);
    QCOMPARE(doc->Title(), QStringLiteral("Reels.abc"));
    doc->SetTitle("Star*");
    doc->SetModifiedFlag(true);
    QCOMPARE(doc->Title(), QStringLiteral("Star*"));
  }

  void commandsGoToTheEditFieldThenViewThenDocument() {
    Fixture f;
    FakeView* view = f.Open();
    auto* doc = static_cast<FakeDoc*>(view->Document());
    CMainFrame* frame = f.app.MainFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    view->edit->setText("hello");
    view->edit->setFocus();
    view->edit->selectAll();
    QTRY_VERIFY(QApplication::focusWidget() == view->edit);
    QVERIFY(frame->RunCommand(CommandId::kEditCopy));
    QVERIFY(view->ran.empty());  // the field copied
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hello"));
    view->setFocus();
    QApplication::processEvents();
    QVERIFY(frame->RunCommand(CommandId::kTuneEdit));
    QCOMPARE(view->ran.size(), size_t{1});
    QVERIFY(frame->RunCommand(CommandId::kTuneRenumber));
    QCOMPARE(doc->ran.size(), size_t{1});
    QVERIFY(!frame->RunCommand(CommandId::kTuneDraw));  // nobody draws yet
  }

  void closingAModifiedDocumentAsksAndCancelKeepsIt() {
    Fixture f;
    FakeView* view = f.Open();
    view->Document()->SetModifiedFlag(true);
    QString asked;
    SetMessageHandler([&](const MessageRequest& r) {
      asked = r.text;
      return MessageAnswer::kCancel;
    });
    QVERIFY(!view->Frame()->close());
    QCOMPARE(asked, QStringLiteral("Save changes to Fake1?"));
    QCOMPARE(f.app.Documents().size(), size_t{1});
    SetMessageHandler([](const MessageRequest&) { return MessageAnswer::kNo; });
    QVERIFY(view->Frame()->close());
    QTRY_COMPARE(f.app.Documents().size(), size_t{0});
  }

  void droppedFilesOpen() {
    Fixture f;
    QString file = f.home.CopySample("Dropped.abc");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QVERIFY(f.app.MainFrame()->acceptDrops());
    QCOMPARE(f.app.MainFrame()->OpenDroppedFiles(&mime), 1);
    QCOMPARE(f.app.Documents().size(), size_t{1});
    QCOMPARE(f.app.Documents()[0]->PathName(), file);
  }

  void pasteWithNoWindowMakesANewTuneFile() {
    Fixture f;
    QGuiApplication::clipboard()->setText("X:1\r\nT:Pasted\r\nK:G\r\nGABc|\r\n");
    f.app.MainFrame()->UpdateCommands();
    QVERIFY(f.app.MainFrame()->RunCommand(CommandId::kEditPaste));
    QCOMPARE(f.app.Documents().size(), size_t{1});
    QVERIFY(f.app.Documents()[0]->IsModified());
  }
};

QTEST_MAIN(ShellFormViewTest)
#include "ShellFormViewTest.moc"
