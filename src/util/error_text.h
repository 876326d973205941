// File: util/error_text.h
// A system error (errno) as the short Japanese reason the log and message
// boxes give after "：", e.g. "ディスクがいっぱいです".
#pragma once

#include <string>

namespace quillmax::util {

std::string ErrorReasonText(int systemError);

} // namespace quillmax::util
