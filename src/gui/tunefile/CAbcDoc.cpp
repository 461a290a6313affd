#include "gui/tunefile/CAbcDoc.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStatusBar>
#include <algorithm>
#include <optional>

#include "base/FileIO.h"
#include "app/Settings.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/draw/CDrawDoc.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/import/ImportCommand.h"
#include "gui/play/PlayRequest.h"
#include "gui/tools/CToolDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "gui/tunefile/TextDialogs.h"
#include "gui/tunefile/TuneListModel.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/ListLogic.h"

namespace tunora {

namespace {

const QString kOpenForEditing =
    QStringLiteral("This tune is open for editing. Please close it first.");

CAbcDoc::TuneEditorOpener& Opener() {
  static CAbcDoc::TuneEditorOpener opener;
  return opener;
}

TuneFileOptions CurrentOptions() {
  if (CTunoraApp* app = CTunoraApp::Instance()) return app->GetTuneFileOptions();
  return TuneFileOptions{};
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Play and Play Now: the current tune with the file header, in the player window.
void PlayCurrentTune(const TuneFile& file, int line, bool now) {
  const TuneRecord* tune = file.TuneAt(line);
  if (tune == nullptr) return;
  PlayRequest request;
  request.fileHeader = file.headerText.value_or(std::string());
  request.tuneText = file.WriteTune(*tune, false);
  request.now = now;
  RequestPlay(request);
}

}  // namespace

void CAbcDoc::SetTuneEditorOpener(TuneEditorOpener opener) { Opener() = std::move(opener); }

const Settings& CAbcDoc::CurrentSettings() {
  if (CTunoraApp* app = CTunoraApp::Instance()) return app->GetSettings();
  static const Settings defaults;
  return defaults;
}

const FormatEnv& CAbcDoc::CurrentFormatEnv() {
  if (CTunoraApp* app = CTunoraApp::Instance()) return app->GetFormatEnv();
  static const FormatEnv defaults;
  return defaults;
}

CAbcDoc::CAbcDoc(QObject* parent)
    : CMinFormDoc(parent),
      file_(std::make_unique<TuneFile>(CurrentOptions())),
      model_(std::make_unique<TuneListModel>(this)) {
  model_->Fill();
  if (CTunoraApp* app = CTunoraApp::Instance())
    connect(app, &CTunoraApp::SettingsChanged, this, &CAbcDoc::ApplySettings);
}

CAbcDoc::~CAbcDoc() = default;

CAbcView* CAbcDoc::View() const {
  for (CMinFormView* v : Views())
    if (auto* view = qobject_cast<CAbcView*>(v)) return view;
  return nullptr;
}

// --- text ----------------------------------------------------------------------------

QString CAbcDoc::ToDisplay(std::string_view bytes) const {
  std::string utf8 = DecodeText(bytes, encoding_);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string CAbcDoc::FromDisplay(const QString& text) const {
  size_t unmappable = 0;
  QByteArray utf8 = text.toUtf8();
  std::string bytes = EncodeText(
      std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), encoding_, &unmappable);
  WarnUnmappable(unmappable);
  return bytes;
}

void CAbcDoc::WarnUnmappable(size_t count) const {
  if (count == 0) return;
  MessageWarning(View(), QStringLiteral("%1 characters cannot be stored in this file, which is "
                                        "written in the Windows-1252 character set; they were "
                                        "replaced by \"?\".")
                             .arg(count));
}

std::string CAbcDoc::LineUtf8(int line) const {
  const Settings& s = CurrentSettings();
  if (line == 0) return DecodeText(s.preferences.preftextFormat, TextEncoding::kUtf8);
  const TuneRecord* tune = file_->TuneAt(line);
  if (tune == nullptr) return {};
  FormatOptions options;
  options.readEscapes = true;
  std::string bytes =
      ExpandFormat(s.preferences.tunelistFormat, tune, -1, options, &CurrentFormatEnv());
  return DecodeText(bytes, encoding_);
}

// --- life cycle ------------------------------------------------------------------------

bool CAbcDoc::OnNewDocument() {
  const Settings& s = CurrentSettings();
  file_->ClearAll();
  file_->Options() = CurrentOptions();
  file_->name.clear();
  encoding_ = ChooseFileEncoding(s.templateText, file_->Options().convertTeX);
  if (!s.templateText.empty()) file_->ParseFileHeader(s.templateText);
  model_->Fill();
  SetModifiedFlag(false);
  return true;
}

bool CAbcDoc::LoadFile(const QString& path, QString& error) {
  std::string local = LocalPath(path);
  std::string bytes;
  std::string message;
  if (!ReadWholeFile(local, bytes, message)) {
    error = QString::fromStdString(message);
    return false;
  }
  file_->Options() = CurrentOptions();
  if (!file_->Load(local, message)) {
    error = QString::fromStdString(message);
    return false;
  }
  encoding_ = ChooseFileEncoding(bytes, file_->Options().convertTeX);
  return true;
}

bool CAbcDoc::OnOpenDocument(const QString& path) {
  QString error;
  if (!LoadFile(path, error)) {
    MessageError(nullptr, QStringLiteral("Cannot open the file %1.\n%2").arg(path, error));
    return false;
  }
  SetPathName(path);
  SetModifiedFlag(false);
  model_->Fill();
  return true;
}

bool CAbcDoc::OnSaveDocument(const QString& path) {
  std::string error;
  if (!file_->Save(LocalPath(path), error)) {
    MessageError(
        View(),
        QStringLiteral("Cannot save the file %1.\n%2").arg(path, QString::fromStdString(error)));
    return false;
  }
  file_->name = LocalPath(path);
  SetModifiedFlag(false);
  return true;
}

bool CAbcDoc::DoFileSave() {
  QFileInfo info(PathName());
  if (!PathName().isEmpty() && info.exists() && info.isWritable())
    return OnSaveDocument(PathName());
  return DoSaveAs();
}

bool CAbcDoc::DoSaveAs() {
  QByteArray title = Title().toUtf8();
  QByteArray path = PathName().toUtf8();
  QString offered = QString::fromStdString(
      SaveAsSuggestion(std::string_view(path.constData(), static_cast<size_t>(path.size())),
                       std::string_view(title.constData(), static_cast<size_t>(title.size()))));
  QString filter = Template() && !Template()->filter.isEmpty()
                       ? Template()->filter + QStringLiteral(";;All Files (*)")
                       : QStringLiteral("Abc Files (*.abc);;All Files (*)");
  QString chosen =
      CLarkFileDialog::GetSaveFileName(View(), QStringLiteral("Save As"), offered, filter);
  if (chosen.isEmpty()) return false;
  if (!OnSaveDocument(chosen)) return false;
  SetPathName(chosen);
  return true;
}

bool CAbcDoc::CanCloseDocument() {
  CTunoraApp* app = CTunoraApp::Instance();
  bool frameClosing = app && app->MainFrame() && app->MainFrame()->IsClosing();
  if (!frameClosing && !CloseGuard()) return false;
  return SaveModified();
}

// --- windows on the tunes of this file -------------------------------------------------

CMinFormDoc* CAbcDoc::EditorOf(const TuneRecord& tune) const {
  for (CMinFormDoc* d : DocumentsOnMyTunes())
    if (d->IsTuneEditor() && d->Tune() == &tune) return d;
  return nullptr;
}

bool CAbcDoc::IsTuneOpenInEditor(const TuneRecord& tune) const { return EditorOf(tune) != nullptr; }

void CAbcDoc::ShowOpenForEditing(const TuneRecord* tune) {
  MessageWarning(View(), kOpenForEditing);
  if (tune != nullptr)
    if (CMinFormDoc* editor = EditorOf(*tune)) editor->ActivateFirstView();
}

bool CAbcDoc::CloseGuard() {
  std::vector<CMinFormDoc*> open;
  for (CMinFormDoc* d : DocumentsOnMyTunes())
    if (d->GuardsTuneFile()) open.push_back(d);
  if (open.empty()) return true;
  switch (AskCloseGuard(View())) {
    case CloseGuardChoice::kGoToFirst: open.front()->ActivateFirstView(); return false;
    case CloseGuardChoice::kCloseAll:
      // Each window asks its own questions (unsaved changes) once.
      for (CMinFormDoc* d : open) {
        for (CMinFormView* v : std::vector<CMinFormView*>(d->Views()))
          if (!CloseViewFrame(v)) return false;
      }
      return true;
    case CloseGuardChoice::kCancel: break;
  }
  return false;
}

// --- commands -----------------------------------------------------------------------------

int CAbcDoc::CurrentLine() const {
  CAbcView* view = View();
  return view ? std::max(view->CurrentLine(), 0) : 0;
}

std::vector<int> CAbcDoc::SelectedTunes() const {
  std::vector<int> tunes;
  if (CAbcView* view = View())
    for (int line : view->SelectedLines())
      if (line > 0) tunes.push_back(line);
  return tunes;
}

bool CAbcDoc::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kFileSave: DoFileSave(); return true;
    case CommandId::kFileSaveAs: DoSaveAs(); return true;
    case CommandId::kFileReload: Reload(); return true;
    case CommandId::kEditUndo: Undo(); return true;
    case CommandId::kEditRedo: Redo(); return true;
    case CommandId::kEditCut: RemoveSelected(true); return true;
    case CommandId::kEditCopy: Copy(); return true;
    case CommandId::kEditPaste: Paste(); return true;
    case CommandId::kEditDelete: RemoveSelected(false); return true;
    case CommandId::kEditSelectAll:
      if (CAbcView* view = View()) view->SelectAllLines();
      return true;
    case CommandId::kTuneEdit: Edit(false); return true;
    case CommandId::kTuneRawEdit: Edit(true); return true;
    case CommandId::kTuneInsert: InsertTune(); return true;
    case CommandId::kTuneTextAfter: TextAfterTune(); return true;
    case CommandId::kTuneRenumber: Renumber(); return true;
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow:
      PlayCurrentTune(*file_, CurrentLine(), id == CommandId::kTunePlayNow);
      return true;
    case CommandId::kFileImportBww:
    case CommandId::kFileImportBgp:
    case CommandId::kFileImportSongWright: RunImportCommand(*this, id); return true;
    case CommandId::kTuneTools:
      // The tools work on a tune editor: the tune's editor opens first.
      if (TuneRecord* tune = file_->TuneAt(CurrentLine()); tune != nullptr && Opener()) {
        Opener()(*this, CurrentLine(), false);
        CToolDoc::OpenFor(qobject_cast<CTuneDoc*>(EditorOf(*tune)));
      }
      return true;
    case CommandId::kTuneDraw:
    case CommandId::kFilePrint:
    case CommandId::kFilePrintPreview: DrawOrPrintTunes(id); return true;
    default: return false;
  }
}

