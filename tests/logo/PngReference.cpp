#include "PngReference.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace
{

struct Source {
    const QByteArray *bytes;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto *source = static_cast<Source *>(png_get_io_ptr(png));
    if (source->pos + length > size_t(source->bytes->size()))
        png_error(png, "read past the end");
    std::memcpy(out, source->bytes->constData() + source->pos, length);
    source->pos += length;
}

} // namespace

bool ReadWithLibpng(const QByteArray &bytes, ReferenceImage &out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Source source{&bytes, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadFromMemory);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.rgba.resize(size_t(out.width) * out.height * 4);
    rows.resize(out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        rows[y] = out.rgba.data() + size_t(y) * out.width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
