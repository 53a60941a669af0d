// orbtool_fine.cpp -- see orbtool_fine.h.
#include "orbtool_fine.h"

#include <cstdio>
#include <vector>

#include "file_io.h"

int BakeFineFile(const FineBallParams &params, const std::string &output, std::string *why) {
    std::vector<uint8_t> container;
    if (!BakeFineBallContainer(params, &container, why)) return 0;
    if (!WriteFileBytes(output, container, why)) return 0;
    printf("%s: %zu bytes, fine encoding, %d frames of %d x %d for the %d ball, play mode %d\n",
           output.c_str(), container.size(), params.frames, params.frameSide, params.frameSide,
           params.ballSide, params.playMode);
    return 1;
}

void PrintFineFacts(const FineFacts &f, int valid) {
    printf("encoding          fine (version %d)\n", f.version);
    printf("size              %u bytes\n", f.size);
    printf("frame size        %d x %d\n", f.width, f.height);
    printf("frames            %d, playing %d records\n", f.frameCount, f.recordCount);
    printf("play mode         %d\n", f.playMode);
    printf("stands in for     the %d ball\n", f.ballSide);
    printf("glass tint        blue %d, green %d, red %d (128ths)\n", f.tint[0], f.tint[1],
           f.tint[2]);
    printf("records checked   %d of %d\n", f.checkedRecords, f.recordCount);
    printf("packed records    %llu bytes, %llu decoded\n", (unsigned long long)f.packedBytes,
           (unsigned long long)f.rawBytes);
    printf("spans, pixels     %u spans, %u pixels (%u through the glass), at most %u a frame\n",
           f.spanTotal, f.pixelTotal, f.glassPixels, f.largestRecordPixels);
    if (valid) printf("coarsest filter   level %d (%d x %d desktop pixels)\n", f.topLevel,
                      1 << f.topLevel, 1 << f.topLevel);
}

int FineInfo(const char *name, const std::vector<uint8_t> &data) {
    FineFacts facts;
    char violation[256] = "";
    int valid = DecodeFineContainer(data.data(), (uint32_t)data.size(), nullptr, &facts,
                                    violation, sizeof violation);
    printf("%s\n", name);
    PrintFineFacts(facts, valid);
    if (!valid) {
        printf("\nviolation         %s\n", violation);
        fprintf(stderr, "orbtool: %s is not a valid container: %s\n", name, violation);
        return 1;
    }
    printf("\nvalid: no violation\n");
    return 0;
}
