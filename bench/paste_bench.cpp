// File: bench/paste_bench.cpp
// Copy + PasteSpecial JPEG of a 12-megapixel photo shown at 4 x 3 inches:
// the layer's render + encode against libvips alone (thumbnail_buffer +
// jpegsave_buffer, the codec floor). After a warm-up, the best of three
// runs of each, as wall time and as process CPU time (a busy machine
// stretches the first, not the second).
#include <vips/vips8>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>

#include "fixtures/deck_builder.h"
#include "platform/pptx/imaging.h"

using namespace quillmax::pptx;
using Clock = std::chrono::steady_clock;

static double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Timing {
    double wall = 1e9, cpu = 1e9;
};

template <class F> Timing Best(F&& f) {
    Timing t;
    for (int i = 0; i < 3; ++i) {
        auto w0 = Clock::now();
        double c0 = CpuMs();
        f();
        t.cpu = std::min(t.cpu, CpuMs() - c0);
        t.wall = std::min(t.wall, std::chrono::duration<double, std::milli>(Clock::now() - w0).count());
    }
    return t;
}

int main() {
    imaging::EnsureVips();
    // 4 x 3 inches at 96 pixels per inch.
    const int w = 384, h = 288;
    imaging::EncodedImage photo{deck::MakePhotoJpeg(4000, 3000, 12, 90), "jpeg"};
    std::printf("source: 4000 x 3000 JPEG (quality 90), %zu bytes; rendering %d x %d\n", photo.bytes.size(), w, h);

    auto layer = [&] {
        auto r = imaging::Render(photo, {}, w, h);
        return imaging::Encode(r, imaging::kPasteJpeg);
    };
    auto floor = [&] {
        VipsBlob* in = vips_blob_new(nullptr, photo.bytes.data(), photo.bytes.size());
        auto im = vips::VImage::thumbnail_buffer(in, w, vips::VImage::option()->set("height", h)->set("size", VIPS_SIZE_FORCE));
        VipsBlob* out = im.jpegsave_buffer(vips::VImage::option()->set("Q", imaging::kJpegQuality)->set("strip", true));
        size_t len = 0;
        vips_blob_get(out, &len);
        vips_area_unref(VIPS_AREA(out));
        vips_area_unref(VIPS_AREA(in));
        return len;
    };
    layer();
    floor();

    imaging::EncodedImage jpeg;
    Timing lt = Best([&] { jpeg = layer(); });
    size_t floorBytes = 0;
    Timing ft = Best([&] { floorBytes = floor(); });

    int ow = 0, oh = 0;
    imaging::ImageSize(jpeg, ow, oh);
    std::printf("layer  Render+Encode: %7.1f ms wall %7.1f ms cpu -> %d x %d, %zu bytes\n", lt.wall, lt.cpu, ow, oh,
                jpeg.bytes.size());
    std::printf("libvips floor:        %7.1f ms wall %7.1f ms cpu -> %zu bytes\n", ft.wall, ft.cpu, floorBytes);
    std::printf("ratio layer/floor:    %7.2f wall %7.2f cpu\n", lt.wall / ft.wall, lt.cpu / ft.cpu);
    bool ok = ow == w && oh == h && lt.wall < 100;
    std::printf("%s (target: under 100 ms, output at the rendering's size)\n", ok ? "OK" : "MISSED");
    return ok ? 0 : 1;
}
