// The filter dialog against an in-memory store, read back through the core filter.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "fakes/TempFolder.h"
#include "fakes/QtHelpers.h"
#include "platform/Locale.h"
#include "scan/ItemFilter.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "ui/FilterDialog.h"

namespace kv {
namespace {

using test::Named;
using test::Q;

namespace fs = std::filesystem;

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

// Types a text into a size field bypassing its validator, as an unfinished edit would leave it.
void SetSizeText(QSpinBox& box, const QString& text) { Named<QLineEdit>(box, "qt_spinbox_lineedit")->setText(text); }

class FilterDialogTest : public ::testing::Test {
 protected:
  FilterDialogTest() : Platform(CreateNativePlatform()) {}

  std::unique_ptr<TfrmFilter> MakeDialog(const std::string& languageFolder = LanguageFolder()) {
    Languages = std::make_unique<TLangList>(LanguageStore, *Platform.FileSystem, languageFolder);
    return std::make_unique<TfrmFilter>(Store, CurrentLocale(), *Languages, nullptr);
  }

  // A stored filter with every value away from its default.
  void StoreNonDefaults() {
    TFilter f(Store, CurrentLocale());
    f.SizeAny = false;
    f.SizeMode = 3;
    f.SizeFirst = 10;
    f.SizeLast = 20;
    f.OwnerAny = false;
    f.OwnerMask = "BUILTIN\\*";
    f.IncludedMask = "*.txt";
    f.ExcludedMask = "~*";
    f.IncludedHistory.Add("*.txt");
    f.IncludedHistory.Add("*.doc");
    f.ExcludedHistory.Add("~*");
    f.Save();
  }

  TPlatform Platform;
  TMemorySettingsStore Store;
  TMemorySettingsStore LanguageStore;
  std::unique_ptr<TLangList> Languages;
};

using Values = std::map<std::string, TMemorySettingsStore::TValue, std::less<>>;

// ---------------------------------------------------------------- loading and enabling

TEST_F(FilterDialogTest, EmptyStoreShowsTheDefaultsWithDependentControlsDisabled) {
  auto d = MakeDialog();
  EXPECT_EQ(Named<QTabWidget>(*d, "pgcFilter")->currentWidget(), Named<QWidget>(*d, "tbsMask"));
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskIncluded")->currentText(), "*");
  EXPECT_EQ(Items(*Named<QComboBox>(*d, "cmbMaskIncluded")), QStringList{"*"});
  EXPECT_FALSE(Named<QCheckBox>(*d, "cbxMaskExcluded")->isChecked());
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbMaskExcluded")->isEnabled());
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskExcluded")->currentText(), "");
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskExcluded")->count(), 0);
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtSizeAny")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtSizeSpecify")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtOwnerAny")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtOwnerSpecify")->isChecked());
  auto* mode = Named<QComboBox>(*d, "cmbSizeSpecify");
  EXPECT_FALSE(mode->isEnabled());
  EXPECT_FALSE(mode->isEditable());
  EXPECT_EQ(mode->currentIndex(), 0);
  EXPECT_EQ(mode->currentText(), "greater then ");
  EXPECT_EQ(Items(*mode), (QStringList{"greater then ", "less than ", "equal to ", "beetween"}));
  EXPECT_FALSE(Named<QSpinBox>(*d, "edtSizeSpecifyFirst")->isEnabled());
  EXPECT_FALSE(Named<QSpinBox>(*d, "edtSizeSpecifyLast")->isEnabled());
  EXPECT_FALSE(Named<QLabel>(*d, "lblSizeSpecifyAnd")->isEnabled());
  EXPECT_EQ(Named<QComboBox>(*d, "cmbOwner")->currentText(), "*\\*");
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbOwner")->isEnabled());
  EXPECT_TRUE(Named<QComboBox>(*d, "cmbMaskIncluded")->isEnabled());
  EXPECT_TRUE(Named<QPushButton>(*d, "btnOk")->isDefault());
  EXPECT_EQ(d->minimumSize(), d->maximumSize());
  EXPECT_EQ(d->size().expandedTo(QSize(376, 229)), d->size());  // the texts may need more
  EXPECT_TRUE(Named<QLabel>(*d, "lblError")->isHidden());
}

