#include "ui/TreemapPanel.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "model/SizeTree.h"
#include "treemap/TreemapChange.h"

namespace kv {

namespace {

using Clock = std::chrono::steady_clock;
// Hand-overs of a running scan redraw the picture no more often than this.
constexpr std::chrono::milliseconds GrowthInterval{1000};
// The UI thread takes the snapshot in slices of about this much time...
constexpr std::chrono::milliseconds SnapshotSlice{15};
// ...checking the clock every so many items.
constexpr size_t SnapshotStepItems = 4096;

}  // namespace

TTreemapPanel::TTreemapPanel(TSizeTree& tree, QWidget* parent) : QWidget(parent), Tree_(tree) {
  setMouseTracking(true);
  setMinimumHeight(40);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // One picture at a time: a newer request waits and replaces it.
  Pool_.setMaxThreadCount(1);
  StartTimer_.setSingleShot(true);
  connect(&StartTimer_, &QTimer::timeout, this, [this] { Start(); });
}

TTreemapPanel::~TTreemapPanel() { Stop(); }

void TTreemapPanel::Stop() {
  Stopped_ = true;
  StartTimer_.stop();
  Pool_.waitForDone();
  ++Generation_;
}

// ---------------------------------------------------------------- requests

void TTreemapPanel::ShowFolder(const TFolderNode* focused) {
  if (focused && focused->IsHiddenRoot()) focused = nullptr;
  Focused_ = focused;
  ResolveRoot();
  bool keep = false;
  if (KeepRoot_ && Root_)
    for (const TFolderNode* up = focused; up && !keep; up = up->Parent()) keep = up == Root_;
  if (!keep) Root_ = focused;
  update();
  Request(false);
}

void TTreemapPanel::TreeChanged() {
  // The root is found again by its path once the change is done.
  if (Root_) RootPath_ = GetNodePath(Root_);
  Root_ = nullptr;
  Focused_ = nullptr;
  SelectedFile_ = nullptr;
  ++Generation_;
  if (HoverCell_ >= 0) {
    HoverCell_ = -1;
    if (OnHover) OnHover(nullptr);
  }
  Request(false);
}

void TTreemapPanel::TreeGrew() {
  ++Growth_;
  Request(true);
}

void TTreemapPanel::SetSizeType(TSizeType type) {
  if (type == SizeType_) return;
  SizeType_ = type;
  Request(false);
}

void TTreemapPanel::SetChangeColors(const TChangeBaseline* baseline) {
  if (!baseline && !ChangeBaseline_) return;
  ChangeBaseline_ = baseline;
  ++Coloring_;
  Request(false);
}

void TTreemapPanel::SetSelectedFile(const TFileNodeData* file) {
  if (file == SelectedFile_) return;
  SelectedFile_ = file;
  update();
}

void TTreemapPanel::ResolveRoot() {
  if (!Root_ && !RootPath_.empty()) {
    const TFolderNode* node = Tree_.FindFolderNode(RootPath_);
    if (!node->IsHiddenRoot() && GetNodePath(node) == RootPath_) Root_ = node;
  }
  RootPath_.clear();
}

TTreemapPanel::TInputs TTreemapPanel::Wanted() const {
  return TInputs{Root_, SizeType_, width(), height(), Generation_, Growth_, Coloring_};
}

bool TTreemapPanel::Settled() const {
  return !Busy_ && !StartTimer_.isActive() && RootPath_.empty() && Shown_ && Shown_->Inputs == Wanted();
}

void TTreemapPanel::Request(bool throttled) {
  if (Stopped_ || !isVisible()) return;  // shown again: showEvent asks
  std::chrono::milliseconds delay{0};
  if (throttled) {
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - LastStart_);
    delay = std::max(std::chrono::milliseconds{0}, GrowthInterval - since);
  }
  if (!StartTimer_.isActive() || StartTimer_.remainingTimeAsDuration() > delay) StartTimer_.start(delay);
}

