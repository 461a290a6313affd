#include "gui/tools/CToolDoc.h"

#include <QPlainTextEdit>
#include <QTimer>

#include "abc/AbcHeader.h"
#include "base/TextEncoding.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/tools/CToolView.h"
#include "gui/tunefile/CAbcDoc.h"
#include "play/StyleSet.h"
#include "tools/Chordwise.h"
#include "tunefile/TuneFile.h"

namespace tunora {

CToolDoc::CToolDoc(QObject* parent) : CMinFormDoc(parent) {}
CToolDoc::~CToolDoc() = default;

CToolDoc* CToolDoc::OpenFor(CTuneDoc* editor) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr || editor == nullptr) return nullptr;
  for (CMinFormDoc* doc : app->Documents()) {
    auto* tools = qobject_cast<CToolDoc*>(doc);
    if (tools != nullptr && tools->Editor() == editor) {
      tools->ActivateFirstView();
      return tools;
    }
  }
  const DocTemplate* t = app->Templates().FindById(kResourceId);
  if (t == nullptr) return nullptr;
  auto* doc = qobject_cast<CToolDoc*>(app->CreateDocument(*t));
  if (doc == nullptr) return nullptr;
  doc->Init(editor);
  if (app->ShowNewView(doc) == nullptr) {
    app->CloseDocument(doc);
    return nullptr;
  }
  return doc;
}

void CToolDoc::Init(CTuneDoc* editor) {
  editor_ = editor;
  // The window closes with its editor.
  connect(editor, &QObject::destroyed, this, [this] {
    QTimer::singleShot(0, this, [this] {
      if (CTunoraApp* app = CTunoraApp::Instance()) app->CloseDocument(this);
    });
  });
  connect(editor, &CMinFormDoc::TitleChanged, this, [this] { UpdateTitle(); });
  UpdateTitle();
}

void CToolDoc::UpdateTitle() {
  SetTitle(QStringLiteral("Tools - ") +
           (editor_ ? Editor()->PlainTitle() : QStringLiteral("(closed)")));
}

CTuneDoc* CToolDoc::Editor() const { return static_cast<CTuneDoc*>(editor_.data()); }

CToolView* CToolDoc::View() const { return qobject_cast<CToolView*>(FirstView()); }

CMinFormDoc* CToolDoc::TuneFileDocument() const {
  return editor_ ? editor_->TuneFileDocument() : nullptr;
}

const TuneRecord* CToolDoc::Tune() const { return editor_ ? editor_->Tune() : nullptr; }

bool CToolDoc::ReadEditor(Input& input, bool finishEditing) const {
  if (!editor_ || Editor()->View() == nullptr) return false;
  CTuneView* view = Editor()->View();
  if (finishEditing && !view->IsRaw() && view->EditingKind() != CTuneView::Editing::kNone) {
    if (view->EditingKind() == CTuneView::Editing::kChooser)
      view->CancelChooser();
    else
      view->EndEditing(0);
  }
  const std::string text = Editor()->View()->ToolTuneText(input.start, input.end);
  TuneFile::ParseTune(input.tune, text, false);
  return true;
}

QString CToolDoc::RangeText() const {
  if (!editor_ || Editor()->View() == nullptr)
    return QStringLiteral("no tune (the editor is closed)");
  const CTuneView* view = Editor()->View();
  return !view->IsRaw() && view->BodyBox()->textCursor().hasSelection()
             ? QStringLiteral("the selected part of the tune")
             : QStringLiteral("the whole tune");
}

std::string CToolDoc::KeyText() const {
  Input in;
  if (!ReadEditor(in) || !in.tune.HasField('K')) return "C";
  return in.tune.FieldText('K');
}

QString CToolDoc::UnitLengthText() const {
  Input in;
  if (!ReadEditor(in)) return QStringLiteral("1/8");
  if (in.tune.HasField('L') && !in.tune.FieldText('L').empty())
    return QString::fromStdString(in.tune.FieldText('L'));
  MeterInfo meter;
  ParseMeter(in.tune.FieldText('M'), meter, false, true);
  return QStringLiteral("1/%1").arg(kTicksPerWhole / DefaultUnitLength(meter));
}

QString CToolDoc::Shown(const std::string& bytes) const {
  const std::string lf = CrLfToLf(bytes);
  if (editor_ && Editor()->FileDoc() != nullptr) return Editor()->FileDoc()->ToDisplay(lf);
  return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

void CToolDoc::Show(const std::string& body) {
  result_ = Shown(body);
  emit ResultChanged();
}

bool CToolDoc::Rewrite(RewriteOptions options) {
  Input in;
  if (!ReadEditor(in, true)) return false;
  options.wholeBody = !in.Selected();
  options.rangeStart = in.start;
  options.rangeEnd = in.end;
  TuneRewriter rewriter(StyleSet::Application());
  if (CTunoraApp* app = CTunoraApp::Instance())
    rewriter.commonEqualsCut = app->GetSettings().midi.commonEqualsCut;
  const RewriteResult r = rewriter.Rewrite(TuneTextsOf(in.tune), options);
  QWidget* parent = View();
  if (!r.ok) {
    MessageWarning(parent, QString::fromStdString(r.message));
    return false;
  }
  std::vector<std::pair<char, std::string>> fields;
  if (r.keyText) fields.emplace_back('K', *r.keyText);
  if (r.unitLengthText) fields.emplace_back('L', *r.unitLengthText);
  Editor()->View()->ApplyToolResult(r.body, fields);
  Show(r.body);
  return true;
}

bool CToolDoc::SetChords(uint32_t strangeness, bool perBar, bool write) {
  Input in;
  if (!ReadEditor(in, true)) return false;
  CTunoraApp* app = CTunoraApp::Instance();
  const ChordwiseWeights weights =
      app != nullptr ? app->GetSettings().chordwise : ChordwiseWeights{};
  ChordwiseEngine engine(weights, StyleSet::Application().chordTypes, strangeness);
  if (app != nullptr) engine.commonEqualsCut = app->GetSettings().midi.commonEqualsCut;
  engine.perBar = perBar;
  engine.writeChords = write;
  std::string body = in.tune.body;
  std::string message;
  const bool ok = engine.Run(TuneTextsOf(in.tune), body, message);
  // Chord symbols removed before a reading error stay removed.
  if (body != in.tune.body) Editor()->View()->ApplyToolResult(body, {});
  Show(body);
  if (!ok) MessageError(View(), QString::fromStdString(message));
  return ok;
}

QString CToolDoc::ViewChords() const {
  Input in;
  if (!ReadEditor(in)) return {};
  std::string text = ViewChordsText(in.tune.titles.empty() ? std::string() : in.tune.titles.front(),
                                    TuneTextsOf(in.tune), StyleSet::Application());
  return Shown(text);
}

void CToolDoc::ShowChords() {
  result_ = ViewChords();
  emit ResultChanged();
}

void RegisterToolTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Tools");
  t.resourceId = CToolDoc::kResourceId;
  t.createDocument = [] { return new CToolDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CToolView(static_cast<CToolDoc*>(doc)); };
  registry.Register(std::move(t));
}

}  // namespace tunora
