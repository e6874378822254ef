#include "platform/Locale.h"

namespace kv {

namespace {
std::shared_ptr<ILocale>& Slot() {
  static std::shared_ptr<ILocale> locale = CreateNativePlatform().Locale;
  return locale;
}
}  // namespace

const ILocale& CurrentLocale() { return *Slot(); }
void SetCurrentLocale(std::shared_ptr<ILocale> locale) { Slot() = std::move(locale); }

}  // namespace kv