TEST_F(FilterDialogTest, ShowsTheStoredFilterAndBothHistories) {
  StoreNonDefaults();
  auto d = MakeDialog();
  // The edit texts are the stored masks, not the first history entries.
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskIncluded")->currentText(), "*.txt");
  EXPECT_EQ(Items(*Named<QComboBox>(*d, "cmbMaskIncluded")), (QStringList{"*", "*.doc", "*.txt"}));
  EXPECT_TRUE(Named<QCheckBox>(*d, "cbxMaskExcluded")->isChecked());
  EXPECT_TRUE(Named<QComboBox>(*d, "cmbMaskExcluded")->isEnabled());
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskExcluded")->currentText(), "~*");
  EXPECT_EQ(Items(*Named<QComboBox>(*d, "cmbMaskExcluded")), QStringList{"~*"});
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtSizeAny")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtSizeSpecify")->isChecked());
  EXPECT_EQ(Named<QComboBox>(*d, "cmbSizeSpecify")->currentIndex(), 3);
  EXPECT_EQ(Named<QSpinBox>(*d, "edtSizeSpecifyFirst")->value(), 10);
  EXPECT_EQ(Named<QSpinBox>(*d, "edtSizeSpecifyLast")->value(), 20);
  EXPECT_TRUE(Named<QSpinBox>(*d, "edtSizeSpecifyLast")->isEnabled());
  EXPECT_TRUE(Named<QLabel>(*d, "lblSizeSpecifyAnd")->isEnabled());
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtOwnerAny")->isChecked());
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtOwnerSpecify")->isChecked());
  EXPECT_EQ(Named<QComboBox>(*d, "cmbOwner")->currentText(), "BUILTIN\\*");
  EXPECT_TRUE(Named<QComboBox>(*d, "cmbOwner")->isEnabled());
}

TEST_F(FilterDialogTest, EnablingFollowsRadioButtonsCheckBoxAndSizeMode) {
  auto d = MakeDialog();
  auto* mode = Named<QComboBox>(*d, "cmbSizeSpecify");
  auto* first = Named<QSpinBox>(*d, "edtSizeSpecifyFirst");
  auto* last = Named<QSpinBox>(*d, "edtSizeSpecifyLast");
  auto* andLabel = Named<QLabel>(*d, "lblSizeSpecifyAnd");

  Named<QRadioButton>(*d, "rbtSizeSpecify")->click();
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtSizeAny")->isChecked());  // one group
  EXPECT_TRUE(mode->isEnabled());
  EXPECT_TRUE(first->isEnabled());
  EXPECT_FALSE(last->isEnabled());
  mode->setCurrentIndex(3);
  EXPECT_TRUE(last->isEnabled());
  EXPECT_TRUE(andLabel->isEnabled());
  mode->setCurrentIndex(1);
  EXPECT_FALSE(last->isEnabled());
  EXPECT_FALSE(andLabel->isEnabled());
  mode->setCurrentIndex(3);
  Named<QRadioButton>(*d, "rbtSizeAny")->click();
  EXPECT_FALSE(mode->isEnabled());
  EXPECT_FALSE(first->isEnabled());
  EXPECT_FALSE(last->isEnabled());
  EXPECT_FALSE(andLabel->isEnabled());

  Named<QCheckBox>(*d, "cbxMaskExcluded")->click();
  EXPECT_TRUE(Named<QComboBox>(*d, "cmbMaskExcluded")->isEnabled());
  Named<QCheckBox>(*d, "cbxMaskExcluded")->click();
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbMaskExcluded")->isEnabled());

  Named<QRadioButton>(*d, "rbtOwnerSpecify")->click();
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtOwnerAny")->isChecked());
  EXPECT_TRUE(Named<QComboBox>(*d, "cmbOwner")->isEnabled());
  Named<QRadioButton>(*d, "rbtOwnerAny")->click();
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbOwner")->isEnabled());
}

// ---------------------------------------------------------------- OK

