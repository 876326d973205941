// File: platform/pptx/pptx_automation.cpp
// Entry point of the package-backed PowerPoint.
#include "platform/pptx/pptx_automation.h"

namespace quillmax::pptx {

std::unique_ptr<office::Automation> CreateAutomationImpl(); // presentation.cpp

std::unique_ptr<office::Automation> CreateAutomation() { return CreateAutomationImpl(); }

} // namespace quillmax::pptx
