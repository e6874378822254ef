#include "ui/FilterDialog.h"
#include "ui/DialogSize.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <climits>
#include <optional>
#include <string>

#include "scan/ItemFilter.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

QComboBox* MakeMaskBox(QWidget* parent, const char* name) {
  auto* box = MakeNamed<QComboBox>(parent, name);
  box->setEditable(true);
  // The histories belong to the stored filter; Enter must not grow the list here.
  box->setInsertPolicy(QComboBox::NoInsert);
  // A long mask in the history must not widen the dialog.
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(16);
  return box;
}

QSpinBox* MakeSizeBox(QWidget* parent, const char* name) {
  auto* box = MakeNamed<QSpinBox>(parent, name);
  box->setRange(INT_MIN, INT_MAX);
  return box;
}

// The whole number a size field shows (0 when it is empty), or nothing when
// its text is not one. The spin box's value() would be its last valid value instead.
std::optional<int32_t> SizeValue(const QSpinBox& box) {
  const QString text = box.cleanText().trimmed();
  if (text.isEmpty()) return 0;
  bool ok = false;
  const int value = box.locale().toInt(text, &ok);
  if (!ok) return std::nullopt;
  return value;
}

constexpr QSize DesignSize(376, 229);

void SetItems(QComboBox& box, const std::vector<std::string>& items) {
  box.clear();
  for (const std::string& item : items) box.addItem(FromUtf8(item));
}

}  // namespace