TEST_F(FilterDialogTest, OkWritesExactlyWhatTheCoreFilterWrites) {
  StoreNonDefaults();
  // The same store content, changed by the core filter the way the dialog should.
  TMemorySettingsStore expected;
  for (const auto& [name, value] : Store.Values()) {
    if (const auto* text = std::get_if<std::string>(&value))
      expected.WriteString(name, *text);
    else
      expected.WriteInteger(name, std::get<int32_t>(value));
  }
  {
    TFilter f(expected, CurrentLocale());
    f.SizeAny = true;
    f.SizeMode = 2;
    f.SizeFirst = -5;
    f.SizeLast = 7;
    f.OwnerAny = true;
    f.OwnerMask = "host\\bob";
    f.IncludedMask = "*.jpg; *.gif";
    f.ExcludedMask = "*.tmp";
    f.IncludedHistory.Add("*.jpg; *.gif");
    f.ExcludedHistory.Add("*.tmp");
    f.Save();
  }

  auto d = MakeDialog();
  Named<QComboBox>(*d, "cmbMaskIncluded")->setEditText("  *.jpg; *.gif ");
  Named<QComboBox>(*d, "cmbMaskExcluded")->setEditText(" *.tmp");
  Named<QRadioButton>(*d, "rbtSizeAny")->click();
  Named<QComboBox>(*d, "cmbSizeSpecify")->setCurrentIndex(2);
  Named<QSpinBox>(*d, "edtSizeSpecifyFirst")->setValue(-5);  // no limits
  Named<QSpinBox>(*d, "edtSizeSpecifyLast")->setValue(7);
  Named<QRadioButton>(*d, "rbtOwnerAny")->click();
  Named<QComboBox>(*d, "cmbOwner")->setEditText("host\\bob\t");
  Named<QPushButton>(*d, "btnOk")->click();

  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(Store.Values(), expected.Values());
  const Values v = Store.Values();
  EXPECT_EQ(v.at("Filter-Size-Any"), TMemorySettingsStore::TValue(int32_t{1}));
  EXPECT_EQ(v.at("Filter-Size-ItemIndex"), TMemorySettingsStore::TValue(int32_t{2}));
  EXPECT_EQ(v.at("Filter-Size-First"), TMemorySettingsStore::TValue(int32_t{-5}));
  EXPECT_EQ(v.at("Filter-Size-Last"), TMemorySettingsStore::TValue(int32_t{7}));
  EXPECT_EQ(v.at("Filter-Owner-Any"), TMemorySettingsStore::TValue(int32_t{1}));
  EXPECT_EQ(v.at("Filter-Owner-Mask"), TMemorySettingsStore::TValue(std::string("host\\bob")));
  EXPECT_EQ(v.at("Filter-Mask-Included-Value"), TMemorySettingsStore::TValue(std::string("*.jpg; *.gif")));
  EXPECT_EQ(v.at("Filter-Mask-Excluded-Value"), TMemorySettingsStore::TValue(std::string("*.tmp")));

  const TFilter back(Store, CurrentLocale());
  EXPECT_FALSE(back.IsEmpty());  // an excluded mask is a filter
  EXPECT_EQ(back.IncludedHistory.Items(), (std::vector<std::string>{"*", "*.doc", "*.jpg; *.gif", "*.txt"}));
  EXPECT_EQ(back.ExcludedHistory.Items(), (std::vector<std::string>{"*.tmp", "~*"}));
}

TEST_F(FilterDialogTest, OneFileSystemBoxRoundTripsThroughTheStore) {
  // Stored value, then the box's state on OK; what the store holds afterwards.
  struct TCase {
    bool Stored, Checked;
  };
  for (const TCase c : {TCase{false, true}, TCase{true, false}, TCase{true, true}, TCase{false, false}}) {
    {
      TFilter f(Store, CurrentLocale());
      f.OneFileSystem = c.Stored;
      f.Save();
    }
    auto d = MakeDialog();
    auto* box = Named<QCheckBox>(*d, "cbxOneFileSystem");
    EXPECT_EQ(box->isChecked(), c.Stored);
    EXPECT_EQ(box->text(), Q(Languages->Translate(IdOneFileSystem)));
    box->setChecked(c.Checked);
    ASSERT_TRUE(d->TrySave());
    EXPECT_EQ(TFilter(Store, CurrentLocale()).OneFileSystem, c.Checked) << c.Stored << c.Checked;
  }
  // Default clears it.
  auto d = MakeDialog();
  Named<QPushButton>(*d, "btnDefault")->click();
  EXPECT_FALSE(Named<QCheckBox>(*d, "cbxOneFileSystem")->isChecked());
}

