// The window's file commands on widgets: the full tree report dialog and the
// report-file menu, driven by their controls with a scripted user.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "fakes/QtHelpers.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "ui/FileMenus.h"
#include "ui/MainActions.h"
#include "ui/ReportTreeDialog.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::Named;
using test::Q;
using test::ReadAll;
using test::Utf8;

class FileMenusTest : public ::testing::Test {
 protected:
  FileMenusTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Tree.BeginUpdate();
    TFolderNode* data = Tree.GetFolderNode("C:\\Data", TItemInfo{}, nullptr, "PC\\bob");
    Tree.GetFolderNode("C:\\Data\\Sub", TItemInfo{}, nullptr, "PC\\bob");
    Tree.AddFileNode("C:\\Data\\notes.txt", data, 300, TItemInfo{}, "PC\\bob");
    Tree.AddSizesToFolder(data, 300, 4096, 1);
    Tree.EndUpdate();
    Dir = test::MakeTempFolder("kestrove-filemenus");
    // The real wait cursor, and what it was while the file was written.
    Env.Busy = [this](bool busy) {
      SetWaitCursor(busy);
      if (busy) CursorWhileBusy.push_back(QApplication::overrideCursor()->shape());
    };
  }
  ~FileMenusTest() override {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  std::string Translate(std::string_view id) const { return English.FindText(id); }

  const TLang English{LanguageFolder() + "English.kvl"};
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  const TSizeFormat Format{TSizeType::FileSize, TSizeUnit::MB, Fake.Locale.get()};
  fs::path Dir;
  TScriptedDialog Dialog;
  TFileCommandEnv Env{WindowFileCommandEnv(Dialog, [this](std::string_view id) { return Translate(id); })};
  std::vector<Qt::CursorShape> CursorWhileBusy;
};

