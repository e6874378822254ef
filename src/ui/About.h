// The About box: program name, the maker's notice and the home page link.
#pragma once

#include <QDialog>
#include <QIcon>

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

// The window icon: the rendered icon pictures the program carries, or the
// painted picture where it was built without them.
QIcon ProgramIcon();

}  // namespace kv
