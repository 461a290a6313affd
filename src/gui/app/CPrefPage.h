// Base of the pages of the preferences sheet: a page shows some settings and
// stores them back when the sheet is confirmed.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

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

  // Setting bytes as visible text (UTF-8 when valid, else code page 1252).
  static QString TextOf(const std::string& bytes);
  // Visible text back to setting bytes: the original bytes when the text did
  // not change, else the text in the original's encoding.
  static std::string BytesOf(const std::string& original, const QString& text);
  // The same for multi-line texts kept with CR LF line ends.
  static QString MultiLineTextOf(const std::string& bytes);
  static std::string MultiLineBytesOf(const std::string& original, const QString& text);

 private:
  QString caption_;
};

}  // namespace tunora
