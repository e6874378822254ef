#include "ui/ChartPanel.h"
#include "ui/QtText.h"

#include <QActionGroup>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cstring>
#include <set>

#include "export/OutputFile.h"
#include "export/WmfFile.h"
#include "reports/ChartLook.h"
#include "settings/Option.h"
#include "settings/TextIds.h"
#include "settings/UserDialog.h"
#include "ui/DMMain.h"

namespace kv {

namespace {

QColor ToQColor(TRgb c) { return QColor(c.R, c.G, c.B); }

QChartView* NewChartView(QChart* chart, const char* name, QWidget* parent) {
  chart->legend()->hide();
  chart->setTitle(QString());
  chart->setMargins(QMargins(0, 0, 0, 0));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setBackgroundRoundness(0);
  chart->setAnimationOptions(QChart::NoAnimation);
  auto* view = new QChartView(chart, parent);
  view->setObjectName(name);
  view->setRenderHint(QPainter::Antialiasing);
  view->setFrameShape(QFrame::NoFrame);
  return view;
}

QBrush BackgroundBrush(int32_t gradient, bool throughSilver) {
  QLinearGradient brush(0, 0, 0, 1);
  brush.setCoordinateMode(QGradient::ObjectBoundingMode);
  brush.setColorAt(0, ToQColor(GradientColor(gradient)));
  if (throughSilver) brush.setColorAt(0.5, QColor(192, 192, 192));
  brush.setColorAt(1, Qt::white);
  return brush;
}

TFileResult WriteBmpFile(const QImage& image, const std::string& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "BMP"))
    return TFileResult::Failure("Cannot write \"" + path + "\": the picture could not be encoded");
  TOutputFile file;
  if (TFileResult opened = file.Open(path); !opened) return opened;
  file.Put(bytes.constData(), static_cast<size_t>(bytes.size()));
  return file.Close();
}

TRgbImage ToRgbImage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  TRgbImage out{rgb.width(), rgb.height(), {}};
  const size_t rowBytes = static_cast<size_t>(rgb.width()) * 3;
  out.Pixels.resize(rowBytes * static_cast<size_t>(rgb.height()));
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(out.Pixels.data() + rowBytes * static_cast<size_t>(y), rgb.constScanLine(y), rowBytes);
  return out;
}

}  // namespace

