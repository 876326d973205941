// File: engine/run_state.h
// The program-level state the engine works with while it converts a
// presentation (the globals of the original design), and the services it
// reaches them through. The batch driver's own state extends it
// (app::Session).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/view.h"
#include "office/automation.h"
#include "settings/settings.h"

namespace quillmax::settings {
class OleConversionList;
} // namespace quillmax::settings

namespace quillmax::util {
class FileSystem;
} // namespace quillmax::util

namespace quillmax::engine {

// One picture a pass converted (kept or not): what a fit predicts the other
// levels from.
struct PictureSample {
    double origBytes = 0; // the old picture's copy
    double newBytes = 0;  // its replacement's copy
    bool jpeg = false;    // pasted as JPEG: its size follows the JPEG quality
};

struct RunState {
    // services
    MainView* view = nullptr;
    office::Automation* automation = nullptr;
    settings::Settings* settings = nullptr;
    settings::OleConversionList* oleList = nullptr;   // frmObject's list
    util::FileSystem* fileSystem = nullptr;           // may be null: file calls then fail

    // office applications and mode
    std::shared_ptr<office::Application> appPPT;
    std::shared_ptr<office::ExcelApplication> appEXCEL;
    bool officeXPMode = false;
    std::shared_ptr<office::Workbook> bookWork;
    std::shared_ptr<office::Worksheet> sheetWork;

    // the presentation being converted and its measuring copy
    std::shared_ptr<office::Presentation> presSource;
    std::shared_ptr<office::Presentation> presMeasure;
    std::string scratchPath1;
    std::string scratchPath2;
    double emptyPresSize = 0;

    // per-presentation results
    bool shapeReplaced = false;
    double movieBytesBefore = 0;
    double movieBytesAfter = 0;

    // "all pictures" for this run only (a command-line flag; never stored)
    bool allPicturesForRun = false;

    // a fit's level for this pass, in place of combRatio's factor (0: none)
    // and of the program's JPEG quality (0: its own)
    double fitFactor = 0;
    int fitJpegQuality = 0;
    // where the pass records its converted pictures (null: nowhere)
    std::vector<PictureSample>* pictureSamples = nullptr;

    // inputs of the current batch; naming never hands one of them out
    std::vector<std::string> batchInputs;

    // 停止 was pressed; a running movie encoder is killed when it sees this
    bool stopRequested = false;
    // a dry run writes nothing: outputs and re-encoded movies go to this
    // scratch folder, are measured and deleted
    std::string dryRunFolder;
};

} // namespace quillmax::engine
