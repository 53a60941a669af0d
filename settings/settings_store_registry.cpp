// settings_store_registry.cpp -- the Windows store: one value under the
// current user's key, shared with every other install of this saver, so the
// key, the value name and the 12-byte REG_BINARY layout must never change.
#include "settings.h"

#include <windows.h>

#include <cstring>

// Where every install of the saver keeps its setting.
static const char kSettingsKeyPath[] = "Software\\Tarn s.r.o.\\ScreenSavers";

int SettingsStoreRead(const char *valueName, uint8_t *record, uint32_t capacity) {
    // Full access although this only reads: older installs open the key the
    // same way, so a key they can use is a key we can use.
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) {
        return 0;
    }
    // The value's type is not asked for: whatever bytes are stored count. A
    // shorter value fills the start of the record; a longer one fails.
    DWORD size = capacity;
    status = RegQueryValueExA(key, valueName, nullptr, nullptr, record, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        // A value too long for the record leaves the buffer's contents
        // undefined; readers are promised zeros when nothing was read.
        std::memset(record, 0, capacity);
        return 0;
    }
    return 1;
}

int SettingsStoreWrite(const char *valueName, const uint8_t *record, uint32_t size) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        return 0;
    }
    // One RegSetValueExA replaces the value whole, so a reader never sees a
    // half-written record. Flushing at once keeps the change if the session
    // ends before the registry is written back on its own.
    status = RegSetValueExA(key, valueName, 0, REG_BINARY, record, size);
    RegFlushKey(key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}
