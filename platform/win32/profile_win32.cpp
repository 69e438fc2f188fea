// The real INI reader. In a file of its own, so that only the programs that read INI files
// pull it out of the library and import the two calls.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

uint32_t ReadProfileString(const char* section, const char* key, const char* defaultText,
                           char* buffer, uint32_t capacity, const char* path) {
  return GetPrivateProfileStringA(section, key, defaultText, buffer, capacity, path);
}

uint32_t ReadProfileInt(const char* section, const char* key, int32_t defaultValue,
                        const char* path) {
  return GetPrivateProfileIntA(section, key, defaultValue, path);
}

}  // namespace platform