bool CAbcDoc::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kFileSave:
    case CommandId::kFileSaveAs:
    case CommandId::kEditSelectAll:
    case CommandId::kTuneEdit:
    case CommandId::kTuneRawEdit:
    case CommandId::kTuneInsert:
    case CommandId::kFileImportBww:
    case CommandId::kFileImportBgp:
    case CommandId::kFileImportSongWright: state.enabled = true; return true;
    case CommandId::kFileReload: state.enabled = !PathName().isEmpty(); return true;
    case CommandId::kEditUndo:
      state.enabled = file_->CanUndo();
      if (state.enabled) state.text = "&Undo " + file_->History().UndoName();
      return true;
    case CommandId::kEditRedo:
      state.enabled = file_->CanRedo();
      if (state.enabled) state.text = "&Redo " + file_->History().RedoName();
      return true;
    case CommandId::kEditCut:
    case CommandId::kEditCopy:
    case CommandId::kEditDelete:
      state.enabled = View() != nullptr && View()->HasSelectedTune();
      return true;
    case CommandId::kEditPaste:
      state.enabled = !QGuiApplication::clipboard()->text().isEmpty();
      return true;
    case CommandId::kTuneTextAfter: state.enabled = CurrentLine() > 0; return true;
    case CommandId::kTuneRenumber: state.enabled = file_->TuneCount() > 0; return true;
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow:
    case CommandId::kTuneTools: state.enabled = CurrentLine() > 0; return true;
    case CommandId::kTuneDraw:
    case CommandId::kFilePrint:
    case CommandId::kFilePrintPreview:
      state.enabled = CurrentLine() > 0 || !SelectedTunes().empty();
      return true;
    default: return false;
  }
}

