// Base of the pages of the preferences sheet: a page shows some settings and
// stores them back when the sheet is confirmed.
#pragma once

#include <QString>
#include <QWidget>

namespace tunora {

struct Settings;

class CPrefPage : public QWidget {
  Q_OBJECT

 public:
  CPrefPage(const QString& caption, QWidget* parent = nullptr)
      : QWidget(parent), caption_(caption) {}

  const QString& Caption() const { return caption_; }
  // Fills the fields from the settings.
  virtual void Load(const Settings& settings) = 0;
  // Stores the fields into the settings. False keeps the sheet open (the user
  // has been told why).
  virtual bool Store(Settings& settings) = 0;

 private:
  QString caption_;
};

}  // namespace tunora
