// Preferences page "New": the unit length of new tunes and the file header
// that new tune files begin with ("template.abc").
#pragma once

#include <string>

#include "gui/app/CPrefPage.h"

class QComboBox;
class QPlainTextEdit;

namespace tunora {

class CDlgPrefNewtunes : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefNewtunes(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

  QPlainTextEdit* TemplateEdit() const { return template_; }

 private:
  std::string lengthOriginal_;
  std::string templateOriginal_;
  QComboBox* defaultLength_ = nullptr;
  QPlainTextEdit* template_ = nullptr;
};

}  // namespace tunora
