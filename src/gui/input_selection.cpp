// File: gui/input_selection.cpp
#include "gui/input_selection.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "engine/output_naming.h"
#include "gui/twips.h"
#include "util/file_system.h"

namespace quillmax::gui {

QStringList QtNameFilters(const std::string& filter) {
    const QStringList parts = Q(filter).split(QChar('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QChar(';'), QChar(' '));
        // "*.*" means every file, also those without an extension.
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        if (desc.contains(QChar('(')))
            result << desc.left(desc.indexOf(QChar('('))).trimmed() + " (" + patterns + ")";
        else
            result << desc + " (" + patterns + ")";
    }
    return result;
}

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const OpenDialogProperties& props) {
    auto dialog = std::make_unique<QFileDialog>(owner, Q(props.DialogTitle));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = QtNameFilters(props.Filter);
    dialog->setNameFilters(filters);
    if (props.FilterIndex >= 1 && props.FilterIndex <= filters.size())
        dialog->selectNameFilter(filters[props.FilterIndex - 1]);
    return dialog;
}

std::optional<std::string> QtOpenFileDialog::Show(QWidget* owner, const OpenDialogProperties& props) {
    std::unique_ptr<QFileDialog> made = MakeOpenDialog(owner, props);
    QFileDialog& dialog = *made;
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    std::string answer;
    if (files.size() == 1) {
        answer = S(QDir::toNativeSeparators(files.front()));
    } else {
        answer = S(QDir::toNativeSeparators(QFileInfo(files.front()).absolutePath()));
        for (const QString& f : files) {
            answer += '\0';
            answer += S(QFileInfo(f).fileName());
        }
    }
    // The names must fit the dialog's buffer, or the dialog fails.
    if (static_cast<long>(answer.size()) >= props.MaxFileSize) return std::nullopt;
    return answer;
}

std::vector<std::string> OpenDialogPaths(const std::string& fileName) {
    size_t nul = fileName.find('\0');
    if (nul == std::string::npos) return {fileName};
    std::string folder = engine::AddPathSep(fileName.substr(0, nul));
    std::vector<std::string> paths;
    size_t start = nul + 1;
    while (start <= fileName.size()) {
        size_t end = fileName.find('\0', start);
        if (end == std::string::npos) end = fileName.size();
        paths.push_back(folder + fileName.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

std::vector<std::string> DroppedItemPaths(const std::vector<std::string>& items,
                                          util::FileSystem* fileSystem) {
    std::vector<std::string> paths;
    for (const std::string& item : items) {
        // Without the file-system object the drop fails here, as it would
        // on the first folder test.
        if (!fileSystem) break;
        if (!fileSystem->FolderExists(item)) {
            paths.push_back(item);
            continue;
        }
        QDir dir(Q(item));
        const QFileInfoList files =
            dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
        for (const QFileInfo& f : files) {
            std::string path = S(QDir::toNativeSeparators(f.absoluteFilePath()));
            if (fileSystem->FileExists(path)) paths.push_back(path);
        }
    }
    return paths;
}

std::vector<std::string> DroppedFileItems(const QMimeData* data) {
    std::vector<std::string> items;
    if (!data || !data->hasUrls()) return items;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        items.push_back(S(QDir::toNativeSeparators(url.toLocalFile())));
    }
    return items;
}

DropTextBox::DropTextBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setAcceptDrops(true);
    setLineWrapMode(QTextEdit::NoWrap);
}

void DropTextBox::InsertSelText(const QString& text) {
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

void DropTextBox::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasText() || e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void DropTextBox::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasText() || e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void DropTextBox::dropEvent(QDropEvent* e) {
    emit dropped(e->mimeData());
    e->acceptProposedAction();
}

void DropTextBox::focusInEvent(QFocusEvent* e) {
    QTextEdit::focusInEvent(e);
    emit gotFocus();
}

}  // namespace quillmax::gui
