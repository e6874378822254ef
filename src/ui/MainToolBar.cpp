#include "ui/MainToolBar.h"

#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QKeySequence>
#include <QToolButton>

#include "settings/TextIds.h"
#include "ui/DMMain.h"
#include "ui/MainActions.h"
#include "ui/QtText.h"

namespace kv {

namespace {

enum class TToolKind : uint8_t {
  Button,
  Toggle,     // checkable; the window decides its state
  Unit,       // a size unit, its text drawn as the icon
  Caption,    // text only: the current report kind
  Separator,
};

struct TToolEntry {
  TToolKind Kind;
  const char* Name = nullptr;
  const char* HintId = nullptr;
  const char* Icon = nullptr;  // theme name; for a Unit, its text
  QStyle::StandardPixmap Fallback = QStyle::SP_CustomBase;
  const char* Action = nullptr;  // a click triggers it
};

using T = TToolKind;

// Left to right after the drive list; the units in TSizeUnit order.
constexpr TToolEntry ToolEntries[] = {
    {T::Button, "btnStartSearchDrive", IdScanDrive, "drive-harddisk", QStyle::SP_DriveHDIcon, "mniScanDrive"},
    {T::Button, "btnStartSearchFolder", IdScanFolder, "folder-open", QStyle::SP_DirOpenIcon, "mniScanFolder"},
    {T::Button, "btnStopSearch", IdStopScan, "process-stop", QStyle::SP_BrowserStop, "mniStopScan"},
    // Pressed shows that a filter is in effect.
    {T::Toggle, "btnFilter", IdFilter, "view-filter", QStyle::SP_FileDialogContentsView},
    {T::Separator},
    {T::Button, "btnUp", IdUp, "go-up", QStyle::SP_ArrowUp},
    {T::Button, "btnBack", IdBack, "go-previous", QStyle::SP_ArrowBack},
    {T::Button, "btnNext", IdNext, "go-next", QStyle::SP_ArrowForward},
    {T::Separator},
    {T::Unit, "btnB", nullptr, "B"},
    {T::Unit, "btnKB", nullptr, "KB"},
    {T::Unit, "btnMB", nullptr, "MB"},
    {T::Unit, "btnGB", nullptr, "GB"},
    {T::Button, "btnSyzeType", IdSizeType, "view-list-details", QStyle::SP_FileDialogDetailedView},
    {T::Separator},
    {T::Caption, "btnReportType"},
    {T::Button, "btnSaveFiles", IdSaveCurrentReport, "document-save", QStyle::SP_DialogSaveButton},
};

// The unit buttons show their unit as an image.
QIcon UnitIcon(const char* unit) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPixelSize(unit[1] ? 13 : 16);
  p.setFont(font);
  p.setPen(QApplication::palette().color(QPalette::ButtonText));
  p.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromLatin1(unit));
  return QIcon(pixmap);
}

}  // namespace

TMainToolBar::TMainToolBar(const TMainActions& actions, QWidget* parent) : QWidget(parent) {
  setObjectName("pnlTop1");
  setFixedHeight(32);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 0, 2, 0);
  row->setSpacing(0);

  edtDriveList = new QComboBox(this);
  edtDriveList->setObjectName("edtDriveList");
  edtDriveList->setFixedWidth(145);
  row->addWidget(edtDriveList);

  auto* unitGroup = new QButtonGroup(this);
  for (const TToolEntry& entry : ToolEntries) {
    if (entry.Kind == T::Separator) {
      auto* line = new QFrame(this);
      line->setFrameShape(QFrame::VLine);
      line->setFrameShadow(QFrame::Sunken);
      line->setFixedWidth(8);
      row->addWidget(line);
      continue;
    }
    auto* b = new QToolButton(this);
    b->setObjectName(entry.Name);
    b->setAutoRaise(true);
    b->setFixedSize(32, 32);
    b->setIconSize(QSize(20, 20));
    switch (entry.Kind) {
      case T::Unit: {
        const int u = unitGroup->buttons().size();
        b->setIcon(UnitIcon(entry.Icon));
        b->setCheckable(true);
        b->setChecked(u == static_cast<int>(TSizeUnit::MB));
        unitGroup->addButton(b, u);
        UnitButtons_[static_cast<size_t>(u)] = b;
        break;
      }
      case T::Caption:
        b->setFixedSize(164, 32);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        break;
      default:
        b->setIcon(ThemedIcon(entry.Icon, entry.Fallback));
        b->setCheckable(entry.Kind == T::Toggle);
        break;
    }
    if (entry.Action) connect(b, &QToolButton::clicked, actions.Act(entry.Action), &QAction::trigger);
    Buttons_.emplace(entry.Name, b);
    row->addWidget(b);
  }
  row->addStretch(1);
  // Back and next as in a web browser or file manager.
  Button("btnBack")->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  Button("btnNext")->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
}

QToolButton* TMainToolBar::Button(std::string_view name) const {
  const auto found = Buttons_.find(name);
  if (found == Buttons_.end()) throw std::out_of_range("no tool button named " + std::string(name));
  return found->second;
}

void TMainToolBar::DropDown(std::string_view button, QMenu* menu) {
  QToolButton* b = Button(button);
  connect(b, &QToolButton::clicked, this, [b, menu] {
    b->setDown(false);
    menu->popup(b->mapToGlobal(QPoint(-1, b->height())));
  });
}

void TMainToolBar::ApplyLanguage(const TTranslate& translate) {
  for (const TToolEntry& entry : ToolEntries)
    if (entry.HintId) {
      QToolButton* b = Button(entry.Name);
      QString hint = WithoutAccessKey(FromUtf8(translate(entry.HintId)));
      if (!b->shortcut().isEmpty()) hint += " (" + b->shortcut().toString(QKeySequence::NativeText) + ")";
      b->setToolTip(hint);
    }
}

}  // namespace kv
