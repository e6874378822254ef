#include "platform/posix/PosixPlatform.h"

namespace kv {

TPlatform CreateNativePlatform() {
  TPlatform platform;
  platform.FileSystem = std::make_shared<TPosixFileSystem>();
  platform.Security = std::make_shared<TPosixSecurity>();
  platform.Locale = std::make_shared<TIcuLocale>(TIcuLocale::EnvironmentLocaleId());
  return platform;
}

}  // namespace kv
