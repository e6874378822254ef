// The settings dialog on a memory settings store and the real language files
// beside the test binary, driven through its buttons, radios and boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/QtHelpers.h"
#include "platform/Platform.h"
#include "settings/Language.h"
#include "app/Option.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "ui/SettingsDialog.h"

namespace kv {
namespace {

using test::Named;
using test::Q;

// Expected texts come from the language files themselves, line breaks as a label shows them.
QString FileText(const char* file, const char* id) {
  return Q(TLang(LanguageFolder() + file).FindText(id)).replace("\r\n", "\n");
}

QString TabText(const TfrmSettings& dialog, const char* page) {
  auto* tabs = Named<QTabWidget>(dialog, "pgcSetting");
  return tabs->tabText(tabs->indexOf(Named<QWidget>(dialog, page)));
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  // Options and languages are loaded from the store as the window does at start-up.
  void Load(const std::string& language = "English") {
    Store.WriteString(LanguageKey, language);
    Options = std::make_unique<TOption>(Store);
    Languages = std::make_unique<TLangList>(Store, *Platform.FileSystem, LanguageFolder());
  }

  std::unique_ptr<TfrmSettings> MakeDialog() {
    return std::make_unique<TfrmSettings>(*Options, *Languages, [this] {
      ++Relabels;
      LanguageAtRelabel = Languages->CurrentLanguage();
    }, nullptr);
  }

  std::optional<int32_t> StoredInteger(const char* name) { return Store.ReadInteger(name); }

  TMemorySettingsStore Store;
  TPlatform Platform = CreateNativePlatform();
  std::unique_ptr<TOption> Options;
  std::unique_ptr<TLangList> Languages;
  int Relabels = 0;
  std::string LanguageAtRelabel;
};

TEST_F(SettingsDialogTest, FormHasTheDescribedControlsAndPages) {
  Load();
  auto dialog = MakeDialog();
  EXPECT_EQ(dialog->size().expandedTo(QSize(370, 220)), dialog->size());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  auto* tabs = Named<QTabWidget>(*dialog, "pgcSetting");
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->widget(0)->objectName(), "tbsReport");
  EXPECT_EQ(tabs->widget(1)->objectName(), "tbsChart");
  EXPECT_EQ(tabs->widget(2)->objectName(), "tbsLanguage");
  EXPECT_TRUE(Named<QPushButton>(*dialog, "btnOk")->isDefault());
  EXPECT_FALSE(Named<QPushButton>(*dialog, "btnCancel")->isDefault());
  EXPECT_FALSE(Named<QComboBox>(*dialog, "cmbLanguage")->isEditable());
  auto* count = Named<QSpinBox>(*dialog, "edtCountFiles");
  EXPECT_EQ(count->minimum(), 1);
  EXPECT_EQ(count->maximum(), 2147483647);

  // Two separate radio groups: a choice in one leaves the other alone.
  Named<QRadioButton>(*dialog, "rbtUpdate")->setChecked(true);
  Named<QRadioButton>(*dialog, "rbtChartOther2")->setChecked(true);
  EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtCreate")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtUpdate")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtChartOther1")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtChartOther2")->isChecked());
  Named<QRadioButton>(*dialog, "rbtLastAccess")->setChecked(true);
  EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtUpdate")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtChartOther2")->isChecked());
}

TEST_F(SettingsDialogTest, ShowPageOpensTheNamedPage) {
  Load();
  auto dialog = MakeDialog();
  auto* tabs = Named<QTabWidget>(*dialog, "pgcSetting");
  dialog->ShowPage("tbsChart");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "tbsChart");
  dialog->ShowPage("tbsLanguage");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "tbsLanguage");
  dialog->ShowPage("tbsReport");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "tbsReport");
  dialog->ShowPage("tbsChart");
  dialog->ShowPage("tbsNoSuchPage");
  EXPECT_EQ(tabs->currentWidget()->objectName(), "tbsChart");
}

