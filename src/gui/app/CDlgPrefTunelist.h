// Preferences page "Tune List": how the lines of a tune list are made, its
// form and size, and the questions before tunes are removed.
#pragma once

#include <string>

#include "gui/app/CPrefPage.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tunora {

class CDlgPrefTunelist : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefTunelist(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

 private:
  std::string listOriginal_;
  std::string prefOriginal_;
  QLineEdit* listFormat_ = nullptr;
  QLineEdit* prefFormat_ = nullptr;
  QCheckBox* multiColumn_ = nullptr;
  QSpinBox* height_ = nullptr;
  QSpinBox* width_ = nullptr;
  QSpinBox* tabWidth_ = nullptr;
  QCheckBox* askCut_ = nullptr;
  QCheckBox* askCutMulti_ = nullptr;
};

}  // namespace tunora
