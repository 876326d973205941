// File: engine/output_naming.cpp
// Output names and the overwrite decision. A name that would land on an
// input of the batch is never handed out: the question comes back instead.
#include "engine/output_naming.h"

#include <filesystem>
#include <system_error>

#include "engine/common.h"
#include "engine/reporting.h"
#include "base/containment.h"
#include "base/native_path.h"
#include "util/file_system.h"

namespace quillmax::engine {
namespace {

namespace fs = std::filesystem;

fs::path NativePath(const std::string& p) {
    std::string t = p;
    for (char& c : t)
        if (c == util::kForeignSep) c = util::kPathSep;
    return util::Native(t);
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    fs::path pa = NativePath(a), pb = NativePath(b);
    std::error_code ec;
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) {
        bool same = fs::equivalent(pa, pb, ec);
        if (!ec) return same;
    }
    fs::path na = fs::absolute(pa, ec).lexically_normal();
    fs::path nb = fs::absolute(pb, ec).lexically_normal();
    return na == nb;
}

// The input being compressed and every input of the batch are off limits.
bool NamesAnInput(RunState& s, const std::string& path) {
    for (const auto& in : s.batchInputs)
        if (SamePath(path, in)) return true;
    if (s.presSource) {
        std::string current = office::step_value(
            [&] { return s.presSource->FullName(); }, std::string());
        if (SamePath(path, current)) return true;
    }
    return false;
}

} // namespace

std::string AddPathSep(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == util::kForeignSep) c = util::kPathSep;
    if (out.empty() || out.back() != util::kPathSep) out += util::kPathSep;
    return out;
}

std::string MakeOutputBase(RunState& s, const std::string& folder, const std::string& baseName,
                           double sizeBytes, const std::string& unit) {
    std::string sizeText;
    if (unit == "KB")
        sizeText = FormatKB(sizeBytes);
    else if (unit == "MB")
        sizeText = FormatMB(sizeBytes);

    std::string dir =
        s.settings->optPPTFolder == 0 ? AddPathSep(folder) : AddPathSep(s.settings->PPTFolder);
    std::string label = s.settings->ShowFileSize == 1 ? "【圧縮前" + sizeText + "】" : "【圧縮】";
    return dir + baseName + label;
}

std::string ResolveOutputPath(RunState& s, const std::string& base, const std::string& ext) {
    const std::string candidate = base + "." + ext;
    const bool candidateIsInput = NamesAnInput(s, candidate);
    if (!candidateIsInput &&
        (!Files(s).FileExists(candidate) || s.settings->SameFilename != 0))
        return candidate;

    if (!s.view) return ""; // nobody to ask: the file is skipped
    MinimiseApplications(s);
    const std::string question = "同一出力ﾌｧｲﾙが存在します:" + candidate + kCrLf + kCrLf +
                                 "上書きしますか？   ( はい→上書き、いいえ→別名で保存、キャンセル→圧縮しない )";
    for (;;) {
        Answer answer = s.view->AskYesNoCancel(question, Icon::Exclamation);
        if (answer == Answer::Cancel) return "";
        if (answer == Answer::Yes) {
            if (!candidateIsInput) return candidate;
            continue; // overwriting an input is no answer
        }
        std::optional<std::string> typed =
            s.view->InputBox("新しいパス名(拡張子を除く)を入力してください", "", base + "-");
        if (typed && !typed->empty()) {
            std::string path = *typed + "." + ext;
            if (!NamesAnInput(s, path)) return path;
        }
    }
}

} // namespace quillmax::engine