TChartPanel::TChartPanel(TOption& options, IUserDialog& dialog, TTranslate translate, QWidget* parent)
    : QWidget(parent), Options_(options), Dialog_(dialog), Translate_(std::move(translate)) {
  setObjectName("pnlChart");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* commands = new QWidget(this);
  commands->setObjectName("pnlChartCommand");
  commands->setFixedHeight(32);
  auto* commandRow = new QHBoxLayout(commands);
  commandRow->setContentsMargins(2, 0, 2, 0);
  commandRow->setSpacing(0);
  const auto button = [&](const char* name, QIcon icon, void (TChartPanel::*command)()) {
    auto* b = new QToolButton(commands);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setFixedSize(32, 32);
    b->setIcon(icon);
    connect(b, &QToolButton::clicked, this, [this, command] { (this->*command)(); });
    commandRow->addWidget(b);
    return b;
  };
  btnSaveDiagram = button("btnSaveDiagram", ThemedIcon("document-save", QStyle::SP_DialogSaveButton),
                          &TChartPanel::SaveDiagram);
  btnSaveToClipboardDiagram = button("btnSaveToClipboardDiagram",
                                     ThemedIcon("edit-copy", QStyle::SP_FileDialogNewFolder),
                                     &TChartPanel::CopyToClipboard);
  btnChangeColorPalette = button("btnChangeColorPalette", ThemedIcon("color-management", QStyle::SP_DesktopIcon),
                                 &TChartPanel::NextColorPalette);
  btnOnOffGradient = button("btnOnOffGradient", ThemedIcon("view-refresh", QStyle::SP_BrowserReload),
                            &TChartPanel::NextGradient);
  commandRow->addStretch(1);

  mnuCharType = new QMenu(this);
  mnuCharType->setObjectName("mnuCharType");
  auto* types = new QActionGroup(this);
  mniPie = new QAction(types);
  mniPie->setObjectName("mniPie");
  mniBar = new QAction(types);
  mniBar->setObjectName("mniBar");
  for (QAction* type : {mniPie, mniBar}) type->setCheckable(true);
  mniPie->setChecked(true);
  mnuCharType->addActions({mniPie, mniBar});
  mnuCharType->addSeparator();
  mniChartSettings = mnuCharType->addAction(QString());
  mniChartSettings->setObjectName("mniChartSettings");
  // The owner window opens its settings dialog from here; off until it does.
  mniChartSettings->setEnabled(false);
  connect(mniPie, &QAction::triggered, this, [this] {
    ShowPie();
    if (OnChartTypeChosen) OnChartTypeChosen();
  });
  connect(mniBar, &QAction::triggered, this, [this] {
    ShowBar();
    if (OnChartTypeChosen) OnChartTypeChosen();
  });

  btnChartType = new QToolButton(commands);
  btnChartType->setObjectName("btnChartType");
  btnChartType->setAutoRaise(true);
  btnChartType->setFixedHeight(32);
  btnChartType->setToolButtonStyle(Qt::ToolButtonTextOnly);
  btnChartType->setPopupMode(QToolButton::InstantPopup);
  btnChartType->setMenu(mnuCharType);
  commandRow->addWidget(btnChartType);
  layout->addWidget(commands);

  pgcChart = new QStackedWidget(this);
  pgcChart->setObjectName("pgcChart");
  layout->addWidget(pgcChart, 1);

  tbsPie = new QWidget(pgcChart);
  tbsPie->setObjectName("tbsPie");
  auto* pieLayout = new QVBoxLayout(tbsPie);
  pieLayout->setContentsMargins(0, 0, 0, 0);
  PieChart_ = new QChart();
  PieSeries_ = new QPieSeries();
  PieSeries_->setPieSize(0.6);  // room for the labels outside
  PieChart_->addSeries(PieSeries_);
  chrPie = NewChartView(PieChart_, "chrPie", tbsPie);
  pieLayout->addWidget(chrPie);
  pgcChart->addWidget(tbsPie);

  tbsBar = new QWidget(pgcChart);
  tbsBar->setObjectName("tbsBar");
  auto* barLayout = new QHBoxLayout(tbsBar);
  barLayout->setContentsMargins(0, 0, 0, 0);
  barLayout->setSpacing(0);
  BarChart_ = new QChart();
  BarSeries_ = new QHorizontalStackedBarSeries();
  BarSeries_->setBarWidth(0.95);
  BarChart_->addSeries(BarSeries_);
  ValueAxis_ = new QValueAxis();
  ValueAxis_->setVisible(false);
  // A category axis is a value axis whose ranges carry texts: the program sets
  // the window of positions, and each bar's label stands beside it.
  PositionAxis_ = new QCategoryAxis();
  PositionAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  PositionAxis_->setLineVisible(false);
  PositionAxis_->setGridLineVisible(false);
  BarChart_->addAxis(ValueAxis_, Qt::AlignBottom);
  BarChart_->addAxis(PositionAxis_, Qt::AlignLeft);
  BarSeries_->attachAxis(ValueAxis_);
  BarSeries_->attachAxis(PositionAxis_);
  Chart2 = NewChartView(BarChart_, "Chart2", tbsBar);
  barLayout->addWidget(Chart2, 1);
  scrBar = new QScrollBar(Qt::Vertical, tbsBar);
  scrBar->setObjectName("scrBar");
  scrBar->setRange(0, 0);
  scrBar->hide();
  barLayout->addWidget(scrBar);
  connect(scrBar, &QScrollBar::valueChanged, this, [this](int position) {
    const TBarWindow window = BarChartWindowAt(BarPointCount_, position);
    PositionAxis_->setRange(window.AxisMin, window.AxisMax);
  });
  pgcChart->addWidget(tbsBar);

  ShowPie();
  ApplyLook();
}

bool TChartPanel::PieShown() const { return pgcChart->currentWidget() == tbsPie; }

void TChartPanel::ShowPie() {
  pgcChart->setCurrentWidget(tbsPie);
  mniPie->setChecked(true);
  btnChartType->setText(mniPie->text());
}

void TChartPanel::ShowBar() {
  pgcChart->setCurrentWidget(tbsBar);
  mniBar->setChecked(true);
  btnChartType->setText(mniBar->text());
}

void TChartPanel::ApplyLanguage() {
  const auto tr = [this](const char* id) { return FromUtf8(Translate_ ? Translate_(id) : std::string(id)); };
  mniPie->setText(tr(IdChartPie));
  mniBar->setText(tr(IdChartBar));
  mniChartSettings->setText(tr(IdSettingsMenu));
  btnSaveDiagram->setToolTip(tr(IdSave));
  btnSaveToClipboardDiagram->setToolTip(tr(IdCopyToClipboard));
  btnChangeColorPalette->setToolTip(tr(IdNextColorPalette));
  btnOnOffGradient->setToolTip(tr(IdNextGradient));
  btnChartType->setText(PieShown() ? mniPie->text() : mniBar->text());
}

