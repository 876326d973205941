// File: platform/com/com_automation.h
// The automation runtime on Windows: the real presentation and spreadsheet
// programs over COM ("PowerPoint.Application", "EXCEL.Application"), the
// system clipboard, and real pauses between pastes.
#pragma once

#include <memory>

#include "office/automation.h"

namespace quillmax::com {

// Initialises COM (single-threaded apartment) for the calling thread for the
// runtime's life; every object it hands out must be released before it.
std::unique_ptr<office::Automation> CreateAutomation();

} // namespace quillmax::com
