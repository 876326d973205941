// File: platform/pptx/pptx_automation.h
// Entry point of the package-backed PowerPoint: the automation runtime whose
// CreatePowerPoint gives an in-process application over .pptx packages.
// AttachPowerPoint finds no running instance; CreateExcel fails (there is
// no spreadsheet program behind this backend).
#pragma once

#include <memory>

#include "office/automation.h"

namespace quillmax::pptx {

std::unique_ptr<office::Automation> CreateAutomation();

} // namespace quillmax::pptx