void TTreemapPanel::Start() {
  if (Stopped_ || Busy_ || !isVisible()) return;  // a finished picture asks again
  ResolveRoot();
  const TInputs inputs = Wanted();
  if (AnyStarted_ && inputs == Started_) return;
  Started_ = inputs;
  AnyStarted_ = true;
  auto picture = std::make_shared<TPicture>();
  picture->Inputs = inputs;
  const int w = inputs.Width;
  const int h = inputs.Height;
  if (!Root_ || w <= 0 || h <= 0) {
    Shown_ = picture;  // nothing to show
    update();
    return;
  }
  Busy_ = true;
  LastStart_ = Clock::now();
  Making_ = picture;
  Steps_ = std::make_unique<TTreemapSnapshotSteps>(Root_, inputs.SizeType, w, h);
  Continue();
}

void TTreemapPanel::Continue() {
  if (Stopped_) return;
  // Items freed, another picture wanted or the panel hidden meanwhile: start
  // afresh when it is wanted.
  TInputs wanted = Wanted();
  wanted.Growth = Started_.Growth;
  if (wanted != Started_ || !isVisible()) {
    Steps_.reset();
    Making_.reset();
    Busy_ = false;
    AnyStarted_ = false;
    Request(false);
    return;
  }
  // The only part that reads the tree; other events (scan hand-overs, input)
  // run between the slices.
  const auto until = Clock::now() + SnapshotSlice;
  while (!Steps_->Step(SnapshotStepItems)) {
    if (Clock::now() >= until) {
      QTimer::singleShot(0, this, [this] { Continue(); });
      return;
    }
  }
  std::shared_ptr<TPicture> picture = std::move(Making_);
  picture->Snapshot = Steps_->Take();
  Steps_.reset();
  // Here, not on the worker: the baseline belongs to the UI thread.
  if (ChangeBaseline_) ColorByChange(picture->Snapshot, *ChangeBaseline_);
  const int w = picture->Inputs.Width;
  const int h = picture->Inputs.Height;
  Pool_.start([this, picture, w, h] {
    picture->Layout.Build(picture->Snapshot, w, h);
    QImage image(w, h, QImage::Format_RGB32);  // opaque: drawn without conversion
    RenderTreemap(picture->Snapshot, picture->Layout, reinterpret_cast<uint32_t*>(image.bits()), w, h,
                  static_cast<int>(image.bytesPerLine() / 4));
    picture->Image = std::move(image);
    QMetaObject::invokeMethod(this, [this, picture] { Finished(picture); }, Qt::QueuedConnection);
  });
}

void TTreemapPanel::Finished(const std::shared_ptr<TPicture>& picture) {
  Busy_ = false;
  if (Stopped_) return;
  // Made before items were freed: its pointers and areas are wrong now.
  if (picture->Inputs.Generation == Generation_) {
    Shown_ = picture;
    HoverCell_ = -1;
    update();
  }
  const TInputs wanted = Wanted();
  if (wanted == Started_) return;
  TInputs grown = Started_;
  grown.Growth = wanted.Growth;
  Request(grown == wanted);
}

// ---------------------------------------------------------------- the picture

const TTreemapSnapshot* TTreemapPanel::Snapshot() const {
  if (!Shown_ || Shown_->Inputs.Generation != Generation_ || Shown_->Snapshot.Nodes.empty()) return nullptr;
  return &Shown_->Snapshot;
}

const TTreemapLayout* TTreemapPanel::Layout() const { return Snapshot() ? &Shown_->Layout : nullptr; }

QRectF TTreemapPanel::CellRect(const TTreemapCell& cell) const {
  // While a resize waits for its picture, the old one is shown stretched.
  const double sx = static_cast<double>(width()) / std::max(1, Shown_->Image.width());
  const double sy = static_cast<double>(height()) / std::max(1, Shown_->Image.height());
  return QRectF(cell.Rect.X * sx, cell.Rect.Y * sy, cell.Rect.W * sx, cell.Rect.H * sy);
}