TEST_F(SettingsDialogTest, ShowsTheCurrentOptions) {
  Load();
  Options->ReportListCount = 1234;
  Options->ChartOtherType = 2;
  Options->ReportOldestType = 3;
  {
    auto dialog = MakeDialog();
    EXPECT_EQ(Named<QSpinBox>(*dialog, "edtCountFiles")->value(), 1234);
    EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtChartOther2")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtChartOther1")->isChecked());
    EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtLastAccess")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtCreate")->isChecked());
  }
  // Only 2 and 3 pick their radio; every other stored value shows creation date.
  const struct {
    int32_t Stored;
    const char* Checked;
  } oldest[] = {{1, "rbtCreate"}, {2, "rbtUpdate"}, {3, "rbtLastAccess"},
                {0, "rbtCreate"}, {4, "rbtCreate"}, {-1, "rbtCreate"}};
  for (const auto& c : oldest) {
    SCOPED_TRACE(c.Stored);
    Options->ReportOldestType = c.Stored;
    auto dialog = MakeDialog();
    for (const char* name : {"rbtCreate", "rbtUpdate", "rbtLastAccess"})
      EXPECT_EQ(Named<QRadioButton>(*dialog, name)->isChecked(), std::string(name) == c.Checked) << name;
  }
  // Only 2 keeps every item out of "Other".
  for (const int32_t stored : {1, 0, 3}) {
    SCOPED_TRACE(stored);
    Options->ChartOtherType = stored;
    auto dialog = MakeDialog();
    EXPECT_TRUE(Named<QRadioButton>(*dialog, "rbtChartOther1")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>(*dialog, "rbtChartOther2")->isChecked());
  }
}

TEST_F(SettingsDialogTest, OkStoresEachOptionAndSavesAllFive) {
  Load();
  Options->ColorPalette = 3;  // stepped by the chart, not yet saved
  ASSERT_FALSE(StoredInteger("ColorPalette"));
  auto dialog = MakeDialog();
  Named<QSpinBox>(*dialog, "edtCountFiles")->setValue(777);
  Named<QRadioButton>(*dialog, "rbtChartOther2")->setChecked(true);
  Named<QRadioButton>(*dialog, "rbtUpdate")->setChecked(true);
  Named<QPushButton>(*dialog, "btnOk")->click();

  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(Options->ReportListCount, 777);
  EXPECT_EQ(Options->ChartOtherType, 2);
  EXPECT_EQ(Options->ReportOldestType, 2);
  EXPECT_EQ(StoredInteger("ReportListCount"), 777);
  EXPECT_EQ(StoredInteger("ChartOtherType"), 2);
  EXPECT_EQ(StoredInteger("ReportOldestType"), 2);
  EXPECT_EQ(StoredInteger("ColorPalette"), 3);
  EXPECT_EQ(StoredInteger("ColorGradient"), 16);

  // And back the other way, through the handler itself.
  auto again = MakeDialog();
  Named<QRadioButton>(*again, "rbtChartOther1")->setChecked(true);
  Named<QRadioButton>(*again, "rbtLastAccess")->setChecked(true);
  again->btnOkClick();
  EXPECT_EQ(again->result(), QDialog::Accepted);
  EXPECT_EQ(StoredInteger("ChartOtherType"), 1);
  EXPECT_EQ(StoredInteger("ReportOldestType"), 3);
  EXPECT_EQ(StoredInteger("ReportListCount"), 777);

  auto third = MakeDialog();
  Named<QRadioButton>(*third, "rbtCreate")->setChecked(true);
  third->btnOkClick();
  EXPECT_EQ(Options->ReportOldestType, 1);
  EXPECT_EQ(StoredInteger("ReportOldestType"), 1);
}

TEST_F(SettingsDialogTest, CancelChangesNothing) {
  Load();
  Options->ReportListCount = 40;
  Options->ReportOldestType = 2;
  const auto before = Store.Values();
  auto dialog = MakeDialog();
  Named<QSpinBox>(*dialog, "edtCountFiles")->setValue(9);
  Named<QRadioButton>(*dialog, "rbtChartOther2")->setChecked(true);
  Named<QRadioButton>(*dialog, "rbtLastAccess")->setChecked(true);
  Named<QPushButton>(*dialog, "btnCancel")->click();

  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(Options->ReportListCount, 40);
  EXPECT_EQ(Options->ChartOtherType, 1);
  EXPECT_EQ(Options->ReportOldestType, 2);
  EXPECT_EQ(Store.Values(), before);
  EXPECT_EQ(Relabels, 0);
}

