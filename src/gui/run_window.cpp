// Windowed program start-up (filled in as the window grows).
#include "gui/run_window.h"

#include <QApplication>

namespace quillmax::gui {

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}

}  // namespace quillmax::gui
