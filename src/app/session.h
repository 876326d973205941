// File: app/session.h
// The program-level state that the batch run, the pass, the office
// handling and the engine share (the globals of the original design), and
// the services they reach it through. One Session lives as long as the
// program; the front end makes it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/view.h"
#include "office/automation.h"
#include "settings/settings.h"

namespace quillmax::settings {
class OleConversionList;
class RegistryAccess;
} // namespace quillmax::settings

namespace quillmax::util {
class FileSystem;
} // namespace quillmax::util

namespace quillmax::app {

struct Session {
    // services
    MainView* view = nullptr;
    office::Automation* automation = nullptr;
    settings::Settings* settings = nullptr;
    settings::OleConversionList* oleList = nullptr;   // frmObject's list
    settings::RegistryAccess* registry = nullptr;
    util::FileSystem* fileSystem = nullptr;           // may be null: file calls then fail

    // office applications and mode
    std::shared_ptr<office::Application> appPPT;
    std::shared_ptr<office::ExcelApplication> appEXCEL;
    bool officeXPMode = false;
    std::shared_ptr<office::Workbook> bookWork;
    std::shared_ptr<office::Worksheet> sheetWork;

    // batch state
    std::vector<std::string> fileList; // entries, in text order
    std::string curExt;
    bool stopRequested = false;
    std::shared_ptr<office::Presentation> presSource;
    std::shared_ptr<office::Presentation> presMeasure;
    std::string scratchPath1;
    std::string scratchPath2;
    double emptyPresSize = 0;

    // per-presentation results
    bool shapeReplaced = false;
    double movieBytesBefore = 0;
    double movieBytesAfter = 0;

    // inputs of the current batch; naming never hands one of them out
    std::vector<std::string> batchInputs;
};

} // namespace quillmax::app
