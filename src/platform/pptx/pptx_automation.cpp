// File: platform/pptx/pptx_automation.cpp
// Placeholder until the package layer lands.
#include "platform/pptx/pptx_automation.h"

#include "office/errors.h"

namespace quillmax::pptx {

std::unique_ptr<office::Automation> CreateAutomation() {
    throw office::AutomationError("CreateObject", "package-backed PowerPoint not built yet");
}

} // namespace quillmax::pptx
