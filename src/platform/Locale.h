// The locale every part of the core compares and case-maps with. Set once at
// start-up (tests pin their own); defaults to the user's locale.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace kv {

const ILocale& CurrentLocale();
void SetCurrentLocale(std::shared_ptr<ILocale> locale);

}  // namespace kv