TEST_F(FilterDialogTest, OkAddsToTheHistoriesSortedWithoutCaseDuplicates) {
  StoreNonDefaults();
  auto d = MakeDialog();
  Named<QComboBox>(*d, "cmbMaskIncluded")->setEditText("*.TXT");  // equal to *.txt
  Named<QComboBox>(*d, "cmbMaskExcluded")->setEditText("*.bak");
  ASSERT_TRUE(d->TrySave());

  const Values v = Store.Values();
  EXPECT_EQ(v.at("Filter-Mask-Included-Count"), TMemorySettingsStore::TValue(int32_t{3}));
  EXPECT_EQ(v.at("Filter-Mask-Included-Item-0"), TMemorySettingsStore::TValue(std::string("*")));
  EXPECT_EQ(v.at("Filter-Mask-Included-Item-1"), TMemorySettingsStore::TValue(std::string("*.doc")));
  EXPECT_EQ(v.at("Filter-Mask-Included-Item-2"), TMemorySettingsStore::TValue(std::string("*.txt")));
  EXPECT_EQ(v.count("Filter-Mask-Included-Item-3"), 0u);
  EXPECT_EQ(v.at("Filter-Mask-Excluded-Count"), TMemorySettingsStore::TValue(int32_t{2}));
  EXPECT_EQ(v.at("Filter-Mask-Excluded-Item-0"), TMemorySettingsStore::TValue(std::string("*.bak")));
  EXPECT_EQ(v.at("Filter-Mask-Excluded-Item-1"), TMemorySettingsStore::TValue(std::string("~*")));
  // The mask itself keeps the case as typed.
  EXPECT_EQ(v.at("Filter-Mask-Included-Value"), TMemorySettingsStore::TValue(std::string("*.TXT")));

  // A second OK on a fresh dialog shows and keeps the grown lists.
  auto again = MakeDialog();
  EXPECT_EQ(Items(*Named<QComboBox>(*again, "cmbMaskExcluded")), (QStringList{"*.bak", "~*"}));
  ASSERT_TRUE(again->TrySave());
  EXPECT_EQ(TFilter(Store, CurrentLocale()).ExcludedHistory.Count(), 2u);
}

TEST_F(FilterDialogTest, UncheckedExcludedTextIsStoredEmptyButJoinsTheHistory) {
  auto d = MakeDialog();
  Named<QComboBox>(*d, "cmbMaskExcluded")->setEditText("*.log");
  ASSERT_FALSE(Named<QCheckBox>(*d, "cbxMaskExcluded")->isChecked());
  ASSERT_TRUE(d->TrySave());
  const TFilter back(Store, CurrentLocale());
  EXPECT_EQ(back.ExcludedMask, "");
  EXPECT_EQ(back.ExcludedHistory.Items(), std::vector<std::string>{"*.log"});
  EXPECT_TRUE(back.IsEmpty());
}

TEST_F(FilterDialogTest, MasksAreStoredAsEnteredEvenEmptyOrMalformed) {
  auto d = MakeDialog();
  Named<QComboBox>(*d, "cmbMaskIncluded")->setEditText("   ");
  Named<QCheckBox>(*d, "cbxMaskExcluded")->click();
  Named<QComboBox>(*d, "cmbMaskExcluded")->setEditText("[abc");
  Named<QRadioButton>(*d, "rbtOwnerSpecify")->click();
  Named<QComboBox>(*d, "cmbOwner")->setEditText("");
  Named<QPushButton>(*d, "btnOk")->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_TRUE(d->ErrorText().isEmpty());
  const TFilter back(Store, CurrentLocale());
  EXPECT_EQ(back.IncludedMask, "");
  EXPECT_EQ(back.ExcludedMask, "[abc");
  EXPECT_FALSE(back.OwnerAny);
  EXPECT_EQ(back.OwnerMask, "");
  EXPECT_FALSE(back.IsEmpty());  // the main window shows btnFilter down after this
  EXPECT_EQ(back.IncludedHistory.Items(), (std::vector<std::string>{"", "*"}));
}

