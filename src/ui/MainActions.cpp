#include "ui/MainActions.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <stdexcept>

#include "settings/TextIds.h"
#include "ui/QtText.h"

namespace kv {

namespace {

using E = TMenuEntryKind;
using C = TMenuCheck;
using G = TActionGroup;

// Start-up state: sizes in MB as file sizes, the Files and folders report,
// the chart as a pie, the chart and drive panels shown. The treemap's entry
// follows the options (the window sets it).
constexpr TMenuEntry Entries[] = {
    {E::Menu, "mnuMain", "mniScan", IdMenuScan},
    {E::Action, "mniScan", "mniScanDrive", IdScanDrive},
    {E::Action, "mniScan", "mniScanFolder", IdScanFolder},
    {E::Action, "mniScan", "mniScanSsh", IdScanOverSsh},
    {E::Separator, "mniScan"},
    {E::Action, "mniScan", "mniExport", {}, "Export..."},
    {E::Action, "mniScan", "mniImport", {}, "Import..."},
    {E::Action, "mniScan", "mniExportNcdu", IdSaveNcduJson},
    {E::Action, "mniScan", "mniCompareFile", IdCompareWithFile},
    {E::Action, "mniScan", "mniCompareLast", IdCompareWithLast},
    {E::Action, "mniScan", "mniClearBaseline", IdClearBaseline},
    {E::Separator, "mniScan"},
    {E::Action, "mniScan", "mniStopScan", IdStopScan},
    {E::Action, "mniScan", "mniFilter", IdFilter},
    {E::Separator, "mniScan"},
    {E::Action, "mniScan", "mniExit", IdExit},

    {E::Menu, "mnuMain", "mniView", IdMenuView},
    {E::Menu, "mniView", "mniSize", IdMenuSize},
    {E::Action, "mniSize", "mniB", {}, "B", C::Off, G::Units},
    {E::Action, "mniSize", "mniKB", {}, "KB", C::Off, G::Units},
    {E::Action, "mniSize", "mniMB", {}, "MB", C::On, G::Units},
    {E::Action, "mniSize", "GB1", {}, "GB", C::Off, G::Units},
    {E::Menu, "mniView", "mniSizeType", IdSizeType},
    {E::Action, "mniSizeType", "mniSizeTypeFile2", IdSizeTypeFile, {}, C::On, G::SizeTypes2},
    {E::Action, "mniSizeType", "mniSizeTypeAllocated2", IdSizeTypeAllocated, {}, C::Off, G::SizeTypes2},
    {E::Menu, "mniView", "mniChartType", IdChartType},
    {E::Action, "mniChartType", "mniBar2", IdChartBar, {}, C::Off, G::ChartTypes},
    {E::Action, "mniChartType", "mniPie2", IdChartPie, {}, C::On, G::ChartTypes},
    {E::Separator, "mniView"},
    {E::Action, "mniView", "mniShowChart", IdShowChart, {}, C::On},
    {E::Action, "mniView", "mniShowInfoDisk", IdShowInfoDisk, {}, C::On},
    {E::Action, "mniView", "mniShowTreemap", IdShowTreemap, {}, C::Off},

    {E::Menu, "mnuMain", "mniReport", IdMenuReport},
    {E::FolderKinds, "mniReport", {}, {}, {}, C::Off, G::ReportKinds2},
    {E::Menu, "mniReport", "mniIncludingSubfolder2", IdIncludingSubfolder},
    {E::SubfolderKinds, "mniIncludingSubfolder2", {}, {}, {}, C::Off, G::ReportKinds2},
    {E::Separator, "mniReport"},
    {E::Action, "mniReport", "mniListFiles", IdSaveAllScannedFiles},
    {E::Separator, "mniReport"},
    {E::Action, "mniReport", "mniReportSettings2", IdSettingsMenu},

    {E::Menu, "mnuMain", "mniHelp", IdMenuHelp},
    {E::Action, "mniHelp", "mniHomepage", IdHomePage},
    {E::Separator, "mniHelp"},
    {E::Action, "mniHelp", "mniAbout", IdAbout},

    // The drop-downs of btnSyzeType and btnReportType.
    {E::Menu, {}, "mnuSizeType"},
    {E::Action, "mnuSizeType", "mniSizeTypeFile", IdSizeTypeFile, {}, C::On, G::SizeTypes},
    {E::Action, "mnuSizeType", "mniSizeTypeAllocated", IdSizeTypeAllocated, {}, C::Off, G::SizeTypes},
    {E::Menu, {}, "mnuReportType"},
    {E::FolderKinds, "mnuReportType", {}, {}, {}, C::Off, G::ReportKinds},
    {E::Menu, "mnuReportType", "mniIncludingSubfolder", IdIncludingSubfolder},
    {E::SubfolderKinds, "mniIncludingSubfolder", {}, {}, {}, C::Off, G::ReportKinds},
    {E::Separator, "mnuReportType"},
    {E::Action, "mnuReportType", "mniReportSettings", IdSettingsMenu},

    // The context menu of the tree and the lists; the window shows and
    // enables its entries per item, and the report area fills mniColumns.
    {E::Menu, {}, "mnuPopup"},
    {E::Action, "mnuPopup", "mniExplorer", IdExplorer},
    {E::Separator, "mnuPopup"},
    {E::Menu, "mnuPopup", "mniExpand", IdExpand},
    {E::Action, "mniExpand", "mniFullExpand", IdFullExpand},
    {E::Action, "mniExpand", "mniExpandToLevel1", IdExpandToLevel, {}, C::None, G::None, 1},
    {E::Action, "mniExpand", "mniExpandToLevel2", IdExpandToLevel, {}, C::None, G::None, 2},
    {E::Action, "mniExpand", "mniExpandToLevel3", IdExpandToLevel, {}, C::None, G::None, 3},
    {E::Action, "mniExpand", "mniExpandToLevel4", IdExpandToLevel, {}, C::None, G::None, 4},
    {E::Menu, "mnuPopup", "mniColumns", IdColumns},
    {E::Action, "mnuPopup", "mniRefresh", IdRefresh},
    {E::Action, "mnuPopup", "mniRemoveFromList", IdRemoveFromList},
    {E::Separator, "mnuPopup"},
    {E::Action, "mnuPopup", "mniDelete", IdDelete},
    {E::Action, "mnuPopup", "mniProperties", IdProperties},
};

constexpr TMenuShortcut Shortcuts[] = {
    {"mniImport", "Ctrl+O"}, {"mniExport", "Ctrl+S"}, {"mniExit", "Ctrl+Q"},
    {"mniRefresh", "F5"},    {"mniDelete", "Del"},
};

std::vector<TMenuEntry> SpelledOut() {
  std::vector<TMenuEntry> all;
  for (const TMenuEntry& entry : Entries) {
    if (entry.Kind != E::FolderKinds && entry.Kind != E::SubfolderKinds) {
      all.push_back(entry);
      continue;
    }
    const bool twins = entry.Group == G::ReportKinds2;
    for (const TReportKindInfo& info : AllReportKinds()) {
      if ((info.Scope == TReportScope::IncludingSubfolders) != (entry.Kind == E::SubfolderKinds)) continue;
      TMenuEntry kind = entry;
      kind.Kind = E::Action;
      kind.Name = twins ? info.MenuName : info.PopupName;
      kind.TextId = info.TextId;
      kind.Check = info.Kind == TReportKind::FilesInThisFolder ? C::On : C::Off;
      all.push_back(kind);
    }
  }
  return all;
}

// The expand pattern with the level digit for its string placeholder; a text
// without one simply has no digit.
QString LevelCaption(const std::string& pattern, int level) {
  std::string text = pattern;
  if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, std::to_string(level));
  return FromUtf8(text);
}

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

template <class TMap>
typename TMap::mapped_type Find(const TMap& map, std::string_view name) {
  const auto found = map.find(name);
  if (found == map.end()) throw std::out_of_range("no menu entry named " + std::string(name));
  return found->second;
}

}  // namespace

