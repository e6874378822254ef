#include "ui/SettingsDialog.h"
#include "ui/DialogSize.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "settings/TextIds.h"

namespace kv {

namespace {

constexpr int32_t MinCount = 1;
constexpr int32_t MaxCount = std::numeric_limits<int32_t>::max();
constexpr QSize DesignSize(370, 220);
// As TOption reads them back.
constexpr int MinHistoryEntries = 1;
constexpr int MaxHistoryEntries = 100;

}  // namespace

TfrmSettings::TfrmSettings(TOption& options, TLangList& languages, std::function<void()> onLanguageChanged,
                           QWidget* parent)
    : QDialog(parent), Options_(options), Languages_(languages), OnLanguageChanged_(std::move(onLanguageChanged)) {
  setObjectName("frmSettings");
  auto* form = new QVBoxLayout(this);

  pgcSetting = MakeNamed<QTabWidget>(this, "pgcSetting");
  form->addWidget(pgcSetting, 1);

  // Report page: the list length and the time the oldest/newest reports use.
  tbsReport = MakeNamed<QWidget>(pgcSetting, "tbsReport");
  auto* report = new QVBoxLayout(tbsReport);
  auto* countRow = new QHBoxLayout;
  lblCountFiles = MakeNamed<QLabel>(tbsReport, "lblCountFiles");
  edtCountFiles = MakeNamed<QSpinBox>(tbsReport, "edtCountFiles");
  edtCountFiles->setMinimum(MinCount);
  edtCountFiles->setMaximum(MaxCount);
  edtCountFiles->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  countRow->addWidget(lblCountFiles, 1);
  countRow->addWidget(edtCountFiles);
  report->addLayout(countRow);
  cbxOldes = MakeNamed<QGroupBox>(tbsReport, "cbxOldes");
  auto* oldest = new QVBoxLayout(cbxOldes);
  // Siblings inside one group box: the three exclude each other.
  rbtCreate = MakeNamed<QRadioButton>(cbxOldes, "rbtCreate");
  rbtUpdate = MakeNamed<QRadioButton>(cbxOldes, "rbtUpdate");
  rbtLastAccess = MakeNamed<QRadioButton>(cbxOldes, "rbtLastAccess");
  oldest->addWidget(rbtCreate);
  oldest->addWidget(rbtUpdate);
  oldest->addWidget(rbtLastAccess);
  report->addWidget(cbxOldes);
  // Takes effect with the next scan; the tree already read keeps its sizes.
  chkCountLinksOnce = MakeNamed<QCheckBox>(tbsReport, "chkCountLinksOnce");
  report->addWidget(chkCountLinksOnce);
  // Each finished scan kept, a few per scanned folder, to compare with later.
  chkKeepHistory = MakeNamed<QCheckBox>(tbsReport, "chkKeepHistory");
  report->addWidget(chkKeepHistory);
  auto* historyRow = new QHBoxLayout;
  lblHistoryEntries = MakeNamed<QLabel>(tbsReport, "lblHistoryEntries");
  edtHistoryEntries = MakeNamed<QSpinBox>(tbsReport, "edtHistoryEntries");
  edtHistoryEntries->setRange(MinHistoryEntries, MaxHistoryEntries);
  edtHistoryEntries->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  lblHistoryEntries->setBuddy(edtHistoryEntries);
  historyRow->addSpacing(20);
  historyRow->addWidget(lblHistoryEntries, 1);
  historyRow->addWidget(edtHistoryEntries);
  report->addLayout(historyRow);
  connect(chkKeepHistory, &QCheckBox::toggled, this, [this](bool on) {
    lblHistoryEntries->setEnabled(on);
    edtHistoryEntries->setEnabled(on);
  });
  report->addStretch(1);
  pgcSetting->addTab(tbsReport, QString());

  tbsChart = MakeNamed<QWidget>(pgcSetting, "tbsChart");
  auto* chart = new QVBoxLayout(tbsChart);
  lblChartOther = MakeNamed<QLabel>(tbsChart, "lblChartOther");
  rbtChartOther1 = MakeNamed<QRadioButton>(tbsChart, "rbtChartOther1");
  rbtChartOther2 = MakeNamed<QRadioButton>(tbsChart, "rbtChartOther2");
  chart->addWidget(lblChartOther);
  chart->addWidget(rbtChartOther1);
  chart->addWidget(rbtChartOther2);
  chart->addStretch(1);
  pgcSetting->addTab(tbsChart, QString());

  tbsLanguage = MakeNamed<QWidget>(pgcSetting, "tbsLanguage");
  auto* language = new QVBoxLayout(tbsLanguage);
  lblLanguage = MakeNamed<QLabel>(tbsLanguage, "lblLanguage");
  cmbLanguage = MakeNamed<QComboBox>(tbsLanguage, "cmbLanguage");
  cmbLanguage->setEditable(false);
  language->addWidget(lblLanguage);
  language->addWidget(cmbLanguage);
  language->addStretch(1);
  pgcSetting->addTab(tbsLanguage, QString());

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOk = MakeNamed<QPushButton>(this, "btnOk");
  btnOk->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  form->addLayout(buttons);

  ApplyLanguage();

  for (const std::string& name : Languages_.LanguageNames()) cmbLanguage->addItem(FromUtf8(name));
  cmbLanguage->setCurrentIndex(Languages_.SelectedLanguageIndex());

  (Options_.ChartOtherType == 2 ? rbtChartOther2 : rbtChartOther1)->setChecked(true);
  // Whatever the store held, the box shows a count within its bounds.
  edtCountFiles->setValue(Options_.ReportListCount);
  if (Options_.ReportOldestType == 2)
    rbtUpdate->setChecked(true);
  else if (Options_.ReportOldestType == 3)
    rbtLastAccess->setChecked(true);
  else
    rbtCreate->setChecked(true);
  chkCountLinksOnce->setChecked(Options_.CountHardLinksOnce != 0);
  edtHistoryEntries->setValue(Options_.HistoryEntries);
  chkKeepHistory->setChecked(Options_.KeepHistory != 0);
  lblHistoryEntries->setEnabled(chkKeepHistory->isChecked());
  edtHistoryEntries->setEnabled(chkKeepHistory->isChecked());

  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
  // Connected after filling, so only the user's (or a test's) choice switches the language.
  connect(cmbLanguage, &QComboBox::currentIndexChanged, this, [this](int index) { cmbLanguageChange(index); });
  FitDialogToLayout(*this, DesignSize);  // the language names are in now
}

void TfrmSettings::ShowPage(const char* pageObjectName) {
  const QString name = QString::fromLatin1(pageObjectName);
  for (int i = 0; i < pgcSetting->count(); ++i) {
    if (pgcSetting->widget(i)->objectName() == name) {
      pgcSetting->setCurrentIndex(i);
      return;
    }
  }
}

void TfrmSettings::ApplyLanguage() {
  // Language texts break lines with CR LF; a label wants a plain line feed.
  auto tr = [this](const char* id) {
    return FromUtf8(Languages_.Translate(id)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  };
  setWindowTitle(tr(IdSettingsCaption));
  pgcSetting->setTabText(pgcSetting->indexOf(tbsReport), tr(IdTabReport));
  pgcSetting->setTabText(pgcSetting->indexOf(tbsChart), tr(IdTabChart));
  pgcSetting->setTabText(pgcSetting->indexOf(tbsLanguage), tr(IdTabLanguage));
  lblCountFiles->setText(tr(IdReportCountLabel));
  cbxOldes->setTitle(tr(IdOldestNewestFiles));
  rbtCreate->setText(tr(IdUseCreationDate));
  rbtUpdate->setText(tr(IdUseModifyDate));
  rbtLastAccess->setText(tr(IdUseLastAccessDate));
  chkCountLinksOnce->setText(tr(IdCountLinksOnce));
  chkKeepHistory->setText(tr(IdKeepHistory));
  lblHistoryEntries->setText(tr(IdHistoryEntries));
  lblChartOther->setText(tr(IdChartOtherLabel));
  rbtChartOther1->setText(tr(IdChartOtherSmall));
  rbtChartOther2->setText(tr(IdChartOtherNone));
  lblLanguage->setText(tr(IdLanguageLabel));
  btnOk->setText(tr(IdOk));
  btnCancel->setText(tr(IdCancel));
  FitDialogToLayout(*this, DesignSize);
}

void TfrmSettings::btnOkClick() {
  Options_.ChartOtherType = rbtChartOther2->isChecked() ? 2 : 1;
  // The text, not value(): a text still being typed (empty, 0) has not reached value() yet.
  Options_.ReportListCount = CountFromText(edtCountFiles->cleanText());
  if (rbtUpdate->isChecked())
    Options_.ReportOldestType = 2;
  else if (rbtLastAccess->isChecked())
    Options_.ReportOldestType = 3;
  else
    Options_.ReportOldestType = 1;
  Options_.CountHardLinksOnce = chkCountLinksOnce->isChecked() ? 1 : 0;
  Options_.KeepHistory = chkKeepHistory->isChecked() ? 1 : 0;
  // The text, as for the count above; out of range is kept within it.
  Options_.HistoryEntries =
      std::clamp(CountFromText(edtHistoryEntries->cleanText()), MinHistoryEntries, MaxHistoryEntries);
  Options_.Save();
  accept();
}

void TfrmSettings::btnCancelClick() { reject(); }

void TfrmSettings::cmbLanguageChange(int index) {
  if (index < 0 || index >= cmbLanguage->count()) return;
  const QByteArray name = cmbLanguage->itemText(index).toUtf8();
  // Stores "Language" too; Cancel does not take it back.
  Languages_.SetCurrentLanguage(std::string_view(name.constData(), static_cast<size_t>(name.size())));
  ApplyLanguage();
  if (OnLanguageChanged_) OnLanguageChanged_();
}

int32_t TfrmSettings::CountFromText(const QString& text) {
  const QString s = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < s.size() && (s[i].unicode() == u'+' || s[i].unicode() == u'-')) negative = s[i++].unicode() == u'-';
  if (i == s.size()) return MinCount;
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i].unicode();
    if (c < u'0' || c > u'9') return MinCount;
    // Saturate: any longer run of digits is above the maximum anyway.
    if (value <= MaxCount) value = value * 10 + (c - u'0');
  }
  if (negative) return MinCount;
  if (value < MinCount) return MinCount;
  if (value > MaxCount) return MaxCount;
  return static_cast<int32_t>(value);
}

}  // namespace kv
