// png_io.cpp -- see png_io.h. libpng reports errors by longjmp; each function
// keeps its locals that must survive one in volatile or outside the jump.
#include "png_io.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct PngFile {
    FILE *file = nullptr;
    ~PngFile() {
        if (file) fclose(file);
    }
};

// libpng prints warnings on stderr by default; the tool has its own messages.
void QuietWarning(png_structp, png_const_charp) {}

}  // namespace

int WritePngRgb(const std::string &path, const std::vector<uint8_t> &rgb, int32_t width,
                int32_t height, std::string *why) {
    if (width < 1 || height < 1 || rgb.size() != (size_t)width * (size_t)height * 3) {
        *why = "internal: image size does not match its pixels";
        return 0;
    }
    PngFile out;
    out.file = fopen(path.c_str(), "wb");
    if (!out.file) {
        *why = "cannot create " + path + ": " + strerror(errno);
        return 0;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, QuietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *why = "out of memory writing " + path;
        return 0;
    }
    std::vector<png_bytep> rows((size_t)height);
    for (int32_t y = 0; y < height; y++)
        rows[(size_t)y] = (png_bytep)&rgb[(size_t)y * (size_t)width * 3];
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *why = "cannot write " + path;
        return 0;
    }
    png_init_io(png, out.file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    FILE *f = out.file;
    out.file = nullptr;
    if (fflush(f) != 0 || ferror(f) || fclose(f) != 0) {
        *why = "cannot write " + path + ": " + strerror(errno);
        return 0;
    }
    return 1;
}

int ReadPngRgb(const std::string &path, std::vector<uint8_t> *rgb, int32_t *width,
               int32_t *height, std::string *why) {
    PngFile in;
    in.file = fopen(path.c_str(), "rb");
    if (!in.file) {
        *why = "cannot open " + path + ": " + strerror(errno);
        return 0;
    }
    uint8_t signature[8];
    if (fread(signature, 1, 8, in.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        *why = path + " is not a PNG file";
        return 0;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, QuietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *why = "out of memory reading " + path;
        return 0;
    }
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        *why = path + " is a damaged PNG file";
        return 0;
    }
    png_init_io(png, in.file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, 16384, 16384);
    png_read_info(png, info);
    // Whatever the file holds, read it as 8-bit RGB.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != (size_t)w * 3) png_error(png, "unexpected row layout");
    rgb->assign((size_t)w * (size_t)h * 3, 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; y++) rows[y] = &(*rgb)[(size_t)y * (size_t)w * 3];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    *width = (int32_t)w;
    *height = (int32_t)h;
    return 1;
}
