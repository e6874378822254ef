// The main window compared with an earlier scan: the File entries that set
// and clear the baseline, the Change column of the folder tree, and the
// history kept after each finished scan.
#include "ui/Main.h"

#include <QAction>
#include <QColor>
#include <QStatusBar>

#include "app/Option.h"
#include "reports/ChangesReport.h"
#include "settings/TextIds.h"
#include "ui/FolderPane.h"
#include "ui/FolderTreeModel.h"
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
  FolderModel().ChangeOf = [this](const TFolderNode& node, int role) { return ChangeCell(node, role); };
  Act("mniClearBaseline")->setEnabled(false);
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

void TfrmMain::ClearBaseline() {
  Compare_->Clear();
  BaselineChanged();
}

void TfrmMain::BaselineChanged() {
  const bool active = Compare_->Active();
  Act("mniClearBaseline")->setEnabled(active);
  Folders_->ShowChangeColumn(active);
  FolderModel().ChangesMoved();
  if (active) {
    const QString said = Compare_->Baseline().OtherRoot()
                             ? Tr(IdCompareOtherRoot)
                             : WithName(Tr(IdComparedWith), Compare_->Baseline().SourceFile);
    barStatus->showMessage(said, StatusMessageMs);
  } else {
    barStatus->clearMessage();
  }
  RefreshReport(FocusedNode());
}

void TfrmMain::ScanFinished(const std::string& root) {
  const std::string failure = Compare_->KeepScan(*Tree_, root, *Options_);
  if (!failure.empty()) barStatus->showMessage(WithName(Tr(IdHistoryNotWritten), failure), StatusMessageMs);
}

QVariant TfrmMain::ChangeCell(const TFolderNode& node, int role) const {
  if (!Compare_->Active() || !FolderData(&node)) return {};
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::TextAlignmentRole) return {};
  if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
  TBaselineSizes before;
  const bool found = Compare_->Baseline().FindFolder(&node, before);
  const int64_t after = node.Data()->GetSize(SizeFormat_.Type);
  const int64_t difference = found ? SatSub(after, before.Get(SizeFormat_.Type)) : after;
  const TChangeState state = !found ? TChangeState::New
                             : difference > 0 ? TChangeState::Grown
                             : difference < 0 ? TChangeState::Shrunk
                                              : TChangeState::Gone;  // unchanged: shown plain
  if (role == Qt::ForegroundRole)
    return found && difference == 0 ? QVariant() : QVariant(QColor::fromRgb(ChangeStateColor(state)));
  if (!found) return Tr(IdChangeNew);
  return difference == 0 ? QString() : FromUtf8(SignedSizeText(difference, SizeFormat_));
}

}  // namespace kv
