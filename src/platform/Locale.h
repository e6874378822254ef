// The process's locale, chosen once at start-up (the user's by default), for
// what is handed no locale: file extensions are lower-cased with it, so the
// treemap's colours and the extension lists agree everywhere. Sizes never read
// it; they are written with the locale their caller hands them.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace kv {

const ILocale& CurrentLocale();
void SetCurrentLocale(std::shared_ptr<ILocale> locale);

}  // namespace kv
