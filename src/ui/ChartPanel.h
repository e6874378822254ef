// The chart panel under the report list: the current report as a pie or as a
// paged horizontal bar chart, with its command row. The window computes the
// points and says when to rebuild; this panel only draws and saves them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

#include "reports/ChartPoints.h"

class QAction;
class QImage;
class QMenu;
class QScrollBar;
class QStackedWidget;
class QToolButton;

namespace kv {

class IUserDialog;
class TBarChartView;
class TChartView;
class TOption;
class TPieChartView;

class TChartPanel final : public QWidget {
 public:
  using TTranslate = std::function<std::string(const char* id)>;

  TChartPanel(TOption& options, IUserDialog& dialog, TTranslate translate, QWidget* parent = nullptr);

  // Gives the visible chart its points, replacing all it had. The bar chart
  // always opens at its top window; the scroll bar keeps its position.
  void RefreshChart(const std::vector<TChartPoint>& points);

  bool PieShown() const;
  // Page, check marks and button caption only; the window rebuilds.
  void ShowPie();
  void ShowBar();

  void ApplyLanguage();

  QAction* PieAction() const { return mniPie; }
  QAction* BarAction() const { return mniBar; }
  // After mniPie or mniBar was chosen, so the window can rebuild the report.
  std::function<void()> OnChartTypeChosen;

  // The commands behind the buttons.
  void NextColorPalette();
  void NextGradient();
  void SaveDiagram();
  void CopyToClipboard();

  // The visible chart drawn on white, as saved and copied.
  QImage RenderVisibleChart() const;

 private:
  TChartView* VisibleChart() const;
  void ApplyLook();
  std::string Text(const char* id) const;

  TOption& Options_;
  IUserDialog& Dialog_;
  TTranslate Translate_;

  QToolButton* btnSaveDiagram = nullptr;
  QToolButton* btnSaveToClipboardDiagram = nullptr;
  QToolButton* btnChangeColorPalette = nullptr;
  QToolButton* btnOnOffGradient = nullptr;
  QToolButton* btnChartType = nullptr;
  QMenu* mnuCharType = nullptr;
  QAction* mniPie = nullptr;
  QAction* mniBar = nullptr;
  QAction* mniChartSettings = nullptr;
  QStackedWidget* pgcChart = nullptr;
  QWidget* tbsPie = nullptr;
  QWidget* tbsBar = nullptr;
  TPieChartView* chrPie = nullptr;
  TBarChartView* Chart2 = nullptr;
  QScrollBar* scrBar = nullptr;
};

}  // namespace kv