TEST_F(FilterDialogTest, OkWithTheDefaultsLeavesNoFilterInEffect) {
  StoreNonDefaults();
  auto d = MakeDialog();
  Named<QPushButton>(*d, "btnDefault")->click();
  Named<QPushButton>(*d, "btnOk")->click();
  const TFilter back(Store, CurrentLocale());
  EXPECT_TRUE(back.IsEmpty());
  // Default leaves these texts alone: they are stored although unused.
  EXPECT_EQ(back.SizeMode, 3);
  EXPECT_EQ(back.SizeFirst, 10);
  EXPECT_EQ(back.SizeLast, 20);
  EXPECT_EQ(back.OwnerMask, "BUILTIN\\*");
  EXPECT_EQ(back.ExcludedMask, "");
  EXPECT_EQ(back.ExcludedHistory.Items(), std::vector<std::string>{"~*"});
}

// ---------------------------------------------------------------- Cancel and Default

TEST_F(FilterDialogTest, CancelLeavesTheStoreUntouched) {
  StoreNonDefaults();
  const Values before = Store.Values();
  auto d = MakeDialog();
  Named<QComboBox>(*d, "cmbMaskIncluded")->setEditText("*.new");
  Named<QRadioButton>(*d, "rbtSizeAny")->click();
  Named<QSpinBox>(*d, "edtSizeSpecifyFirst")->setValue(99);
  Named<QPushButton>(*d, "btnCancel")->click();
  EXPECT_EQ(d->result(), QDialog::Rejected);
  EXPECT_EQ(Store.Values(), before);
}

TEST_F(FilterDialogTest, DefaultResetsTheChoicesButNotTheOtherTextsAndStoresNothing) {
  StoreNonDefaults();
  const Values before = Store.Values();
  auto d = MakeDialog();
  Named<QPushButton>(*d, "btnDefault")->click();

  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskIncluded")->currentText(), "*");
  EXPECT_FALSE(Named<QCheckBox>(*d, "cbxMaskExcluded")->isChecked());
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbMaskExcluded")->isEnabled());
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtSizeAny")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtSizeSpecify")->isChecked());
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbSizeSpecify")->isEnabled());
  EXPECT_FALSE(Named<QSpinBox>(*d, "edtSizeSpecifyLast")->isEnabled());
  EXPECT_TRUE(Named<QRadioButton>(*d, "rbtOwnerAny")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(*d, "rbtOwnerSpecify")->isChecked());
  EXPECT_FALSE(Named<QComboBox>(*d, "cmbOwner")->isEnabled());
  // These keep what they show.
  EXPECT_EQ(Named<QComboBox>(*d, "cmbMaskExcluded")->currentText(), "~*");
  EXPECT_EQ(Named<QComboBox>(*d, "cmbSizeSpecify")->currentIndex(), 3);
  EXPECT_EQ(Named<QSpinBox>(*d, "edtSizeSpecifyFirst")->value(), 10);
  EXPECT_EQ(Named<QSpinBox>(*d, "edtSizeSpecifyLast")->value(), 20);
  EXPECT_EQ(Named<QComboBox>(*d, "cmbOwner")->currentText(), "BUILTIN\\*");
  EXPECT_EQ(Store.Values(), before);

  Named<QPushButton>(*d, "btnCancel")->click();
  EXPECT_EQ(Store.Values(), before);
}

// ---------------------------------------------------------------- size fields

