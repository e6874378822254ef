// Dialogs take the size their laid-out texts need in the current language and
// font, never less than their design size, and the user cannot resize them.
#pragma once

#include <QDialog>
#include <QLayout>
#include <QSize>

#include <algorithm>

namespace kv {

inline void FitDialogToLayout(QDialog& dialog, QSize minimum) {
  QLayout* layout = dialog.layout();
  if (!layout) return;
  // Texts set while the dialog is hidden have not reached the cached hints yet.
  for (QWidget* child : dialog.findChildren<QWidget*>()) child->updateGeometry();
  for (QLayout* inner : dialog.findChildren<QLayout*>()) inner->invalidate();
  layout->activate();
  QSize size = layout->totalSizeHint().expandedTo(layout->totalMinimumSize()).expandedTo(minimum);
  if (layout->hasHeightForWidth()) size.setHeight(std::max(size.height(), layout->totalHeightForWidth(size.width())));
  dialog.setFixedSize(size);
}

}  // namespace kv
