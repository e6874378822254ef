// The treemap panel: a folder's subtree as nested rectangles. The snapshot is
// taken here on the UI thread in short steps between other events; layout and
// painting run on a worker thread and the last finished picture is shown, so
// a big tree never stalls the window.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include "treemap/Treemap.h"

namespace kv {
class TChangeBaseline;
}

namespace kv {

class TSizeTree;

class TTreemapPanel final : public QWidget {
 public:
  explicit TTreemapPanel(TSizeTree& tree, QWidget* parent = nullptr);
  ~TTreemapPanel() override;

  // The focused folder changed, or its picture may have (size type, rebuilt
  // report). The picture shows that folder, except while a click in the
  // picture focuses a folder inside it: then the picture stays and outlines it.
  void ShowFolder(const TFolderNode* focused);
  // Call before items are freed: no pointer of an earlier snapshot is used again.
  void TreeChanged();
  // A scan added items or sizes: the picture follows at most once a second.
  void TreeGrew();
  // Which of the two sizes the areas follow; a change makes a new picture.
  void SetSizeType(TSizeType type);
  // Files coloured by their change against the baseline; null: by extension.
  // Call again after the baseline changed.
  void SetChangeColors(const TChangeBaseline* baseline);
  bool ChangeColors() const { return ChangeBaseline_ != nullptr; }
  // The file outlined in the picture (the selected row); null for none.
  void SetSelectedFile(const TFileNodeData* file);
  // Tells OnHover again about the item under the mouse (the unit changed).
  void RefreshHover();
  // No further pictures; waits for the one being made.
  void Stop();
  // The line shown while the tree holds no folder yet.
  void SetHint(const QString& hint);
  const QString& Hint() const { return Hint_; }

  // The folder the picture shows, or the one it will show next.
  const TFolderNode* PictureFolder() const { return Root_; }
  // The picture shown is the one wanted now and nothing is being made.
  bool Settled() const;
  // The shown picture while its pointers may be used, else null.
  const TTreemapSnapshot* Snapshot() const;
  const TTreemapLayout* Layout() const;

  std::function<void(const TTreemapNode* node)> OnHover;  // null: the mouse left
  std::function<void(const TTreemapNode& node)> OnClick;
  std::function<void(const TTreemapNode& node)> OnDoubleClick;
  std::function<void(int delta)> OnStepHistory;  // the mouse's back and forward buttons

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // What a picture is made of; equal inputs give the same picture.
  struct TInputs {
    const TFolderNode* Root = nullptr;
    TSizeType SizeType = TSizeType::FileSize;
    int Width = 0, Height = 0;
    uint64_t Generation = 0;
    uint64_t Growth = 0;
    uint64_t Coloring = 0;
    bool operator==(const TInputs&) const = default;
  };
  struct TPicture {
    TInputs Inputs;
    TTreemapSnapshot Snapshot;
    TTreemapLayout Layout;
    QImage Image;
  };

  TInputs Wanted() const;
  void Request(bool throttled);
  void Start();
  // Takes the snapshot a slice of time at a time, then hands it to the worker.
  void Continue();
  void Finished(const std::shared_ptr<TPicture>& picture);
  void ResolveRoot();
  const TTreemapNode* NodeAt(const QPoint& pos, int64_t* cell = nullptr) const;
  QRectF CellRect(const TTreemapCell& cell) const;

  TSizeTree& Tree_;
  QString Hint_;
  const TFolderNode* Root_ = nullptr;
  std::string RootPath_;  // the root to find again after a change of the tree
  const TFolderNode* Focused_ = nullptr;
  const TFileNodeData* SelectedFile_ = nullptr;
  TSizeType SizeType_ = TSizeType::FileSize;
  uint64_t Generation_ = 0;  // counts changes that may free items
  uint64_t Growth_ = 0;      // counts scan hand-overs
  uint64_t Coloring_ = 0;    // counts changes of the colour mode or its baseline
  const TChangeBaseline* ChangeBaseline_ = nullptr;
  bool KeepRoot_ = false;    // a click in the picture is being handled
  bool Stopped_ = false;
  bool Busy_ = false;
  TInputs Started_;
  bool AnyStarted_ = false;
  std::shared_ptr<TPicture> Shown_;
  std::shared_ptr<TPicture> Making_;
  std::unique_ptr<TTreemapSnapshotSteps> Steps_;
  int64_t HoverCell_ = -1;
  QTimer StartTimer_;
  std::chrono::steady_clock::time_point LastStart_{};
  QThreadPool Pool_;
};

}  // namespace kv
