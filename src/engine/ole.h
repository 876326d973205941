// File: engine/ole.h
// What differs for OLE objects on their way through the picture path:
// which application they belong to, the format each list value asks for,
// the second conversion of heavy objects, and their log line.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/run_state.h"

namespace quillmax::engine {

// A paste format: the slide's PasteSpecial data type (newer mode) and the
// worksheet's clipboard format name (older mode), with the log label.
struct PasteFormat {
    int dataType = 0;
    std::string excelFormat;
    std::string formatLabel;
};

inline constexpr const char* kLabelJPEG = "JPEG";
inline constexpr const char* kLabelPNG = "PNG";
inline constexpr const char* kLabelGIF = "GIF";
inline constexpr const char* kLabelMetafile = "ﾒﾀﾋﾟｸﾁｬ";
inline constexpr const char* kExcelJPEG = "図 (JPEG)";
inline constexpr const char* kExcelPNG = "図 (PNG)";
inline constexpr const char* kExcelGIF = "図 (GIF)";
inline constexpr const char* kExcelMetafile = "図 (拡張メタファイル)";

// The application key as the object spells it: progId up to its first ".".
std::string OleKindLabel(const std::string& progId);

// Reads the object's progId (an unreadable one counts as empty), registers
// a non-empty key in the conversion list with "False", returns kindLabel.
std::string ClassifyObject(RunState& s, const std::shared_ptr<office::Shape>& shape);

// The format of an object's own conversion, by exact list value; nullopt
// for a value that names none (the object then stays).
std::optional<PasteFormat> OleFormat(const std::string& listValue);

// The second conversion of a heavy object through the picture rules.
bool TwiceApplies(RunState& s, bool treatAsPicture, double origBytes);

// The log line of a converted object (ends in CR LF).
std::string ObjectLogLine(const std::string& kindLabel, double width, double height,
                          double origBytes, double newBytes);

} // namespace quillmax::engine
