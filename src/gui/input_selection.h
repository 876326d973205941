// File: gui/input_selection.h
// How the input list txtSource gets its lines: the open dialog (behind a
// small interface, so tests can answer in the dialog's own multi-selection
// form "folder NUL name NUL name") and dropped text or file lists.
#pragma once

#include <QTextEdit>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QMimeData;
class QWidget;

namespace quillmax::util {
class FileSystem;
}

namespace quillmax::gui {

// dlgOpen's properties, set on every use.
struct OpenDialogProperties {
    int MaxFileSize = 30720;
    long Flags = 2621956; // no read-only box, multi-select, explorer, long names
    std::string Filter = "パワーポイントファイル (*.ppt *.pptx)|*.ppt;*.pptx|全てのファイル|*.*";
    int FilterIndex = 1;
    std::string DialogTitle = "ファイルを開く";
    bool CancelError = true;
};

class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;
    // The dialog's FileName: one path, or "folder\0name\0name..." for a
    // multiple selection; nullopt on cancel or failure.
    virtual std::optional<std::string> Show(QWidget* owner, const OpenDialogProperties& props) = 0;
};

// The platform's file dialog, answering in the forms above.
class QtOpenFileDialog : public OpenFileDialog {
public:
    std::optional<std::string> Show(QWidget* owner, const OpenDialogProperties& props) override;
};

// The open dialog with the properties set, not yet shown.
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const OpenDialogProperties& props);

// "desc|patterns|desc|patterns" as a Qt name filter list.
QStringList QtNameFilters(const std::string& filter);

// The paths a dialog answer adds, in order.
std::vector<std::string> OpenDialogPaths(const std::string& fileName);

// The lines a drop of file-list items adds: a file (or a name that does not
// exist) as it is, a folder as the files lying directly in it.
std::vector<std::string> DroppedItemPaths(const std::vector<std::string>& items,
                                          util::FileSystem* fileSystem);

// Local file-list items of dropped data; empty when it carries none.
std::vector<std::string> DroppedFileItems(const QMimeData* data);

// A multi-line plain-text box that takes drops by hand: the data goes to
// whoever listens to `dropped`, nothing is inserted at the drop point.
class DropTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit DropTextBox(QWidget* parent = nullptr);

    // Inserts text as the selection text (at the caret, replacing any
    // selection), as the VB text box's SelText did.
    void InsertSelText(const QString& text);

signals:
    void dropped(const QMimeData* data);
    void gotFocus();

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
};

}  // namespace quillmax::gui
