#include "gui/draw/CDrawDoc.h"

#include <QTimer>

#include "editor/SourceMap.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/draw/CDrawView.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/play/HeardNotes.h"
#include "gui/tunefile/CAbcDoc.h"
#include "tunefile/TuneFile.h"

namespace tunora {
namespace {

CDrawDoc* MakeDrawDoc() {
  CTunoraApp* app = CTunoraApp::Instance();
  const DocTemplate* t =
      app != nullptr ? app->Templates().FindById(CDrawDoc::kResourceId) : nullptr;
  if (t == nullptr) return nullptr;
  return qobject_cast<CDrawDoc*>(app->CreateDocument(*t));
}

bool ShowDrawDoc(CDrawDoc* doc) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app->ShowNewView(doc) == nullptr) {
    app->CloseDocument(doc);
    return false;
  }
  return true;
}

QString TitleOf(const DrawSource& source) {
  if (source.tunes.empty()) return QStringLiteral("Draw");
  const TuneRecord& first = source.tunes.front();
  QString title = first.titles.empty() ? QStringLiteral("X:%1").arg(first.number)
                                       : QString::fromUtf8(first.titles.front().c_str());
  if (source.tunes.size() > 1) title += QStringLiteral(" (+%1)").arg(source.tunes.size() - 1);
  return QStringLiteral("Draw - ") + title;
}

}  // namespace

CDrawDoc::CDrawDoc(QObject* parent) : CMinFormDoc(parent), followTimer_(new QTimer(this)) {
  followTimer_->setSingleShot(true);
  followTimer_->setInterval(kFollowDelay);
  connect(followTimer_, &QTimer::timeout, this, &CDrawDoc::RefreshFromEditor);
  connect(&HeardNotes::Instance(), &HeardNotes::Heard, this, &CDrawDoc::PlayerHeard);
  SetTitle(QStringLiteral("Draw"));
}

CDrawDoc::~CDrawDoc() = default;

CTuneDoc* CDrawDoc::Editor() const { return editor_.data(); }

CDrawView* CDrawDoc::View() const { return qobject_cast<CDrawView*>(FirstView()); }

void CDrawDoc::Init(CAbcDoc* file, DrawSource source, CTuneDoc* editor) {
  source_ = std::move(source);
  fileDoc_ = file;
  editor_ = editor;
  if (file != nullptr && file->File().headerText)
    source_.fileSymbols.LoadFromText(*file->File().headerText);
  if (file != nullptr && !source_.tunes.empty())
    bodyStart_ = CanonicalBodyStart(file->File(), source_.tunes.front());
  SetTitle(TitleOf(source_));
  if (editor != nullptr) ConnectEditor();
}

CDrawDoc* CDrawDoc::OpenOnTunes(CAbcDoc& file, const std::vector<int>& positions) {
  DrawSource source;
  for (int p : positions)
    if (const TuneRecord* t = file.File().TuneAt(p)) source.tunes.push_back(*t);
  if (source.tunes.empty()) return nullptr;
  CDrawDoc* doc = MakeDrawDoc();
  if (doc == nullptr) return nullptr;
  doc->Init(&file, std::move(source), nullptr);
  return ShowDrawDoc(doc) ? doc : nullptr;
}

CDrawDoc* CDrawDoc::FollowerOf(const CTuneDoc* editor) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr || editor == nullptr) return nullptr;
  for (CMinFormDoc* d : app->Documents())
    if (auto* draw = qobject_cast<CDrawDoc*>(d); draw && draw->Editor() == editor) return draw;
  return nullptr;
}

CDrawDoc* CDrawDoc::OpenForEditor(CTuneDoc& editor) {
  if (CDrawDoc* open = FollowerOf(&editor)) {
    open->RefreshFromEditor();
    open->ActivateFirstView();
    return open;
  }
  if (editor.FileDoc() == nullptr || editor.View() == nullptr) return nullptr;
  DrawSource source;
  source.tunes.emplace_back();
  TuneFile::ParseTune(source.tunes.back(), editor.View()->TuneText(), false);
  CDrawDoc* doc = MakeDrawDoc();
  if (doc == nullptr) return nullptr;
  doc->Init(editor.FileDoc(), std::move(source), &editor);
  return ShowDrawDoc(doc) ? doc : nullptr;
}

