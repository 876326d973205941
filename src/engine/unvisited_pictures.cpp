// File: engine/unvisited_pictures.cpp
#include "engine/unvisited_pictures.h"

#include <optional>

#include "engine/common.h"
#include "engine/picture.h"
#include "engine/reporting.h"
#include "base/containment.h"

namespace quillmax::engine {
namespace {

const char* KindText(int kind) {
    switch (kind) {
    case office::ppt::kImageBackground: return "背景画像";
    case office::ppt::kImageFill: return "塗りつぶし画像";
    case office::ppt::kImageLayout: return "ﾚｲｱｳﾄの画像";
    case office::ppt::kImageSvgFallback: return "SVGの代替画像";
    default: return "画像";
    }
}

// The picture rules' size floor and rate, as for a shape's picture.
void CompressOne(RunState& s, office::PictureImage& image) {
    const double origBytes = image.Bytes();
    std::optional<double> floorKB = ReadNumber(s.settings->FileSize);
    if (!floorKB || *floorKB * 1024.0 > origBytes) return;
    // JPEG for opaque pictures, PNG where JPEG would flatten transparency.
    const int dataType = image.Transparent() ? office::ppt::kPastePNG : office::ppt::kPasteJPG;
    const double newBytes = image.Render(RenderFactor(s), dataType);
    RecordSample(s, origBytes, newBytes, dataType == office::ppt::kPasteJPG);
    std::optional<double> expect = ReadNumber(s.settings->ExpectRate);
    if (!expect || !(*expect > newBytes / origBytes * 100.0)) return;
    const int kind = image.Kind();
    const double width = image.Width(), height = image.Height();
    image.Replace();
    AppendLog(s, UnvisitedPictureLogLine(kind, width, height, origBytes, newBytes));
    s.shapeReplaced = true;
}

} // namespace

std::string UnvisitedPictureLogLine(int kind, double width, double height, double origBytes,
                                    double newBytes) {
    return std::string("\t") + std::to_string(RoundEven(width)) + "x" +
           std::to_string(RoundEven(height)) + " ﾋﾟｸｾﾙの" + KindText(kind) + "を圧縮 (" +
           FormatKB(origBytes) + "→" + FormatKB(newBytes) + ")  " + kCrLf;
}

void CompressUnvisitedPictures(RunState& s) {
    std::vector<std::shared_ptr<office::PictureImage>> images;
    if (!office::step([&] { images = Need(s.presSource, "Presentation").UnvisitedPictures(); }))
        return;
    for (auto& image : images) {
        if (s.view) s.view->DoEvents();
        office::step([&] { CompressOne(s, Need(image, "PictureImage")); });
    }
}

} // namespace quillmax::engine
