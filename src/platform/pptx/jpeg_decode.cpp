// File: platform/pptx/jpeg_decode.cpp
#include "platform/pptx/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace quillmax::pptx::imaging {
namespace {

struct Trap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void Leave(j_common_ptr c) { std::longjmp(reinterpret_cast<Trap*>(c->err)->jump, 1); }

// A warning is damaged data: the full way decides what that means.
void OnMessage(j_common_ptr c, int level) {
    if (level < 0) Leave(c);
}

void Silent(j_common_ptr) {}

bool HasColourProfile(j_decompress_ptr c) {
    for (jpeg_saved_marker_ptr m = c->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 2 && m->data_length >= 12 && std::memcmp(m->data, "ICC_PROFILE", 12) == 0)
            return true;
    return false;
}

} // namespace

std::optional<Rendering> DecodeJpegAsStored(const std::string& bytes, int widthPx, int heightPx) {
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8)
        return std::nullopt;
    // Everything longjmp may skip over is made before setjmp.
    Rendering r;
    jpeg_decompress_struct c;
    Trap trap;
    c.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = Leave;
    trap.mgr.emit_message = OnMessage;
    trap.mgr.output_message = Silent;
    jpeg_create_decompress(&c);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&c);
        return std::nullopt;
    }
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&c, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&c, TRUE);
    if (static_cast<int>(c.image_width) != widthPx || static_cast<int>(c.image_height) != heightPx ||
        c.num_components != 3 || c.jpeg_color_space != JCS_YCbCr || HasColourProfile(&c)) {
        jpeg_destroy_decompress(&c);
        return std::nullopt;
    }
    c.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&c);
    r.width = widthPx;
    r.height = heightPx;
    r.rgba.resize(static_cast<size_t>(widthPx) * static_cast<size_t>(heightPx) * 4);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = r.rgba.data() + static_cast<size_t>(c.output_scanline) * static_cast<size_t>(widthPx) * 4;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return r;
}

} // namespace quillmax::pptx::imaging
