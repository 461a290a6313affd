// Preferences page "Find": the defaults of the text search and the order of
// its field chooser.
#pragma once

#include <string>

#include "gui/app/CPrefPage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace tunora {

class CDlgPrefFind : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefFind(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

  const std::string& SearchFieldOrder() const { return fieldOrder_; }
  QComboBox* FieldChooser() const { return field_; }

 public slots:
  void OnFieldOrder();

 private:
  // Fills the chooser in the page's order, making letter's entry current.
  void FillChooser(char letter);
  char ChosenLetter() const;

  std::string fieldOrder_;
  std::string fieldOriginal_;
  QComboBox* field_ = nullptr;
  QCheckBox* exactMatch_ = nullptr;
  QCheckBox* ignoreCase_ = nullptr;
  QCheckBox* subdir_ = nullptr;
  QCheckBox* fromBeginning_ = nullptr;
  QSpinBox* looseMatch_ = nullptr;
  QComboBox* defaultButton_ = nullptr;
  QComboBox* findPos_ = nullptr;
  QComboBox* searchType_ = nullptr;
};

}  // namespace tunora
