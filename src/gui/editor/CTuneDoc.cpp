#include "gui/editor/CTuneDoc.h"

#include <QDialog>
#include <QPlainTextEdit>

#include "app/Settings.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/editor/CTuneView.h"
#include "gui/tools/CToolDoc.h"
#include "gui/editor/EditorDialogs.h"
#include "gui/draw/CDrawDoc.h"
#include "gui/play/PlayRequest.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TuneListModel.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TuneFile.h"

namespace tunora {

namespace {

// The error list of the last play started from an editor, for the whole program.
struct ErrorMemory {
  QPointer<CTuneDoc> editor;
  ErrorCursor cursor;
};

ErrorMemory& Memory() {
  static ErrorMemory memory;
  return memory;
}

// The list goes with the editor it belongs to.
void ForgetErrorsOf(const CTuneDoc* editor) {
  if (Memory().editor != editor) return;
  Memory().editor = nullptr;
  Memory().cursor.Clear();
}

bool HasErrors(const CTuneDoc* editor) {
  return Memory().editor == editor && !Memory().cursor.Empty();
}

}  // namespace

CTuneDoc::CTuneDoc(QObject* parent) : CMinFormDoc(parent) {
  if (CTunoraApp* app = CTunoraApp::Instance())
    connect(app, &CTunoraApp::SettingsChanged, this, &CTuneDoc::UpdateTitle);
}

CTuneDoc::~CTuneDoc() { ForgetErrorsOf(this); }

void CTuneDoc::Init(CAbcDoc* fileDoc, TuneRecord* tune, bool raw) {
  fileDoc_ = fileDoc;
  tune_ = tune;
  raw_ = raw;
  if (fileDoc != nullptr) {
    // The title follows the file's name (%f) and its list lines (renumbering).
    connect(fileDoc, &CMinFormDoc::TitleChanged, this, &CTuneDoc::UpdateTitle);
    connect(&fileDoc->Model(), &QAbstractItemModel::dataChanged, this, &CTuneDoc::UpdateTitle);
    // The tune goes with its file; so does its editor.
    connect(fileDoc, &QObject::destroyed, this, [this] {
      tune_ = nullptr;
      if (CTunoraApp* app = CTunoraApp::Instance()) app->CloseDocument(this);
    });
  }
  UpdateTitle();
}

CTuneView* CTuneDoc::View() const {
  for (CMinFormView* v : Views())
    if (auto* view = qobject_cast<CTuneView*>(v)) return view;
  return nullptr;
}

CMinFormDoc* CTuneDoc::TuneFileDocument() const { return fileDoc_.data(); }

int CTuneDoc::Position() const {
  if (fileDoc_ == nullptr || tune_ == nullptr) return 0;
  return fileDoc_->File().PositionOf(*tune_);
}

void CTuneDoc::SwitchToRaw() {
  if (raw_) return;
  raw_ = true;
  if (CTuneView* view = View()) view->SwitchToRaw();
}

void CTuneDoc::UpdateTitle() {
  if (tune_ == nullptr || fileDoc_ == nullptr) return;
  const Settings& s = CAbcDoc::CurrentSettings();
  std::string bytes = ExpandFormat(s.preferences.edittitleFormat, tune_, -1, FormatOptions{},
                                   &CAbcDoc::CurrentFormatEnv());
  QString title = fileDoc_->ToDisplay(bytes);
  // Several titles (%T) share the one caption line.
  title.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
      .replace(QLatin1Char('\n'), QLatin1Char(' '));
  title = title.trimmed();
  if (title.isEmpty()) title = QStringLiteral("Tune");
  SetTitle(IsModified() ? title + QStringLiteral(" *") : title);
}

QString CTuneDoc::CloseQuestion(const QString& title) {
  return QStringLiteral("You have made changes to the tune.\nDo you want to save these changes?") +
         QStringLiteral("\n\n") + title;
}

QString CTuneDoc::FormTitle() const {
  CTuneView* view = View();
  if (view == nullptr || view->IsRaw() || fileDoc_ == nullptr) return {};
  const TuneForm& form = view->Form();
  int t = form.IndexOf('T');
  if (t < 0) return {};
  QString title = fileDoc_->ToDisplay(form.lines[static_cast<size_t>(t)].value);
  return title.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
}

QString CTuneDoc::SavedTitle() const {
  if (fileDoc_ == nullptr || tune_ == nullptr || tune_->titles.empty()) return {};
  return fileDoc_->ToDisplay(tune_->titles.front()).remove(QLatin1Char('\r'));
}

// --- saving ----------------------------------------------------------------------------------

bool CTuneDoc::SaveTune() {
  CTuneView* view = View();
  if (view == nullptr || fileDoc_ == nullptr || tune_ == nullptr) return false;
  view->EndEditing(0);
  size_t lost = 0;
  std::string text = view->TuneText(&lost);
  view->WarnUnmappable(lost);
  // The text after the tune is no part of the form; it stays with the tune,
  // and so does the empty line that keeps the next tune apart.
  std::optional<std::string> after = tune_->afterText;
  // The loaded bytes stay: a tune stored unchanged is still saved as it was read.
  std::string loaded = std::move(tune_->loaded);
  TuneFile::ParseTune(*tune_, text, false);
  tune_->afterText = after.has_value() && !after->empty() ? *after : std::string("\r\n");
  tune_->loaded = std::move(loaded);
  fileDoc_->SetModifiedFlag(true);
  if (CAbcDoc::CurrentSettings().preferences.saveTuneFileAlso) fileDoc_->DoFileSave();
  if (fileDoc_ == nullptr) return false;
  int position = Position();
  if (position > 0) {
    fileDoc_->Model().RefreshLine(position);
    if (CAbcView* list = fileDoc_->View()) list->SelectLine(position);
  }
  view->MarkSaved();
  SetModifiedFlag(false);
  UpdateTitle();
  return true;
}

bool CTuneDoc::SaveTuneAs() {
  CTuneView* view = View();
  if (view == nullptr || fileDoc_ == nullptr || tune_ == nullptr) return false;
  view->EndEditing(0);
  QString number = QString::number(tune_->number);
  QString title;
  if (!view->IsRaw()) {
    const TuneForm& form = view->Form();
    if (int x = form.IndexOf('X'); x >= 0)
      number = QString::fromStdString(form.lines[static_cast<size_t>(x)].value);
    title = FormTitle();
  } else {
    title = SavedTitle();
  }
  CSaveTuneAsDlg dialog(view, number, title);
  if (dialog.exec() != QDialog::Accepted) return false;
  return SaveTuneAsNumber(dialog.Number());
}

bool CTuneDoc::SaveTuneAsNumber(const QString& number) {
  CTuneView* view = View();
  if (view == nullptr || fileDoc_ == nullptr || tune_ == nullptr) return false;
  std::string x = number.trimmed().toStdString();
  if (!CleanFieldValue('X', x)) return false;
  view->EndEditing(0);
  view->SetField('X', x, false);
  int after = Position();
  TuneRecord* added = fileDoc_->InsertTuneText(after, view->TuneText());
  if (added == nullptr) return false;
  // From now on the new tune is edited; the old one keeps its last saved state.
  tune_ = added;
  return SaveTune();
}

bool CTuneDoc::SaveModified() {
  // A value still in its field editor counts as typed.
  if (CTuneView* view = View()) view->EndEditing(0);
  if (!IsModified()) return true;
  QString title = FormTitle();
  if (title.isEmpty()) title = SavedTitle();
  switch (AskYesNoCancel(View(), CloseQuestion(title))) {
    case MessageAnswer::kYes: return SaveTune();
    case MessageAnswer::kNo: return true;
    default: return false;
  }
}

void CTuneDoc::TuneNumberChanged() {
  CTuneView* view = View();
  if (view == nullptr || tune_ == nullptr) return;
  // The new number is already the file's: it changes no edit of the user's.
  const bool modified = IsModified();
  view->EndEditing(0);
  view->SetField('X', std::to_string(tune_->number), false);
  if (!modified) {
    view->MarkSaved();
    SetModifiedFlag(false);
  }
  UpdateTitle();
}

void CTuneDoc::OnCloseDocument() {
  ForgetErrorsOf(this);
  // The tools windows on this tune go with their editor.
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr || fileDoc_ == nullptr || tune_ == nullptr) return;
  for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(app->Documents())) {
    if (doc != this && doc->TuneFileDocument() == fileDoc_ && doc->Tune() == tune_ &&
        doc->GuardsTuneFile() && !doc->IsTuneEditor())
      app->CloseDocument(doc);
  }
}

