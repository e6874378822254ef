// The main window compared with an earlier scan: the File entries that set
// and clear the baseline, the Change column of the folder tree, and the
// history kept after each finished scan.
#include "ui/Main.h"

#include <QAction>
#include <QColor>
#include <QStatusBar>
#include <QThreadPool>

#include "app/Option.h"
#include "reports/ChangesReport.h"
#include "reports/ReportColumns.h"
#include "settings/TextIds.h"
#include "ui/FolderPane.h"
#include "ui/FolderTreeModel.h"
#include "ui/HistoryDialog.h"
#include "ui/QtText.h"
#include "ui/TreemapPanel.h"

namespace kv {

namespace {

// Long enough to be read, short enough not to hide the counters for good.
constexpr int StatusMessageMs = 15000;

QString WithName(QString pattern, const std::string& name) { return pattern.replace("%s", FromUtf8(name)); }

}  // namespace

void TfrmMain::ConnectCompare() {
  connect(Act("mniCompareFile"), &QAction::triggered, this, [this] { CompareWithFile(); });
  connect(Act("mniCompareLast"), &QAction::triggered, this, [this] { CompareWithLast(); });
  connect(Act("mniClearBaseline"), &QAction::triggered, this, [this] { ClearBaseline(); });
  connect(Act("mniHistory"), &QAction::triggered, this, [this] { ShowHistory(); });
  // Without a history folder (tests) there is nothing to list.
  Act("mniHistory")->setEnabled(!Compare_->History().Folder().empty());
  FolderModel().ChangeOf = [this](const TFolderNode& node, int role) { return ChangeCell(node, role); };
  Act("mniClearBaseline")->setEnabled(false);
  // Remembered across runs; it takes effect while there is a baseline.
  QAction* byChange = Act("mniTreemapByChange");
  byChange->setChecked(Options_->TreemapByChange != 0);
  byChange->setEnabled(false);
  connect(byChange, &QAction::toggled, this, [this](bool on) {
    Options_->TreemapByChange = on ? 1 : 0;
    Options_->Save();
    ShowChangeColors();
  });
}

void TfrmMain::CompareWithFile() {
  if (Compare_->CompareWithFile(*Tree_, *Setup_.Platform.Locale, *FileEnv_) == TCommandOutcome::Done) BaselineChanged();
}

void TfrmMain::CompareWithLast() {
  THistoryEntry entry;
  if (!Compare_->LastScanOf(FocusedNode(), entry)) {
    Dialog_->ShowError(Languages_->Translate(IdNoHistory));
    return;
  }
  if (Compare_->CompareWith(entry.Path, *Tree_, *Setup_.Platform.Locale, *FileEnv_) == TCommandOutcome::Done)
    BaselineChanged();
}

void TfrmMain::ShowHistory() {
  TfrmHistory::TCommands commands;
  commands.CompareWith = [this](const THistoryEntry& entry) {
    if (Compare_->CompareWith(entry.Path, *Tree_, *Setup_.Platform.Locale, *FileEnv_) == TCommandOutcome::Done)
      BaselineChanged();
  };
  commands.Open = [this](const THistoryEntry& entry) {
    if (ImportFileCommand(*Tree_, entry.Path, *FileEnv_) != TCommandOutcome::Cancelled) Imported();
  };
  TfrmHistory dialog(Compare_->History(), SizeFormat_, *Services_, LanguageTranslator(*Languages_), *Dialog_,
                     std::move(commands), this);
  dialog.exec();
}

void TfrmMain::ClearBaseline() {
  Compare_->Clear();
  BaselineChanged();
}

void TfrmMain::BaselineChanged() {
  const bool active = Compare_->Active();
  Act("mniClearBaseline")->setEnabled(active);
  Folders_->ShowChangeColumn(active);
  Folders_->ChangesMoved();
  Act("mniTreemapByChange")->setEnabled(active);
  ShowChangeColors();
  if (active) {
    // A history entry by its folder and time, not by its encoded name.
    std::string source = Compare_->Baseline().SourceFile;
    THistoryEntry entry;
    if (const FileTime time = Compare_->History().EntryOf(source, entry) ? HistoryFileTime(entry.Time) : 0)
      source = entry.Root + "  " + DateTimeText(Services_->FileTimeToLocalDateTime(time), *Setup_.Platform.Locale);
    const QString said = Compare_->Baseline().OtherRoot() ? Tr(IdCompareOtherRoot)
                                                          : WithName(Tr(IdComparedWith), source);
    barStatus->showMessage(said, StatusMessageMs);
  } else {
    barStatus->clearMessage();
  }
  RefreshReport(FocusedNode());
}

void TfrmMain::ScanFinished(const std::string& root) {
  RecomputeBaseline();
  TPendingEntry pending;
  std::string told;
  if (!Compare_->BeginKeep(*Tree_, root, *Options_, pending, told)) {
    ShowHistoryFailure(told);
    return;
  }
  // Compressing is most of the time an entry takes; the tree is not read any more.
  if (!HistoryPool_) {
    HistoryPool_ = std::make_shared<QThreadPool>();
    HistoryPool_->setMaxThreadCount(1);  // entries of one root are dropped in order
  }
  HistoryPool_->start([this, history = Compare_->History(), pending] {
    const TFileResult result = history.Finish(pending);
    QMetaObject::invokeMethod(this, [this, result] { ShowHistoryFailure(Compare_->Told(result)); },
                              Qt::QueuedConnection);
  });
}

void TfrmMain::ShowHistoryFailure(const std::string& told) {
  if (!told.empty()) barStatus->showMessage(WithName(Tr(IdHistoryNotWritten), told), StatusMessageMs);
}

void TfrmMain::StopHistoryWrites() {
  if (HistoryPool_) HistoryPool_->waitForDone();
}

void TfrmMain::RecomputeBaseline() {
  if (!Compare_->Settle(*Tree_)) return;
  Folders_->ChangesMoved();
  if (Pane_.ChangesShown()) RefreshReport(FocusedNode());
  ShowChangeColors();
}

void TfrmMain::ShowChangeColors() {
  const bool wanted = Compare_->Active() && Act("mniTreemapByChange")->isChecked();
  pnlTreemap->SetChangeColors(wanted ? &Compare_->Baseline() : nullptr);
}

QVariant TfrmMain::ChangeCell(const TFolderNode& node, int role) const {
  if (!Compare_->Active() || !FolderData(&node)) return {};
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::TextAlignmentRole &&
      role != TFolderTreeModel::ChangeSortRole)
    return {};
  if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
  TBaselineSizes before;
  const bool found = Compare_->Baseline().FindFolder(&node, before);
  const int64_t after = node.Data()->GetSize(SizeFormat_.Type);
  const int64_t difference = found ? SatSub(after, before.Get(SizeFormat_.Type)) : after;
  const TChangeState state = !found ? TChangeState::New
                             : difference > 0 ? TChangeState::Grown
                             : difference < 0 ? TChangeState::Shrunk
                                              : TChangeState::Gone;  // unchanged: shown plain
  if (role == TFolderTreeModel::ChangeSortRole) return QVariant::fromValue<qlonglong>(difference);
  if (role == Qt::ForegroundRole)
    return found && difference == 0 ? QVariant() : QVariant(QColor::fromRgb(ChangeStateColor(state)));
  if (!found) return Tr(IdChangeNew);
  return difference == 0 ? QString() : FromUtf8(SignedSizeText(difference, SizeFormat_));
}

}  // namespace kv
