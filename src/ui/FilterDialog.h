// The modal dialog in which the user edits the stored scan filter.
#pragma once

#include <QDialog>
#include <QString>

#include "platform/Platform.h"
#include "settings/Language.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kv {

class EMaskError;

// The message of a scan stopped by a malformed mask, in the current language.
QString MaskErrorText(const EMaskError& error, const TLangList& languages);

class TfrmFilter final : public QDialog {
 public:
  // Shows the filter the store holds; nothing is written before OK.
  TfrmFilter(ISettingsStore& store, const ILocale& locale, const TLangList& languages, QWidget* parent = nullptr);

  void ApplyLanguage();

  // The OK logic without closing the dialog: false (store untouched, ErrorText
  // set and shown in lblError) when a size field holds text that is not a whole
  // number. An empty size field counts as 0.
  bool TrySave();
  const QString& ErrorText() const { return ErrorText_; }

  // btnDefault: the "no filter" choices; other texts keep what they show.
  void SetDefaults();

 protected:
  // Enter in a size field runs OK before the spin box quietly reverts bad text.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadFromStore();
  void UpdateEnabling();
  void ShowError(const QString& text);
  void OkClicked();

  ISettingsStore& Store_;
  const ILocale& Locale_;
  const TLangList& Languages_;
  QString ErrorText_;

  QTabWidget* pgcFilter = nullptr;
  QWidget* tbsMask = nullptr;
  QWidget* tbsSize = nullptr;
  QWidget* tbsOwner = nullptr;
  QLabel* lblMaskIncluded = nullptr;
  QComboBox* cmbMaskIncluded = nullptr;
  QCheckBox* cbxMaskExcluded = nullptr;
  QCheckBox* cbxOneFileSystem = nullptr;
  QComboBox* cmbMaskExcluded = nullptr;
  QLabel* lblMaskSample = nullptr;
  QRadioButton* rbtSizeAny = nullptr;
  QRadioButton* rbtSizeSpecify = nullptr;
  QComboBox* cmbSizeSpecify = nullptr;
  QSpinBox* edtSizeSpecifyFirst = nullptr;
  QLabel* lblSizeSpecifyAnd = nullptr;
  QSpinBox* edtSizeSpecifyLast = nullptr;
  QRadioButton* rbtOwnerAny = nullptr;
  QRadioButton* rbtOwnerSpecify = nullptr;
  QComboBox* cmbOwner = nullptr;
  QLabel* lblError = nullptr;
  QPushButton* btnDefault = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace kv