const TTreemapNode* TTreemapPanel::NodeAt(const QPoint& pos, int64_t* cell) const {
  if (cell) *cell = -1;
  const TTreemapSnapshot* snapshot = Snapshot();
  if (!snapshot || Shown_->Image.isNull() || width() <= 0 || height() <= 0) return nullptr;
  const double x = (pos.x() + 0.5) * Shown_->Image.width() / width();
  const double y = (pos.y() + 0.5) * Shown_->Image.height() / height();
  const int64_t hit = Shown_->Layout.HitTest(x, y);
  if (hit < 0) return nullptr;
  if (cell) *cell = hit;
  return &snapshot->Nodes[Shown_->Layout.Cells()[static_cast<size_t>(hit)].Node];
}

void TTreemapPanel::SetHint(const QString& hint) {
  Hint_ = hint;
  update();
}

void TTreemapPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!Shown_ || Shown_->Image.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // A bare pane would look broken: say what fills it.
    if (Tree_.Root()->ChildCount() == 0 && !Hint_.isEmpty()) {
      painter.setPen(palette().color(QPalette::PlaceholderText));
      painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, Hint_);
    }
    return;
  }
  painter.drawImage(rect(), Shown_->Image);
  const TTreemapSnapshot* snapshot = Snapshot();
  if (!snapshot) return;
  // The item under the mouse, the focused folder (when the picture shows more)
  // and the selected file.
  const std::vector<TTreemapCell>& cells = Shown_->Layout.Cells();
  if (HoverCell_ > 0 && static_cast<size_t>(HoverCell_) < cells.size()) {
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(CellRect(cells[static_cast<size_t>(HoverCell_)]).adjusted(0.5, 0.5, -0.5, -0.5));
  }
  for (size_t i = 1; i < cells.size(); ++i) {
    const TTreemapNode& node = snapshot->Nodes[cells[i].Node];
    const bool marked = node.Kind == TTreemapNode::File
                            ? SelectedFile_ && node.FileData == SelectedFile_
                            : node.Kind == TTreemapNode::Folder && Focused_ && node.FolderNode == Focused_;
    if (!marked) continue;
    const QRectF r = CellRect(cells[i]);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawRect(r.adjusted(2, 2, -2, -2));
  }
}

void TTreemapPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Request(false);
}

void TTreemapPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Request(false);
}

// ---------------------------------------------------------------- mouse

void TTreemapPanel::mouseMoveEvent(QMouseEvent* event) {
  int64_t cell = -1;
  const TTreemapNode* node = NodeAt(event->position().toPoint(), &cell);
  if (cell == HoverCell_) return;
  HoverCell_ = cell;
  update();
  if (OnHover) OnHover(node);
}

void TTreemapPanel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (HoverCell_ < 0) return;
  HoverCell_ = -1;
  update();
  if (OnHover) OnHover(nullptr);
}

void TTreemapPanel::RefreshHover() {
  const TTreemapSnapshot* snapshot = Snapshot();
  if (!snapshot || HoverCell_ < 0 || static_cast<size_t>(HoverCell_) >= Shown_->Layout.Cells().size()) return;
  if (OnHover) OnHover(&snapshot->Nodes[Shown_->Layout.Cells()[static_cast<size_t>(HoverCell_)].Node]);
}

void TTreemapPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
    if (OnStepHistory) OnStepHistory(event->button() == Qt::BackButton ? -1 : +1);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  const TTreemapNode* node = NodeAt(event->position().toPoint());
  if (!node || !OnClick) return;
  // A copy: the handler may ask for a new picture.
  const TTreemapNode clicked = *node;
  KeepRoot_ = true;
  OnClick(clicked);
  KeepRoot_ = false;
}

void TTreemapPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const TTreemapNode* node = NodeAt(event->position().toPoint());
  if (!node || !OnDoubleClick) return;
  const TTreemapNode clicked = *node;
  OnDoubleClick(clicked);
}

}  // namespace kv