// Draw, Print and Print Preview: the selected tunes (or the current one) one after
// another.
void CAbcDoc::DrawOrPrintTunes(CommandId id) {
  std::vector<int> tunes = SelectedTunes();
  if (tunes.empty() && CurrentLine() > 0) tunes.push_back(CurrentLine());
  if (tunes.empty()) return;
  if (id == CommandId::kTuneDraw) {
    CDrawDoc::OpenOnTunes(*this, tunes);
    return;
  }
  DrawSource source;
  for (int p : tunes)
    if (const TuneRecord* t = file_->TuneAt(p)) source.tunes.push_back(*t);
  if (file_->headerText) source.fileSymbols.LoadFromText(*file_->headerText);
  if (id == CommandId::kFilePrint)
    RunPrint(View(), source);
  else
    RunPrintPreview(View(), source);
}

void CAbcDoc::Edit(bool raw) {
  int line = CurrentLine();
  if (line <= 0 || file_->TuneAt(line) == nullptr) {
    EditHeader();
    return;
  }
  raw = raw || CurrentSettings().preferences.rawEditDefault;
  if (Opener()) {
    Opener()(*this, line, raw);
  } else {
    EditTuneText(line);
  }
}

void CAbcDoc::EditHeader() {
  QString before = ToDisplay(CrLfToLf(file_->headerText.value_or(std::string())));
  QString after;
  if (!EditText(View(), Title() + QStringLiteral(" [preface text]"), before, after)) return;
  // Unchanged text leaves the header as it is, blank lines included.
  if (after == before) return;
  file_->SetHeaderFromDialog(FromDisplay(after));
  SetModifiedFlag();
}

