// File: engine/movie.cpp
// Embedded and linked movies: finding the movie file, handing it to
// CompressMovieFile and pointing the slide at the smaller file. Every
// statement is skipped when it fails, as in the rest of the walk.
#include "engine/movie.h"

#include <algorithm>
#include <filesystem>

#include "engine/common.h"
#include "engine/movie_encoder.h"
#include "engine/output_naming.h"
#include "engine/picture.h"
#include "engine/replace.h"
#include "engine/reporting.h"
#include "base/containment.h"
#include "base/errors.h"
#ifndef _WIN32 // movies taken out of a package: the package-backed program only
#include "platform/posix/child_process.h"
#endif
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

void KeepName(const std::shared_ptr<office::Shape>& shape, std::vector<std::string>& levelNames) {
    levelNames.push_back(step_value([&] { return shape->Name(); }, std::string()));
}

// A failure passed on by CompressMovieFile counts as an empty result. The
// encoder learns the shape's displayed size (none for a linked movie).
std::string Reencode(RunState& s, const std::string& presentationPath, const std::string& moviePath,
                     const std::shared_ptr<office::Shape>& shown, const std::string& outputFolder = "") {
    EncodeContext& context = MovieEncoding().context;
    context = EncodeContext{&s, 0, 0, ScaleFactorFor(s.settings ? s.settings->Ratio : -1)};
    if (shown) {
        step([&] { context.widthPt = shown->Width(); });
        step([&] { context.heightPt = shown->Height(); });
    }
    std::string result = step_value(
        [&] { return CompressMovieFile(s, presentationPath, moviePath, outputFolder); }, std::string());
    context = EncodeContext{};
    return result;
}

// Trim, fade, volume, mute, loop, slides played across, hide-when-stopped
// and full screen, each on its own: one the new shape refuses costs only
// itself.
void CopyPlayback(const std::shared_ptr<office::MediaFormat>& from,
                  const std::shared_ptr<office::MediaFormat>& to) {
    for (const char* member : {"StartPoint", "EndPoint", "FadeInDuration", "FadeOutDuration", "Volume", "Muted",
                               "LoopUntilStopped", "PlayAcrossSlides", "HideWhileNotPlaying", "FullScreen"})
        step([&] { to->Set(member, from->Get(member)); });
}

// The poster frame: the old one where it can be kept, else a still of the
// new movie.
void CarryPoster(const std::shared_ptr<office::MediaFormat>& from, const std::shared_ptr<office::MediaFormat>& to,
                 const std::string& newMovie, const std::string& folder) {
    const std::string kept =
        step_value([&] { return from->ExportDisplayPicture(folder + util::kPathSep + "poster"); }, std::string());
    if (!kept.empty() && step([&] { to->SetDisplayPictureFromFile(kept); })) return;
    EncoderStep* encoder = MovieEncoding().encoder;
    const std::string still = folder + util::kPathSep + "still.png";
    if (encoder && encoder->PosterFrame(newMovie, still)) step([&] { to->SetDisplayPictureFromFile(still); });
}

#ifndef _WIN32
// A movie whose bytes live in the package: taken out into a private
// temporary folder, re-encoded there, put back as a new media shape. The
// folder goes with everything in it on every way out.
void CompressPackageMovie(RunState& s, const std::shared_ptr<office::Slide>& slide,
                          const std::shared_ptr<office::Shape>& shape,
                          const std::shared_ptr<office::MediaFormat>& media, bool isTopLevel,
                          std::vector<std::string>& levelNames) {
    namespace fs = std::filesystem;
    std::string name = step_value(
        [&] { return Need(Need(shape, "Shape").GetLinkFormat(), "LinkFormat").SourceFullName(); }, std::string());
    name = fs::path(name).filename().string();
    if (name.empty()) name = "media.bin";
    util::PrivateTempFolder temp("quillmax-movie-");
    std::error_code ec;
    const std::string in = temp.path() + util::kPathSep + "in", out = temp.path() + util::kPathSep + "out";
    const bool ready = !temp.path().empty() && fs::create_directory(in, ec) && fs::create_directory(out, ec);
    const std::string moviePath = in + util::kPathSep + name;
    if (!ready || !step([&] { media->ExportMedia(moviePath); })) {
        AppendLog(s, "\t" + name + kEncodeFailed + kCrLf);
        return KeepName(shape, levelNames);
    }

    const std::string newMovie = Reencode(s, PresentationPath(s), moviePath, shape, out);
    if (newMovie == "*") return KeepName(shape, levelNames);
    if (newMovie.empty()) {
        AppendLog(s, "\t" + name + kEncodeFailed + kCrLf);
        return KeepName(shape, levelNames);
    }

    std::shared_ptr<office::Shape> newShape;
    step([&] {
        newShape = Need(Need(slide, "Slide").GetShapes(), "Shapes")
                       .AddMediaObject(newMovie, shape->Left(), shape->Top(), shape->Width(), shape->Height());
    });
    if (!newShape) return KeepName(shape, levelNames);
    const auto newMedia = step_value([&] { return newShape->GetMediaFormat(); }, std::shared_ptr<office::MediaFormat>());
    if (newMedia) {
        CopyPlayback(media, newMedia);
        CarryPoster(media, newMedia, newMovie, temp.path());
    }
    const std::string oldName = step_value([&] { return shape->Name(); }, std::string());
    if (step([&] { ReplaceShape(s, shape, newShape, slide, isTopLevel); }) && !oldName.empty())
        step([&] { newShape->SetName(oldName); });
    KeepName(newShape, levelNames);
}
#endif

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
    const auto media = step_value([&] { return Need(shape, "Shape").GetMediaFormat(); },
                                  std::shared_ptr<office::MediaFormat>());
#ifndef _WIN32
    if (media && step_value([&] { return media->IsEmbedded(); }, false))
        return CompressPackageMovie(s, slide, shape, media, isTopLevel, levelNames);
#endif

    const std::string presentationPath = PresentationPath(s);
    const std::string source =
        step_value([&] { return Need(Need(shape, "Shape").GetLinkFormat(), "LinkFormat").SourceFullName(); }, std::string());
    const std::string moviePath = FindEmbeddedMovie(s, presentationPath, source);
    if (moviePath.empty()) return KeepName(shape, levelNames);

    const std::string newMovie = Reencode(s, presentationPath, moviePath, shape);
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

    std::string newMovie = Reencode(s, presentationPath, moviePath, nullptr);
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
