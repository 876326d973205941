// File: engine/ole.cpp
#include "engine/ole.h"

#include "engine/common.h"
#include "engine/reporting.h"
#include "base/containment.h"
#include "settings/ole_list.h"

namespace quillmax::engine {

std::string OleKindLabel(const std::string& progId) {
    size_t dot = progId.find('.');
    return dot == std::string::npos ? progId : progId.substr(0, dot);
}

std::string ClassifyObject(RunState& s, const std::shared_ptr<office::Shape>& shape) {
    std::string progId =
        office::step_value([&] { return shape->GetOLEFormat()->ProgID(); }, std::string());
    if (progId.empty()) return "";
    std::string kindLabel = OleKindLabel(progId);
    if (s.oleList) s.oleList->AddToExceptionList(kindLabel, "False");
    return kindLabel;
}

std::optional<PasteFormat> OleFormat(const std::string& listValue) {
    if (listValue == settings::kConvert)
        return PasteFormat{office::ppt::kPasteMetafile, kExcelMetafile, kLabelMetafile};
    if (listValue == "JPEG") return PasteFormat{office::ppt::kPasteJPG, kExcelJPEG, kLabelJPEG};
    if (listValue == "PNG") return PasteFormat{office::ppt::kPastePNG, kExcelPNG, kLabelPNG};
    if (listValue == "GIF") return PasteFormat{office::ppt::kPasteGIF, kExcelGIF, kLabelGIF};
    return std::nullopt;
}

bool TwiceApplies(RunState& s, bool treatAsPicture, double origBytes) {
    return s.settings->Twice == 1 && s.settings->Format == 0 && !treatAsPicture &&
           origBytes > 102400.0;
}

std::string ObjectLogLine(const std::string& kindLabel, double width, double height,
                          double origBytes, double newBytes) {
    return std::string("\t") + std::to_string(RoundEven(width)) + "x" +
           std::to_string(RoundEven(height)) + " ﾋﾟｸｾﾙの" + kindLabel +
           "ｵﾌﾞｼﾞｪｸﾄを画像に変換 (" + FormatKB(origBytes) + "→" + FormatKB(newBytes) + ")  " +
           kCrLf;
}

} // namespace quillmax::engine