void CAbcDoc::EditTuneText(int position) {
  TuneRecord* tune = file_->TuneAt(position);
  if (tune == nullptr) return;
  QString before = ToDisplay(CrLfToLf(file_->WriteTune(*tune, false)));
  QString after;
  QString caption = Title() + QStringLiteral(" - ") + model_->LineText(position);
  if (!EditText(View(), caption, before, after) || after == before) return;
  // The text is read as the file would be read, so what follows an empty line
  // stays the text after the tune.
  TuneFile::ParseTune(*tune, LfToCrLf(FromDisplay(after)), true);
  model_->RefreshLine(position);
  SetModifiedFlag();
}

void CAbcDoc::AfterInsert(int after, int count) {
  if (count <= 0) return;
  model_->InsertLines(after + 1, count);
  emit LinesInserted(after + 1, after + count);
}

void CAbcDoc::InsertTune() {
  int after = CurrentLine();
  if (file_->InsertTune(after) == nullptr) return;
  AfterInsert(after, 1);
  SetModifiedFlag();
  Edit(false);
}

void CAbcDoc::TextAfterTune() {
  int line = CurrentLine();
  TuneRecord* tune = file_->TuneAt(line);
  if (tune == nullptr) return;
  QString before = ToDisplay(CrLfToLf(tune->afterText.value_or(std::string())));
  QString after;
  if (!EditText(View(), Title() + QStringLiteral(" - Text after Tune"), before, after)) return;
  if (after == before) return;
  if (file_->SetAfterText(line, FromDisplay(after))) SetModifiedFlag();
}

void CAbcDoc::Copy() {
  std::vector<int> tunes = SelectedTunes();
  if (tunes.empty()) return;
  QGuiApplication::clipboard()->setText(ToDisplay(CrLfToLf(file_->CopyText(tunes))));
}

void CAbcDoc::RemoveSelected(bool cut) {
  std::vector<int> tunes = SelectedTunes();
  if (tunes.empty()) return;
  const PreferenceSettings& p = CurrentSettings().preferences;
  std::string question = RemoveQuestion(static_cast<int>(tunes.size()), p.askCut, p.askCutMulti,
                                        LineUtf8(tunes.front()));
  if (!question.empty() && !AskYesNo(View(), QString::fromStdString(question))) return;
  if (cut) Copy();
  UndoStep step(*file_, cut ? "Cut" : "Delete");
  RemoveTunes(tunes);
}

