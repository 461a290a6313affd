// The general preferences: a tabbed sheet with the pages General, Find, Music
// Search, Edit Tune, Tune List, New and User Defines. Each page copies its
// settings in when the sheet opens and back on OK, after which the settings
// are saved.
#pragma once

#include <QDialog>
#include <vector>

class QTabWidget;

namespace tunora {

struct Settings;
class CPrefPage;

class CPrefSheet : public QDialog {
  Q_OBJECT

 public:
  explicit CPrefSheet(QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return tabs_; }
  const std::vector<CPrefPage*>& Pages() const { return pages_; }
  // The page with that caption, or null.
  CPrefPage* Page(const QString& caption) const;

 public slots:
  // OK: every page stores its fields into the settings, then they are saved.
  void accept() override;

 private:
  void AddPage(CPrefPage* page);

  QTabWidget* tabs_ = nullptr;
  std::vector<CPrefPage*> pages_;
};

}  // namespace tunora
