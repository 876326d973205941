// File: settings/settings.h
// The live settings record: one field per stored value, named after the
// value and shaped like the control that shows it. Dialogs edit the record
// in place; every reader reads the field at the moment it needs it. There
// is no copy and no apply step.
#pragma once

#include <string>

namespace quillmax::settings {

struct Settings {
    // check boxes: 0 or 1 (a stored 2 is kept as read)
    int OLE = 1;          // chkObject
    int Movie = 0;        // chkMovie (a movie encode can take long: off unless chosen)
    int KeepFileDate = 0; // chkKeepFileDate
    int ShowFileSize = 1; // chkFileSize
    int Twice = 1;        // chkTwice (frmObject)
    int AllPictures = 0;  // chkAllPictures: pictures of any name, and those no shape shows

    // fixed lists: 0-based index, -1 for no selection
    int SameFilename = 0; // combSameFilename
    int Format = 0;       // combFormat
    int Ratio = 1;        // combRatio
    int MovieTarget = 0;  // combTarget
    int MovieCond = 0;    // combCond
    int Encode = -1;      // combType (has no items)

    // option-button arrays: index of the selected element
    int optPPTFolder = 0;
    int optMovieFolder = 0;

    // folder text boxes
    std::string PPTFolder;   // txtPPTFolder
    std::string MovieFolder; // txtMovieFolder

    // editable lists: their text
    std::string FileSize = "50";   // combFileSize
    std::string ExpectRate = "75"; // combExpectRate
    std::string PixelSize = "50";  // combPixelSize
    // txtFitSize: the size each output should fit under ("10MB", "800KB");
    // empty: off
    std::string FitSize;

    // main window height in twips
    int FormHeight = 6000;
};

} // namespace quillmax::settings