std::span<const TMenuEntry> MainMenuEntries() {
  static const std::vector<TMenuEntry> entries = SpelledOut();
  return entries;
}

std::span<const TMenuShortcut> MainMenuShortcuts() { return Shortcuts; }

QString AccessKeyOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1].toLower();
    ++i;  // "&&" stands for the character itself
  }
  return {};
}

QString WithAccessKey(const QString& caption, QString& taken) {
  if (const QString own = AccessKeyOf(caption); !own.isEmpty()) {
    taken += own;
    return caption;
  }
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const QChar c = caption[i].toLower();
    if (!c.isLetterOrNumber() || taken.contains(c)) continue;
    taken += c;
    return caption.left(i) + u'&' + caption.mid(i);
  }
  return caption;
}

TMainActions::TMainActions(QMainWindow& window) {
  QMenuBar* bar = window.menuBar();
  bar->setObjectName("mnuMain");
  std::map<TActionGroup, QActionGroup*> groups;
  for (const TMenuEntry& entry : MainMenuEntries()) {
    const bool onBar = entry.In == "mnuMain";
    QMenu* in = entry.In.empty() || onBar ? nullptr : Menu(entry.In);
    switch (entry.Kind) {
      case E::Menu: {
        auto* menu = new QMenu(in ? static_cast<QWidget*>(in) : onBar ? static_cast<QWidget*>(bar) : &window);
        menu->setObjectName(Latin1(entry.Name));
        Menus_.emplace(entry.Name, menu);
        if (in) in->addMenu(menu);
        if (onBar) bar->addMenu(menu);
        break;
      }
      case E::Separator:
        in->addSeparator();
        break;
      case E::Action: {
        QObject* owner = &window;
        if (entry.Group != G::None) {
          QActionGroup*& group = groups[entry.Group];
          if (!group) group = new QActionGroup(&window);
          owner = group;  // joins the group
        }
        auto* action = new QAction(Latin1(entry.Text), owner);
        action->setObjectName(Latin1(entry.Name));
        if (entry.Check != C::None) {
          action->setCheckable(true);
          action->setChecked(entry.Check == C::On);
        }
        Actions_.emplace(entry.Name, action);
        if (in) in->addAction(action);
        break;
      }
      case E::FolderKinds:
      case E::SubfolderKinds:
        break;  // spelled out by MainMenuEntries
    }
  }
  for (const TMenuShortcut& shortcut : Shortcuts) {
    QAction* action = Act(shortcut.Name);
    action->setShortcut(QKeySequence(Latin1(shortcut.Keys)));
    // The context menu's keys belong to the window, which first picks the
    // item they act on; here they only show and work while the menu is open.
    if (action->associatedObjects().contains(Menu("mnuPopup"))) action->setShortcutContext(Qt::WidgetShortcut);
  }
  const QList<QAction*> units = groups.at(G::Units)->actions();
  for (size_t u = 0; u < UnitActions_.size(); ++u) UnitActions_[u] = units.at(static_cast<qsizetype>(u));
  for (const TReportKindInfo& info : AllReportKinds()) {
    PopupKinds_[static_cast<size_t>(info.Kind)] = Act(info.PopupName);
    MenuKinds_[static_cast<size_t>(info.Kind)] = Act(info.MenuName);
  }
}

