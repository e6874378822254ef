// The History dialog: the kept scans, newest first, and what can be done with
// one of them: compare the window's tree with it, open it into the window, or
// delete it.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "app/ScanHistory.h"
#include "app/UserDialog.h"
#include "reports/FormatSize.h"
#include "reports/AggregateReport.h"

class QPushButton;
class QTreeWidget;

namespace kv {

class TFileServices;

class TfrmHistory final : public QDialog {
 public:
  struct TCommands {
    // Each closes the dialog first; the window then reads the entry.
    std::function<void(const THistoryEntry&)> CompareWith;
    std::function<void(const THistoryEntry&)> Open;
  };

  TfrmHistory(TScanHistory& history, const TSizeFormat& format, const TFileServices& services,
              const TTranslate& translate, IUserDialog& dialog, TCommands commands, QWidget* parent = nullptr);

  // Reads the folder again; the selection moves to the first row.
  void Reload();
  const std::vector<THistoryEntry>& Entries() const { return Entries_; }
  // The entry of the current row, or null.
  const THistoryEntry* Current() const;

  // The button handlers, callable without exec().
  // Compare with and Open: the dialog closes, then the command takes the entry.
  void CloseWith(const std::function<void(const THistoryEntry&)>& command);
  void btnDeleteClick();

 private:
  void UpdateButtons();
  QString Tr(const char* id) const;
  TSizeFormat EntrySizeFormat(int64_t size) const;

  TScanHistory& History_;
  const TSizeFormat& Format_;
  const TFileServices& Services_;
  TTranslate Translate_;
  IUserDialog& Dialog_;
  TCommands Commands_;
  std::vector<THistoryEntry> Entries_;

  QTreeWidget* lvwHistory = nullptr;
  QPushButton* btnCompare = nullptr;
  QPushButton* btnOpen = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnClose = nullptr;
};

}  // namespace kv
