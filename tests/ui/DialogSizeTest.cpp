// In every shipped language, no label, check box or radio button of a dialog
// gets less room than its text asks for.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "platform/Locale.h"
#include "reports/AggregateReport.h"
#include "app/Option.h"
#include "settings/SettingsStore.h"
#include "ui/About.h"
#include "ui/FilterDialog.h"
#include "ui/ReportTreeDialog.h"
#include "ui/SettingsDialog.h"

namespace kv {
namespace {

QStringList CutTexts(const QDialog& dialog) {
  QStringList cut;
  for (QWidget* w : dialog.findChildren<QWidget*>()) {
    if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)))
      continue;
    QSize need = w->sizeHint();
    if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) need = {0, label->heightForWidth(w->width())};
    if (w->width() < need.width() || w->height() < need.height()) cut << w->objectName();
  }
  return cut;
}

TEST(DialogSize, NoTextIsCutInAnyLanguage) {
  const TPlatform platform = CreateNativePlatform();
  for (const char* language : {"English", "Deutsch"}) {
    TMemorySettingsStore store;
    store.WriteString(LanguageKey, language);
    TLangList languages(store, *platform.FileSystem, LanguageFolder());
    TOption options(store);
    TfrmSettings settings(options, languages, nullptr, nullptr);
    TfrmFilter filter(store, CurrentLocale(), languages, nullptr);
    TfrmAbout about(languages, "https://www.varnholt.de/kestrove/", nullptr);
    TfrmReportTree tree(nullptr, LanguageTranslator(languages), nullptr);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&settings, &filter, &about, &tree}) {
      dialog->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
      auto* tabs = dialog->findChild<QTabWidget*>();
      for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
        if (tabs) tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
        EXPECT_EQ(CutTexts(*dialog), QStringList()) << language << " " << dialog->objectName().toStdString() << " " << page;
      }
      dialog->close();
    }
  }
}

}  // namespace
}  // namespace kv
