// settings.h -- the saver's one setting, DimPercent, and its 12-byte record.
//
// The record is three 32-bit little-endian integers: the percentage the
// darkened desktop keeps (0..100, default 30) and two reserved zeros. It lives
// in a per-user store: the registry on Windows (settings_store_registry.cpp),
// a file under $XDG_CONFIG_HOME elsewhere (settings_store_file.cpp).
//
//   LoadSettings(name, &a, &b, &c)  1 when the value was read, else 0; the
//                                   outs (each may be null) get the record's
//                                   integers either way (zeros when unread)
//   StoreSettings(name, a, b, c)    writes exactly 12 bytes
//
// A stored value shorter than 12 bytes fills the start of the record (the rest
// reads 0); a longer one fails the read. Nothing is clamped.
#ifndef ORB_SETTINGS_SETTINGS_H
#define ORB_SETTINGS_SETTINGS_H

#include <cstdint>

#define ORB_SETTINGS_VALUE_NAME "Orb 05-1999"

// DimPercent's range and default: the dialog's slider, orb's -dim, orbtool's
// --dim and XScreenSaver's slider (x11/orb.xml, made from these lines by the
// build) all take them from here.
enum {
    kSettingsRecordBytes = 12,
    kMinDimPercent = 0,       // black
    kMaxDimPercent = 100,     // the desktop as it was
    kDefaultDimPercent = 30,  // what every reader uses when nothing was read
};

int LoadSettings(const char *valueName, int32_t *first, int32_t *second, int32_t *third);
void StoreSettings(const char *valueName, int32_t first, int32_t second, int32_t third);

// The stored DimPercent, or kDefaultDimPercent when none could be read.
int32_t LoadDimPercent(void);

void EncodeSettingsRecord(uint8_t record[kSettingsRecordBytes], int32_t first, int32_t second,
                          int32_t third);
void DecodeSettingsRecord(const uint8_t record[kSettingsRecordBytes], int32_t *first,
                          int32_t *second, int32_t *third);

// The store layer, one implementation per platform.
// Read the named value into `record` (capacity bytes, pre-cleared by the
// caller): 1 when it exists and is no longer than capacity, else 0.
int SettingsStoreRead(const char *valueName, uint8_t *record, uint32_t capacity);
// Write the named value; 1 on success. Never leaves a torn value behind.
int SettingsStoreWrite(const char *valueName, const uint8_t *record, uint32_t size);

#ifndef _WIN32
#include <string>
// The file store's file for the named value; empty when neither
// XDG_CONFIG_HOME nor HOME says where it goes.
std::string SettingsFilePath(const char *valueName);
#endif

#endif