QAction* TMainActions::Act(std::string_view name) const { return Find(Actions_, name); }

QMenu* TMainActions::Menu(std::string_view name) const { return Find(Menus_, name); }

void TMainActions::UncheckReportKinds() {
  // Exclusive groups refuse an empty choice; lift that while clearing.
  for (auto* kinds : {&PopupKinds_, &MenuKinds_}) {
    QActionGroup* group = (*kinds)[0]->actionGroup();
    group->setExclusive(false);
    for (QAction* action : *kinds) action->setChecked(false);
    group->setExclusive(true);
  }
}

void TMainActions::ApplyLanguage(const TTranslate& translate) {
  // Captions with an & keep the language file's access key; the others get
  // a free letter, after every own key of their menu is known.
  std::vector<QString> captions;
  std::map<std::string_view, QString> taken;
  for (const TMenuEntry& entry : MainMenuEntries()) {
    QString caption;
    if (entry.TextId.empty()) {
      caption = Latin1(entry.Text);
    } else {
      const std::string text = translate(entry.TextId);
      caption = entry.Level > 0 ? LevelCaption(text, entry.Level) : FromUtf8(text);
    }
    taken[entry.In] += AccessKeyOf(caption);
    captions.push_back(caption);
  }
  size_t i = 0;
  for (const TMenuEntry& entry : MainMenuEntries()) {
    QString caption = captions[i++];
    if (entry.Kind == E::Separator || entry.In.empty()) continue;
    if (AccessKeyOf(caption).isEmpty()) caption = WithAccessKey(caption, taken[entry.In]);
    if (entry.Kind == E::Menu)
      Menu(entry.Name)->setTitle(caption);
    else
      Act(entry.Name)->setText(caption);
  }
}

}  // namespace kv
