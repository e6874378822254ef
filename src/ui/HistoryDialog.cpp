#include "ui/HistoryDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/FileServices.h"
#include "reports/ReportColumns.h"
#include "settings/TextIds.h"
#include "ui/QtText.h"

namespace kv {

namespace {

enum THistoryColumn : int { hcRoot, hcTime, hcTotal, hcOnDisk, HistoryColumnCount };

// Wide enough for a few columns of paths and sizes without scrolling sideways.
constexpr QSize DesignSize(620, 300);

}  // namespace

TfrmHistory::TfrmHistory(TScanHistory& history, const TSizeFormat& format, const TFileServices& services,
                         const TTranslate& translate, IUserDialog& dialog, TCommands commands, QWidget* parent)
    : QDialog(parent),
      History_(history),
      Format_(format),
      Services_(services),
      Translate_(translate),
      Dialog_(dialog),
      Commands_(std::move(commands)) {
  setObjectName("frmHistory");
  setWindowTitle(Tr(IdHistoryCaption));
  auto* form = new QVBoxLayout(this);
  lvwHistory = MakeNamed<QTreeWidget>(this, "lvwHistory");
  lvwHistory->setRootIsDecorated(false);
  lvwHistory->setUniformRowHeights(true);
  lvwHistory->setColumnCount(HistoryColumnCount);
  lvwHistory->setHeaderLabels({Tr(IdColScanned), Tr(IdColTime), Tr(IdColTotal), Tr(IdColOnDisk)});
  lvwHistory->header()->setStretchLastSection(false);
  lvwHistory->header()->setSectionResizeMode(hcRoot, QHeaderView::Stretch);
  form->addWidget(lvwHistory, 1);

  auto* buttons = new QHBoxLayout;
  btnCompare = MakeNamed<QPushButton>(this, "btnCompare");
  btnOpen = MakeNamed<QPushButton>(this, "btnOpen");
  btnDelete = MakeNamed<QPushButton>(this, "btnDelete");
  btnClose = MakeNamed<QPushButton>(this, "btnClose");
  btnCompare->setText(Tr(IdHistoryCompare));
  btnOpen->setText(Tr(IdHistoryOpen));
  btnDelete->setText(Tr(IdHistoryDelete));
  btnClose->setText(Tr(IdClose));
  btnCompare->setDefault(true);
  for (QPushButton* button : {btnCompare, btnOpen, btnDelete}) buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(btnClose);
  form->addLayout(buttons);

  connect(btnCompare, &QPushButton::clicked, this, [this] { CloseWith(Commands_.CompareWith); });
  connect(btnOpen, &QPushButton::clicked, this, [this] { CloseWith(Commands_.Open); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvwHistory, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
  connect(lvwHistory, &QTreeWidget::itemDoubleClicked, this, [this] { CloseWith(Commands_.CompareWith); });

  Reload();
  resize(DesignSize.expandedTo(sizeHint()));
}

TSizeFormat TfrmHistory::EntrySizeFormat(int64_t size) const {
  // Entries are compressed and often far below a megabyte: in the window's
  // unit they would all read 0,00 MB.
  TSizeFormat format = Format_;
  constexpr int64_t TenMegabytes = int64_t{10} << 20;
  format.Unit = size < TenMegabytes ? TSizeUnit::KB : TSizeUnit::MB;
  return format;
}

QString TfrmHistory::Tr(const char* id) const { return FromUtf8(Translate_(id)); }

void TfrmHistory::Reload() {
  Entries_ = History_.List();
  lvwHistory->clear();
  const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
  for (const THistoryEntry& entry : Entries_) {
    auto* item = new QTreeWidgetItem(lvwHistory);
    item->setText(hcRoot, FromUtf8(entry.Root));
    // Kept in UTC, shown in the user's own time.
    const FileTime time = HistoryFileTime(entry.Time);
    item->setText(hcTime, time ? FromUtf8(DateTimeText(Services_.FileTimeToLocalDateTime(time), *Format_.Locale))
                               : FromUtf8(entry.Time));
    item->setText(hcTotal, FromUtf8(FormatSize(entry.Total, Format_)));
    item->setText(hcOnDisk, FromUtf8(FormatSize(entry.OnDisk, EntrySizeFormat(entry.OnDisk))));
    item->setTextAlignment(hcTotal, right);
    item->setTextAlignment(hcOnDisk, right);
  }
  for (int column = hcTime; column < HistoryColumnCount; ++column) lvwHistory->resizeColumnToContents(column);
  if (lvwHistory->topLevelItemCount() > 0) lvwHistory->setCurrentItem(lvwHistory->topLevelItem(0));
  UpdateButtons();
}

const THistoryEntry* TfrmHistory::Current() const {
  const int row = lvwHistory->indexOfTopLevelItem(lvwHistory->currentItem());
  return row >= 0 && static_cast<size_t>(row) < Entries_.size() ? &Entries_[static_cast<size_t>(row)] : nullptr;
}

void TfrmHistory::UpdateButtons() {
  const bool any = Current() != nullptr;
  for (QPushButton* button : {btnCompare, btnOpen, btnDelete}) button->setEnabled(any);
}

void TfrmHistory::CloseWith(const std::function<void(const THistoryEntry&)>& command) {
  const THistoryEntry* entry = Current();
  if (!entry) return;
  // A copy: the command may change the history the entries were listed from.
  const THistoryEntry chosen = *entry;
  accept();
  if (command) command(chosen);
}

void TfrmHistory::btnDeleteClick() {
  const THistoryEntry* entry = Current();
  if (!entry) return;
  const std::string label = entry->Root + "  " + ToUtf8(lvwHistory->currentItem()->text(hcTime));
  if (!Dialog_.AskYesNo(ToUtf8(WithValue(Tr(IdAskDeleteHistory), FromUtf8(label))))) return;
  if (!History_.Remove(*entry)) Dialog_.ShowError(ToUtf8(WithValue(Tr(IdHistoryNotDeleted), FromUtf8(entry->Path))));
  const int row = lvwHistory->indexOfTopLevelItem(lvwHistory->currentItem());
  Reload();
  // The row below the deleted one, so several can be deleted in a row.
  if (row > 0 && row < lvwHistory->topLevelItemCount()) lvwHistory->setCurrentItem(lvwHistory->topLevelItem(row));
  else if (row > 0 && lvwHistory->topLevelItemCount() > 0)
    lvwHistory->setCurrentItem(lvwHistory->topLevelItem(lvwHistory->topLevelItemCount() - 1));
}

}  // namespace kv
