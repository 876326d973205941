// File: engine/movie.cpp
// Embedded and linked movies: finding the movie file, handing it to
// CompressMovieFile and pointing the slide at the smaller file. Every
// statement is skipped when it fails, as in the rest of the walk.
#include "engine/movie.h"

#include <algorithm>

#include "engine/common.h"
#include "engine/movie_encoder.h"
#include "engine/output_naming.h"
#include "engine/replace.h"
#include "engine/reporting.h"
#include "base/containment.h"
#include "base/errors.h"
#include "util/file_system.h"
#include "util/file_times.h"
#include "base/text.h"

namespace quillmax::engine {
namespace {

using office::step;
using office::step_value;

constexpr const char* kEncodeFailed = "の圧縮に失敗しました。非対応動画の可能性があります。";

std::string PresentationPath(RunState& s) {
    return step_value(
        [&] {
            if (!s.presSource) throw office::AutomationError("Presentation", "no presentation");
            return s.presSource->FullName();
        },
        std::string());
}

// A bare file name lies in the current folder, not in the root.
std::string ParentFolder(RunState& s, const std::string& path) {
    std::string folder = step_value([&] { return Files(s).GetParentFolderName(path); }, std::string());
    return folder.empty() ? std::string(".") : folder;
}

bool Exists(RunState& s, const std::string& path) {
    return step_value([&] { return Files(s).FileExists(path); }, false);
}

// A failure passed on by CompressMovieFile counts as an empty result.
std::string Reencode(RunState& s, const std::string& presentationPath,
                     const std::string& moviePath) {
    return step_value([&] { return CompressMovieFile(s, presentationPath, moviePath); },
                      std::string());
}

void KeepName(const std::shared_ptr<office::Shape>& shape, std::vector<std::string>& levelNames) {
    levelNames.push_back(step_value([&] { return shape->Name(); }, std::string()));
}

bool KeepFileDate(RunState& s) { return s.settings && s.settings->KeepFileDate == 1; }

} // namespace

bool IsMovieLink(RunState& s, const std::shared_ptr<office::ActionSetting>& action) {
    return step_value(
        [&] {
            if (!action) return false;
            const std::string address = Need(action->GetHyperlink(), "Hyperlink").Address();
            const std::string ext = util::LowerAscii(Files(s).GetExtensionName(address));
            const std::vector<std::string> list = movieExtensionList();
            return !ext.empty() && std::find(list.begin(), list.end(), ext) != list.end();
        },
        false);
}

std::string FindEmbeddedMovie(RunState& s, const std::string& presentationPath,
                              const std::string& sourcePath) {
    // A bare name records no folder (a movie known only inside the
    // package): it is not looked for in whatever folder is current.
    const bool recordedFolder = sourcePath.find(util::kPathSep) != std::string::npos ||
                                sourcePath.find(util::kForeignSep) != std::string::npos;
    if (recordedFolder && Exists(s, sourcePath)) return sourcePath;
    std::string beside;
    step([&] {
        util::FileSystem& files = Files(s);
        beside = AddPathSep(ParentFolder(s, presentationPath)) +
                 files.GetBaseName(sourcePath) + "." + files.GetExtensionName(sourcePath);
    });
    if (Exists(s, beside)) return beside;
    AppendLog(s, "\t" + beside + "(埋め込み動画) が見つかりません。" + kCrLf);
    return "";
}

void CompressEmbeddedMovie(RunState& s, const std::shared_ptr<office::Slide>& slide,
                           const std::shared_ptr<office::Shape>& shape, bool isTopLevel,
                           std::vector<std::string>& levelNames) {
    const std::string presentationPath = PresentationPath(s);
    const std::string source =
        step_value([&] { return Need(Need(shape, "Shape").GetLinkFormat(), "LinkFormat").SourceFullName(); }, std::string());
    const std::string moviePath = FindEmbeddedMovie(s, presentationPath, source);
    if (moviePath.empty()) return KeepName(shape, levelNames);

    const std::string newMovie = Reencode(s, presentationPath, moviePath);
    if (newMovie == "*") return KeepName(shape, levelNames);
    if (newMovie.empty()) {
        AppendLog(s, "\t" + moviePath + kEncodeFailed + kCrLf);
        return KeepName(shape, levelNames);
    }

    if (KeepFileDate(s)) util::CopyFileTimes(moviePath, newMovie);
    std::shared_ptr<office::Shape> newShape;
    step([&] {
        newShape = Need(Need(slide, "Slide").GetShapes(), "Shapes").AddMediaObject(newMovie, shape->Left(), shape->Top(),
                                                      shape->Width(), shape->Height());
    });
    if (!newShape) return KeepName(shape, levelNames); // nothing took its place
    step([&] { ReplaceShape(s, shape, newShape, slide, isTopLevel); });
    KeepName(newShape, levelNames);
}

void CompressLinkedMovie(RunState& s, const std::shared_ptr<office::Shape>& shape, int k,
                         std::vector<std::string>& levelNames) {
    const std::string presentationPath = PresentationPath(s);
    const std::string presentationFolder = ParentFolder(s, presentationPath);
    const std::string address = step_value(
        [&] { return Need(Need(Need(shape, "Shape").ActionSettings(k), "ActionSetting").GetHyperlink(), "Hyperlink").Address(); }, std::string());

    // A bare file name lies beside the presentation.
    const bool relative = address.find(util::kPathSep) == std::string::npos &&
                          address.find(util::kForeignSep) == std::string::npos;
    std::string moviePath = address;
    if (relative) step([&] { moviePath = AddPathSep(presentationFolder) + address; });

    if (!Exists(s, moviePath)) {
        AppendLog(s, "\t" + moviePath + "(リンク先動画) が見つかりません。" + kCrLf);
        return KeepName(shape, levelNames);
    }

    std::string newMovie = Reencode(s, presentationPath, moviePath);
    if (newMovie == "*") return KeepName(shape, levelNames);
    if (newMovie.empty()) {
        AppendLog(s, "\t" + moviePath + kEncodeFailed + kCrLf);
        return KeepName(shape, levelNames);
    }

    if (KeepFileDate(s)) util::CopyFileTimes(moviePath, newMovie);
    step([&] {
        util::FileSystem& files = Files(s);
        if (util::LowerAscii(files.GetParentFolderName(newMovie)) == util::LowerAscii(presentationFolder))
            newMovie = files.GetBaseName(newMovie) + "." + files.GetExtensionName(newMovie);
    });
    if (!newMovie.empty())
        step([&] { Need(Need(shape->ActionSettings(k), "ActionSetting").GetHyperlink(), "Hyperlink").SetAddress(newMovie); });
    KeepName(shape, levelNames);
}

} // namespace quillmax::engine
