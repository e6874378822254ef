#include "ui/ReportTreeDialog.h"
#include "ui/DialogSize.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "settings/TextIds.h"

namespace kv {

TfrmReportTree::TfrmReportTree(QWidget* owner, TTranslate translate, TSave save)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), Translate_(std::move(translate)),
      Save_(std::move(save)) {
  setObjectName("frmReportTree");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  boxFormat = new QGroupBox(this);
  boxFormat->setObjectName("boxFormat");
  auto* formats = new QHBoxLayout(boxFormat);
  rbtHtml = new QRadioButton(QStringLiteral("Html"), boxFormat);
  rbtHtml->setObjectName("rbtHtml");
  rbtHtml->setChecked(true);
  rbtCSV = new QRadioButton(QStringLiteral("CSV"), boxFormat);
  rbtCSV->setObjectName("rbtCSV");
  formats->addWidget(rbtHtml);
  formats->addWidget(rbtCSV);
  layout->addWidget(boxFormat);

  cbxSaveFiles = new QCheckBox(this);
  cbxSaveFiles->setObjectName("cbxSaveFiles");
  cbxSaveFiles->setChecked(true);
  layout->addWidget(cbxSaveFiles);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  btnSave = new QPushButton(this);
  btnSave->setObjectName("btnSave");
  btnSave->setDefault(true);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName("btnCancel");
  buttons->addWidget(btnSave);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  connect(btnSave, &QPushButton::clicked, this, &TfrmReportTree::btnSaveClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  ApplyLanguage();
}

void TfrmReportTree::ApplyLanguage() {
  const auto tr = [this](const char* id) {
    return QString::fromStdString(Translate_ ? Translate_(id) : std::string(id));
  };
  setWindowTitle(tr(IdReportTreeCaption));
  boxFormat->setTitle(tr(IdFormat));
  cbxSaveFiles->setText(tr(IdSaveFiles));
  btnSave->setText(tr(IdSave));
  btnCancel->setText(tr(IdCancel));
  FitDialogToLayout(*this, QSize(297, 133));
}

TTreeReportFormat TfrmReportTree::Format() const {
  return rbtCSV->isChecked() ? TTreeReportFormat::Csv : TTreeReportFormat::Html;
}

bool TfrmReportTree::WithFiles() const { return cbxSaveFiles->isChecked(); }

void TfrmReportTree::btnSaveClick() {
  // Cancelled or failed: back to the dialog with its choices.
  if (Save_ && Save_(Format(), WithFiles()) == TCommandOutcome::Done) accept();
}

}  // namespace kv