void CDrawDoc::ConnectEditor() {
  CTuneView* view = editor_ != nullptr ? editor_->View() : nullptr;
  if (view == nullptr) return;
  connect(view, &CTuneView::TextEdited, this, &CDrawDoc::StartFollowTimer);
  connect(view, &CTuneView::TuneCursorMoved, this, &CDrawDoc::EditorCursorMoved);
  // The drawing goes with its editor.
  connect(editor_, &QObject::destroyed, this, [this] {
    if (CTunoraApp* app = CTunoraApp::Instance()) app->CloseDocument(this);
  });
}

void CDrawDoc::StartFollowTimer() {
  if (following_) followTimer_->start();
}

void CDrawDoc::SetFollowing(bool on) {
  following_ = on;
  if (on) RefreshFromEditor();
}

void CDrawDoc::RefreshFromEditor() {
  CTuneView* view = editor_ != nullptr ? editor_->View() : nullptr;
  if (view == nullptr) return;
  DrawSource source;
  source.fileSymbols = std::move(source_.fileSymbols);
  source.tunes.emplace_back();
  TuneFile::ParseTune(source.tunes.back(), view->TuneText(), false);
  SetSource(std::move(source));
}

void CDrawDoc::SetSource(DrawSource source) {
  source_ = std::move(source);
  if (auto* file = qobject_cast<CAbcDoc*>(fileDoc_.data()); file && !source_.tunes.empty())
    bodyStart_ = CanonicalBodyStart(file->File(), source_.tunes.front());
  SetTitle(TitleOf(source_));
  emit SourceChanged();
}

std::optional<size_t> CDrawDoc::EditorCursorOffset() const {
  CTuneView* view = editor_ != nullptr ? editor_->View() : nullptr;
  // A drawing that no longer follows may show another text than the editor holds.
  if (view == nullptr || source_.tunes.empty() || !following_) return std::nullopt;
  return bodyStart_ + view->CursorBodyOffset();
}

bool CDrawDoc::SelectInEditor(int tune, int32_t begin, int32_t end) {
  CTuneView* view = editor_ != nullptr ? editor_->View() : nullptr;
  if (view == nullptr || !following_ || tune != 0 || source_.tunes.empty() || begin < 0)
    return false;
  auto range = CanonicalRangeToBody(bodyStart_, source_.tunes.front().body.size(),
                                    static_cast<size_t>(begin), static_cast<size_t>(end));
  if (!range) return false;
  view->SelectBodyRange(range->first, range->second);
  return true;
}

void CDrawDoc::PlayerHeard(const TuneRecord* tune, qint64 bodyOffset) {
  auto* file = qobject_cast<CAbcDoc*>(fileDoc_.data());
  if (tune != nullptr && bodyOffset >= 0 && file != nullptr) {
    for (size_t i = 0; i < source_.tunes.size(); ++i) {
      const TuneRecord& drawn = source_.tunes[i];
      if (drawn.number != tune->number || drawn.body != tune->body) continue;
      emit NoteHeard(static_cast<int>(i),
                     static_cast<int64_t>(CanonicalBodyStart(file->File(), drawn)) + bodyOffset);
      return;
    }
  }
  emit NoteHeard(-1, -1);
}

bool CDrawDoc::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kFilePrint: RunPrint(View(), source_); return true;
    case CommandId::kFilePrintPreview: RunPrintPreview(View(), source_); return true;
    default: return false;
  }
}

bool CDrawDoc::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kFilePrint:
    case CommandId::kFilePrintPreview: state.enabled = !source_.tunes.empty(); return true;
    default: return false;
  }
}

void RegisterDrawTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Draw");
  t.resourceId = CDrawDoc::kResourceId;
  t.standardFrame = true;
  t.createDocument = [] { return new CDrawDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CDrawView(static_cast<CDrawDoc*>(doc)); };
  registry.Register(std::move(t));
}

}  // namespace tunora
