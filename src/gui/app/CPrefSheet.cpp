#include "gui/app/CPrefSheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/app/CDlgPrefEdittune.h"
#include "gui/app/CDlgPrefFind.h"
#include "gui/app/CDlgPrefFindMusic.h"
#include "gui/app/CDlgPrefGeneral.h"
#include "gui/app/CDlgPrefNewtunes.h"
#include "gui/app/CDlgPrefTunelist.h"
#include "gui/app/CDlgPrefUserdef.h"
#include "gui/app/CPrefPage.h"
#include "gui/app/CTunoraApp.h"

namespace tunora {

CPrefSheet::CPrefSheet(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Preferences"));
  tabs_ = new QTabWidget(this);
  // Every page's tab stays in sight.
  tabs_->setUsesScrollButtons(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CPrefSheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CPrefSheet::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  AddPage(new CDlgPrefGeneral(this));
  AddPage(new CDlgPrefFind(this));
  AddPage(new CDlgPrefFindMusic(this));
  AddPage(new CDlgPrefEdittune(this));
  AddPage(new CDlgPrefTunelist(this));
  AddPage(new CDlgPrefNewtunes(this));
  AddPage(new CDlgPrefUserdef(this));
}

void CPrefSheet::AddPage(CPrefPage* page) {
  pages_.push_back(page);
  tabs_->addTab(page, page->Caption());
  if (CTunoraApp* app = CTunoraApp::Instance()) page->Load(app->GetSettings());
}

CPrefPage* CPrefSheet::Page(const QString& caption) const {
  for (CPrefPage* page : pages_) {
    if (page->Caption() == caption) return page;
  }
  return nullptr;
}

void CPrefSheet::accept() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app) {
    Settings copy = app->GetSettings();
    for (CPrefPage* page : pages_) {
      if (!page->Store(copy)) {
        tabs_->setCurrentWidget(page);
        return;
      }
    }
    app->GetSettings() = copy;
    app->SaveSettings();
  }
  QDialog::accept();
}

}  // namespace tunora
