#include "gui/editor/CTuneView.h"

#include <QAbstractItemView>
#include <QAbstractUndoItem>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <algorithm>
#include <set>

#include "app/Settings.h"
#include "base/TextEncoding.h"
#include "editor/EditorText.h"
#include "editor/PaneLayout.h"
#include "editor/SourceMap.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/editor/AbcHighlighter.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/EditorDialogs.h"
#include "gui/editor/HeaderList.h"
#include "gui/tunefile/CAbcDoc.h"
#include "play/StyleSet.h"
#include "tunefile/Fields.h"
#include "tunefile/TuneFile.h"

namespace tunora {

namespace {

constexpr std::array<const char*, 3> kPaneNames = {"hdrs", "tune", "wrds"};
constexpr int kGap = 2;

// The new-field chooser: a drop-down that knows whether its last choice came
// from the opened list (a choice) or from the arrow keys (only a move).
class ChooserCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;
  bool fromPopup = false;
  void showPopup() override {
    fromPopup = true;
    QComboBox::showPopup();
  }
};

// The rhythm names of the playback rhythms, each once, sorted without regard to case.
QStringList RhythmNames() {
  std::set<QString> seen;
  QStringList names;
  for (const RhythmRecord& r : StyleSet::Application().rhythms) {
    for (const std::string& n : r.names) {
      QString name = QString::fromStdString(n).trimmed();
      if (name.isEmpty() || !seen.insert(name.toLower()).second) continue;
      names << name;
    }
  }
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  return names;
}

}  // namespace

CTuneView::CTuneView(CTuneDoc* document, QWidget* parent)
    : CMinFormView(document, parent),
      form_(CAbcDoc::CurrentSettings().preferences.fieldOrder,
            CAbcDoc::CurrentSettings().preferences.fieldExpanded),
      raw_(document->Raw()) {
  BuildForm();
  if (raw_) BuildRaw();
  FillFromTune();
  if (CTunoraApp* app = CTunoraApp::Instance())
    connect(app, &CTunoraApp::SettingsChanged, this, &CTuneView::ApplySettings);
}

CTuneView::~CTuneView() = default;

CTuneDoc* CTuneView::Doc() const { return static_cast<CTuneDoc*>(Document()); }

// --- building ---------------------------------------------------------------------------

QFont CTuneView::AbcFont() const {
  const FontSettings& f = CAbcDoc::CurrentSettings().fonts;
  QFont font(QString::fromStdString(f.abcFontFace), std::max(4, f.abcFontSize));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  // A face that is missing here, or not of fixed pitch, gives way to the
  // system's fixed font at the chosen size: ABC lines up in columns.
  if (QFontInfo(font).fixedPitch()) return font;
  // Some systems' fixed font is not marked as fixed pitch in its tables; then the first
  // well-known monospaced face that is, and failing all, the system's fixed font.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(std::max(4, f.abcFontSize));
  if (QFontInfo(fixed).fixedPitch()) return fixed;
  for (const char* face : {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono", "Nimbus Mono PS",
                           "Courier New", "FreeMono", "Courier"}) {
    QFont candidate(QString::fromLatin1(face), std::max(4, f.abcFontSize));
    QFontInfo info(candidate);
    if (info.fixedPitch() && info.family() == candidate.family()) return candidate;
  }
  return fixed;
}

void CTuneView::BuildForm() {
  for (int k = 0; k < 3; ++k) {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 1, 2, 1);
    row->setSpacing(6);
    auto* caption = new QLabel(QString::fromLatin1(kPaneNames[static_cast<size_t>(k)]), bar);
    QFont small = caption->font();
    small.setItalic(true);
    caption->setFont(small);
    caption->setForegroundRole(QPalette::PlaceholderText);
    auto* button = new QToolButton(bar);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setText(shown_[static_cast<size_t>(k)] ? QStringLiteral("<<") : QStringLiteral(">>"));
    row->addWidget(caption);
    row->addStretch(1);
    row->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, k] { TogglePane(k); });
    // The captions of the lower panes move the border above them.
    if (k > 0) {
      bar->setCursor(Qt::SplitVCursor);
      bar->installEventFilter(this);
    }
    bars_[static_cast<size_t>(k)] = bar;
    captions_[static_cast<size_t>(k)] = caption;
    buttons_[static_cast<size_t>(k)] = button;
  }

  list_ = new HeaderListView(this);
  model_ = std::make_unique<HeaderListModel>(
      &form_, [this](const std::string& bytes) { return ToDisplay(bytes); });
  list_->setModel(model_.get());
  connect(list_, &HeaderListView::ToggleExpandedRequested, this, &CTuneView::ToggleExpanded);
  connect(list_, &HeaderListView::EditRequested, this,
          [this](int row, int key, const QString& text) { StartEditing(row, key, text); });
  connect(list_, &HeaderListView::LetterTyped, this, &CTuneView::TypeLetter);
  connect(list_, &HeaderListView::InsertRequested, this, [this] { InsertField(); });
  connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceEditor(); });

  QFont abcFont = AbcFont();
  body_ = new QPlainTextEdit(this);
  body_->setLineWrapMode(QPlainTextEdit::NoWrap);
  body_->setFont(abcFont);
  body_->setTabChangesFocus(false);
  highlighter_ = new AbcHighlighter(body_->document(), false);
  connect(body_, &QPlainTextEdit::cursorPositionChanged, this, &CTuneView::TuneCursorMoved);
  words_ = new QPlainTextEdit(this);
  words_->setLineWrapMode(QPlainTextEdit::NoWrap);
  words_->setFont(abcFont);
  for (QPlainTextEdit* box : {body_, words_}) {
    connect(box->document(), &QTextDocument::modificationChanged, this,
            [this](bool modified) { BoxModified(modified); });
    connect(box, &QPlainTextEdit::textChanged, this, [this] {
      if (!filling_) emit TextEdited();
    });
  }

  // The field editors live over the list's value column.
  QWidget* vp = list_->viewport();
  lineEditor_ = new QLineEdit(vp);
  lineEditor_->setFrame(false);
  textEditor_ = new QPlainTextEdit(vp);
  textEditor_->setFrameShape(QFrame::NoFrame);
  textEditor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  textEditor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textEditor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textEditor_->document()->setDocumentMargin(1);
  connect(textEditor_, &QPlainTextEdit::textChanged, this, [this] { PlaceEditor(); });
  rhythmEditor_ = new QComboBox(vp);
  rhythmEditor_->setEditable(true);
  rhythmEditor_->setInsertPolicy(QComboBox::NoInsert);
  rhythmEditor_->setFrame(false);
  chooser_ = new ChooserCombo(vp);
  chooser_->setFrame(false);
  connect(chooser_, &QComboBox::activated, this, [this] {
    auto* c = static_cast<ChooserCombo*>(chooser_);
    if (!c->fromPopup) return;
    c->fromPopup = false;
    ChooseField();
  });
  for (QWidget* w : std::initializer_list<QWidget*>{lineEditor_, textEditor_, rhythmEditor_,
                                                    rhythmEditor_->lineEdit(), chooser_}) {
    w->hide();
    w->installEventFilter(this);
  }
  rhythmEditor_->lineEdit()->show();
  // A thin frame in the selection colour tells the field editor from the lines.
  lineEditor_->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid palette(highlight); }"));
  textEditor_->setStyleSheet(
      QStringLiteral("QPlainTextEdit { border: 1px solid palette(highlight); }"));
  for (QWidget* w : std::initializer_list<QWidget*>{lineEditor_, textEditor_})
    w->setAutoFillBackground(true);
}

