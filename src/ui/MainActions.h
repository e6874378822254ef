// The main window's actions and the menus they go in, all built from one
// table (MainMenuEntries): the menu bar, the report-type and size-type
// drop-downs and the context menu. The window connects the commands.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"
#include "reports/ReportKinds.h"

class QAction;
class QMainWindow;
class QMenu;
class QString;

namespace kv {

enum class TMenuEntryKind : uint8_t {
  Action,
  Menu,       // a menu, its title from TextId
  Separator,
  // Stand-ins for the report kinds (ReportKinds.h): those of the folder
  // itself, or those including subfolders, each an Action row in their order.
  FolderKinds,
  SubfolderKinds,
};

enum class TMenuCheck : uint8_t { None, Off, On };

// Entries of one group are exclusive radio choices.
enum class TActionGroup : uint8_t {
  None,
  Units,         // mniB .. GB1, in TSizeUnit order
  SizeTypes,     // the size-type drop-down
  SizeTypes2,    // their View menu twins
  ChartTypes,
  ReportKinds,   // the report-type drop-down
  ReportKinds2,  // their Report menu twins
};

struct TMenuEntry {
  TMenuEntryKind Kind = TMenuEntryKind::Action;
  // The menu it goes in, by object name: "mnuMain" the menu bar; empty for a
  // menu of its own that the window pops up.
  std::string_view In = {};
  std::string_view Name = {};    // object name
  std::string_view TextId = {};  // text or title; empty: Text, the same in every language
  std::string_view Text = {};
  TMenuCheck Check = TMenuCheck::None;
  TActionGroup Group = TActionGroup::None;
  // For the expand entries: the level digit their pattern takes.
  int Level = 0;
};

// Every entry in menu order, the report kinds spelled out; a menu's entry
// comes before anything that goes in it.
std::span<const TMenuEntry> MainMenuEntries();

// The usual keys of a desktop program, shown beside their entries. Those of
// the context menu act on the list or tree that has the focus (the window
// wires them); the others are the menu bar's own.
struct TMenuShortcut {
  std::string_view Name;  // the entry's object name
  std::string_view Keys;  // portable text, as QKeySequence reads it
};
std::span<const TMenuShortcut> MainMenuShortcuts();

// The caption with an access key: the language file's own (an & in the
// text) or else the first letter no other caption in the menu has taken.
// taken holds the keys in use, lower case; the chosen one is added.
QString WithAccessKey(const QString& caption, QString& taken);
// The access key of a caption, lower case; empty when it has none.
QString AccessKeyOf(const QString& caption);

class TMainActions {
 public:
  // Builds the table's actions and menus for the window; Qt owns them.
  explicit TMainActions(QMainWindow& window);

  QAction* Act(std::string_view name) const;
  QMenu* Menu(std::string_view name) const;
  // mniB .. GB1, one checked.
  const std::array<QAction*, 4>& UnitActions() const { return UnitActions_; }
  // A report kind's entry in the drop-down and its twin in the Report menu.
  QAction* PopupKind(TReportKind kind) const { return PopupKinds_[static_cast<size_t>(kind)]; }
  QAction* MenuKind(TReportKind kind) const { return MenuKinds_[static_cast<size_t>(kind)]; }

  // Both report kind groups left without a choice.
  void UncheckReportKinds();

  // Texts and titles of every entry with a text id, in the current language.
  void ApplyLanguage(const TTranslate& translate);

 private:
  std::map<std::string, QAction*, std::less<>> Actions_;
  std::map<std::string, QMenu*, std::less<>> Menus_;
  std::array<QAction*, 4> UnitActions_{};
  std::array<QAction*, ReportKindCount> PopupKinds_{};
  std::array<QAction*, ReportKindCount> MenuKinds_{};
};

}  // namespace kv