void TChartPanel::RefreshChart(const std::vector<TChartPoint>& points) {
  if (PieShown())
    FillPie(points);
  else
    FillBar(points);
}

void TChartPanel::FillPie(const std::vector<TChartPoint>& points) {
  PieSeries_->clear();
  for (size_t i = 0; i < points.size(); ++i) {
    QPieSlice* slice = PieSeries_->append(FromUtf8(points[i].Label), points[i].Value);
    slice->setLabelVisible(true);
    slice->setLabelPosition(QPieSlice::LabelOutside);
    slice->setColor(ToQColor(PaletteColor(Options_.ColorPalette, i)));
  }
}

void TChartPanel::FillBar(const std::vector<TChartPoint>& points) {
  BarSeries_->clear();
  for (const QString& label : PositionAxis_->categoriesLabels()) PositionAxis_->remove(label);
  const size_t n = points.size();
  BarPointCount_ = static_cast<int>(n);

  // One set per palette colour rather than per point keeps the series linear
  // in the points; at each position only the set of that point's colour is non-zero.
  const size_t colours = std::min(PaletteSize(Options_.ColorPalette), n);
  double largest = 0;
  for (size_t c = 0; c < colours; ++c) {
    auto* set = new QBarSet(QString());
    set->setColor(ToQColor(PaletteColor(Options_.ColorPalette, c)));
    set->setBorderColor(Qt::transparent);
    for (size_t i = 0; i < n; ++i) set->append(i % colours == c ? points[i].Value : 0.0);
    BarSeries_->append(set);
  }
  // The axis wants unique texts; zero-width spaces tell equal labels apart unseen.
  std::set<QString> used;
  PositionAxis_->setStartValue(-1);
  for (size_t i = 0; i < n; ++i) {
    largest = std::max(largest, points[i].Value);
    QString label = FromUtf8(points[i].Label);
    while (!used.insert(label).second) label += QChar(0x200B);
    PositionAxis_->append(label, static_cast<double>(i));
  }
  ValueAxis_->setRange(0, largest > 0 ? largest : 1);

  const TBarScrollBar bar = BarChartScrollBar(BarPointCount_);
  scrBar->setRange(bar.Minimum, bar.Maximum);
  scrBar->setVisible(bar.Visible);
  const TBarWindow window = BarChartWindowAt(BarPointCount_, 0);
  PositionAxis_->setRange(window.AxisMin, window.AxisMax);
}

void TChartPanel::ApplyLook() {
  PieChart_->setBackgroundBrush(BackgroundBrush(Options_.ColorGradient, false));
  BarChart_->setBackgroundBrush(BackgroundBrush(Options_.ColorGradient, true));
  const QList<QPieSlice*> slices = PieSeries_->slices();
  for (qsizetype i = 0; i < slices.size(); ++i)
    slices[i]->setColor(ToQColor(PaletteColor(Options_.ColorPalette, static_cast<size_t>(i))));
  const QList<QBarSet*> sets = BarSeries_->barSets();
  for (qsizetype c = 0; c < sets.size(); ++c)
    sets[c]->setColor(ToQColor(PaletteColor(Options_.ColorPalette, static_cast<size_t>(c))));
}

void TChartPanel::NextColorPalette() {
  Options_.ColorPalette = NextPalette(Options_.ColorPalette);
  ApplyLook();
}

void TChartPanel::NextGradient() {
  Options_.ColorGradient = ::kv::NextGradient(Options_.ColorGradient);
  ApplyLook();
}

QImage TChartPanel::RenderVisibleChart() const {
  QChartView* view = PieShown() ? chrPie : Chart2;
  QImage image(view->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  view->render(&painter);
  painter.end();
  return image;
}

void TChartPanel::SaveDiagram() {
  std::string chosen;
  int filterIndex = 1;
  if (!Dialog_.SaveFileName(ChartSaveFilter, chosen, filterIndex)) return;
  const TChartSaveTarget target = ChartSaveTarget(chosen, filterIndex);
  if (!target.Format) {
    Dialog_.ShowError(target.Error);
    return;
  }
  if (QFileInfo::exists(FromUtf8(target.FileName)) &&
      !Dialog_.AskYesNo(Translate_ ? Translate_(IdAskOverwrite) : std::string(IdAskOverwrite)))
    return;
  const QImage image = RenderVisibleChart();
  const TFileResult result = *target.Format == TChartImageFormat::Bitmap ? WriteBmpFile(image, target.FileName)
                                                                         : WriteWmfFile(ToRgbImage(image), target.FileName);
  if (!result) Dialog_.ShowError(result.Message);
}

void TChartPanel::CopyToClipboard() { QGuiApplication::clipboard()->setImage(RenderVisibleChart()); }

}  // namespace kv
