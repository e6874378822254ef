// The dialog of "Save all scanned files...": the format, whether files are
// listed, then the save flow. Nothing of it is remembered between openings.
#pragma once

#include <functional>

#include <QDialog>

#include "app/ExportCommands.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace kv {

class TfrmReportTree final : public QDialog {
 public:
  // Runs the save flow for the chosen format; the dialog closes only on Done.
  using TSave = std::function<TCommandOutcome(TTreeReportFormat format, bool withFiles)>;

  TfrmReportTree(QWidget* owner, TTranslate translate, TSave save);

  void ApplyLanguage();
  void btnSaveClick();

  TTreeReportFormat Format() const;
  bool WithFiles() const;

  QGroupBox* boxFormat = nullptr;
  QRadioButton* rbtHtml = nullptr;
  QRadioButton* rbtCSV = nullptr;
  QCheckBox* cbxSaveFiles = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  TTranslate Translate_;
  TSave Save_;
};

}  // namespace kv
