// Preferences page "Music Search": the defaults of the melody search.
#pragma once

#include "gui/app/CPrefPage.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace tunora {

class CDlgPrefFindMusic : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefFindMusic(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

 private:
  QCheckBox* fromBeginning_ = nullptr;
  QCheckBox* subdir_ = nullptr;
  QCheckBox* ignoreOrnaments_ = nullptr;
  QCheckBox* transpose36_ = nullptr;
  QCheckBox* transpose45_ = nullptr;
  QCheckBox* transpose8_ = nullptr;
  QCheckBox* transposeMaj2_ = nullptr;
  QCheckBox* transposeMin2Aug4_ = nullptr;
  QCheckBox* transpose8plus_ = nullptr;
  QSpinBox* looseMatch_ = nullptr;
  QRadioButton* beginning_ = nullptr;
  QRadioButton* anywhere_ = nullptr;
};

}  // namespace tunora
