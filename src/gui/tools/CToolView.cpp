#include "gui/tools/CToolView.h"

#include <QFontDatabase>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Settings.h"
#include "gui/editor/CTuneDoc.h"
#include "gui/editor/CTuneView.h"
#include "gui/tools/CToolDoc.h"
#include "gui/tools/CToolPropSheet.h"
#include "gui/tunefile/CAbcDoc.h"

namespace tunora {

CToolView::CToolView(CToolDoc* document, QWidget* parent) : CMinFormView(document, parent) {
  sheet_ = new CToolPropSheet(document, this);
  range_ = new QLabel(this);
  box_ = new QPlainTextEdit(this);
  box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  box_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  box_->setPlaceholderText(QStringLiteral("The tune after the last action, or its chords."));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sheet_);
  layout->addWidget(range_);
  layout->addWidget(box_, 1);

  const int page = CAbcDoc::CurrentSettings().preferences.defaultTool;
  sheet_->setCurrentIndex(std::clamp(page, 0, 2));
  connect(document, &CToolDoc::ResultChanged, this, [this] {
    box_->setPlainText(Doc()->Result());
    Refresh();
  });
  connect(sheet_, &QTabWidget::currentChanged, this, [this] { Refresh(); });
  if (CTuneDoc* editor = document->Editor(); editor != nullptr && editor->View() != nullptr) {
    connect(editor->View()->TuneBox(), &QPlainTextEdit::selectionChanged, this,
            [this] { range_->setText(QStringLiteral("Applies to: ") + Doc()->RangeText()); });
  }
}

CToolView::~CToolView() = default;

CToolDoc* CToolView::Doc() const { return static_cast<CToolDoc*>(Document()); }

void CToolView::Refresh() {
  sheet_->Refresh();
  range_->setText(QStringLiteral("Applies to: ") + Doc()->RangeText());
}

void CToolView::OnInitialUpdate() {
  CMinFormView::OnInitialUpdate();
  Refresh();
  if (QMdiSubWindow* frame = Frame())
    connect(frame, &QMdiSubWindow::aboutToActivate, this, [this] { Refresh(); });
}

bool CToolView::OnCommand(CommandId id) {
  if (id != CommandId::kEditCommentSelection) return false;
  CommentSelectionIn(box_);
  return true;
}

bool CToolView::OnUpdateCommand(CommandId id, CommandState& state) {
  if (id != CommandId::kEditCommentSelection) return false;
  state.enabled = box_->hasFocus() && box_->textCursor().hasSelection();
  return true;
}

}  // namespace tunora