void CTuneView::BuildRaw() {
  if (rawBox_ != nullptr) return;
  rawBox_ = new QPlainTextEdit(this);
  rawBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
  rawBox_->setFont(AbcFont());
  highlighter_ = new AbcHighlighter(rawBox_->document(), true);
  connect(rawBox_, &QPlainTextEdit::cursorPositionChanged, this, &CTuneView::TuneCursorMoved);
  connect(rawBox_->document(), &QTextDocument::modificationChanged, this,
          [this](bool modified) { BoxModified(modified); });
  connect(rawBox_, &QPlainTextEdit::textChanged, this, [this] {
    if (!filling_) emit TextEdited();
  });
  for (QWidget* w : bars_) w->hide();
  list_->hide();
  body_->hide();
  words_->hide();
  rawBox_->show();
  LayoutPanes();
}

QString CTuneView::ToDisplay(const std::string& bytes) const {
  CAbcDoc* file = Doc()->FileDoc();
  std::string lf = CrLfToLf(bytes);
  if (file != nullptr) return file->ToDisplay(lf);
  return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

std::string CTuneView::FromDisplay(const QString& text, size_t* unmappable) const {
  CAbcDoc* file = Doc()->FileDoc();
  QByteArray utf8 = text.toUtf8();
  std::string_view view(utf8.constData(), static_cast<size_t>(utf8.size()));
  size_t lost = 0;
  std::string bytes =
      file != nullptr ? EncodeText(view, file->Encoding(), &lost) : std::string(view);
  if (unmappable != nullptr) *unmappable += lost;
  return LfToCrLf(bytes);
}

void CTuneView::WarnUnmappable(size_t count) const {
  if (count == 0) return;
  MessageWarning(const_cast<CTuneView*>(this),
                 QStringLiteral("%1 characters cannot be stored in this file, which is written "
                                "in the Windows-1252 character set; they were replaced by \"?\".")
                     .arg(count));
}

// --- filling and reading ------------------------------------------------------------------

void CTuneView::FillFromTune() {
  TuneRecord* tune = Doc()->TuneRec();
  CAbcDoc* file = Doc()->FileDoc();
  if (tune == nullptr || file == nullptr) return;
  filling_ = true;
  if (raw_) {
    // The text after the tune is not part of it: it stays with the record.
    TuneRecord copy = *tune;
    copy.afterText.reset();
    rawBox_->setPlainText(ToDisplay(file->File().WriteTune(copy, false)));
  } else {
    form_.Fill(*tune);
    ResetList(-1);
    body_->setPlainText(ToDisplay(tune->body));
    QString words = ToDisplay(tune->words.value_or(std::string()));
    words_->setPlainText(words);
    if (!words.isEmpty()) ShowPane(kWordsPane, true);
  }
  filling_ = false;
  LayoutPanes();
}

std::string CTuneView::TuneText(size_t* unmappable) const {
  if (raw_) return FromDisplay(rawBox_->toPlainText(), unmappable);
  return form_.Rebuild(FromDisplay(body_->toPlainText(), unmappable),
                       FromDisplay(words_->toPlainText(), unmappable));
}

std::string CTuneView::BoxText() const { return FromDisplay(TuneBox()->toPlainText()); }

QPlainTextEdit* CTuneView::TuneBox() const { return raw_ ? rawBox_ : body_; }

void CTuneView::SwitchToRaw() {
  if (raw_) return;
  if (editing_ == Editing::kChooser) CancelChooser();
  EndEditing(0);
  bool modified = Doc()->IsModified();
  std::string text = TuneText();
  raw_ = true;
  BuildRaw();
  filling_ = true;
  rawBox_->setPlainText(ToDisplay(text));
  filling_ = false;
  if (modified) Doc()->SetModifiedFlag(true);
  rawBox_->setFocus();
}

void CTuneView::MarkSaved() {
  for (QPlainTextEdit* box : {body_, words_, rawBox_})
    if (box != nullptr) box->document()->setModified(false);
}

void CTuneView::BoxModified(bool modified) {
  if (modified && !filling_) Doc()->SetModifiedFlag(true);
}

void CTuneView::FormChanged() {
  if (!filling_) Doc()->SetModifiedFlag(true);
  if (!filling_) emit TextEdited();
}

// --- panes --------------------------------------------------------------------------------

bool CTuneView::TogglePane(int pane) {
  if (raw_ || pane < 0 || pane > 2) return false;
  if (shown_[static_cast<size_t>(pane)] && !CanHidePane(shown_, pane)) return false;
  ShowPane(pane, !shown_[static_cast<size_t>(pane)]);
  return true;
}

void CTuneView::ShowPane(int pane, bool show) {
  if (pane < 0 || pane > 2) return;
  if (!show && !CanHidePane(shown_, pane)) return;
  if (!show && pane == kHeaderPane && editing_ != Editing::kNone) {
    if (editing_ == Editing::kChooser)
      CancelChooser();
    else
      EndEditing(0);
  }
  shown_[static_cast<size_t>(pane)] = show;
  buttons_[static_cast<size_t>(pane)]->setText(show ? QStringLiteral("<<") : QStringLiteral(">>"));
  LayoutPanes();
  if (!show) {
    // The focus leaves a hidden pane for the first pane shown.
    QWidget* focus = QApplication::focusWidget();
    QWidget* content = pane == kHeaderPane ? static_cast<QWidget*>(list_)
                       : pane == kTunePane ? static_cast<QWidget*>(body_)
                                           : static_cast<QWidget*>(words_);
    if (focus != nullptr && (focus == content || content->isAncestorOf(focus))) {
      if (shown_[kTunePane])
        body_->setFocus();
      else if (shown_[kWordsPane])
        words_->setFocus();
      else
        list_->setFocus();
    }
  }
}

int CTuneView::PaneHeight(int pane) const {
  return pane >= 0 && pane <= 2 ? heights_[static_cast<size_t>(pane)] : 0;
}

void CTuneView::LayoutPanes() {
  const int w = width();
  const int h = height();
  if (raw_) {
    if (rawBox_ != nullptr) rawBox_->setGeometry(0, 0, w, h);
    return;
  }
  int barHeight = bars_[0]->sizeHint().height();
  PaneLayoutInput in;
  in.height = std::max(0, h - 3 * barHeight - 2 * kGap);
  in.shown = shown_;
  in.weights = weights_;
  int frame = 2 * list_->frameWidth();
  in.headerNeed = std::max(list_->ContentHeight(), list_->RowHeight(1)) + std::max(4, frame);
  heights_ = PaneHeights(in);
  std::array<QWidget*, 3> contents{list_, body_, words_};
  int y = 0;
  for (size_t k = 0; k < 3; ++k) {
    bars_[k]->setGeometry(0, y, w, barHeight);
    y += barHeight;
    if (shown_[k]) {
      contents[k]->setGeometry(0, y, w, heights_[k]);
      contents[k]->show();
      y += heights_[k];
    } else {
      contents[k]->hide();
    }
    if (k < 2) y += kGap;
  }
  PlaceEditor();
}

void CTuneView::resizeEvent(QResizeEvent* event) {
  CMinFormView::resizeEvent(event);
  LayoutPanes();
}

// --- the header list -----------------------------------------------------------------------

int CTuneView::CurrentRow() const {
  int row = list_->CurrentRow();
  if (row < 0 || !list_->selectionModel()->isSelected(list_->model()->index(row, 0))) return -1;
  return row;
}

void CTuneView::SelectRow(int row) { list_->SelectRow(row); }

void CTuneView::ResetList(int current) {
  model_->Reset();
  list_->Relayout();
  if (current >= static_cast<int>(form_.lines.size()))
    current = static_cast<int>(form_.lines.size()) - 1;
  if (current >= 0) SelectRow(current);
  PlaceEditor();
}

QWidget* CTuneView::FieldEditor() const {
  switch (editing_) {
    case Editing::kSingleLine: return lineEditor_;
    case Editing::kMultiLine: return textEditor_;
    case Editing::kRhythm: return rhythmEditor_;
    case Editing::kChooser: return chooser_;
    default: return nullptr;
  }
}

void CTuneView::PlaceEditor() {
  QWidget* editor = FieldEditor();
  if (editor == nullptr || editingRow_ < 0) return;
  // A multi-line value's row grows with the editor (up to eight lines) and the
  // panes make room for it; the rows below stay in sight.
  if (editing_ == Editing::kMultiLine) {
    const int lines = std::min(8, std::max(1, textEditor_->document()->blockCount()));
    if (list_->SetEditorLines(editingRow_, lines)) LayoutPanes();
  }
  QRect r = list_->ValueRect(editingRow_);
  if (!r.isValid()) return;
  int height = r.height();
  if (editing_ == Editing::kRhythm || editing_ == Editing::kChooser) {
    height = std::max(height, editor->sizeHint().height());
  }
  int room = list_->viewport()->height() - r.top();
  if (room > r.height()) height = std::min(height, room);
  editor->setGeometry(r.left(), r.top(), r.width(), height);
  editor->raise();
}

void CTuneView::HideEditors() {
  for (QWidget* w :
       std::initializer_list<QWidget*>{lineEditor_, textEditor_, rhythmEditor_, chooser_})
    w->hide();
  list_->SetEditorLines(-1, 0);
}

void CTuneView::StartEditing(int row, int key, const QString& text) {
  if (raw_ || row < 0 || row >= static_cast<int>(form_.lines.size())) return;
  if (editing_ == Editing::kChooser) return;
  if (editing_ != Editing::kNone) {
    if (editingRow_ == row) return;
    size_t before = form_.lines.size();
    int ended = editingRow_;
    EndEditing(0);
    if (form_.lines.size() < before && row > ended) --row;
    if (row >= static_cast<int>(form_.lines.size())) return;
  }
  const FormLine& line = form_.lines[static_cast<size_t>(row)];
  if (line.letter == '?') return;
  if (!shown_[kHeaderPane]) ShowPane(kHeaderPane, true);
  SelectRow(row);
  QString value = ToDisplay(line.value);
  editingRow_ = row;
  switch (EditorKindFor(line.letter)) {
    case FieldEditorKind::kSingleLine:
      editing_ = Editing::kSingleLine;
      lineEditor_->setText(value);
      break;
    case FieldEditorKind::kMultiLine:
      editing_ = Editing::kMultiLine;
      textEditor_->setPlainText(value);
      break;
    case FieldEditorKind::kRhythm:
      editing_ = Editing::kRhythm;
      rhythmEditor_->clear();
      rhythmEditor_->addItems(RhythmNames());
      rhythmEditor_->setCurrentIndex(-1);
      rhythmEditor_->setEditText(value);
      break;
  }
  ApplyStartKey(key, text, value);
  PlaceEditor();
  QWidget* editor = FieldEditor();
  editor->show();
  editor->setFocus(Qt::OtherFocusReason);
}

void CTuneView::ApplyStartKey(int key, const QString& text, const QString& value) {
  QLineEdit* line = editing_ == Editing::kSingleLine ? lineEditor_
                    : editing_ == Editing::kRhythm   ? rhythmEditor_->lineEdit()
                                                     : nullptr;
  if (line != nullptr) {
    if (!text.isEmpty()) {
      line->setText(text);
      line->setCursorPosition(static_cast<int>(text.size()));
    } else if (key == Qt::Key_Backspace) {
      line->setText(value.left(value.size() - 1));
      line->selectAll();
    } else if (key == Qt::Key_Delete) {
      line->selectAll();
    } else if (key == Qt::Key_Right) {
      line->setCursorPosition(static_cast<int>(line->text().size()));
    } else {
      line->setCursorPosition(0);
    }
    return;
  }
  QTextCursor c = textEditor_->textCursor();
  if (!text.isEmpty()) {
    textEditor_->setPlainText(text);
    c = textEditor_->textCursor();
    c.movePosition(QTextCursor::End);
  } else if (key == Qt::Key_Backspace) {
    textEditor_->setPlainText(value.left(value.size() - 1));
    c = textEditor_->textCursor();
    c.select(QTextCursor::Document);
  } else if (key == Qt::Key_Delete) {
    c.select(QTextCursor::Document);
  } else if (key == Qt::Key_Right) {
    c.movePosition(QTextCursor::End);
  } else {
    c.movePosition(QTextCursor::Start);
  }
  textEditor_->setTextCursor(c);
}

QString CTuneView::EditorText() const {
  switch (editing_) {
    case Editing::kSingleLine: return lineEditor_->text();
    case Editing::kMultiLine: return textEditor_->toPlainText();
    case Editing::kRhythm: return rhythmEditor_->currentText();
    default: return {};
  }
}

void CTuneView::EndEditing(int move) {
  if (editing_ == Editing::kChooser) {
    if (move != 0)
      ChooseField();
    else
      CancelChooser();
    return;
  }
  if (editing_ == Editing::kNone || ending_) return;
  ending_ = true;
  const bool focusHere = (FieldEditor() != nullptr && FieldEditor()->hasFocus()) ||
                         (editing_ == Editing::kRhythm && rhythmEditor_->lineEdit()->hasFocus());
  QString typed = EditorText();
  int row = editingRow_;
  editing_ = Editing::kNone;
  editingRow_ = -1;
  // The list takes the focus before the editor goes, so it does not wander off.
  if (focusHere) list_->setFocus(Qt::OtherFocusReason);
  HideEditors();
  size_t lost = 0;
  TuneForm::StoreResult result = form_.Store(row, FromDisplay(typed, &lost));
  WarnUnmappable(lost);
  bool removed = result == TuneForm::StoreResult::kRemoved;
  if (result == TuneForm::StoreResult::kChanged || removed) FormChanged();
  const int count = static_cast<int>(form_.lines.size());
  int next = row + move;
  if (removed && move > 0) next = row;
  ResetList(std::min(row, count - 1));
  LayoutPanes();
  ending_ = false;
  if (move == 0) return;
  if (next >= 0 && next < count) {
    StartEditing(next);
  } else {
    FocusAfterList();
  }
}

void CTuneView::FocusAfterList() {
  if (shown_[kTunePane])
    body_->setFocus(Qt::TabFocusReason);
  else if (shown_[kWordsPane])
    words_->setFocus(Qt::TabFocusReason);
  else
    list_->setFocus(Qt::TabFocusReason);
}

void CTuneView::TypeLetter(char letter) {
  if (raw_) return;
  int index = form_.IndexOf(letter);
  if (index >= 0) {
    StartEditing(index);
  } else {
    InsertField(letter);
  }
}

bool CTuneView::InsertField(char preselect, std::optional<std::string> value) {
  if (raw_) return false;
  if (editing_ == Editing::kChooser) CancelChooser();
  if (editing_ != Editing::kNone) EndEditing(0);
  std::string before = form_.HeaderText();
  int at = form_.InsertPlaceholder(CurrentRow());
  if (at < 0) return false;
  if (!shown_[kHeaderPane]) ShowPane(kHeaderPane, true);
  // The empty K line appended first is a change of the form.
  if (form_.HeaderText() != before) FormChanged();
  ResetList(at);
  chooser_->clear();
  for (char c : form_.ChooserLetters()) {
    const char* name = FieldLongName(c);
    chooser_->addItem(QString::fromLatin1(name != nullptr ? name : ""), QChar::fromLatin1(c));
  }
  int index = preselect != 0 ? chooser_->findData(QChar::fromLatin1(preselect)) : -1;
  chooser_->setCurrentIndex(std::max(0, index));
  static_cast<ChooserCombo*>(chooser_)->fromPopup = false;
  editing_ = Editing::kChooser;
  editingRow_ = at;
  chooserValue_ = std::move(value);
  LayoutPanes();
  PlaceEditor();
  chooser_->show();
  chooser_->setFocus(Qt::OtherFocusReason);
  return true;
}

void CTuneView::ChooseField(char letter) {
  if (editing_ != Editing::kChooser) return;
  if (letter == 0) {
    QVariant chosen = chooser_->currentData();
    if (!chosen.isValid()) {
      CancelChooser();
      return;
    }
    letter = static_cast<char>(chosen.toChar().unicode());
  }
  int row = editingRow_;
  std::string value = chooserValue_.value_or(std::string());
  editing_ = Editing::kNone;
  editingRow_ = -1;
  chooserValue_.reset();
  list_->setFocus(Qt::OtherFocusReason);
  chooser_->hide();
  if (!form_.ChoosePlaceholder(row, letter, value)) {
    ResetList(row);
    return;
  }
  FormChanged();
  ResetList(row);
  LayoutPanes();
  StartEditing(row);
}

void CTuneView::CancelChooser() {
  if (editing_ != Editing::kChooser) return;
  int row = editingRow_;
  editing_ = Editing::kNone;
  editingRow_ = -1;
  chooserValue_.reset();
  if (chooser_->hasFocus()) list_->setFocus(Qt::OtherFocusReason);
  chooser_->hide();
  form_.DropPlaceholder(row);
  ResetList(std::min(row, static_cast<int>(form_.lines.size()) - 1));
  LayoutPanes();
}

void CTuneView::ToggleExpanded(int row) {
  if (raw_ || row < 0 || row >= static_cast<int>(form_.lines.size())) return;
  FormLine& line = form_.lines[static_cast<size_t>(row)];
  line.expanded = !line.expanded;
  ResetList(row);
  LayoutPanes();
}

void CTuneView::CopyLine() {
  int row = CurrentRow();
  if (raw_ || row < 0) return;
  const FormLine& line = form_.lines[static_cast<size_t>(row)];
  if (line.letter == '?') return;
  QApplication::clipboard()->setText(ToDisplay(FieldText(line.letter, line.value)));
}

void CTuneView::CutLine() {
  int row = CurrentRow();
  if (raw_ || row < 0) return;
  CopyLine();
  if (!form_.Cut(row)) return;
  FormChanged();
  ResetList(std::min(row, static_cast<int>(form_.lines.size()) - 1));
  LayoutPanes();
}

void CTuneView::PasteIntoList(const QString& text) {
  if (raw_) return;
  std::string bytes = FromDisplay(text);
  std::string_view rest = SkipLeadingSpace(bytes);
  if (rest.empty()) return;
  std::vector<FieldPiece> pieces = SplitPastedFields(rest);
  if (!pieces.empty()) {
    for (const FieldPiece& p : pieces) SetField(p.letter, p.value, true);
    return;
  }
  int row = CurrentRow();
  if (row >= 0 && form_.lines[static_cast<size_t>(row)].letter != '?') {
    SetField(form_.lines[static_cast<size_t>(row)].letter, std::string(rest), true);
    return;
  }
  std::string value(rest);
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
    value.pop_back();
  InsertField(0, value);
}

void CTuneView::SetField(char letter, const std::string& value, bool append) {
  if (raw_) {
    std::string text = SetRawField(FromDisplay(rawBox_->toPlainText()), letter, value, append);
    QTextCursor c(rawBox_->document());
    c.select(QTextCursor::Document);
    c.insertText(ToDisplay(text));
    return;
  }
  if (letter == 'W') {
    // Words are no header line: they join the words box.
    QString words = words_->toPlainText();
    while (words.endsWith(QLatin1Char('\n'))) words.chop(1);
    QString added = ToDisplay(value);
    QTextCursor c(words_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(words.isEmpty() ? added : QStringLiteral("\n") + added);
    ShowPane(kWordsPane, true);
    return;
  }
  if (editing_ == Editing::kChooser) CancelChooser();
  if (editing_ != Editing::kNone) EndEditing(0);
  std::string before = form_.HeaderText();
  int index = form_.SetField(letter, value, append);
  if (index < 0) return;
  if (form_.HeaderText() != before) FormChanged();
  ResetList(index);
  LayoutPanes();
}

// --- the body box ------------------------------------------------------------------------

bool CTuneView::CanCommentSelection() const {
  QPlainTextEdit* box = TuneBox();
  return box != nullptr && box->isVisible() && box->hasFocus() && box->textCursor().hasSelection();
}

bool CTuneView::CommentSelection() {
  if (!CanCommentSelection()) return false;
  if (!CommentSelectionIn(TuneBox())) return false;
  Doc()->SetModifiedFlag(true);
  return true;
}

bool CommentSelectionIn(QPlainTextEdit* box) {
  QTextCursor c = box->textCursor();
  if (!c.hasSelection()) return false;
  QString selected = c.selection().toPlainText();
  QByteArray utf8 = selected.toUtf8();
  std::string toggled =
      ToggleComment(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
  QString result = QString::fromUtf8(toggled.data(), static_cast<qsizetype>(toggled.size()));
  int start = c.selectionStart();
  // Not an edit the box's own undo takes back.
  box->document()->setUndoRedoEnabled(false);
  c.insertText(result);
  box->document()->setUndoRedoEnabled(true);
  c.setPosition(start);
  c.setPosition(start + static_cast<int>(result.size()), QTextCursor::KeepAnchor);
  box->setTextCursor(c);
  return true;
}

CTuneView::BoxBody CTuneView::ReadBoxBody(const QString& shown) const {
  BoxBody b;
  b.text = FromDisplay(shown);
  TuneRecord read;
  // In raw mode the box holds the whole tune; otherwise only the body.
  b.bodyStart = TuneFile::ParseTune(read, raw_ ? b.text : TuneText(), false);
  if (!raw_) b.bodyStart = 0;
  b.body = std::move(read.body);
  return b;
}

int CTuneView::BoxPositionOfBodyOffset(const QString& shown, size_t offset) const {
  BoxBody b = ReadBoxBody(shown);
  size_t at = BodyOffsetToTextPosition(b.text, b.bodyStart, b.body, offset);
  // From a byte of the tune file's text to a character of the box.
  TextEncoding encoding =
      Doc()->FileDoc() != nullptr ? Doc()->FileDoc()->Encoding() : TextEncoding::kUtf8;
  QByteArray utf8 = shown.toUtf8();
  return static_cast<int>(ShownPositionOfByte(
      std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), encoding, at));
}

void CTuneView::SelectBodyOffset(size_t offset) {
  if (!raw_ && !shown_[kTunePane]) ShowPane(kTunePane, true);
  QPlainTextEdit* box = TuneBox();
  const QString shown = box->toPlainText();
  int position = BoxPositionOfBodyOffset(shown, offset);
  QTextCursor c(box->document());
  c.setPosition(position);
  c.setPosition(std::min(position + 1, static_cast<int>(shown.size())), QTextCursor::KeepAnchor);
  box->setTextCursor(c);
  box->ensureCursorVisible();
  box->setFocus(Qt::OtherFocusReason);
}

void CTuneView::SelectBodyRange(size_t begin, size_t end) {
  if (!raw_ && !shown_[kTunePane]) ShowPane(kTunePane, true);
  QPlainTextEdit* box = TuneBox();
  const QString shown = box->toPlainText();
  int first = BoxPositionOfBodyOffset(shown, begin);
  int last = end > begin ? BoxPositionOfBodyOffset(shown, end) : first;
  QTextCursor c(box->document());
  c.setPosition(first);
  c.setPosition(std::max(first, last), QTextCursor::KeepAnchor);
  box->setTextCursor(c);
  box->ensureCursorVisible();
}

size_t CTuneView::CursorBodyOffset() const {
  QPlainTextEdit* box = TuneBox();
  const QString shown = box->toPlainText();
  const int position = box->textCursor().position();
  BoxBody b = ReadBoxBody(shown);
  const size_t byte = FromDisplay(shown.left(position)).size();
  return TextPositionToBodyOffset(b.text, b.bodyStart, b.body, byte);
}

// --- the tune tools -----------------------------------------------------------------------

namespace {

// One header field changed by a tool, taken back and done again with the body box's
// own undo and redo.
class ToolFieldUndo : public QAbstractUndoItem {
 public:
  ToolFieldUndo(CTuneView* view, char letter, std::optional<std::string> before, std::string after)
      : view_(view), letter_(letter), before_(std::move(before)), after_(std::move(after)) {}
  void undo() override {
    if (view_) view_->RestoreField(letter_, before_);
  }
  void redo() override {
    if (view_) view_->RestoreField(letter_, after_);
  }

 private:
  QPointer<CTuneView> view_;
  char letter_;
  std::optional<std::string> before_;
  std::string after_;
};

// Replaces the text of box by text, changing only the part between what both share
// at the start and at the end, inside the edit block of cursor.
void ReplaceChangedPart(QTextCursor& cursor, const QString& now, const QString& text) {
  qsizetype head = 0;
  const qsizetype shorter = std::min(now.size(), text.size());
  while (head < shorter && now[head] == text[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head && now[now.size() - 1 - tail] == text[text.size() - 1 - tail])
    ++tail;
  cursor.setPosition(static_cast<int>(head));
  cursor.setPosition(static_cast<int>(now.size() - tail), QTextCursor::KeepAnchor);
  cursor.insertText(text.mid(head, text.size() - head - tail));
}

}  // namespace

std::string CTuneView::ToolTuneText(size_t& selectionStart, size_t& selectionEnd) const {
  selectionStart = selectionEnd = 0;
  if (!raw_ && body_->textCursor().hasSelection()) {
    const QString shown = body_->toPlainText();
    const QTextCursor c = body_->textCursor();
    selectionStart = FromDisplay(shown.left(c.selectionStart())).size();
    selectionEnd = FromDisplay(shown.left(c.selectionEnd())).size();
  }
  return TuneText();
}

void CTuneView::RestoreField(char letter, const std::optional<std::string>& value) {
  if (raw_) return;
  if (value) {
    SetField(letter, *value, false);
    return;
  }
  const int index = form_.IndexOf(letter);
  if (index < 0) return;
  form_.lines.erase(form_.lines.begin() + index);
  FormChanged();
  ResetList(std::min(index, static_cast<int>(form_.lines.size()) - 1));
  LayoutPanes();
}

void CTuneView::ApplyToolResult(const std::string& body,
                                const std::vector<std::pair<char, std::string>>& fields) {
  if (raw_) {
    // The whole tune is the box's text: the fields are set in it and the body
    // replaced where it stands.
    std::string text = FromDisplay(rawBox_->toPlainText());
    for (const auto& [letter, value] : fields) text = SetRawField(text, letter, value, false);
    TuneRecord read;
    const size_t start = TuneFile::ParseTune(read, text, false);
    if (start <= text.size() && text.compare(start, read.body.size(), read.body) == 0) {
      text.replace(start, read.body.size(), body);
    } else if (CAbcDoc* file = Doc()->FileDoc()) {
      read.body = body;  // header comments stand in the body: the tune is written anew
      text = file->File().WriteTune(read, false);
    }
    QTextCursor c(rawBox_->document());
    c.beginEditBlock();
    ReplaceChangedPart(c, rawBox_->toPlainText(), ToDisplay(text));
    c.endEditBlock();
    return;
  }
  if (editing_ == Editing::kChooser) CancelChooser();
  if (editing_ != Editing::kNone) EndEditing(0);
  if (!shown_[kTunePane]) ShowPane(kTunePane, true);
  QTextCursor c(body_->document());
  c.beginEditBlock();
  ReplaceChangedPart(c, body_->toPlainText(), ToDisplay(body));
  for (const auto& [letter, value] : fields) {
    const int index = form_.IndexOf(letter);
    std::optional<std::string> before;
    if (index >= 0) before = form_.lines[static_cast<size_t>(index)].value;
    if (before == value) continue;
    SetField(letter, value, false);
    body_->document()->appendUndoItem(new ToolFieldUndo(this, letter, before, value));
  }
  c.endEditBlock();
}

// --- settings, start, commands ---------------------------------------------------------------

void CTuneView::ApplySettings() {
  QFont font = AbcFont();
  for (QPlainTextEdit* box : {body_, words_, rawBox_})
    if (box != nullptr) box->setFont(font);
  Doc()->UpdateTitle();
  LayoutPanes();
}

void CTuneView::OnInitialUpdate() {
  QFontMetrics fm(AbcFont());
  int barHeight = bars_[0]->sizeHint().height();
  SetFormSize(
      QSize(fm.horizontalAdvance(QLatin1Char('m')) * 24, 3 * barHeight + 6 * fm.lineSpacing()));
  const PreferenceSettings& p = CAbcDoc::CurrentSettings().preferences;
  QSize size(fm.horizontalAdvance(QLatin1Char('m')) * 64, 3 * barHeight + 26 * fm.lineSpacing());
  // Without a saved size the editor takes a good part of the main window.
  const QSize share = AreaShare(60, 80);
  if (share.isValid()) size = size.boundedTo(AreaShare(90, 90)).expandedTo(share);
  if (p.editTuneWidth > 0 && p.editTuneHeight > 0) {
    int scroll = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    size = QSize(p.editTuneWidth * fm.horizontalAdvance(QLatin1Char('m')) + scroll + 8,
                 p.editTuneHeight * fm.lineSpacing() + 3 * barHeight + 8);
  }
  ResizeClientTo(size);
  CMinFormView::OnInitialUpdate();
  LayoutPanes();
  // A tune without a title starts with its title being typed.
  TuneRecord* tune = Doc()->TuneRec();
  bool untitled = tune != nullptr && (tune->titles.empty() || tune->titles.front().empty());
  int titleRow = form_.IndexOf('T');
  if (!raw_ && untitled && titleRow >= 0) {
    StartEditing(titleRow);
  } else {
    TuneBox()->setFocus(Qt::OtherFocusReason);
  }
}

bool CTuneView::ListHasFocus() const { return !raw_ && list_->isVisible() && list_->hasFocus(); }

bool CTuneView::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kEditCopy:
      if (!ListHasFocus()) return false;
      CopyLine();
      return true;
    case CommandId::kEditCut:
      if (!ListHasFocus()) return false;
      CutLine();
      return true;
    case CommandId::kEditPaste:
      if (!ListHasFocus()) return false;
      PasteIntoList(QApplication::clipboard()->text());
      return true;
    case CommandId::kEditDelete:
      if (!ListHasFocus()) return false;
      if (CurrentRow() >= 0) StartEditing(CurrentRow(), Qt::Key_Delete);
      return true;
    case CommandId::kTuneInsert:
      if (raw_) return false;
      InsertField();
      return true;
    case CommandId::kTuneExpandHeader:
      if (raw_) return false;
      ToggleExpanded(CurrentRow());
      return true;
    case CommandId::kViewHeaders: TogglePane(kHeaderPane); return true;
    case CommandId::kViewTune: TogglePane(kTunePane); return true;
    case CommandId::kViewWords: TogglePane(kWordsPane); return true;
    case CommandId::kEditCommentSelection: CommentSelection(); return true;
    case CommandId::kTuneKeyHelp: {
      std::string key;
      if (raw_) {
        TuneRecord read;
        TuneFile::ParseTune(read, TuneText(), false);
        key = read.FieldText('K');
      } else if (int k = form_.IndexOf('K'); k >= 0) {
        key = form_.lines[static_cast<size_t>(k)].value;
      }
      CKeyHelpDlg dialog(this, ToDisplay(key));
      dialog.exec();
      return true;
    }
    default: return false;
  }
}

bool CTuneView::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kEditCopy:
    case CommandId::kEditCut:
    case CommandId::kEditDelete:
      if (!ListHasFocus()) return false;
      state.enabled = CurrentRow() >= 0;
      return true;
    case CommandId::kEditPaste:
      if (!ListHasFocus()) return false;
      state.enabled = !QApplication::clipboard()->text().isEmpty();
      return true;
    case CommandId::kEditUndo:
    case CommandId::kEditRedo:
    case CommandId::kEditSelectAll:
    case CommandId::kEditReplace:
      if (!ListHasFocus()) return false;
      state.enabled = false;
      return true;
    case CommandId::kTuneInsert:
      state.enabled = !raw_ && !form_.ChooserLetters().empty();
      return true;
    case CommandId::kTuneExpandHeader: state.enabled = !raw_ && CurrentRow() >= 0; return true;
    case CommandId::kViewHeaders:
    case CommandId::kViewTune:
    case CommandId::kViewWords: {
      int pane = id == CommandId::kViewHeaders ? kHeaderPane
                 : id == CommandId::kViewTune  ? kTunePane
                                               : kWordsPane;
      state.enabled = !raw_ && (!shown_[static_cast<size_t>(pane)] || CanHidePane(shown_, pane));
      state.checked = !raw_ && shown_[static_cast<size_t>(pane)];
      return true;
    }
    case CommandId::kEditCommentSelection: state.enabled = CanCommentSelection(); return true;
    case CommandId::kTuneKeyHelp: state.enabled = true; return true;
    default: return false;
  }
}