TfrmFilter::TfrmFilter(ISettingsStore& store, const ILocale& locale, const TLangList& languages, QWidget* parent)
    : QDialog(parent), Store_(store), Locale_(locale), Languages_(languages) {
  setObjectName("TfrmFilter");
  setWindowTitle("Filter");

  pgcFilter = MakeNamed<QTabWidget>(this, "pgcFilter");

  tbsMask = MakeNamed<QWidget>(pgcFilter, "tbsMask");
  lblMaskIncluded = MakeNamed<QLabel>(tbsMask, "lblMaskIncluded");
  lblMaskIncluded->setText("Mask included:");
  cmbMaskIncluded = MakeMaskBox(tbsMask, "cmbMaskIncluded");
  cmbMaskIncluded->setEditText("*");
  cbxMaskExcluded = MakeNamed<QCheckBox>(tbsMask, "cbxMaskExcluded");
  cbxMaskExcluded->setText("Mask excluded:");
  cmbMaskExcluded = MakeMaskBox(tbsMask, "cmbMaskExcluded");
  cmbMaskExcluded->setEditText("*");
  lblMaskSample = MakeNamed<QLabel>(tbsMask, "lblMaskSample");
  lblMaskSample->setText("Example format mask: \n*.jpg; *.jpeg; *.bmp; *.psd; *.gif\n*f*.exe; p?q.txt");
  auto* maskGrid = new QGridLayout(tbsMask);
  maskGrid->addWidget(lblMaskIncluded, 0, 0);
  maskGrid->addWidget(cmbMaskIncluded, 0, 1);
  maskGrid->addWidget(cbxMaskExcluded, 1, 0);
  maskGrid->addWidget(cmbMaskExcluded, 1, 1);
  maskGrid->addWidget(lblMaskSample, 2, 0, 1, 2);
  maskGrid->setColumnStretch(1, 1);
  maskGrid->setRowStretch(3, 1);
  pgcFilter->addTab(tbsMask, "Mask");

  tbsSize = MakeNamed<QWidget>(pgcFilter, "tbsSize");
  rbtSizeAny = MakeNamed<QRadioButton>(tbsSize, "rbtSizeAny");
  rbtSizeAny->setText("Any size");
  rbtSizeSpecify = MakeNamed<QRadioButton>(tbsSize, "rbtSizeSpecify");
  rbtSizeSpecify->setText("Specify size (in KB)");
  cmbSizeSpecify = MakeNamed<QComboBox>(tbsSize, "cmbSizeSpecify");
  // The position of an item is the stored size mode; the texts are never translated.
  cmbSizeSpecify->addItems({"greater then ", "less than ", "equal to ", "beetween"});
  edtSizeSpecifyFirst = MakeSizeBox(tbsSize, "edtSizeSpecifyFirst");
  lblSizeSpecifyAnd = MakeNamed<QLabel>(tbsSize, "lblSizeSpecifyAnd");
  lblSizeSpecifyAnd->setText("and");
  edtSizeSpecifyLast = MakeSizeBox(tbsSize, "edtSizeSpecifyLast");
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(cmbSizeSpecify);
  sizeRow->addWidget(edtSizeSpecifyFirst, 1);
  sizeRow->addWidget(lblSizeSpecifyAnd);
  sizeRow->addWidget(edtSizeSpecifyLast, 1);
  auto* sizeColumn = new QVBoxLayout(tbsSize);
  sizeColumn->addWidget(rbtSizeAny);
  sizeColumn->addWidget(rbtSizeSpecify);
  sizeColumn->addLayout(sizeRow);
  sizeColumn->addStretch();
  pgcFilter->addTab(tbsSize, "Size");

  tbsOwner = MakeNamed<QWidget>(pgcFilter, "tbsOwner");
  rbtOwnerAny = MakeNamed<QRadioButton>(tbsOwner, "rbtOwnerAny");
  rbtOwnerAny->setText("Any owner");
  rbtOwnerSpecify = MakeNamed<QRadioButton>(tbsOwner, "rbtOwnerSpecify");
  rbtOwnerSpecify->setText("Specify owner (domain\\username)");
  cmbOwner = MakeMaskBox(tbsOwner, "cmbOwner");
  cmbOwner->setEditText("*\\*");
  auto* ownerColumn = new QVBoxLayout(tbsOwner);
  ownerColumn->addWidget(rbtOwnerAny);
  ownerColumn->addWidget(rbtOwnerSpecify);
  ownerColumn->addWidget(cmbOwner);
  ownerColumn->addStretch();
  pgcFilter->addTab(tbsOwner, "File owner");

  // Below the pages: it limits which folders are entered, not which files count.
  cbxOneFileSystem = MakeNamed<QCheckBox>(this, "cbxOneFileSystem");

  lblError = MakeNamed<QLabel>(this, "lblError");
  lblError->setWordWrap(true);
  lblError->setStyleSheet("color: #b00000");
  lblError->hide();

  btnDefault = MakeNamed<QPushButton>(this, "btnDefault");
  btnDefault->setText("Default");
  btnOk = MakeNamed<QPushButton>(this, "btnOk");
  btnOk->setText("OK");
  btnOk->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  btnCancel->setText("Cancel");
  // A click must not take the focus: leaving a size field would replace a bad
  // text by the field's previous value before OK could check it.
  for (QPushButton* button : {btnDefault, btnOk, btnCancel}) button->setFocusPolicy(Qt::TabFocus);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnDefault);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(pgcFilter, 1);
  column->addWidget(cbxOneFileSystem);
  column->addWidget(lblError);
  column->addLayout(buttons);

  connect(btnOk, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnDefault, &QPushButton::clicked, this, [this] { SetDefaults(); });
  for (QRadioButton* radio : {rbtSizeAny, rbtSizeSpecify, rbtOwnerAny, rbtOwnerSpecify})
    connect(radio, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
  connect(cbxMaskExcluded, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
  connect(cmbSizeSpecify, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
  for (QSpinBox* box : {edtSizeSpecifyFirst, edtSizeSpecifyLast}) box->installEventFilter(this);

  pgcFilter->setCurrentWidget(tbsMask);
  LoadFromStore();
  ApplyLanguage();
  UpdateEnabling();
}

void TfrmFilter::LoadFromStore() {
  const TFilter filter(Store_, Locale_);
  rbtSizeAny->setChecked(filter.SizeAny);
  rbtSizeSpecify->setChecked(!filter.SizeAny);
  cmbSizeSpecify->setCurrentIndex(filter.SizeMode);
  edtSizeSpecifyFirst->setValue(filter.SizeFirst);
  edtSizeSpecifyLast->setValue(filter.SizeLast);
  rbtOwnerAny->setChecked(filter.OwnerAny);
  rbtOwnerSpecify->setChecked(!filter.OwnerAny);
  cmbOwner->setEditText(FromUtf8(filter.OwnerMask));
  // Lists first: filling an empty combo box would replace its edit text.
  SetItems(*cmbMaskIncluded, filter.IncludedHistory.Items());
  SetItems(*cmbMaskExcluded, filter.ExcludedHistory.Items());
  cmbMaskIncluded->setEditText(FromUtf8(filter.IncludedMask));
  cmbMaskExcluded->setEditText(FromUtf8(filter.ExcludedMask));
  cbxMaskExcluded->setChecked(!filter.ExcludedMask.empty());
  cbxOneFileSystem->setChecked(filter.OneFileSystem);
}

void TfrmFilter::ApplyLanguage() {
  auto tr = [this](const char* id) { return FromUtf8(Languages_.Translate(id)); };
  setWindowTitle(tr(IdFilterCaption));
  btnOk->setText(tr(IdOk));
  btnCancel->setText(tr(IdCancel));
  btnDefault->setText(tr(IdDefault));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsMask), tr(IdTabMask));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsSize), tr(IdTabSize));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsOwner), tr(IdTabOwner));
  lblMaskIncluded->setText(tr(IdMaskIncluded));
  cbxMaskExcluded->setText(tr(IdMaskExcluded));
  // Language texts break lines with CR LF; a label wants a plain line feed.
  lblMaskSample->setText(tr(IdMaskSample).replace("\r\n", "\n"));
  rbtSizeAny->setText(tr(IdSizeAny));
  rbtSizeSpecify->setText(tr(IdSizeSpecify));
  lblSizeSpecifyAnd->setText(tr(IdSizeAnd));
  rbtOwnerAny->setText(tr(IdOwnerAny));
  rbtOwnerSpecify->setText(tr(IdOwnerSpecify));
  cbxOneFileSystem->setText(tr(IdOneFileSystem));
  FitDialogToLayout(*this, DesignSize);
}

