#pragma once

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace kalvora::testing {

// A JPEG written by libjpeg from interleaved samples (rows top-down), at
// quality 95, baseline or progressive.
inline std::vector<uint8_t> writeJpeg(int w, int h, J_COLOR_SPACE space, int components,
                                      const std::vector<uint8_t>& samples, bool progressive = false)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(samples.data() + size_t(cinfo.next_scanline) * w * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace kalvora::testing
