// File: engine/movie_file.cpp
// CompressMovieFile: one movie file through its encoder recipe, the use
// rule of the movie condition, the movie lines and the movie totals.
#include <algorithm>

#include "engine/movie.h"
#include "engine/common.h"
#include "engine/movie_encoder.h"
#include "engine/output_naming.h"
#include "engine/reporting.h"
#include "base/errors.h"
#include "util/file_system.h"
#include "base/text.h"

namespace quillmax::engine {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Deletes what the encoder produced. The movie itself, the presentation and
// the batch's inputs are never deleted: such a "product" counts as a
// failing deletion.
void DeleteProduced(RunState& s, const std::string& path, const std::string& moviePath,
                    const std::string& presentationPath) {
    if (path == moviePath || path == presentationPath ||
        std::find(s.batchInputs.begin(), s.batchInputs.end(), path) != s.batchInputs.end())
        throw office::AutomationError("FileSystem.DeleteFile", "refusing to delete " + path);
    Files(s).DeleteFile(path);
}

const Recipe& ChooseRecipe(RunState& s, const std::string& ext) {
    const MovieEncodingSetup& setup = MovieEncoding();
    const std::vector<Recipe>& table =
        Contains(setup.extensions2, util::LowerAscii(ext)) ? setup.recipes2 : setup.recipes1;
    // combType lists nothing to choose from: no selection takes the first row.
    int row = s.settings ? s.settings->Encode : -1;
    if (row == -1) row = 0;
    if (row < 0 || static_cast<size_t>(row) >= table.size())
        throw office::AutomationError("combType", "no encoder recipe");
    return table[static_cast<size_t>(row)];
}

bool Used(RunState& s, double before, double after) {
    switch (s.settings ? s.settings->MovieCond : -1) {
    case 0: return true;
    case 1: return after < before;
    case 2: return after < before / 2;
    default: return false;
    }
}

} // namespace

MovieEncodingSetup& MovieEncoding() {
    static MovieEncodingSetup setup;
    return setup;
}

std::vector<std::string> movieExtensionList() {
    const MovieEncodingSetup& setup = MovieEncoding();
    std::vector<std::string> all = setup.extensions1;
    for (const std::string& e : setup.extensions2)
        if (!Contains(all, e)) all.push_back(e);
    return all;
}

std::string CompressMovieFile(RunState& s, const std::string& presentationPath,
                              const std::string& moviePath, const std::string& outputFolder) {
    std::string outputBase;
    std::string producedExt;
    try {
        util::FileSystem& files = Files(s);
        std::string folder = files.GetParentFolderName(presentationPath);
        if (folder.empty()) folder = "."; // not the root
        const double before = files.FileSize(moviePath);
        const std::string name = files.GetBaseName(moviePath);
        const std::string ext = files.GetExtensionName(moviePath);
        outputBase = outputFolder.empty() ? MakeOutputBase(s, folder, name, before, "MB")
                                          : AddPathSep(outputFolder) + name;
        // A dry run leaves the user's folders as they were.
        if (!s.dryRunFolder.empty())
            outputBase = s.dryRunFolder + util::kPathSep + files.GetFileName(outputBase);

        const Recipe& recipe = ChooseRecipe(s, ext);
        for (const std::string& raw : recipe) {
            const std::string stepText = util::Trim(raw);
            if (stepText.empty()) break;
            EncoderStep* encoder = MovieEncoding().encoder;
            int status = encoder ? encoder->Run(stepText, moviePath, outputBase, producedExt) : 1;
            if (status == 2) return "*";
            if (status != 0) {
                DeleteProduced(s, outputBase + "." + producedExt, moviePath, presentationPath);
                return "";
            }
        }

        const std::string produced = outputBase + "." + producedExt;
        const double after = files.FileSize(produced);
        if (!Used(s, before, after)) {
            DeleteProduced(s, produced, moviePath, presentationPath);
            AppendLog(s, "\t" + name + "." + ext + " は圧縮効果不十分のため圧縮せず" + kCrLf);
            return "";
        }
        AppendLog(s, "\t" + name + "." + ext + " を圧縮 (" + FormatMB(before) + "→" +
                         FormatMB(after) + ")  " + kCrLf);
        s.movieBytesBefore += before;
        s.movieBytesAfter += after;
        return produced;
    } catch (const office::AutomationError&) {
        // When there is nothing to delete either, the failure goes on to
        // the caller, which treats it as an empty result.
        DeleteProduced(s, outputBase + "." + producedExt, moviePath, presentationPath);
        return "";
    }
}

} // namespace quillmax::engine