void TfrmFilter::UpdateEnabling() {
  const bool sizeSpecified = rbtSizeSpecify->isChecked();
  cmbSizeSpecify->setEnabled(sizeSpecified);
  edtSizeSpecifyFirst->setEnabled(sizeSpecified);
  const bool between = sizeSpecified && cmbSizeSpecify->currentIndex() == cmbSizeSpecify->count() - 1;
  edtSizeSpecifyLast->setEnabled(between);
  lblSizeSpecifyAnd->setEnabled(between);
  cmbMaskExcluded->setEnabled(cbxMaskExcluded->isChecked());
  cmbOwner->setEnabled(rbtOwnerSpecify->isChecked());
  cmbMaskIncluded->setEnabled(true);
}

void TfrmFilter::SetDefaults() {
  cmbMaskIncluded->setEditText("*");
  cbxMaskExcluded->setChecked(false);
  rbtSizeAny->setChecked(true);
  rbtSizeSpecify->setChecked(false);
  rbtOwnerAny->setChecked(true);
  rbtOwnerSpecify->setChecked(false);
  cbxOneFileSystem->setChecked(false);
}

void TfrmFilter::ShowError(const QString& text) {
  ErrorText_ = text;
  lblError->setText(text);
  lblError->setVisible(!text.isEmpty());
  FitDialogToLayout(*this, DesignSize);
}

bool TfrmFilter::TrySave() {
  // Both fields are stored whatever the mode, so both must hold what they show.
  const std::optional<int32_t> first = SizeValue(*edtSizeSpecifyFirst);
  const std::optional<int32_t> last = SizeValue(*edtSizeSpecifyLast);
  if (!first || !last) {
    QSpinBox* bad = first ? edtSizeSpecifyLast : edtSizeSpecifyFirst;
    const char* id = first ? IdSizeLastNotNumber : IdSizeFirstNotNumber;
    ShowError(WithValue(FromUtf8(Languages_.Translate(id)), bad->cleanText()));
    pgcFilter->setCurrentWidget(tbsSize);
    if (bad->isEnabled()) bad->setFocus();
    return false;
  }
  ShowError({});

  TFilter filter(Store_, Locale_);
  filter.SizeAny = rbtSizeAny->isChecked();
  filter.SizeMode = cmbSizeSpecify->currentIndex();
  filter.SizeFirst = *first;
  filter.SizeLast = *last;
  filter.OwnerAny = rbtOwnerAny->isChecked();
  filter.OwnerMask = ToUtf8(cmbOwner->currentText().trimmed());
  filter.OneFileSystem = cbxOneFileSystem->isChecked();
  const std::string included = ToUtf8(cmbMaskIncluded->currentText().trimmed());
  const std::string excluded = ToUtf8(cmbMaskExcluded->currentText().trimmed());
  filter.IncludedMask = included;
  filter.ExcludedMask = cbxMaskExcluded->isChecked() ? excluded : std::string();
  // Masks are stored as entered, malformed or empty; the typed excluded text
  // joins its history even when the box is unchecked.
  filter.IncludedHistory.Add(included);
  filter.ExcludedHistory.Add(excluded);
  filter.Save();
  return true;
}

void TfrmFilter::OkClicked() {
  if (TrySave()) accept();
}

bool TfrmFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == edtSizeSpecifyFirst || watched == edtSizeSpecifyLast)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OkClicked();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QString MaskErrorText(const EMaskError& error, const TLangList& languages) {
  const char* id = error.Fault == TMaskFault::RangeWithoutFirst ? IdMaskRangeWithoutFirst
                   : error.Fault == TMaskFault::SetNotClosed   ? IdMaskSetNotClosed
                                                               : IdMaskEmptySet;
  return WithValue(FromUtf8(languages.Translate(id)), FromUtf8(error.Mask));
}

}  // namespace kv