TEST_F(FilterDialogTest, SizeFieldThatIsNotAWholeNumberRefusesOkInTheLanguage) {
  StoreNonDefaults();
  const Values before = Store.Values();
  LanguageStore.WriteString(LanguageKey, "Deutsch");
  const TLang deutsch(LanguageFolder() + "Deutsch.kvl");
  auto d = MakeDialog();
  auto* first = Named<QSpinBox>(*d, "edtSizeSpecifyFirst");
  auto* last = Named<QSpinBox>(*d, "edtSizeSpecifyLast");
  auto* error = Named<QLabel>(*d, "lblError");

  SetSizeText(*first, "abc");
  EXPECT_FALSE(d->TrySave());
  EXPECT_EQ(d->ErrorText(), Q(deutsch.FindText(IdSizeFirstNotNumber)).replace("%s", "abc"));
  EXPECT_FALSE(error->isHidden());
  EXPECT_EQ(error->text(), d->ErrorText());
  EXPECT_EQ(Named<QTabWidget>(*d, "pgcFilter")->currentWidget(), Named<QWidget>(*d, "tbsSize"));
  EXPECT_EQ(Store.Values(), before);

  SetSizeText(*first, "12");
  SetSizeText(*last, "3x");
  Named<QPushButton>(*d, "btnOk")->click();
  EXPECT_NE(d->result(), QDialog::Accepted);
  EXPECT_EQ(d->ErrorText(), Q(deutsch.FindText(IdSizeLastNotNumber)).replace("%s", "3x"));
  EXPECT_EQ(Store.Values(), before);

  SetSizeText(*last, "-");  // a sign alone is no number either
  EXPECT_FALSE(d->TrySave());
  EXPECT_EQ(Store.Values(), before);

  // Once both are numbers (an empty field is 0) OK saves them and the message goes.
  SetSizeText(*first, "");
  SetSizeText(*last, "-40");
  ASSERT_TRUE(d->TrySave());
  EXPECT_TRUE(d->ErrorText().isEmpty());
  EXPECT_TRUE(error->isHidden());
  const TFilter back(Store, CurrentLocale());
  EXPECT_EQ(back.SizeFirst, 0);
  EXPECT_EQ(back.SizeLast, -40);
}

TEST_F(FilterDialogTest, EnterInASizeFieldChecksBeforeTheFieldRevertsItsText) {
  StoreNonDefaults();
  const Values before = Store.Values();
  auto d = MakeDialog();
  auto* first = Named<QSpinBox>(*d, "edtSizeSpecifyFirst");
  first->selectAll();
  QTest::keyClick(first, Qt::Key_Minus);
  ASSERT_EQ(first->cleanText(), "-");
  QTest::keyClick(first, Qt::Key_Return);
  EXPECT_NE(d->result(), QDialog::Accepted);
  EXPECT_FALSE(d->ErrorText().isEmpty());
  EXPECT_EQ(Store.Values(), before);
  EXPECT_EQ(first->cleanText(), "-");  // still what the user left there

  QTest::keyClick(first, Qt::Key_Backspace);  // empty counts as 0
  QTest::keyClick(first, Qt::Key_Enter);
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(TFilter(Store, CurrentLocale()).SizeFirst, 0);
}

TEST_F(FilterDialogTest, ClickingOkLeavesABadSizeTextInPlaceToBeRefused) {
  StoreNonDefaults();
  const Values before = Store.Values();
  auto d = MakeDialog();
  Named<QTabWidget>(*d, "pgcFilter")->setCurrentWidget(Named<QWidget>(*d, "tbsSize"));
  d->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
  d->activateWindow();
  auto* last = Named<QSpinBox>(*d, "edtSizeSpecifyLast");
  last->setFocus();
  SetSizeText(*last, "-");
  // Taking the focus would make the field fall back to 20 and OK store that.
  QTest::mouseClick(Named<QPushButton>(*d, "btnOk"), Qt::LeftButton);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(last->cleanText(), "-");
  EXPECT_FALSE(d->ErrorText().isEmpty());
  EXPECT_EQ(Store.Values(), before);
  d->close();
}

// ---------------------------------------------------------------- language

