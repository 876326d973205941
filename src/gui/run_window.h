// Entry into the windowed program: builds the application, the session and
// the main window, runs the start-up sequence and the event loop.
#pragma once

namespace quillmax::gui {

// Returns the process exit code. Files given on the command line are put into
// the source list and converted at once.
int RunWindow(int argc, char** argv);

}  // namespace quillmax::gui
