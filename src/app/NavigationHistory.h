// The folders the user has visited, walked by Back and Next. Paths, not
// nodes: an entry outlives the removal of its folder.
#pragma once

#include <string>
#include <vector>

namespace kv {

class TNavigationHistory {
 public:
  // A focus change: appended (also when already present, never cutting off the
  // entries after the current one), unless it was Back or Next moving the focus.
  void AddToHistory(const std::string& nodePath) {
    if (Stepping_) {
      Stepping_ = false;
      return;
    }
    History_.push_back(nodePath);
    Index_ = static_cast<int>(History_.size()) - 1;
  }

  bool CanGoBack() const { return Index_ > 0 && History_.size() > 1; }
  bool CanGoNext() const { return Index_ < static_cast<int>(History_.size()) - 1; }

  // Moves by -1 or +1 and answers the path to focus; the focus change that
  // follows adds no entry. Only called where CanGoBack/CanGoNext allow it.
  const std::string& StepHistory(int delta) {
    Index_ += delta;
    Stepping_ = true;
    return History_[static_cast<size_t>(Index_)];
  }
  // The step led to no focus change (the folder already focused, or nothing
  // left of its path): the next focus change is the user's own again.
  void StepLedNowhere() { Stepping_ = false; }

  const std::vector<std::string>& History() const { return History_; }
  int HistoryIndex() const { return Index_; }
  bool HistoryStepping() const { return Stepping_; }

 private:
  std::vector<std::string> History_;
  int Index_ = 0;
  bool Stepping_ = false;
};

}  // namespace kv