// --- play and errors -----------------------------------------------------------------------------

void CTuneDoc::Play(bool now) {
  CTuneView* view = View();
  if (view == nullptr || fileDoc_ == nullptr) return;
  view->EndEditing(0);
  PlayRequest request;
  request.fileHeader = fileDoc_->File().headerText.value_or(std::string());
  request.tuneText = view->TuneText();
  request.now = now;
  QPointer<CTuneDoc> self(this);
  request.onErrors = [self](const std::string& list) {
    if (self != nullptr) self->RememberErrors(list);
  };
  RequestPlay(request);
}

void CTuneDoc::PrintTune(bool preview) {
  CTuneView* view = View();
  if (view == nullptr || fileDoc_ == nullptr) return;
  view->EndEditing(0);
  DrawSource source;
  source.tunes.emplace_back();
  TuneFile::ParseTune(source.tunes.back(), view->TuneText(), false);
  if (fileDoc_->File().headerText) source.fileSymbols.LoadFromText(*fileDoc_->File().headerText);
  if (preview)
    RunPrintPreview(view, source);
  else
    RunPrint(view, source);
}

void CTuneDoc::RememberErrors(const std::string& list) {
  Memory().editor = this;
  Memory().cursor.Set(list);
}

CTuneDoc* CTuneDoc::ErrorEditor() { return Memory().editor.data(); }

