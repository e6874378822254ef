#include "ui/QtUserDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace kv {

QStringList QtFileFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) entries << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
  return entries;
}

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

bool TQtUserDialog::SaveFileName(const std::string& title, const std::string& filter, std::string& fileName,
                                 int& filterIndex) {
  const QStringList entries = QtFileFilters(filter);
  QString selected = filterIndex >= 1 && filterIndex <= entries.size() ? entries[filterIndex - 1] : QString();
  // The program asks its own, translated question about replacing a file.
  const QString chosen = QFileDialog::getSaveFileName(Owner_, QString::fromStdString(title), QString::fromStdString(fileName),
                                                      entries.join(QStringLiteral(";;")), &selected,
                                                      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return false;
  fileName = QDir::toNativeSeparators(chosen).toStdString();
  const qsizetype index = entries.indexOf(selected);
  if (index >= 0) filterIndex = static_cast<int>(index) + 1;
  return true;
}

bool TQtUserDialog::OpenFileName(const std::string& title, const std::string& filter, std::string& fileName) {
  const QString chosen = QFileDialog::getOpenFileName(Owner_, QString::fromStdString(title), QString::fromStdString(fileName),
                                                      QtFileFilters(filter).join(QStringLiteral(";;")));
  if (chosen.isEmpty()) return false;
  fileName = QDir::toNativeSeparators(chosen).toStdString();
  return true;
}

}  // namespace kv
