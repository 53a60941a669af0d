// png_io.h -- PNG files for orbtool, through libpng.
//
// Images are 8-bit RGB, rows top to bottom, width*3 bytes a row (the engine
// works in BGR; the tool converts at the edge of the file).
//
//   WritePngRgb(path, rgb, w, h, why)   1 on success, else 0 and a reason
//   ReadPngRgb(path, &rgb, &w, &h, why) any PNG, expanded to 8-bit RGB
#ifndef ORB_TOOLS_PNG_IO_H
#define ORB_TOOLS_PNG_IO_H

#include <cstdint>
#include <string>
#include <vector>

int WritePngRgb(const std::string &path, const std::vector<uint8_t> &rgb, int32_t width,
                int32_t height, std::string *why);
int ReadPngRgb(const std::string &path, std::vector<uint8_t> *rgb, int32_t *width,
               int32_t *height, std::string *why);

#endif
