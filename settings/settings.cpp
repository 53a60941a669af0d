// The settings record and the two operations over whichever store the
// platform has.
#include <cstring>

#include "settings.h"

void EncodeSettingsRecord(uint8_t record[kSettingsRecordBytes], int32_t first, int32_t second,
                          int32_t third) {
    const int32_t values[3] = {first, second, third};
    for (int i = 0; i < 3; i++) {
        uint32_t u = (uint32_t)values[i];
        for (int b = 0; b < 4; b++) record[4 * i + b] = (uint8_t)(u >> (8 * b));
    }
}

void DecodeSettingsRecord(const uint8_t record[kSettingsRecordBytes], int32_t *first,
                          int32_t *second, int32_t *third) {
    int32_t *outs[3] = {first, second, third};
    for (int i = 0; i < 3; i++) {
        const uint8_t *p = record + 4 * i;
        uint32_t u = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                     (uint32_t)p[3] << 24;
        if (outs[i]) *outs[i] = (int32_t)u;
    }
}

int LoadSettings(const char *valueName, int32_t *first, int32_t *second, int32_t *third) {
    uint8_t record[kSettingsRecordBytes];
    memset(record, 0, sizeof record);
    int ok = SettingsStoreRead(valueName, record, sizeof record);
    // The outs get the record either way: zeros, or what a short value filled.
    DecodeSettingsRecord(record, first, second, third);
    return ok;
}

void StoreSettings(const char *valueName, int32_t first, int32_t second, int32_t third) {
    uint8_t record[kSettingsRecordBytes];
    EncodeSettingsRecord(record, first, second, third);
    SettingsStoreWrite(valueName, record, sizeof record);
}

int32_t LoadDimPercent(void) {
    int32_t percent = 0;
    if (!LoadSettings(ORB_SETTINGS_VALUE_NAME, &percent, nullptr, nullptr))
        return kDefaultDimPercent;
    return percent;
}
