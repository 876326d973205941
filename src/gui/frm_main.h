// File: gui/frm_main.h
// frmMain, the program's main window: the input list, the log, the start
// and stop buttons, the level list, the menus, the hidden conditions panel
// whose lists hold live settings, and the view the batch run talks to.
// Batch logic stays in the system code; the window calls btnStart_Click /
// btnStop_Click and answers through MainView.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <functional>
#include <memory>
#include <string>

#include "app/help_links.h"
#include "app/session.h"
#include "engine/view.h"
#include "gui/dialogs.h"
#include "gui/input_selection.h"

class QAction;
class QMessageBox;
class QMimeData;

namespace quillmax::settings {
struct SettingsRuntime;
}

namespace quillmax::gui {

// Design values (twips) the resize rule and the tests use.
inline constexpr int kDesignWidth = 7320 + 975 + 250; // btnStart left + width + 250
inline constexpr int kLogTop = 3660;
inline constexpr int kMinHeight = kLogTop + 1750;

// A message box with the program title as caption, not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, engine::Icon icon,
                                            bool yesNoCancel);

class FrmMain : public QMainWindow, public engine::MainView {
    Q_OBJECT
public:
    FrmMain(app::Session& session, settings::SettingsRuntime& rt, std::string programFolder,
            QWidget* parent = nullptr);
    ~FrmMain() override;

    // The start-up sequence; pauseMs is the pause before the lists fill.
    // office::ProgramEnd from the environment check passes through.
    void Form_Load(int pauseMs = 500);
    // Files from the command line: one per line, the hint hidden, the batch
    // started at once.
    void StartWithFiles(const std::vector<std::string>& files);

    // True once the program has ended (shut-down or a fatal box).
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }
    bool running() const { return running_; }

    // Test seams: the open dialog and the command launcher.
    void SetOpenDialog(std::unique_ptr<OpenFileDialog> dialog) { openDialog_ = std::move(dialog); }
    void SetLauncher(app::CommandLauncher launcher) { launcher_ = std::move(launcher); }

    // handlers
    void Form_Resize();
    void Form_Unload();
    void btnClear_Click();
    void btnOption_Click();
    void btnOpen_Click();
    void btnStart_Click();
    void btnStop_Click();
    void txtBlank_GotFocus();
    void txtBlank_OLEDragDrop(const QMimeData* data);
    void txtSource_OLEDragDrop(const QMimeData* data);
    void mnuManual_Click();
    void mnuSupport_Click();
    void mnuAbout_Click();

    // MainView
    void AppendLog(const std::string& text) override;
    void ClearLog() override;
    std::string LogText() override;
    void SetStatus(const std::string& text) override;
    std::string Status() override;
    void SetStartEnabled(bool enabled) override;
    void SetStopEnabled(bool enabled) override;
    void ShowWarning(bool visible) override;
    std::string SourceText() override;
    void SetSourceText(const std::string& text) override;
    void HideDropHint() override;
    void SetCaption(const std::string& text) override;
    void MessageBox(const std::string& text, engine::Icon icon) override;
    engine::Answer AskYesNoCancel(const std::string& text, engine::Icon icon) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override;
    void DoEvents() override;
    void Beep() override;
    void ShowProgress(const engine::BatchProgress& progress) override;

    // Window height in twips (what FormHeight stores).
    int HeightTwips() const;

    // visible controls
    QWidget* client;
    QLabel* Label11;
    DropTextBox* txtSource;
    DropTextBox* txtBlank;
    QPushButton* btnOpen;
    QPushButton* btnClear;
    QToolButton* btnStart;
    QLabel* lblPPTRate;
    QComboBox* combRatio;
    QLabel* lblFitSize;
    QComboBox* combFitSize; // editable: the size to fit under, empty = off
    QPushButton* btnOption;
    QPushButton* btnStop;
    QLabel* Label9;
    QPlainTextEdit* txtLog;
    QLabel* lblMsg;
    QProgressBar* prgBatch; // slides done of the batch, beside lblMsg
    QTextEdit* txtWarning;
    QLabel* PicLogo;
    // hidden controls
    QGroupBox* Frame1;
    QComboBox* combFormat;
    QComboBox* combFileSize;
    QComboBox* combExpectRate;
    QComboBox* combPixelSize;
    QComboBox* combType;
    QLabel* lblMovieRate;
    QLabel* picCheck;
    QLabel* picCompare;
    QLabel* PicSBS;
    // menus
    QAction* mnuQuit;
    QAction* mnuManual;
    QAction* mnuSupport;
    QAction* mnuAbout;

    FrmObject* frmObject;
    FrmOption* frmOption;
    FrmMovieOption* frmMovieOption;
    AboutDialog* aboutDialog;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildControls();
    void BuildMenus();
    void FillLists();
    void LoadMainControls();
    void EndProgram(int code);
    void InsertPaths(const std::vector<std::string>& paths);
    void RunGuarded(const std::function<void()>& run);

    app::Session& session_;
    settings::SettingsRuntime& rt_;
    std::string programFolder_;
    std::unique_ptr<OpenFileDialog> openDialog_;
    app::CommandLauncher launcher_;
    bool running_ = false;
    bool unloaded_ = false;
    bool endRequested_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
    bool inResize_ = false;
};

}  // namespace quillmax::gui