TEST_F(SettingsDialogTest, HistoryControlsShowStoreAndKeepTheirRange) {
  Load();
  const struct {
    int32_t Keep, Entries;  // the options before
    bool Check;             // the box as the user leaves it
    const char* Text;       // typed into the count
    int32_t StoredEntries;
  } cases[] = {{1, 5, false, "9", 9}, {0, 12, true, "3", 3}, {1, 5, true, "0", 1}, {1, 5, true, "250", 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    Options->KeepHistory = c.Keep;
    Options->HistoryEntries = c.Entries;
    auto dialog = MakeDialog();
    auto* keep = Named<QCheckBox>(*dialog, "chkKeepHistory");
    auto* entries = Named<QSpinBox>(*dialog, "edtHistoryEntries");
    EXPECT_EQ(keep->isChecked(), c.Keep != 0);
    EXPECT_EQ(entries->value(), c.Entries);
    EXPECT_EQ(entries->isEnabled(), c.Keep != 0);  // the count matters only while a history is kept
    keep->setChecked(c.Check);
    EXPECT_EQ(entries->isEnabled(), c.Check);
    Named<QLineEdit>(*entries, "qt_spinbox_lineedit")->setText(c.Text);
    dialog->btnOkClick();
    EXPECT_EQ(StoredInteger("KeepHistory"), c.Check ? 1 : 0);
    EXPECT_EQ(StoredInteger("HistoryEntries"), c.StoredEntries);
  }
  EXPECT_EQ(Named<QLabel>(*MakeDialog(), "lblHistoryEntries")->text(), FileText("English.kvl", IdHistoryEntries));
}

TEST(SettingsDialogCount, TextBecomesAWholeNumberWithinBounds) {
  const struct {
    const char* Text;
    int32_t Count;
  } cases[] = {{"123", 123},      {" 42 ", 42},        {"1", 1},
               {"0", 1},          {"-7", 1},           {"", 1},
               {"abc", 1},        {"12abc", 1},        {"12.5", 1},
               {"+8", 8},         {"-", 1},            {"2147483647", 2147483647},
               {"2147483648", 2147483647},             {"99999999999999999999999", 2147483647}};
  for (const auto& c : cases) EXPECT_EQ(TfrmSettings::CountFromText(QString::fromLatin1(c.Text)), c.Count) << c.Text;
}

TEST_F(SettingsDialogTest, OkStoresTheCountWithinItsBounds) {
  Load();
  const struct {
    const char* Text;
    int32_t Stored;
  } cases[] = {{"0", 1}, {"", 1}, {"abc", 1}, {"-3", 1}, {"5000000000", 2147483647}, {"65", 65}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    Options->ReportListCount = 50;
    auto dialog = MakeDialog();
    // Text set behind the validator's back, as an unfinished edit can leave it.
    Named<QLineEdit>(*Named<QSpinBox>(*dialog, "edtCountFiles"), "qt_spinbox_lineedit")->setText(c.Text);
    dialog->btnOkClick();
    EXPECT_EQ(Options->ReportListCount, c.Stored);
    EXPECT_EQ(StoredInteger("ReportListCount"), c.Stored);
  }

  // Typed by the user: letters are refused, digits kept.
  Options->ReportListCount = 50;
  auto dialog = MakeDialog();
  auto* edit = Named<QLineEdit>(*Named<QSpinBox>(*dialog, "edtCountFiles"), "qt_spinbox_lineedit");
  edit->selectAll();
  QTest::keyClicks(edit, "x");
  EXPECT_EQ(edit->text(), "50");
  edit->selectAll();
  QTest::keyClicks(edit, "3x1");
  EXPECT_EQ(edit->text(), "31");
  dialog->btnOkClick();
  EXPECT_EQ(StoredInteger("ReportListCount"), 31);
}

TEST_F(SettingsDialogTest, LanguageBoxListsTheLanguageFilesWithTheCurrentSelected) {
  std::vector<QString> expected;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(LanguageFolder())))
    if (entry.path().extension() == ".kvl") expected.push_back(Q(TLang(entry.path().string()).FindText(LanguageKey)));
  std::sort(expected.begin(), expected.end());
  ASSERT_TRUE(std::binary_search(expected.begin(), expected.end(), QString("English")));
  ASSERT_TRUE(std::binary_search(expected.begin(), expected.end(), QString("Deutsch")));

  for (const char* current : {"English", "Deutsch"}) {
    SCOPED_TRACE(current);
    Store.Clear();
    Load(current);
    auto dialog = MakeDialog();
    auto* box = Named<QComboBox>(*dialog, "cmbLanguage");
    std::vector<QString> listed;
    for (int i = 0; i < box->count(); ++i) listed.push_back(box->itemText(i));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(box->currentText(), current);
    // Filling the box is not a choice.
    EXPECT_EQ(Relabels, 0);
  }

  Store.Clear();
  Load("Klingon");
  auto dialog = MakeDialog();
  EXPECT_EQ(Named<QComboBox>(*dialog, "cmbLanguage")->currentIndex(), -1);
  EXPECT_EQ(Named<QPushButton>(*dialog, "btnOk")->text(), Q(std::string(NoTranslated)));
}