ErrorCursor& CTuneDoc::Errors() { return Memory().cursor; }

bool CTuneDoc::HasNextError() const { return Memory().editor == this && !Memory().cursor.AtEnd(); }

bool CTuneDoc::NextError() {
  if (!HasNextError()) return false;
  std::optional<size_t> offset = Memory().cursor.Next();
  CTuneView* view = View();
  if (!offset || view == nullptr) return false;
  view->SelectBodyOffset(*offset);
  return true;
}

bool CTuneDoc::ShowErrors() {
  if (!HasErrors(this)) return false;
  ShowAbcErrors(View(), Memory().cursor.List());
  return true;
}

// --- commands ------------------------------------------------------------------------------------

bool CTuneDoc::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kFileSave: SaveTune(); return true;
    case CommandId::kFileSaveTuneAs: SaveTuneAs(); return true;
    case CommandId::kTunePlay: Play(false); return true;
    case CommandId::kTunePlayNow: Play(true); return true;
    case CommandId::kTuneDraw: CDrawDoc::OpenForEditor(*this); return true;
    case CommandId::kFilePrint:
    case CommandId::kFilePrintPreview: PrintTune(id == CommandId::kFilePrintPreview); return true;
    case CommandId::kTuneNextError: NextError(); return true;
    case CommandId::kTuneShowErrors: ShowErrors(); return true;
    case CommandId::kTuneTools: CToolDoc::OpenFor(this); return true;
    default: return false;
  }
}

bool CTuneDoc::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kFileSave:
    case CommandId::kFileSaveTuneAs:
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow:
    case CommandId::kTuneTools:
    case CommandId::kTuneDraw:
    case CommandId::kFilePrint:
    case CommandId::kFilePrintPreview:
      state.enabled = fileDoc_ != nullptr && tune_ != nullptr;
      return true;
    case CommandId::kFileSaveAs: state.enabled = false; return true;
    case CommandId::kTuneNextError: state.enabled = HasNextError(); return true;
    case CommandId::kTuneShowErrors: state.enabled = HasErrors(this); return true;
    default: return false;
  }
}

}  // namespace tunora
