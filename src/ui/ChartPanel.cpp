#include "ui/ChartPanel.h"
#include "ui/QtText.h"

#include <QActionGroup>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>

#include "export/OutputFile.h"
#include "export/WmfFile.h"
#include "reports/ChartLook.h"
#include "app/Option.h"
#include "settings/TextIds.h"
#include "app/UserDialog.h"
#include "ui/ChartViews.h"
#include "ui/DMMain.h"

namespace kv {

namespace {

// The text of a language id with its one "%s" standing for the file name.
std::string WithFileName(std::string text, const std::string& fileName) {
  if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, fileName);
  return text;
}

// The picture as the bytes of a BMP file; false when it cannot be encoded.
bool EncodeBmp(const QImage& image, QByteArray& bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  return !image.isNull() && image.save(&buffer, "BMP");
}

TFileResult WriteBytes(const QByteArray& bytes, const std::string& path) {
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
  chrPie = new TPieChartView(tbsPie);
  chrPie->setObjectName("chrPie");
  pieLayout->addWidget(chrPie);
  pgcChart->addWidget(tbsPie);

  tbsBar = new QWidget(pgcChart);
  tbsBar->setObjectName("tbsBar");
  auto* barLayout = new QHBoxLayout(tbsBar);
  barLayout->setContentsMargins(0, 0, 0, 0);
  barLayout->setSpacing(0);
  Chart2 = new TBarChartView(tbsBar);
  Chart2->setObjectName("Chart2");
  barLayout->addWidget(Chart2, 1);
  scrBar = new QScrollBar(Qt::Vertical, tbsBar);
  scrBar->setObjectName("scrBar");
  scrBar->setRange(0, 0);
  scrBar->hide();
  barLayout->addWidget(scrBar);
  connect(scrBar, &QScrollBar::valueChanged, Chart2, &TBarChartView::SetScrollPosition);
  pgcChart->addWidget(tbsBar);

  ShowPie();
  ApplyLook();
}

bool TChartPanel::PieShown() const { return pgcChart->currentWidget() == tbsPie; }

void TChartPanel::ShowPie() {
  pgcChart->setCurrentWidget(tbsPie);
  mniPie->setChecked(true);
  btnChartType->setText(WithoutAccessKey(mniPie->text()));
}

void TChartPanel::ShowBar() {
  pgcChart->setCurrentWidget(tbsBar);
  mniBar->setChecked(true);
  btnChartType->setText(WithoutAccessKey(mniBar->text()));
}

void TChartPanel::ApplyLanguage() {
  const auto tr = [this](const char* id) { return FromUtf8(Text(id)); };
  mniPie->setText(tr(IdChartPie));
  mniBar->setText(tr(IdChartBar));
  mniChartSettings->setText(tr(IdSettingsMenu));
  btnSaveDiagram->setToolTip(tr(IdSave));
  btnSaveToClipboardDiagram->setToolTip(tr(IdCopyToClipboard));
  btnChangeColorPalette->setToolTip(tr(IdNextColorPalette));
  btnOnOffGradient->setToolTip(tr(IdNextGradient));
  btnChartType->setText(WithoutAccessKey(PieShown() ? mniPie->text() : mniBar->text()));
}

std::string TChartPanel::Text(const char* id) const { return Translate_ ? Translate_(id) : std::string(id); }

TChartView* TChartPanel::VisibleChart() const {
  if (pgcChart->currentWidget() == tbsPie) return chrPie;
  return Chart2;
}

void TChartPanel::RefreshChart(const std::vector<TChartPoint>& points) {
  if (PieShown()) {
    chrPie->SetPoints(points);
    return;
  }
  const int n = static_cast<int>(points.size());
  Chart2->SetPoints(points);
  const TBarScrollBar bar = BarChartScrollBar(n);
  // A shrinking range may clamp the scroll bar's value: that must not page the
  // chart, which opens at its top window.
  const QSignalBlocker quiet(scrBar);
  scrBar->setRange(bar.Minimum, bar.Maximum);
  scrBar->setVisible(bar.Visible);
  Chart2->SetScrollPosition(0);
}

void TChartPanel::ApplyLook() {
  for (TChartView* chart : {static_cast<TChartView*>(chrPie), static_cast<TChartView*>(Chart2)})
    chart->SetLook(Options_.ColorPalette, Options_.ColorGradient);
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
  TChartView* view = VisibleChart();
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
  if (!Dialog_.SaveFileName(Text(IdSaveChartTitle), ChartSaveFilter, chosen, filterIndex)) return;
  const TChartSaveTarget target = ChartSaveTarget(chosen, filterIndex);
  if (!target.Format) {
    Dialog_.ShowError(WithFileName(Text(IdChartWrongExtension), target.FileName));
    return;
  }
  if (QFileInfo::exists(FromUtf8(target.FileName)) && !Dialog_.AskYesNo(Text(IdAskOverwrite))) return;
  const QImage image = RenderVisibleChart();
  QByteArray bytes;
  if (*target.Format == TChartImageFormat::Bitmap) {
    if (!EncodeBmp(image, bytes)) bytes.clear();
  } else {
    const std::string wmf = WmfBytes(ToRgbImage(image));
    bytes = QByteArray(wmf.data(), static_cast<qsizetype>(wmf.size()));
  }
  if (bytes.isEmpty()) {
    Dialog_.ShowError(WithFileName(Text(IdChartNotEncoded), target.FileName));
    return;
  }
  if (const TFileResult result = WriteBytes(bytes, target.FileName); !result) Dialog_.ShowError(result.Message);
}

void TChartPanel::CopyToClipboard() { QGuiApplication::clipboard()->setImage(RenderVisibleChart()); }

}  // namespace kv
