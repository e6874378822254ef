// The settings dialog: the report, scan and chart options of TOption (taken
// over on OK) and the interface language (taken over, and stored, at once).
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

#include "settings/Language.h"
#include "app/Option.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace kv {

class TfrmSettings final : public QDialog {
 public:
  // onLanguageChanged re-labels the owner window after the user picks a language.
  TfrmSettings(TOption& options, TLangList& languages, std::function<void()> onLanguageChanged,
               QWidget* parent = nullptr);

  // Opens the page with this object name (tbsReport, tbsChart, tbsLanguage); other names change nothing.
  void ShowPage(const char* pageObjectName);
  void ApplyLanguage();

  // The button handlers, callable without exec(): OK stores the options
  // it shows, saves them all and accepts; Cancel only rejects.
  void btnOkClick();
  void btnCancelClick();
  // Makes the language at this index of cmbLanguage current, re-labels and stores it.
  void cmbLanguageChange(int index);

  // The count a text of edtCountFiles stands for: a whole number kept within
  // 1 .. 2147483647; a text that is not a whole number counts as 1.
  static int32_t CountFromText(const QString& text);

 private:
  TOption& Options_;
  TLangList& Languages_;
  std::function<void()> OnLanguageChanged_;

  QTabWidget* pgcSetting = nullptr;
  QWidget* tbsReport = nullptr;
  QWidget* tbsChart = nullptr;
  QWidget* tbsLanguage = nullptr;
  QLabel* lblCountFiles = nullptr;
  QSpinBox* edtCountFiles = nullptr;
  QGroupBox* cbxOldes = nullptr;
  QRadioButton* rbtCreate = nullptr;
  QRadioButton* rbtUpdate = nullptr;
  QRadioButton* rbtLastAccess = nullptr;
  QCheckBox* chkCountLinksOnce = nullptr;
  QCheckBox* chkKeepHistory = nullptr;
  QLabel* lblHistoryEntries = nullptr;
  QSpinBox* edtHistoryEntries = nullptr;
  QLabel* lblChartOther = nullptr;
  QRadioButton* rbtChartOther1 = nullptr;
  QRadioButton* rbtChartOther2 = nullptr;
  QLabel* lblLanguage = nullptr;
  QComboBox* cmbLanguage = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace kv
