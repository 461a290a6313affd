#include "gui/play/options/COptPlaySheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/play/options/COptPlayBacking.h"
#include "gui/play/options/COptPlayChords.h"
#include "gui/play/options/COptPlayMidi.h"
#include "gui/play/options/COptPlayOpt.h"
#include "gui/play/options/COptPlayRhythms.h"
#include "gui/play/options/COptPlayVel.h"
#include "gui/play/options/PlayOptions.h"

namespace tunora {

COptPlaySheet::COptPlaySheet(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Playback and MIDI Options"));
  if (CTunoraApp* app = CTunoraApp::Instance()) data_.midi = app->GetSettings().midi;
  data_.styles = StyleSet::Application();

  tabs_ = new QTabWidget(this);
  tabs_->setUsesScrollButtons(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &COptPlaySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &COptPlaySheet::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  AddPage(new COptPlayMidi(this));
  AddPage(new COptPlayOpt(this));
  AddPage(new COptPlayVel(this));
  AddPage(new COptPlayRhythms(this));
  AddPage(new COptPlayChords(this));
  AddPage(new COptPlayBacking(this));
  // Wide enough for the columns of the style lists.
  resize(std::max(sizeHint().width(), 760), sizeHint().height());
}

void COptPlaySheet::AddPage(COptPlayPage* page) {
  pages_.push_back(page);
  tabs_->addTab(page, page->Caption());
  page->Load(data_);
}

COptPlayPage* COptPlaySheet::Page(const QString& caption) const {
  for (COptPlayPage* page : pages_) {
    if (page->Caption() == caption) return page;
  }
  return nullptr;
}

void COptPlaySheet::accept() {
  PlayOptionsData copy = data_;
  for (COptPlayPage* page : pages_) {
    if (!page->Store(copy)) {
      tabs_->setCurrentWidget(page);
      return;
    }
  }
  CTunoraApp* app = CTunoraApp::Instance();
  if (!app) {
    QDialog::accept();
    return;
  }
  StyleSet& styles = StyleSet::Application();
  if (!(copy.styles == styles)) {
    // A longer file would not be read at the next start, and every style would be lost.
    if (copy.styles.Write().size() > StyleSet::kMaxFileBytes) {
      MessageWarning(this, QStringLiteral("The backing styles are too long to be saved in %1 "
                                          "(at most %2 bytes). Please remove some.")
                               .arg(QString::fromStdString(std::string(kStyleFileName)))
                               .arg(StyleSet::kMaxFileBytes));
      return;
    }
    styles = copy.styles;
    styles.SaveToFile(app->ProgramDir() + std::string(kStyleFileName), app->Sink());
  }
  MidiSettings& midi = app->GetSettings().midi;
  const std::string deviceBefore = midi.device;
  const std::string soundFontBefore = midi.soundFont;
  midi = copy.midi;
  ConfirmMidiSettings(this, deviceBefore, soundFontBefore);
  QDialog::accept();
}

}  // namespace tunora