TEST_F(FileMenusTest, ReportTreeDialogStartsWithHtmlAndFilesInTheLanguagesTexts) {
  TfrmReportTree dialog(nullptr, Env.Translate, nullptr);
  EXPECT_EQ(dialog.windowTitle(), Q(English.FindText("2180")));
  EXPECT_EQ(dialog.windowTitle(), "Export all files and folders");
  EXPECT_EQ(Named<QGroupBox>(dialog, "boxFormat")->title(), Q(English.FindText("2181")));
  EXPECT_EQ(Named<QCheckBox>(dialog, "cbxSaveFiles")->text(), Q(English.FindText("2182")));
  EXPECT_EQ(Named<QPushButton>(dialog, "btnSave")->text(), Q(English.FindText("2153")));
  EXPECT_EQ(Named<QPushButton>(dialog, "btnCancel")->text(), Q(English.FindText("219")));
  EXPECT_TRUE(Named<QRadioButton>(dialog, "rbtHtml")->isChecked());
  EXPECT_FALSE(Named<QRadioButton>(dialog, "rbtCSV")->isChecked());
  EXPECT_TRUE(Named<QCheckBox>(dialog, "cbxSaveFiles")->isChecked());
  EXPECT_TRUE(Named<QPushButton>(dialog, "btnSave")->isDefault());
  EXPECT_EQ(dialog.size().expandedTo(QSize(297, 133)), dialog.size());
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

struct TChoice {
  bool Csv;
  bool WithFiles;
};

class ReportTreeChoiceTest : public FileMenusTest, public ::testing::WithParamInterface<TChoice> {};

TEST_P(ReportTreeChoiceTest, ChoicesPickTheFormatAndTheFileRows) {
  const TChoice choice = GetParam();
  TfrmReportTree dialog(nullptr, Env.Translate, TreeReportSaver(Tree, Env, Format, "09.12.2026 08:00:00"));
  dialog.show();
  if (choice.Csv) Named<QRadioButton>(dialog, "rbtCSV")->setChecked(true);
  Named<QCheckBox>(dialog, "cbxSaveFiles")->setChecked(choice.WithFiles);
  Dialog.SaveNames.push_back({Utf8(Dir / "tree"), 1});
  Named<QPushButton>(dialog, "btnSave")->click();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(Dialog.SaveFilters, (std::vector<std::string>{choice.Csv ? "CSV file|*.csv" : "Html file|*.html"}));
  const fs::path written = Dir / (choice.Csv ? "tree.csv" : "tree.html");
  ASSERT_TRUE(fs::exists(written));
  EXPECT_FALSE(fs::exists(Dir / (choice.Csv ? "tree.html" : "tree.csv")));
  const std::string text = ReadAll(written);
  if (choice.Csv) {
    EXPECT_EQ(text.rfind("\"Folder:\";\"\"\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\"Sub\";"), std::string::npos) << text;
    EXPECT_EQ(text.find("\"notes.txt\";") != std::string::npos, choice.WithFiles) << text;
  } else {
    EXPECT_EQ(text.rfind("<html>\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("<title>List files (09.12.2026 08:00:00) </title>"), std::string::npos);
    EXPECT_NE(text.find(">Sub</a>"), std::string::npos) << text;
    EXPECT_EQ(text.find("<td>notes.txt</td>") != std::string::npos, choice.WithFiles) << text;
  }
  EXPECT_EQ(CursorWhileBusy, (std::vector<Qt::CursorShape>{Qt::WaitCursor}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllFour, ReportTreeChoiceTest,
                         ::testing::Values(TChoice{false, true}, TChoice{false, false}, TChoice{true, true},
                                           TChoice{true, false}));

TEST_F(FileMenusTest, ReportTreeDialogStaysOpenAfterCancelNoOrAFailure) {
  TfrmReportTree dialog(nullptr, Env.Translate, TreeReportSaver(Tree, Env, Format, ""));
  dialog.show();
  Named<QRadioButton>(dialog, "rbtCSV")->setChecked(true);
  Named<QCheckBox>(dialog, "cbxSaveFiles")->setChecked(false);
  auto* save = Named<QPushButton>(dialog, "btnSave");

  save->click();  // the save dialog cancelled
  EXPECT_TRUE(dialog.isVisible());

  std::ofstream(Dir / "old.csv") << "old";
  Dialog.SaveNames.push_back({Utf8(Dir / "old"), 1});
  Dialog.Answers = {false};
  save->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(Dialog.Questions, (std::vector<std::string>{English.FindText("21101")}));
  EXPECT_EQ(ReadAll(Dir / "old.csv"), "old");

  Dialog.SaveNames.push_back({Utf8(Dir / "missing" / "tree.csv"), 1});
  save->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(Dialog.Errors.size(), 1u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The choices are still there.
  EXPECT_TRUE(Named<QRadioButton>(dialog, "rbtCSV")->isChecked());
  EXPECT_FALSE(Named<QCheckBox>(dialog, "cbxSaveFiles")->isChecked());

  Named<QPushButton>(dialog, "btnCancel")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(Dialog.SaveFilters.size(), 3u);
}

TEST_F(FileMenusTest, ListFilesOpensTheDialogOnlyForATreeWithFolders) {
  // Answers the modal dialog, if one comes, by saving as CSV.
  int dialogsSeen = 0;
  const auto answer = [&] {
    QTimer::singleShot(0, [&] {
      if (auto* dialog = dynamic_cast<TfrmReportTree*>(QApplication::activeModalWidget())) {
        ++dialogsSeen;
        dialog->rbtCSV->setChecked(true);
        dialog->btnSave->click();
      }
    });
  };
  Dialog.SaveNames.push_back({Utf8(Dir / "all"), 1});

  TFileServices emptyServices{Fake.Platform(), TPathStyle::Windows};
  TSizeTree empty{emptyServices, *Fake.Locale};
  answer();
  ShowReportTree(nullptr, empty, Env, Format, "");
  QApplication::processEvents();
  EXPECT_EQ(dialogsSeen, 0);

  answer();
  ShowReportTree(nullptr, Tree, Env, Format, "");
  EXPECT_EQ(dialogsSeen, 1);
  EXPECT_TRUE(fs::exists(Dir / "all.csv"));
}

TEST_F(FileMenusTest, SaveFilesMenuHasTheThreeEntriesInTheLanguagesTexts) {
  std::vector<TReportFileFormat> chosen;
  QWidget owner;
  QMenu* menu = CreateSaveFilesMenu(&owner, [&](TReportFileFormat format) { chosen.push_back(format); });
  ApplySaveFilesMenuLanguage(*menu, Env.Translate);
  EXPECT_EQ(menu->objectName(), "mnuSaveFiles");
  ASSERT_EQ(menu->actions().size(), 3);
  const char* const names[] = {"mniSaveAsTextFile", "mniSaveAsCSVFile", "mniSaveAsHTMLFile"};
  const char* const ids[] = {"2149", "2150", "2151"};
  for (int i = 0; i < 3; ++i) {
    QAction* action = menu->actions()[i];
    EXPECT_EQ(action->objectName(), names[i]);
    EXPECT_EQ(action->text(), Q(English.FindText(ids[i])));
    action->trigger();
  }
  EXPECT_EQ(menu->actions()[1]->text(), "Save as &CSV file...");
  // Each entry reachable by its own key in both languages.
  for (const char* language : {"English.kvl", "Deutsch.kvl"}) {
    const TLang lang{LanguageFolder() + language};
    ApplySaveFilesMenuLanguage(*menu, [&](std::string_view id) { return lang.FindText(id); });
    QStringList keys;
    for (QAction* action : menu->actions()) {
      const QString key = AccessKeyOf(action->text());
      EXPECT_FALSE(key.isEmpty() || keys.contains(key)) << language << ": " << action->text().toStdString();
      keys << key;
    }
  }
  EXPECT_EQ(chosen, (std::vector<TReportFileFormat>{TReportFileFormat::Text, TReportFileFormat::Csv,
                                                     TReportFileFormat::Html}));
}

}  // namespace
}  // namespace kv
