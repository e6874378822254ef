// pnlTop1: the row over the panes with the drive list and the tool buttons,
// built from one table (MainToolBar.cpp). Buttons with an action trigger
// it; the window connects the others.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

#include <QWidget>

#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"

class QComboBox;
class QMenu;
class QToolButton;

namespace kv {

class TMainActions;

class TMainToolBar final : public QWidget {
 public:
  TMainToolBar(const TMainActions& actions, QWidget* parent = nullptr);

  // edtDriveList, filled by the folder pane.
  QComboBox& DriveList() const { return *edtDriveList; }
  QToolButton* Button(std::string_view name) const;
  // btnB .. btnGB, one checked.
  const std::array<QToolButton*, 4>& UnitButtons() const { return UnitButtons_; }

  // A click pops the menu up under the button.
  void DropDown(std::string_view button, QMenu* menu);

  // The buttons' hints in the current language.
  void ApplyLanguage(const TTranslate& translate);

 private:
  QComboBox* edtDriveList = nullptr;
  std::map<std::string, QToolButton*, std::less<>> Buttons_;
  std::array<QToolButton*, 4> UnitButtons_{};
};

}  // namespace kv
