// File: engine/picture.cpp
// Pictures (and OLE objects) copied at a scaled size, pasted back in a
// lighter format, measured alone in the scratch presentation, and kept only
// when clearly smaller. Up to the paste each statement is skipped on
// failure; the paste stage is one region whose first failure deletes only
// this shape's replacement and keeps the old shape.
#include "engine/picture.h"

#include <string_view>

#include "engine/common.h"
#include "engine/ole.h"
#include "engine/reporting.h"
#include "engine/replace.h"
#include "engine/transfers.h"
#include "base/containment.h"
#include "settings/ole_list.h"
#include "settings/settings_store.h"
#include "util/file_system.h"
#include "base/text.h"

namespace quillmax::engine {
namespace {

using office::AutomationError;
using office::step;

struct RatioFactor {
    std::string_view text;
    double factor;
};
// The rendering size factor of each combRatio text.
constexpr RatioFactor kRatioFactors[] = {
    {"ｻｲｽﾞ最優先", 0.75}, {"ｻｲｽﾞ優先", 1.0}, {"画質優先", 1.4}, {"画質最優先", 2.0}};

// Saves the scratch presentation with what the clipboard holds alone on a
// slide; the bytes it adds to the empty presentation. The slide is handed
// back through `slide` so that a failure can still remove it.
double MeasureClipboard(RunState& s, const std::string& scratchPath,
                        std::shared_ptr<office::Slide>& slide) {
    slide = Need(Need(s.presMeasure).GetSlides()).Add(1, office::ppt::kLayoutBlank);
    Need(slide->GetShapes()).Paste();
    s.presMeasure->SaveAs(scratchPath);
    double bytes = Files(s).FileSize(s.presMeasure->FullName()) - s.emptyPresSize;
    slide->Delete();
    slide.reset();
    return bytes;
}

// The format of the picture rules. Where the recommended format would be
// JPEG, a transparent picture is pasted as PNG: JPEG would flatten it onto
// white.
std::optional<PasteFormat> PictureFormat(RunState& s, const std::shared_ptr<office::Shape>& old,
                                         bool secondPass, bool transparent) {
    const PasteFormat metafile{office::ppt::kPasteMetafile, kExcelMetafile, kLabelMetafile};
    const PasteFormat jpeg{office::ppt::kPasteJPG, kExcelJPEG, kLabelJPEG};
    const PasteFormat png{office::ppt::kPastePNG, kExcelPNG, kLabelPNG};
    const PasteFormat gif{office::ppt::kPasteGIF, kExcelGIF, kLabelGIF};
    const int format = s.settings->Format;
    if (s.officeXPMode) {
        switch (format) {
        case 0: return secondPass ? metafile : transparent ? png : jpeg;
        case 1: return jpeg;
        case 2: return png;
        case 3: return gif;
        case 4: return metafile;
        default: return std::nullopt;
        }
    }
    // The worksheet's JPEG cannot carry a rotated picture or a placeholder.
    auto rotated = [&] { return RoundEven(old->Rotation()) != 0; };
    switch (format) {
    case 0: return (secondPass || rotated()) ? metafile : transparent ? png : jpeg;
    case 1: return (old->Type() == office::ppt::kShapePlaceholder || rotated()) ? png : jpeg;
    case 2: return png;
    case 3: return gif;
    case 4: return metafile;
    default: return std::nullopt;
    }
}

bool ClipboardIsTransparent(RunState& s) {
    return s.automation &&
           office::step_value([&] { return s.automation->SystemClipboard().PictureIsTransparent(); },
                              false);
}

std::string PictureLogLine(double width, double height, double origBytes, double newBytes) {
    return std::string("\t") + std::to_string(RoundEven(width)) + "x" +
           std::to_string(RoundEven(height)) + " ﾋﾟｸｾﾙの画像を圧縮 (" + FormatKB(origBytes) + "→" +
           FormatKB(newBytes) + ")  " + kCrLf;
}

} // namespace

double ScaleFactorFor(int ratioIndex) {
    // No selection (or an unknown index) renders at display size.
    if (ratioIndex < 0 || ratioIndex >= static_cast<int>(settings::kRatioItems.size())) return 1.0;
    const std::string_view text = settings::kRatioItems[static_cast<size_t>(ratioIndex)];
    for (const auto& r : kRatioFactors)
        if (r.text == text) return r.factor;
    return 1.0;
}

double RenderFactor(const RunState& s) {
    if (s.fitFactor > 0) return s.fitFactor;
    return ScaleFactorFor(s.settings ? s.settings->Ratio : -1);
}

void RecordSample(RunState& s, double origBytes, double newBytes, bool jpeg) {
    if (s.pictureSamples) s.pictureSamples->push_back({origBytes, newBytes, jpeg});
}

void CaptureReference(RunState& s, CompareRasters& rasters) {
    rasters.referenceRaster.reset();
    step([&] {
        if (!s.automation) return;
        rasters.referenceRaster = s.automation->SystemClipboard().MetafilePicture();
    });
}

bool PixelCheck(RunState& s, const CompareRasters& rasters, double threshold) {
    if (!s.automation) return false;
    std::optional<office::Raster> candidate;
    if (!step([&] { candidate = s.automation->SystemClipboard().MetafilePicture(); })) return false;
    if (!candidate || !rasters.referenceRaster) return false;
    const office::Raster& ref = *rasters.referenceRaster;
    const office::Raster& cand = *candidate;
    if (cand.width <= 0 || cand.height <= 0 || ref.width <= 0 || ref.height <= 0) return false;
    if (ref.pixels.size() < static_cast<size_t>(ref.width) * ref.height ||
        cand.pixels.size() < static_cast<size_t>(cand.width) * cand.height)
        return false;

    // The candidate is addressed in the reference's pixel coordinates.
    const int W = ref.width, H = ref.height;
    const long long limit = RoundEven(static_cast<double>(W) * threshold * H);
    constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
    long long count = 0;
    for (int y = 0; y < H; ++y) {
        const int cy = static_cast<int>(static_cast<long long>(y) * cand.height / H);
        for (int x = 0; x < W; ++x) {
            const int cx = static_cast<int>(static_cast<long long>(x) * cand.width / W);
            const std::uint32_t a = ref.at(x, y) & 0xFFFFFF;
            const std::uint32_t b = cand.at(cx, cy) & 0xFFFFFF;
            if ((b == kBlack && a != kBlack) || (a != kWhite && b == kWhite)) {
                if (++count > limit) return true;
            }
        }
    }
    return false;
}

void ConvertToPicture(RunState& s, const std::shared_ptr<office::Slide>& slide,
                      const std::shared_ptr<office::Shape>& oldShape, const Geometry& savedGeometry,
                      bool isTopLevel, const std::string& kindLabel, bool treatAsPicture,
                      std::vector<std::string>& levelNames) {
    auto& old = Need(oldShape);
    const bool xp = s.officeXPMode;

    step([&] { Need(Need(s.presSource).Windows(1)).Activate(); });
    step([&] { Need(slide).Select(); });
    step([&] { old.Select(); });
    PickUpFormat(oldShape);

    int oldPosition = 0;
    step([&] { oldPosition = old.ZOrderPosition(); });

    // The copy is taken upright; the replacement gets the rotation back.
    double savedRotation = 0;
    bool rotationRead = false;
    if (xp) {
        rotationRead = step([&] { savedRotation = old.Rotation(); });
        if (rotationRead && RoundEven(savedRotation) != 0) step([&] { old.SetRotation(0); });
    }

    auto keepOld = [&] {
        if (xp && rotationRead) step([&] { old.SetRotation(savedRotation); });
        step([&] { levelNames.push_back(old.Name()); });
    };

    bool secondPass = false;
    double origBytes = 0;
    double newBytes = 0;
    CompareRasters rasters;

    for (;;) { // retry point
        const double scaleFactor = RenderFactor(s);
        step([&] { old.SetWidth(scaleFactor * savedGeometry.width); });
        step([&] { old.SetHeight(scaleFactor * savedGeometry.height); });
        step([&] { old.Copy(); });
        step([&] { old.SetWidth(savedGeometry.width); });
        step([&] { old.SetHeight(savedGeometry.height); });

        // Measure the old version, statement by statement.
        std::shared_ptr<office::Slide> measureSlide;
        step([&] {
            measureSlide = Need(Need(s.presMeasure).GetSlides()).Add(1, office::ppt::kLayoutBlank);
        });
        step([&] { Need(Need(measureSlide).GetShapes()).Paste(); });
        step([&] { Need(s.presMeasure).SaveAs(s.scratchPath1); });
        step([&] {
            origBytes = Files(s).FileSize(Need(s.presMeasure).FullName()) - s.emptyPresSize;
        });
        CaptureReference(s, rasters);
        step([&] { Need(measureSlide).Delete(); });

        // Too small to be worth it; a FileSize that is no number converts nothing.
        std::optional<double> floorKB = ReadNumber(s.settings->FileSize);
        if (!floorKB || *floorKB * 1024.0 > origBytes) {
            keepOld();
            return;
        }

        MinimiseApplications(s);

        enum class Outcome { Keep, Retry, Accept, Reject } outcome = Outcome::Keep;
        std::shared_ptr<office::Shape> newShape;
        std::shared_ptr<office::ExcelShape> sheetShape;
        std::shared_ptr<office::Slide> newMeasureSlide;

        const bool ok = office::routine([&] {
            std::string formatLabel;
            bool twicePaste = false; // pasting the first conversion by the picture rules
            for (;;) { // paste point
                Settle(s, 50);
                const bool transparent = treatAsPicture && s.settings->Format == 0 && !secondPass &&
                                         ClipboardIsTransparent(s);
                std::optional<PasteFormat> format =
                    treatAsPicture
                        ? PictureFormat(s, oldShape, secondPass, transparent)
                        : OleFormat(s.oleList ? s.oleList->ObjToImage(kindLabel)
                                              : std::string(settings::kConvert));
                if (!format) {
                    outcome = Outcome::Keep;
                    return;
                }
                formatLabel = format->formatLabel;
                bool clipboardChanged = false;
                auto paste = [&] {
                    if (xp) {
                        newShape =
                            Need(Need(Need(slide).GetShapes()).PasteSpecial(format->dataType)).Item(1);
                    } else {
                        auto& sheet = Need(s.sheetWork);
                        sheet.PasteSpecial(format->excelFormat, false, false);
                        sheetShape = Need(sheet.GetShapes()).Item(1);
                        Need(sheetShape).Copy();
                        clipboardChanged = true;
                        sheetShape->Delete();
                        sheetShape.reset();
                        Need(s.bookWork).SetSaved(true);
                        slide->Select();
                        newShape = Need(Need(slide->GetShapes()).Paste()).Item(1);
                    }
                    Need(newShape);
                };
                if (twicePaste && !secondPass) {
                    // A first conversion the picture rules cannot paste (a
                    // metafile that cannot be rasterised faithfully) ends as
                    // itself, as a JPEG failing its pixel check would, as long
                    // as the clipboard still holds it.
                    try {
                        paste();
                    } catch (const AutomationError&) {
                        if (newShape) step([&] { newShape->Delete(); });
                        if (sheetShape) step([&] { sheetShape->Delete(); });
                        newShape.reset();
                        sheetShape.reset();
                        if (clipboardChanged) throw;
                        secondPass = true;
                        continue;
                    }
                } else {
                    paste();
                }

                Settle(s, 50);
                newShape->Copy();

                if (treatAsPicture && s.settings->Format == 0 && formatLabel == kLabelJPEG &&
                    PixelCheck(s, rasters, 0.05)) {
                    newShape->Delete();
                    newShape.reset();
                    secondPass = true;
                    outcome = Outcome::Retry;
                    return;
                }
                if (TwiceApplies(s, treatAsPicture, origBytes)) {
                    // The clipboard still holds the first conversion.
                    newShape->Delete();
                    newShape.reset();
                    treatAsPicture = true;
                    twicePaste = true;
                    continue;
                }
                break;
            }

            newBytes = MeasureClipboard(s, s.scratchPath2, newMeasureSlide);
            RecordSample(s, origBytes, newBytes, formatLabel == kLabelJPEG);
            const double sizeRate = newBytes / origBytes * 100.0;
            // A rate that is no number accepts nothing; an equal rate is rejected.
            std::optional<double> expect = ReadNumber(s.settings->ExpectRate);
            outcome = (expect && *expect > sizeRate) ? Outcome::Accept : Outcome::Reject;
        });

        if (!ok) {
            if (newShape) step([&] { newShape->Delete(); });
            if (sheetShape) step([&] { sheetShape->Delete(); });
            if (newMeasureSlide) step([&] { newMeasureSlide->Delete(); });
            keepOld();
            return;
        }

        switch (outcome) {
        case Outcome::Retry:
            continue;
        case Outcome::Keep:
            if (newShape) step([&] { newShape->Delete(); });
            keepOld();
            return;
        case Outcome::Reject:
            step([&] { newShape->Delete(); });
            Settle(s, 50);
            keepOld();
            return;
        case Outcome::Accept:
            break;
        }

        auto& neu = *newShape;
        step([&] { neu.SetLeft(savedGeometry.left); });
        step([&] { neu.SetTop(savedGeometry.top); });
        step([&] { neu.SetWidth(savedGeometry.width); });
        step([&] { neu.SetHeight(savedGeometry.height); });
        step([&] { MoveToZOrderOf(newShape, oldPosition); });
        if (xp) step([&] { neu.SetRotation(savedRotation); });
        if (isTopLevel) {
            if (xp)
                step([&] { TransferTimelineEffects(Need(slide).GetTimeLine(), oldShape, newShape); });
            else
                step([&] { CopyAnimationSettings(oldShape, newShape); });
        }
        step([&] { CopyActionSetting(old.ActionSettings(1), neu.ActionSettings(1)); });
        step([&] { CopyActionSetting(old.ActionSettings(2), neu.ActionSettings(2)); });
        CopyShapeAttributes(oldShape, newShape);
        step([&] { ReattachConnectors(Need(slide).GetShapes(), oldShape, newShape); });
        const std::string line =
            util::LowerAscii(util::Trim(kindLabel)) == "picture"
                ? PictureLogLine(savedGeometry.width, savedGeometry.height, origBytes, newBytes)
                : ObjectLogLine(kindLabel, savedGeometry.width, savedGeometry.height, origBytes,
                                newBytes);
        AppendLog(s, line);
        step([&] { old.Delete(); });
        Settle(s, 50);
        s.shapeReplaced = true;
        step([&] { levelNames.push_back(neu.Name()); });
        return;
    }
}

} // namespace quillmax::engine