int CAbcDoc::RemoveTunes(const std::vector<int>& positions) {
  std::vector<const TuneRecord*> refusedTunes;
  DeleteResult result = file_->DeleteTunes(positions, [&](const TuneRecord& t) {
    if (!IsTuneOpenInEditor(t)) return false;
    refusedTunes.push_back(&t);
    return true;
  });
  std::vector<int> removed;
  for (int p : positions)
    if (std::find(result.refused.begin(), result.refused.end(), p) == result.refused.end())
      removed.push_back(p);
  model_->RemoveLines(removed);
  if (!removed.empty()) {
    if (CAbcView* view = View()) view->SelectLine(std::max(removed.front() - 1, 0));
    SetModifiedFlag();
  }
  for (const TuneRecord* t : refusedTunes) ShowOpenForEditing(t);
  return result.removed;
}

void CAbcDoc::Paste() { PasteText(QGuiApplication::clipboard()->text()); }

int CAbcDoc::PasteText(const QString& text) {
  if (text.isEmpty()) return 0;
  int after = CurrentLine();
  int n = file_->Paste(after, FromDisplay(text));
  if (n <= 0) return 0;
  AfterInsert(after, n);
  SetModifiedFlag();
  ReportRepeatedNumbers();
  return n;
}

void CAbcDoc::ReportRepeatedNumbers() const {
  std::vector<int32_t> repeated = file_->RepeatedNumbers();
  if (repeated.empty()) return;
  QStringList numbers;
  for (size_t k = 0; k < repeated.size() && k < 8; ++k) numbers << QString::number(repeated[k]);
  if (repeated.size() > 8) numbers << QStringLiteral("...");
  QString text = repeated.size() == 1
                     ? QStringLiteral("X:%1 now occurs more than once in %2; Renumber mends it.")
                     : QStringLiteral(
                           "The numbers X:%1 now occur more than once in %2; Renumber "
                           "mends them.");
  if (CTunoraApp* app = CTunoraApp::Instance(); app != nullptr && app->MainFrame() != nullptr)
    app->MainFrame()->ShowStatusMessage(text.arg(numbers.join(QStringLiteral(", ")), PlainTitle()));
}

TuneRecord* CAbcDoc::InsertTuneText(int after, std::string_view text) {
  TuneRecord* tune = file_->InsertTune(after, text);
  if (tune == nullptr) return nullptr;
  AfterInsert(std::clamp(after, 0, static_cast<int>(file_->TuneCount()) - 1), 1);
  SetModifiedFlag();
  return tune;
}

int CAbcDoc::InsertImportedTunes(const std::vector<std::string>& tunes) {
  UndoStep step(*file_, "Import");
  int after = CurrentLine();
  int added = 0;
  for (const std::string& text : tunes) {
    // Imported text that is no UTF-8 is taken as code page 1252.
    const bool cp1252 = !IsValidUtf8(text);
    const std::string bytes =
        cp1252 == (encoding_ == TextEncoding::kCp1252)
            ? text
            : Transcode(text, cp1252 ? TextEncoding::kCp1252 : TextEncoding::kUtf8, encoding_);
    if (file_->InsertTune(after + added, bytes) != nullptr) ++added;
  }
  if (added > 0) {
    AfterInsert(after, added);
    SetModifiedFlag();
  }
  return added;
}

void CAbcDoc::Undo() {
  FollowListChange(file_->Undo([this](const TuneRecord& t) { return IsTuneOpenInEditor(t); }));
}

void CAbcDoc::Redo() {
  FollowListChange(file_->Redo([this](const TuneRecord& t) { return IsTuneOpenInEditor(t); }));
}

void CAbcDoc::FollowListChange(const ListChange& change) {
  if (change.refused != nullptr) ShowOpenForEditing(change.refused);
  if (!change.done) return;
  // The file took the tunes out before it put the others in; the lines do the same.
  model_->RemoveLines(change.removed);
  model_->InsertRuns(change.inserted);
  if (change.renumbered)
    NumbersChanged();
  else if (!change.removed.empty() && !change.inserted.empty())
    model_->RefreshAll();
  if (CAbcView* view = View()) {
    if (!change.inserted.empty())
      view->SelectLines(change.inserted);
    else if (!change.removed.empty())
      view->SelectLine(std::max(change.removed.front() - 1, 0));
  }
  SetModifiedFlag();
}

