// File: gui/run_window.cpp
// The windowed program: application, session, main window, start-up, the
// command-line batch, the event loop.
#include "gui/run_window.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "app/entry.h"
#include "gui/folder_chooser.h"
#include "gui/frm_main.h"
#include "gui/japanese.h"
#include "gui/twips.h"
#include "base/errors.h"
#include "settings/startup.h"
#include "util/file_system.h"

namespace quillmax::gui {
namespace {

// Developer aid: with this variable set to a folder, the program saves
// pictures of its windows there and ends instead of waiting for the user.
constexpr const char* kScreenshotVariable = "QUILLMAX_SCREENSHOTS";

constexpr const char* kSampleQuestion =
    "同一出力ﾌｧｲﾙが存在します:/home/user/資料/企画書【圧縮前2048KB】.pptx\r\n\r\n"
    "上書きしますか？   ( はい→上書き、いいえ→別名で保存、キャンセル→圧縮しない )";

// Developer aid: the windows and Qt's dialogs as PNG files in `folder`.
int SaveScreenshots(FrmMain& frm, const QString& folder) {
    QDir().mkpath(folder);
    auto settle = [] {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    };
    settle();
    bool ok = frm.grab().save(folder + "/main_window.png");
    frm.frmOption->show();
    settle();
    ok = frm.frmOption->grab().save(folder + "/options_dialog.png") && ok;
    frm.frmOption->hide();
    frm.frmObject->show();
    if (frm.frmObject->lstException->count() > 0) frm.frmObject->lstException->setCurrentRow(0);
    settle();
    ok = frm.frmObject->grab().save(folder + "/conversion_list_dialog.png") && ok;
    frm.frmObject->hide();
    frm.ShowWarning(true);
    settle();
    ok = frm.grab().save(folder + "/main_window_running.png") && ok;
    frm.ShowWarning(false);
    // Qt's own buttons, in Japanese: the overwrite question and the open dialog.
    auto question = MakeMessageBox(&frm, kSampleQuestion, engine::Icon::Exclamation, true);
    question->show();
    settle();
    ok = question->grab().save(folder + "/overwrite_question.png") && ok;
    question->hide();
    auto open = MakeOpenDialog(&frm, OpenDialogProperties{});
    open->setDirectory(QDir::homePath());
    open->show();
    settle();
    ok = open->grab().save(folder + "/open_dialog.png") && ok;
    open->hide();
    return ok ? 0 : 1;
}

} // namespace

int RunWindow(int argc, char** argv, const AutomationFactory& makeAutomation, const SlideCounter& countSlides,
              const ContentCounter& contentBytes) {
    QApplication app(argc, argv);
    InstallQtJapanese(app);
    app.setFont(JapaneseFont(9));
    InstallFolderChooser();

    // What is left after Qt took its own options are the files.
    std::vector<std::string> files(argv + 1, argv + argc);
    const QString screenshotFolder = qEnvironmentVariable(kScreenshotVariable);

    const std::string programFolder = S(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    std::unique_ptr<util::FileSystem> fileSystem = app::CreateFileSystem();
    settings::SettingsRuntime rt(programFolder, "", fileSystem.get());
    std::unique_ptr<office::Automation> automation;
    try {
        automation = makeAutomation();
    } catch (const std::exception&) {
        // Without a presentation program the environment check says so.
    }

    app::Session session;
    session.automation = automation.get();
    session.settings = &rt.settings;
    session.oleList = &rt.oleList;
    session.registry = &rt.registry;
    session.fileSystem = fileSystem.get();
    session.countSlides = countSlides;
    session.contentBytes = contentBytes;

    FrmMain frm(session, rt, programFolder);
    session.view = &frm;
    try {
        frm.Form_Load();
    } catch (const office::ProgramEnd& end) {
        return end.code();
    }
    if (frm.ended()) return frm.exitCode();
    if (!files.empty()) {
        frm.StartWithFiles(files);
        if (frm.ended()) return frm.exitCode();
    }
    if (!screenshotFolder.isEmpty()) {
        std::printf("%s\n%s\n%s", frm.windowTitle().toUtf8().constData(), frm.Status().c_str(),
                    frm.LogText().c_str());
        return SaveScreenshots(frm, screenshotFolder);
    }
    return app.exec();
}

}  // namespace quillmax::gui