// Every text of the dialog against one language file.
void ExpectTexts(const TfrmSettings& dialog, const char* file) {
  EXPECT_EQ(dialog.windowTitle(), FileText(file, IdSettingsCaption));
  EXPECT_EQ(TabText(dialog, "tbsReport"), FileText(file, IdTabReport));
  EXPECT_EQ(TabText(dialog, "tbsChart"), FileText(file, IdTabChart));
  EXPECT_EQ(TabText(dialog, "tbsLanguage"), FileText(file, IdTabLanguage));
  EXPECT_EQ(Named<QLabel>(dialog, "lblCountFiles")->text(), FileText(file, IdReportCountLabel));
  EXPECT_EQ(Named<QGroupBox>(dialog, "cbxOldes")->title(), FileText(file, IdOldestNewestFiles));
  EXPECT_EQ(Named<QRadioButton>(dialog, "rbtCreate")->text(), FileText(file, IdUseCreationDate));
  EXPECT_EQ(Named<QRadioButton>(dialog, "rbtUpdate")->text(), FileText(file, IdUseModifyDate));
  EXPECT_EQ(Named<QRadioButton>(dialog, "rbtLastAccess")->text(), FileText(file, IdUseLastAccessDate));
  EXPECT_EQ(Named<QLabel>(dialog, "lblChartOther")->text(), FileText(file, IdChartOtherLabel));
  EXPECT_EQ(Named<QRadioButton>(dialog, "rbtChartOther1")->text(), FileText(file, IdChartOtherSmall));
  EXPECT_EQ(Named<QRadioButton>(dialog, "rbtChartOther2")->text(), FileText(file, IdChartOtherNone));
  EXPECT_EQ(Named<QLabel>(dialog, "lblLanguage")->text(), FileText(file, IdLanguageLabel));
  EXPECT_EQ(Named<QPushButton>(dialog, "btnOk")->text(), FileText(file, IdOk));
  EXPECT_EQ(Named<QPushButton>(dialog, "btnCancel")->text(), FileText(file, IdCancel));
}

TEST_F(SettingsDialogTest, OpensInTheCurrentLanguage) {
  Load("English");
  ExpectTexts(*MakeDialog(), "English.kvl");
  // The count label is two lines in the file.
  EXPECT_TRUE(FileText("English.kvl", IdReportCountLabel).contains('\n'));
  Store.Clear();
  Load("Deutsch");
  ExpectTexts(*MakeDialog(), "Deutsch.kvl");
}

TEST_F(SettingsDialogTest, ChoosingALanguageSwitchesAtOnceAndCancelKeepsIt) {
  Load("English");
  // The two files must differ, or the switch could not be seen.
  ASSERT_NE(FileText("English.kvl", IdSettingsCaption), FileText("Deutsch.kvl", IdSettingsCaption));
  ASSERT_NE(FileText("English.kvl", IdCancel), FileText("Deutsch.kvl", IdCancel));
  auto dialog = MakeDialog();
  dialog->ShowPage("tbsLanguage");
  Named<QSpinBox>(*dialog, "edtCountFiles")->setValue(3);
  auto* box = Named<QComboBox>(*dialog, "cmbLanguage");
  const int deutsch = box->findText("Deutsch");
  ASSERT_GE(deutsch, 0);
  box->setCurrentIndex(deutsch);

  ExpectTexts(*dialog, "Deutsch.kvl");
  EXPECT_EQ(Relabels, 1);
  // The owner re-labels with the new language already current.
  EXPECT_EQ(LanguageAtRelabel, "Deutsch");
  EXPECT_EQ(Languages->CurrentLanguage(), "Deutsch");
  EXPECT_EQ(Q(Languages->Translate(IdTabChart)), FileText("Deutsch.kvl", IdTabChart));
  EXPECT_EQ(Store.ReadString(LanguageKey), "Deutsch");
  EXPECT_EQ(Named<QTabWidget>(*dialog, "pgcSetting")->currentWidget()->objectName(), "tbsLanguage");

  Named<QPushButton>(*dialog, "btnCancel")->click();
  EXPECT_EQ(Store.ReadString(LanguageKey), "Deutsch");
  EXPECT_EQ(Languages->CurrentLanguage(), "Deutsch");
  // The count typed before the switch was cancelled with the dialog.
  EXPECT_EQ(Options->ReportListCount, 50);
  EXPECT_FALSE(StoredInteger("ReportListCount"));

  // A new list reads the stored choice, as the next start would.
  TLangList next(Store, *Platform.FileSystem, LanguageFolder());
  EXPECT_EQ(next.CurrentLanguage(), "Deutsch");

  // And back again, through the handler.
  auto back = MakeDialog();
  back->cmbLanguageChange(Named<QComboBox>(*back, "cmbLanguage")->findText("English"));
  ExpectTexts(*back, "English.kvl");
  EXPECT_EQ(Relabels, 2);
  EXPECT_EQ(Store.ReadString(LanguageKey), "English");
}

}  // namespace
}  // namespace kv