void CAbcDoc::Renumber() {
  int start = 1;
  if (!AskRenumberStart(View(), start)) return;
  RenumberFrom(start);
}

void CAbcDoc::RenumberFrom(int start) {
  file_->Renumber(start);
  NumbersChanged();
  SetModifiedFlag();
}

void CAbcDoc::NumbersChanged() {
  model_->RefreshAll();
  // Open editors take the new numbers, so storing one cannot bring an old one back.
  for (CMinFormDoc* d : DocumentsOnMyTunes()) d->TuneNumberChanged();
}

bool CAbcDoc::Reload() {
  if (PathName().isEmpty()) return false;
  if (IsModified() &&
      !AskYesNo(View(), QStringLiteral("The file is modified. Do you wish to reload it anyway?"),
                true)) {
    return false;
  }
  if (!CloseGuard()) return false;
  // The current tune, to find it again in the file as read anew.
  const int line = CurrentLine();
  std::optional<std::pair<int32_t, std::string>> current;
  if (const TuneRecord* tune = file_->TuneAt(line))
    current.emplace(tune->number, tune->titles.front());
  const int scroll = View() != nullptr ? View()->ScrollPosition() : 0;
  QString error;
  if (!LoadFile(PathName(), error)) {
    MessageError(View(), QStringLiteral("Cannot open the file %1.\n%2").arg(PathName(), error));
    return false;
  }
  model_->Fill();
  SetModifiedFlag(false);
  if (CAbcView* view = View()) {
    view->Filled();
    int found = 0;
    auto same = [&](int k) {
      const TuneRecord* t = file_->TuneAt(k);
      return t != nullptr && t->number == current->first && t->titles.front() == current->second;
    };
    if (current && same(line)) {
      found = line;
    } else if (current) {
      for (int k = 1; k <= static_cast<int>(file_->TuneCount()) && found == 0; ++k)
        if (same(k)) found = k;
    }
    if (found > 0) {
      view->SetScrollPosition(scroll);
      view->SelectLine(found);
    }
  }
  return true;
}

// --- drag and drop -----------------------------------------------------------------------

void CAbcDoc::DropTunes(CAbcDoc* source, const std::vector<int>& lines, int pressedLine,
                        int targetLine, bool move) {
  if (source == nullptr) return;
  DropPlan plan = PlanDrop(lines, pressedLine, targetLine, source == this, move);
  if (plan.nothing) return;
  std::vector<TuneTransfer> tunes = TakeTunes(source->File(), plan.tunes);
  // Within one list the drop is one undo step; between two lists each list has
  // its own: Undo in the source list brings the tunes back, in the target list
  // takes the dropped ones out.
  std::optional<UndoStep> step;
  if (source == this) step.emplace(*file_, plan.removeSource ? "Move" : "Drop");
  if (plan.removeSource) {
    UndoStep out(source->File(), "Move");
    source->RemoveTunes(plan.tunes);
  }
  std::function<std::string(std::string_view)> convert;
  size_t unmappable = 0;
  if (source->Encoding() != encoding_) {
    TextEncoding from = source->Encoding();
    TextEncoding to = encoding_;
    convert = [from, to, &unmappable](std::string_view s) {
      size_t lost = 0;
      std::string out = Transcode(s, from, to, &lost);
      unmappable += lost;
      return out;
    };
  }
  int n = PutTunes(*file_, plan.insertAfter, tunes, convert);
  AfterInsert(plan.insertAfter, n);
  if (n > 0) SetModifiedFlag();
  WarnUnmappable(unmappable);
  if (n > 0 && source != this) ReportRepeatedNumbers();
}

void CAbcDoc::ApplySettings() {
  TuneFileOptions options = CurrentOptions();
  file_->Options() = options;
  model_->RefreshAll();
  for (CMinFormView* v : Views())
    if (auto* view = qobject_cast<CAbcView*>(v)) view->ApplySettings();
}

}  // namespace tunora
