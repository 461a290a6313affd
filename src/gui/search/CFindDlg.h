// The search dialog: a tabbed sheet with the pages "Text Search", "Music Search"
// and "Advanced Search" over the files to search (or, for Find, the open tune file).
// It is filled from the search settings and writes the choices back on OK.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "search/TuneSearch.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace tunora {

struct Settings;
class History;

// An editable box with a history, newest first (the search and list dialogs).
QComboBox* HistoryBox(const History& history, QWidget* parent, const char* name);

class CFindTextDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CFindTextDlg(const Settings& settings, QWidget* parent = nullptr);
  void Fill(SearchRequest& request) const;
  void Store(Settings& settings) const;
  QComboBox* TextBox() const { return text_; }

 private:
  QComboBox* text_;
  QComboBox* field_;
  QSpinBox* loose_;
  QCheckBox* exact_;
  QCheckBox* ignoreCase_;
};

class CFindMusicDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CFindMusicDlg(const Settings& settings, QWidget* parent = nullptr);
  void Fill(SearchRequest& request) const;
  void Store(Settings& settings) const;
  QComboBox* PhraseBox() const { return phrase_; }
  QLineEdit* KeyBox() const { return key_; }

 private:
  void SplitPhrase(const QString& text);
  QLineEdit* key_;
  QComboBox* phrase_;
  QRadioButton* beginning_;
  QRadioButton* anywhere_;
  QCheckBox* ignoreOrnaments_;
  QSpinBox* loose_;
  QCheckBox* maj2_;
  QCheckBox* t45_;
  QCheckBox* t8_;
  QCheckBox* t36_;
  QCheckBox* min2_;
  QCheckBox* t8plus_;
};

class CFindAdvDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CFindAdvDlg(const Settings& settings, QWidget* parent = nullptr);
  void Fill(SearchRequest& request) const;
  void Store(Settings& settings) const;
  QComboBox* MatchBox() const { return match_; }
  // Appends text to the Match box with a blank between.
  void Append(const QString& text);

 private:
  QComboBox* match_;
  QComboBox* field_;
  QComboBox* op_;
  QCheckBox* ignoreCase_;
  QLineEdit* value_;
};

class CFindDlg : public QDialog {
  Q_OBJECT
 public:
  // inFile: Find in the open tune file (no file choice); otherwise a file search.
  CFindDlg(bool inFile, QWidget* parent = nullptr);

  // After OK: what to search for, where, and how.
  const SearchRequest& Request() const { return request_; }
  QString Files() const;
  bool Subdirectories() const;
  bool FromBeginning() const;

  CFindTextDlg* TextPage() const { return text_; }
  CFindMusicDlg* MusicPage() const { return music_; }
  CFindAdvDlg* AdvancedPage() const { return advanced_; }
  QTabWidget* Pages() const { return pages_; }
  QComboBox* FilesBox() const { return files_; }

  void accept() override;

 private:
  void PageChanged(int index);
  void Browse();

  bool inFile_;
  QTabWidget* pages_;
  CFindTextDlg* text_;
  CFindMusicDlg* music_;
  CFindAdvDlg* advanced_;
  QComboBox* files_;
  QCheckBox* subdir_;
  QCheckBox* fromBeginning_;
  SearchRequest request_;
};

}  // namespace tunora
