// File: fuzz/pptx_open_fuzz.cpp
// Fuzz target for the package reader: any bytes either open as a package
// (and then parse, check and save without trouble) or fail with an
// AutomationError. Anything else (a crash, another exception) is a bug.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/errors.h"
#include "platform/pptx/package.h"
#include "platform/pptx/package_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmax;
    try {
        auto pkg = pptx::Package::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
        for (auto* part : pkg->Parts()) {
            try {
                if (pptx::ExtensionOf(part->name()) == "xml") part->Xml();
                else part->Bytes();
            } catch (const office::AutomationError&) {
            }
        }
        pptx::CheckPackage(*pkg);
        pkg->Reachable();
    } catch (const office::AutomationError&) {
    }
    return 0;
}