void CTuneView::DragBorder(int bar, int dy) {
  // The nearest shown pane above the caption, and the one at or below it.
  int above = -1;
  for (int k = bar - 1; k >= 0; --k)
    if (shown_[static_cast<size_t>(k)]) {
      above = k;
      break;
    }
  int below = -1;
  for (int k = bar; k < 3; ++k)
    if (shown_[static_cast<size_t>(k)]) {
      below = k;
      break;
    }
  if (above < 0 || below < 0 || dy == 0) return;
  const int least = list_->RowHeight(1) + 4;
  int a = heights_[static_cast<size_t>(above)];
  int b = heights_[static_cast<size_t>(below)];
  dy = std::clamp(dy, least - a, b - least);
  if (dy == 0) return;
  for (size_t k = 0; k < 3; ++k)
    if (shown_[k]) weights_[k] = std::max(1, heights_[k]);
  weights_[static_cast<size_t>(above)] = a + dy;
  weights_[static_cast<size_t>(below)] = b - dy;
  LayoutPanes();
}

bool CTuneView::eventFilter(QObject* watched, QEvent* event) {
  for (int bar = 1; bar < 3; ++bar) {
    if (watched != bars_[static_cast<size_t>(bar)]) continue;
    if (event->type() == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        dragBar_ = bar;
        dragY_ = static_cast<int>(mouse->globalPosition().y());
        return true;
      }
    } else if (event->type() == QEvent::MouseMove && dragBar_ == bar) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      int y = static_cast<int>(mouse->globalPosition().y());
      DragBorder(bar, y - dragY_);
      dragY_ = y;
      return true;
    } else if (event->type() == QEvent::MouseButtonRelease && dragBar_ == bar) {
      dragBar_ = -1;
      return true;
    }
    return CMinFormView::eventFilter(watched, event);
  }
  const bool isEditor = watched == lineEditor_ || watched == textEditor_ ||
                        watched == rhythmEditor_ || watched == rhythmEditor_->lineEdit() ||
                        watched == chooser_;
  if (!isEditor || editing_ == Editing::kNone) return CMinFormView::eventFilter(watched, event);

  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool chooser = editing_ == Editing::kChooser;
    if (chooser) static_cast<ChooserCombo*>(chooser_)->fromPopup = false;
    switch (key->key()) {
      case Qt::Key_Tab:
        if (chooser)
          ChooseField();
        else
          EndEditing(+1);
        return true;
      case Qt::Key_Backtab:
        if (chooser)
          ChooseField();
        else
          EndEditing(-1);
        return true;
      case Qt::Key_Escape:
        // Escape keeps what was typed: the value is stored all the same.
        if (chooser)
          CancelChooser();
        else
          EndEditing(0);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (chooser) {
          ChooseField();
          return true;
        }
        // Enter stores the value; in a multi-line value Shift+Enter and Ctrl+Enter
        // add a line: a plain line break, never the Unicode line separator the text
        // box would put in.
        if (editing_ == Editing::kMultiLine &&
            (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
          textEditor_->textCursor().insertText(QStringLiteral("\n"));
          return true;
        }
        EndEditing(0);
        return true;
      default: break;
    }
  } else if (event->type() == QEvent::ShortcutOverride) {
    // Keys of the editors that are menu shortcuts elsewhere (Ins, Delete) stay here.
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0 &&
        (key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete)) {
      event->accept();
      return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    auto* focus = static_cast<QFocusEvent*>(event);
    if (focus->reason() == Qt::PopupFocusReason || focus->reason() == Qt::ActiveWindowFocusReason)
      return CMinFormView::eventFilter(watched, event);
    QWidget* editor = FieldEditor();
    QWidget* now = QApplication::focusWidget();
    if (editor != nullptr && now != nullptr && (now == editor || editor->isAncestorOf(now)))
      return CMinFormView::eventFilter(watched, event);
    if (ending_) return CMinFormView::eventFilter(watched, event);
    // Leaving the editor ends editing where the user went.
    if (editing_ == Editing::kChooser)
      CancelChooser();
    else
      EndEditing(0);
  }
  return CMinFormView::eventFilter(watched, event);
}

}  // namespace tunora
