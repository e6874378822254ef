#include "ui/About.h"
#include "ui/DialogSize.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

#include "settings/TextIds.h"
#include "ui/QtText.h"

namespace kv {

QPixmap ProgramPicture(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width, height) - 8;
  const QRectF pie((width - side) / 2.0, (height - side) / 2.0, side, side);
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(70, 130, 200));
  p.drawPie(pie, 60 * 16, 240 * 16);
  p.setBrush(QColor(240, 180, 40));
  p.drawPie(pie.translated(4, -3), 0, 60 * 16);
  p.setBrush(QColor(90, 180, 90));
  p.drawPie(pie, 300 * 16, 60 * 16);
  return pixmap;
}

TfrmAbout::TfrmAbout(const TLangList& languages, const QString& homePage, QWidget* owner)
    : QDialog(owner), Languages_(languages) {
  setObjectName("frmAbout");
  auto* grid = new QGridLayout(this);

  auto* imgLogo = new QLabel(this);
  imgLogo->setObjectName("imgLogo");
  imgLogo->setPixmap(ProgramPicture(81, 92));
  grid->addWidget(imgLogo, 0, 0, 4, 1);

  auto* lblProgName = new QLabel("Varnholt\n Kestrove 2.4", this);
  lblProgName->setObjectName("lblProgName");
  lblProgName->setAlignment(Qt::AlignRight);
  QFont font("Arial");
  font.setPixelSize(17);
  font.setBold(true);
  lblProgName->setFont(font);
  grid->addWidget(lblProgName, 0, 1, 1, 2);

  auto* lblNotice = new QLabel(this);
  lblNotice->setObjectName("lblNotice");
  grid->addWidget(lblNotice, 1, 1, 1, 2);

  auto* lblHomepageTitle = new QLabel(this);
  lblHomepageTitle->setObjectName("lblHomepageTitle");
  grid->addWidget(lblHomepageTitle, 2, 1);
  auto* lblHomepage = new QLabel(QString("<a href=\"%1\" style=\"color:blue\">%1</a>").arg(homePage), this);
  lblHomepage->setObjectName("lblHomepage");
  lblHomepage->setCursor(Qt::PointingHandCursor);
  lblHomepage->setOpenExternalLinks(false);
  connect(lblHomepage, &QLabel::linkActivated, this, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
  grid->addWidget(lblHomepage, 2, 2);

  auto* btnOk = new QPushButton(this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(btnOk, 3, 2, Qt::AlignRight);
  ApplyLanguage();
}

void TfrmAbout::ApplyLanguage() {
  auto tr = [this](const char* id) { return QString::fromStdString(Languages_.Translate(id)); };
  setWindowTitle(WithoutAccessKey(tr(IdAbout)));
  findChild<QLabel*>("lblNotice")->setText(tr(IdAboutNotice));
  findChild<QLabel*>("lblHomepageTitle")->setText(WithoutAccessKey(tr(IdHomePage)));
  findChild<QPushButton*>("btnOk")->setText(tr(IdOk));
  FitDialogToLayout(*this, QSize(294, 142));
}

}  // namespace kv
