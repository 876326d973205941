// File: base/profile_api.h
// The two Win32-shaped profile-string (INI file) calls the OLE conversion
// list is stored through. The platform library supplies the implementation
// (base/platform_services.h). Buffer rules of the callers live in
// ole_list_store.
#pragma once

#include <cstdint>
#include <string>

namespace quillmax::settings {

class ProfileApi {
public:
    virtual ~ProfileApi() = default;

    // Copies the entry's text (or `defaultText` when the section, the key
    // or the file is missing) into buffer, cut to bufferSize - 1 characters
    // and NUL-terminated; returns the number of characters copied without
    // the NUL. Section and key are matched without regard to case.
    virtual long GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                          const std::string& defaultText, char* buffer,
                                          std::uint32_t bufferSize,
                                          const std::string& fileName) = 0;
    // Sets the entry, creating file, section or key as needed; false when
    // the file could not be written.
    virtual bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                            const std::string& text,
                                            const std::string& fileName) = 0;
    // Writes to fileName between the two may be held back and written
    // together at the end (many entries saved at once); EndBatch is false
    // when that write failed. Batches nest.
    virtual void BeginBatch(const std::string& /*fileName*/) {}
    virtual bool EndBatch(const std::string& /*fileName*/) { return true; }
};

} // namespace quillmax::settings
