// Questions, errors and the folder chooser as the user sees them: message
// boxes and Qt's folder dialog.
#pragma once

#include <functional>
#include <string>

#include <QStringList>
#include <QWidget>

#include "app/UserDialog.h"

namespace kv {

// "Bitmap|*.bmp|Metafile|*.wmf" as Qt's filter entries "Bitmap (*.bmp)", "Metafile (*.wmf)".
QStringList QtFileFilters(const std::string& filter);

class TQtUserDialog final : public IUserDialog {
 public:
  // The caption of question boxes comes from the current language.
  TQtUserDialog(QWidget* owner, std::function<std::string()> questionCaption);
  bool AskYesNo(const std::string& question) override;
  void ShowError(const std::string& message) override;
  bool ChooseFolder(const std::string& title, std::string& folder) override;
  bool SaveFileName(const std::string& title, const std::string& filter, std::string& fileName,
                    int& filterIndex) override;
  bool OpenFileName(const std::string& title, const std::string& filter, std::string& fileName) override;

 private:
  QWidget* Owner_;
  std::function<std::string()> QuestionCaption_;
};

}  // namespace kv
