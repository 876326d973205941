// File: platform/pptx/zip_io.cpp
#include "platform/pptx/zip_io.h"

#include <zip.h>

#include "base/errors.h"
#include "base/regular_file.h"

namespace quillmax::pptx {

namespace {

constexpr const char* kMember = "Zip";
// 1981-01-01, a date every zip reader takes.
constexpr time_t kFixedTime = 315532800 + 86400 * 366;

[[noreturn]] void Fail(const std::string& why) { throw office::AutomationError(kMember, why); }

} // namespace

std::string ZipArchiveBytes(const std::vector<ZipEntry>& entries, bool fixedTime) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    if (!src) Fail("cannot create an archive in memory");
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    if (!za) {
        zip_source_free(src);
        Fail("cannot create an archive in memory");
    }
    zip_source_keep(src);
    for (const auto& e : entries) {
        zip_source_t* data = zip_source_buffer(za, e.bytes.data(), e.bytes.size(), 0);
        zip_int64_t idx = data ? zip_file_add(za, e.name.c_str(), data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
        if (idx < 0) {
            if (data) zip_source_free(data);
            zip_discard(za);
            zip_source_free(src);
            Fail("cannot add " + e.name + " to the archive");
        }
        zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), e.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 static_cast<zip_uint32_t>(e.level));
        if (fixedTime) zip_file_set_mtime(za, static_cast<zip_uint64_t>(idx), kFixedTime, 0);
    }
    if (zip_close(za) < 0) {
        zip_discard(za);
        zip_source_free(src);
        Fail("cannot write the archive");
    }
    std::string out;
    zip_stat_t st;
    if (zip_source_stat(src, &st) == 0 && zip_source_open(src) == 0) {
        out.resize(st.size);
        zip_int64_t n = zip_source_read(src, out.data(), st.size);
        zip_source_close(src);
        if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) out.clear();
    }
    zip_source_free(src);
    if (out.empty()) Fail("cannot write the archive");
    return out;
}

std::vector<ZipEntry> ZipArchiveEntries(const std::string& archive) {
    std::string why;
    zip_t* za = OpenZipInMemory(archive, why);
    if (!za) Fail("not a zip archive");
    std::vector<ZipEntry> out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        ZipEntry e;
        e.name = st.name;
        e.stored = st.comp_method == ZIP_CM_STORE;
        e.bytes.resize(st.size);
        zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        zip_int64_t n = f && st.size ? zip_fread(f, e.bytes.data(), st.size) : 0;
        if (f) zip_fclose(f);
        if (!f || n != static_cast<zip_int64_t>(st.size)) {
            zip_discard(za);
            Fail("cannot read " + e.name);
        }
        out.push_back(std::move(e));
    }
    zip_discard(za);
    return out;
}

zip_t* OpenZipFile(const std::string& path) {
    if (!util::IsRegularFile(path)) return nullptr; // a pipe would be waited on
    int err = 0;
    return zip_open(path.c_str(), ZIP_RDONLY, &err);
}

std::vector<std::string> ZipFileEntryNames(const std::string& path) {
    std::vector<std::string> out;
    zip_t* za = OpenZipFile(path);
    if (!za) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
        if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0)) out.emplace_back(name);
    zip_discard(za);
    return out;
}

std::optional<std::string> ReadNamedZipEntry(zip_t* archive, const std::string& name, std::uint64_t limit) {
    zip_stat_t st;
    const zip_int64_t i = zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE);
    if (i < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE) || st.size > limit)
        return std::nullopt;
    try {
        return ReadZipEntry(archive, i, st.size);
    } catch (const office::AutomationError&) {
        return std::nullopt;
    }
}

zip_t* OpenZipInMemory(const std::string& bytes, std::string& why) {
    zip_error_t err;
    zip_error_init(&err);
    zip_t* za = nullptr;
    if (zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &err)) {
        za = zip_open_from_source(src, ZIP_RDONLY, &err);
        if (!za) zip_source_free(src);
    }
    if (!za) why = zip_error_strerror(&err);
    zip_error_fini(&err);
    return za;
}

std::string ReadZipEntry(zip_t* archive, std::int64_t index, std::uint64_t declared) {
    zip_file_t* f = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!f) throw office::AutomationError("", std::string("cannot read a part: ") + zip_strerror(archive));
    std::string out;
    out.resize(static_cast<size_t>(declared));
    std::uint64_t got = 0;
    while (got < declared) {
        zip_int64_t r = zip_fread(f, out.data() + got, declared - got);
        if (r < 0) {
            std::string msg = zip_file_strerror(f);
            zip_fclose(f);
            throw office::AutomationError("", "damaged part: " + msg);
        }
        if (r == 0) break;
        got += static_cast<std::uint64_t>(r);
    }
    char extra;
    zip_int64_t more = zip_fread(f, &extra, 1);
    int closeErr = zip_fclose(f);
    if (got != declared || more != 0 || closeErr != 0)
        throw office::AutomationError("", "damaged part (size or checksum mismatch)");
    return out;
}

} // namespace quillmax::pptx