TEST_F(FilterDialogTest, TextsComeFromTheLanguageFile) {
  const TLang english(LanguageFolder() + "English.kvl");
  auto d = MakeDialog();
  auto text = [&](const char* id) { return Q(english.FindText(id)); };
  EXPECT_EQ(d->windowTitle(), "Filter");
  EXPECT_EQ(d->windowTitle(), text("21115"));
  EXPECT_EQ(Named<QPushButton>(*d, "btnOk")->text(), text("218"));
  EXPECT_EQ(Named<QPushButton>(*d, "btnCancel")->text(), text("219"));
  EXPECT_EQ(Named<QPushButton>(*d, "btnDefault")->text(), text("21119"));
  auto* tabs = Named<QTabWidget>(*d, "pgcFilter");
  EXPECT_EQ(tabs->tabText(tabs->indexOf(Named<QWidget>(*d, "tbsMask"))), text("21116"));
  EXPECT_EQ(tabs->tabText(tabs->indexOf(Named<QWidget>(*d, "tbsSize"))), text("21117"));
  EXPECT_EQ(tabs->tabText(tabs->indexOf(Named<QWidget>(*d, "tbsOwner"))), "File owner");
  EXPECT_EQ(tabs->tabText(tabs->indexOf(Named<QWidget>(*d, "tbsOwner"))), text("21118"));
  EXPECT_EQ(Named<QLabel>(*d, "lblMaskIncluded")->text(), text("21120"));
  EXPECT_EQ(Named<QCheckBox>(*d, "cbxMaskExcluded")->text(), text("21121"));
  EXPECT_EQ(Named<QLabel>(*d, "lblMaskSample")->text(),
            "Example format mask: \n*.jpg; *.jpeg; *.bmp; *.psd; *.gif\n*f*.exe; p?q.txt");
  EXPECT_EQ(Named<QLabel>(*d, "lblMaskSample")->text(), text("21122").replace("\r\n", "\n"));
  EXPECT_EQ(Named<QRadioButton>(*d, "rbtSizeAny")->text(), text("21123"));
  EXPECT_EQ(Named<QRadioButton>(*d, "rbtSizeSpecify")->text(), text("21124"));
  EXPECT_EQ(Named<QLabel>(*d, "lblSizeSpecifyAnd")->text(), text("21125"));
  EXPECT_EQ(Named<QRadioButton>(*d, "rbtOwnerAny")->text(), text("21126"));
  EXPECT_EQ(Named<QRadioButton>(*d, "rbtOwnerSpecify")->text(), "Specify owner (domain\\username)");
  EXPECT_EQ(Named<QRadioButton>(*d, "rbtOwnerSpecify")->text(), text("21127"));
  // The size modes are not translated.
  EXPECT_EQ(Named<QComboBox>(*d, "cmbSizeSpecify")->itemText(3), "beetween");
}

TEST_F(FilterDialogTest, EmptyLanguageFolderShowsNoTranslated) {
  const fs::path empty = test::MakeTempFolder("kestrove-filter-lang");
  {
    const std::string folder = empty.string() + "/";
    auto d = MakeDialog(folder);
    const QString none = Q(std::string(NoTranslated));
    EXPECT_EQ(d->windowTitle(), none);
    for (const char* name : {"btnOk", "btnCancel", "btnDefault"}) EXPECT_EQ(Named<QPushButton>(*d, name)->text(), none) << name;
    auto* tabs = Named<QTabWidget>(*d, "pgcFilter");
    for (int i = 0; i < tabs->count(); ++i) EXPECT_EQ(tabs->tabText(i), none) << i;
    for (const char* name : {"lblMaskIncluded", "lblMaskSample", "lblSizeSpecifyAnd"})
      EXPECT_EQ(Named<QLabel>(*d, name)->text(), none) << name;
    EXPECT_EQ(Named<QCheckBox>(*d, "cbxMaskExcluded")->text(), none);
    for (const char* name : {"rbtSizeAny", "rbtSizeSpecify", "rbtOwnerAny", "rbtOwnerSpecify"})
      EXPECT_EQ(Named<QRadioButton>(*d, name)->text(), none) << name;
    EXPECT_EQ(Named<QComboBox>(*d, "cmbSizeSpecify")->itemText(0), "greater then ");
  }
  std::error_code ec;
  fs::remove_all(empty, ec);
}

}  // namespace
}  // namespace kv
