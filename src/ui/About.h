// The About box: program name, the maker's notice and the home page link.
#pragma once

#include <QDialog>

#include "settings/Language.h"

namespace kv {

class TfrmAbout final : public QDialog {
 public:
  TfrmAbout(const TLangList& languages, const QString& homePage, QWidget* owner);
  void ApplyLanguage();

 private:
  const TLangList& Languages_;
};

// The program's picture: a pie with one slice pulled out.
QPixmap ProgramPicture(int width, int height);

}  // namespace kv
