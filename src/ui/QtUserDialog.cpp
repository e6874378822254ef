#include "ui/QtUserDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace kv {

TQtUserDialog::TQtUserDialog(QWidget* owner, std::function<std::string()> questionCaption)
    : Owner_(owner), QuestionCaption_(std::move(questionCaption)) {}

bool TQtUserDialog::AskYesNo(const std::string& question) {
  const QString caption = QString::fromStdString(QuestionCaption_ ? QuestionCaption_() : std::string());
  return QMessageBox::question(Owner_, caption, QString::fromStdString(question),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void TQtUserDialog::ShowError(const std::string& message) {
  QMessageBox::critical(Owner_, QApplication::applicationName(), QString::fromStdString(message));
}

bool TQtUserDialog::ChooseFolder(const std::string& title, std::string& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(Owner_, QString::fromStdString(title), QDir::rootPath());
  if (chosen.isEmpty()) return false;
  folder = QDir::toNativeSeparators(chosen).toStdString();
  return true;
}

}  // namespace kv
