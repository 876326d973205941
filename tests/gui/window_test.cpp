// File: tests/gui/window_test.cpp
// The real widgets on the offscreen platform: the main window's start-up,
// geometry and resize rule, input selection (drops and the open dialog),
// clearing, shut-down, the options and conversion-list dialogs, the help
// links and a batch stopped from the window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/batch_run.h"
#include "app/help_links.h"
#include "gui/frm_main.h"
#include "gui/japanese.h"
#include "gui/twips.h"
#include "settings/settings_store.h"
#include "settings/startup.h"
#include "support/fake_office.h"
#include "support/fake_world.h"
#include "support/temp_folder.h"
#include "util/file_system.h"
#include "util/folder_picker.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;
using gui::Px;

QApplication& App() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static TempFolder* config = nullptr;
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        config = new TempFolder();
        setenv("XDG_CONFIG_HOME", config->path().c_str(), 1);
        auto* made = new QApplication(argc, argv);
        gui::InstallQtJapanese(*made);
        return made;
    }();
    return *app;
}

// The window with message boxes recorded instead of shown.
class TestWindow : public gui::FrmMain {
public:
    using FrmMain::FrmMain;
    void MessageBox(const std::string& text, engine::Icon) override { boxes.push_back(text); }
    engine::Answer AskYesNoCancel(const std::string& text, engine::Icon) override {
        boxes.push_back(text);
        return engine::Answer::Yes;
    }
    std::vector<std::string> boxes;
};

class FakeOpenDialog : public gui::OpenFileDialog {
public:
    explicit FakeOpenDialog(std::optional<std::string> answer) : answer_(std::move(answer)) {}
    std::optional<std::string> Show(QWidget*, const gui::OpenDialogProperties& props) override {
        seen = props;
        return answer_;
    }
    gui::OpenDialogProperties seen;

private:
    std::optional<std::string> answer_;
};

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        fs::create_directories(programDir());
        rt = std::make_unique<settings::SettingsRuntime>(programDir(), (dir.path() / "reg").string(),
                                                         &fileSystem);
        session.automation = &office;
        session.settings = &rt->settings;
        session.oleList = &rt->oleList;
        session.registry = &rt->registry;
        session.fileSystem = &fileSystem;
        frm = std::make_unique<TestWindow>(session, *rt, programDir());
        session.view = frm.get();
    }
    void TearDown() override { util::SetFolderChooser(nullptr); }

    std::string programDir() const { return (dir.path() / "prog").string(); }
    void Store(const char* name, const char* text) {
        rt->registry.WriteRegistryText(settings::RegRoot::LocalMachine, settings::kParamKey, name, text);
    }
    std::string Stored(const char* name) {
        return rt->registry.ReadRegistryText(settings::RegRoot::LocalMachine, settings::kParamKey, name).text;
    }
    void Start() { frm->Form_Load(0); }

    TempFolder dir;
    FakeOffice office;
    util::FileSystem fileSystem;
    std::unique_ptr<settings::SettingsRuntime> rt;
    app::Session session;
    std::unique_ptr<TestWindow> frm;
};

TEST_F(Window, FirstStartShowsDefaultsAndTheDropHint) {
    Start();
    EXPECT_EQ(frm->width(), Px(8545));
    EXPECT_EQ(frm->height(), Px(6000));
    EXPECT_EQ(frm->Status(), "OK");
    EXPECT_TRUE(frm->txtBlank->isVisible());
    const QRect src = frm->txtSource->geometry();
    EXPECT_EQ(frm->txtBlank->geometry(),
              QRect(src.x() + Px(60), src.y() + Px(60), src.width() - Px(360), src.height() - Px(120)));
    EXPECT_TRUE(frm->windowTitle().endsWith(QStringLiteral(" [Office XP/2003/2007 ﾓｰﾄﾞ]")))
        << gui::S(frm->windowTitle());
    EXPECT_TRUE(frm->windowTitle().startsWith(QStringLiteral("クイルマックス")));
    EXPECT_TRUE(frm->btnStart->isEnabled());
    EXPECT_FALSE(frm->btnStop->isEnabled());
    EXPECT_FALSE(frm->txtWarning->isVisible());
    EXPECT_EQ(frm->combRatio->currentText(), QStringLiteral("ｻｲｽﾞ優先"));
    EXPECT_EQ(frm->combRatio->count(), 4);
    EXPECT_EQ(frm->combFileSize->currentText(), QStringLiteral("50"));
    EXPECT_FALSE(frm->Frame1->isVisible());
    EXPECT_TRUE(frm->boxes.empty());
    // The movie box starts clear by default and hides its button; its
    // frame is shown.
    EXPECT_EQ(rt->settings.Movie, 0);
    EXPECT_FALSE(frm->frmOption->btnMovie->isVisibleTo(frm->frmOption->FrameHide));
    EXPECT_TRUE(frm->frmOption->FrameHide->isVisibleTo(frm->frmOption));
    EXPECT_TRUE(frm->frmOption->chkMovie->isVisibleTo(frm->frmOption));
    EXPECT_FALSE(rt->oleList.keys().empty());
}

TEST_F(Window, ResizeSnapsToFixedWidthAndMinimumHeight) {
    Start();
    frm->resize(Px(5000), Px(3000));
    EXPECT_EQ(frm->width(), Px(8545));
    EXPECT_EQ(frm->height(), Px(5410));
    frm->resize(Px(9900), Px(7000));
    EXPECT_EQ(frm->width(), Px(8545));
    EXPECT_EQ(frm->height(), Px(7000));
    // The log and the status line follow the height.
    EXPECT_EQ(frm->txtLog->height(), Px(7000) - frm->txtLog->y() - Px(1300));
    EXPECT_EQ(frm->lblMsg->y(), Px(7000) - frm->lblMsg->height() - Px(1000));
}

TEST_F(Window, StoredHeightComesBackAndIsRaisedToTheMinimum) {
    Store("FormHeight", "7200");
    Start();
    EXPECT_EQ(frm->height(), Px(7200));

    frm->close(); // saves
    EXPECT_EQ(Stored("FormHeight"), "7200");
    EXPECT_TRUE(frm->ended());

    Store("FormHeight", "3000");
    TestWindow second(session, *rt, programDir());
    session.view = &second;
    second.Form_Load(0);
    EXPECT_EQ(second.height(), Px(5410));
}

TEST_F(Window, ClosingSavesSettingsAndTheConversionList) {
    Store("Movie", "1");
    Start();
    frm->combRatio->setCurrentIndex(3);
    frm->frmOption->chkKeepFileDate->setChecked(true);
    frm->close();
    EXPECT_EQ(Stored("Ratio"), "3");
    EXPECT_EQ(Stored("KeepFileDate"), "1");
    EXPECT_EQ(Stored("Movie"), "1"); // kept like the others
    EXPECT_EQ(Stored("Encode"), "-1");
    EXPECT_TRUE(fs::exists(rt->oleStore.iniFilePath()));
}

TEST_F(Window, TargetSizeFieldIsStoredAndEmptiedTurnsTheFitOff) {
    Store("FitSize", "20MB");
    Start();
    EXPECT_EQ(frm->combFitSize->currentText(), QStringLiteral("20MB"));
    EXPECT_EQ(frm->combFitSize->itemText(0), QString()); // the empty choice is "off"
    frm->combFitSize->setCurrentText(QStringLiteral(" 9.5M "));
    EXPECT_EQ(rt->settings.FitSize, "9.5M");
    frm->combFitSize->setCurrentIndex(0);
    frm->close();
    EXPECT_EQ(Stored("FitSize"), "");
}

TEST_F(Window, DroppedFolderAddsTheFilesLyingDirectlyInIt) {
    Start();
    fs::path folder = dir.path() / "drop";
    fs::create_directories(folder / "sub");
    std::ofstream(folder / "a.ppt") << "x";
    std::ofstream(folder / "b.txt") << "x";
    std::ofstream(folder / "sub" / "c.ppt") << "x";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.string()))});
    data.setText(QString::fromStdString("file://" + folder.string())); // as file managers send it

    frm->txtBlank_OLEDragDrop(&data);
    EXPECT_FALSE(frm->txtBlank->isVisible());
    std::vector<std::string> lines = app::ParseSourceText(frm->SourceText());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{(folder / "a.ppt").string(), (folder / "b.txt").string()}));
    EXPECT_EQ(frm->SourceText().size() - frm->SourceText().find_last_of('\n'), 1u);
    EXPECT_EQ(frm->Status(), "OK"); // a drop never starts a batch
}

TEST_F(Window, DropsInsertAtTheCaret) {
    Start();
    frm->SetSourceText("first\r\nlast\r\n");
    QTextCursor c = frm->txtSource->textCursor();
    c.setPosition(6); // start of "last"
    frm->txtSource->setTextCursor(c);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/nowhere/x.pptx"), QUrl::fromLocalFile("/nowhere/y.ppt")});
    frm->txtSource_OLEDragDrop(&files);
    EXPECT_EQ(frm->SourceText(), "first\r\n/nowhere/x.pptx\r\n/nowhere/y.ppt\r\nlast\r\n");

    QMimeData text;
    text.setText(QStringLiteral("何でも"));
    frm->txtSource->moveCursor(QTextCursor::End);
    frm->txtSource_OLEDragDrop(&text);
    EXPECT_EQ(frm->SourceText(), "first\r\n/nowhere/x.pptx\r\n/nowhere/y.ppt\r\nlast\r\n何でも\r\n");
}

TEST_F(Window, OpenDialogMultipleSelectionIsAppended) {
    Start();
    frm->SetSourceText("keep.pptx\r\n");
    frm->txtSource->moveCursor(QTextCursor::Start);
    auto dialog = std::make_unique<FakeOpenDialog>(std::string("/Docs\0x.ppt\0y.ppt", 17));
    FakeOpenDialog* seen = dialog.get();
    frm->SetOpenDialog(std::move(dialog));
    frm->btnOpen_Click();
    EXPECT_EQ(frm->SourceText(), "keep.pptx\r\n/Docs/x.ppt\r\n/Docs/y.ppt\r\n");
    EXPECT_FALSE(frm->txtBlank->isVisible());
    EXPECT_EQ(seen->seen.DialogTitle, "ファイルを開く");
    EXPECT_EQ(seen->seen.Flags, 2621956);
    EXPECT_EQ(seen->seen.MaxFileSize, 30720);

    // In the root folder no second separator is added.
    EXPECT_EQ(gui::OpenDialogPaths(std::string("/\0a.ppt", 7)), (std::vector<std::string>{"/a.ppt"}));
    EXPECT_EQ(gui::OpenDialogPaths("/one/file.pptx"), (std::vector<std::string>{"/one/file.pptx"}));
}

TEST_F(Window, CancelledOpenDialogChangesNothing) {
    Start();
    frm->SetOpenDialog(std::make_unique<FakeOpenDialog>(std::nullopt));
    frm->btnOpen_Click();
    EXPECT_EQ(frm->SourceText(), "");
    EXPECT_TRUE(frm->txtBlank->isVisible());
}

TEST_F(Window, ClearEmptiesBothBoxesAndBringsTheHintBack) {
    Start();
    frm->txtBlank_GotFocus();
    EXPECT_FALSE(frm->txtBlank->isVisible());
    frm->SetSourceText("a.pptx\r\n");
    frm->AppendLog("line\r\n");
    EXPECT_EQ(frm->LogText(), "line\r\n");
    frm->btnClear->click();
    EXPECT_EQ(frm->SourceText(), "");
    EXPECT_EQ(frm->LogText(), "");
    EXPECT_TRUE(frm->txtBlank->isVisible());
}

TEST_F(Window, WarningCoversTheLevelListDuringABatch) {
    Start();
    frm->ShowWarning(true);
    EXPECT_TRUE(frm->txtWarning->isVisible());
    EXPECT_EQ(frm->txtWarning->pos(), QPoint(frm->lblPPTRate->x(), frm->combRatio->y()));
    frm->ShowWarning(false);
    EXPECT_FALSE(frm->txtWarning->isVisible());
}

TEST_F(Window, OptionsResetAndDetailButton) {
    Start();
    gui::FrmOption& o = *frm->frmOption;
    o.chkObject->setChecked(false);
    EXPECT_EQ(rt->settings.OLE, 0);
    EXPECT_FALSE(o.btnObject->isVisibleTo(&o));
    o.chkObject->setChecked(true);
    EXPECT_TRUE(o.btnObject->isVisibleTo(&o));

    o.chkObject->setChecked(false);
    o.optPPTFolder[1]->setChecked(true);
    o.txtPPTFolder->setText("/elsewhere");
    o.chkFileSize->setChecked(false);
    o.chkKeepFileDate->setChecked(true);
    o.chkAllPictures->setChecked(true);
    o.combSameFilename->setCurrentIndex(1);
    EXPECT_EQ(rt->settings.AllPictures, 1);
    EXPECT_EQ(rt->settings.optPPTFolder, 1);
    EXPECT_EQ(rt->settings.SameFilename, 1);

    o.btnReset->click();
    const std::string desktop = rt->store.DesktopFolder();
    EXPECT_EQ(rt->settings.OLE, 1);
    EXPECT_TRUE(o.btnObject->isVisibleTo(&o));
    EXPECT_EQ(rt->settings.Movie, 1);
    EXPECT_TRUE(o.chkMovie->isChecked());
    EXPECT_TRUE(o.optPPTFolder[0]->isChecked());
    EXPECT_EQ(rt->settings.optPPTFolder, 0);
    EXPECT_EQ(rt->settings.PPTFolder, desktop);
    EXPECT_EQ(o.txtPPTFolder->text().toStdString(), desktop);
    EXPECT_EQ(rt->settings.MovieFolder, desktop);
    EXPECT_EQ(rt->settings.ShowFileSize, 1);
    EXPECT_EQ(rt->settings.KeepFileDate, 0);
    EXPECT_EQ(rt->settings.AllPictures, 0);
    EXPECT_FALSE(o.chkAllPictures->isChecked());
    EXPECT_EQ(o.combSameFilename->currentIndex(), 0);
    EXPECT_EQ(rt->settings.SameFilename, 0);
    EXPECT_TRUE(o.FrameHide->isVisibleTo(&o)); // the movie frame is shown
    EXPECT_TRUE(o.btnMovie->isVisibleTo(&o));
    EXPECT_FALSE(o.Frame2->isVisibleTo(&o));
}

TEST_F(Window, FolderButtonTakesThePickedFolderWithASeparator) {
    Start();
    gui::FrmOption& o = *frm->frmOption;
    o.txtPPTFolder->setText("/start/here");
    std::string initial, prompt;
    std::string answer = "/out";
    util::SetFolderChooser([&](const std::string& i, const std::string& p) {
        initial = i;
        prompt = p;
        return answer;
    });
    o.cmdBrowseFolderPPT->click();
    EXPECT_EQ(initial, "/start/here");
    EXPECT_EQ(prompt, "ﾀﾞｲｱﾛｸﾞを開く");
    EXPECT_EQ(rt->settings.PPTFolder, "/out/");
    EXPECT_EQ(rt->settings.optPPTFolder, 0); // picking does not select the option

    answer = ""; // cancelled
    o.cmdBrowseFolderPPT->click();
    EXPECT_EQ(rt->settings.PPTFolder, "/out/");
}

TEST_F(Window, ConversionListFalseValueLeavesTheOptionsUntilClicked) {
    Start();
    gui::FrmObject& d = *frm->frmObject;
    rt->oleList.AddToExceptionList("ZZApp", "False");
    d.RefreshLists();
    const auto& keys = rt->oleList.keys();
    auto row = [&](const std::string& k) {
        return static_cast<int>(std::find(keys.begin(), keys.end(), k) - keys.begin());
    };
    d.lstException->setCurrentRow(row("mplayer")); // 変換しない
    EXPECT_TRUE(d.optFormat[1]->isChecked());
    d.lstException->setCurrentRow(row("zzapp"));
    EXPECT_TRUE(d.optFormat[1]->isChecked());
    EXPECT_FALSE(d.optFormat[0]->isChecked());
    EXPECT_EQ(rt->oleList.ObjToImage("zzapp"), "False");
    d.optFormat[1]->click();
    EXPECT_EQ(rt->oleList.ObjToImage("zzapp"), "変換しない");
    d.optFormat[0]->click();
    EXPECT_EQ(rt->oleList.ObjToImage("zzapp"), "変換する");
    EXPECT_EQ(d.lstExceptionValue->item(row("zzapp"))->text(), QStringLiteral("変換する"));

    // Reset rebuilds the default list and ticks chkTwice.
    d.chkTwice->setChecked(false);
    EXPECT_EQ(rt->settings.Twice, 0);
    d.btnReset->click();
    EXPECT_EQ(rt->settings.Twice, 1);
    EXPECT_EQ(rt->oleList.ObjToImage("zzapp"), "変換する"); // gone: unknown keys convert
    EXPECT_EQ(std::find(keys.begin(), keys.end(), "zzapp"), keys.end());
    EXPECT_EQ(d.lstException->count(), static_cast<int>(keys.size()));
}

TEST(SupportLinks, CommandsAreSplitIntoProgramAndArguments) {
    using V = std::vector<std::string>;
    EXPECT_EQ(app::SplitCommand("\"C:\\Program Files\\b.exe\" -url \"%1\""),
              (V{"C:\\Program Files\\b.exe", "-url", "%1"}));
    EXPECT_EQ(app::SplitCommand("  a\t\"\" b\"c d\"e "), (V{"a", "", "bc de"}));
    EXPECT_TRUE(app::SplitCommand("   ").empty());

    const std::string address = app::SupportAddress("1_0_0");
    EXPECT_EQ(address, "https://quillmax.example/support/product.htm?k=kvrn_01&app=quillmax&ver=1_0_0"
                       "&lang=japanese");
    // Options and placeholders are dropped for the support page; a hyphen
    // inside the program's own name belongs to it.
    EXPECT_EQ(app::SupportArguments("\"/opt/my browser/run\" --new-window \"%1\"", "1_0_0"),
              (V{"/opt/my browser/run", address}));
    EXPECT_EQ(app::SupportArguments("xdg-open %s", "1_0_0"), (V{"xdg-open", address}));
    EXPECT_TRUE(app::SupportArguments("", "1_0_0").empty());
    EXPECT_TRUE(app::SupportArguments("-x", "1_0_0").empty());

    // The manual keeps the command; the path replaces %1 as one argument,
    // blanks, "&" and "%20" untouched, and is appended without a %1.
    const std::string manual = "/my apps/a&b%20c/マニュアル.pdf";
    EXPECT_EQ(app::ManualArguments("\"b r.exe\" -u \"%1\"", manual), (V{"b r.exe", "-u", manual}));
    EXPECT_EQ(app::ManualArguments("b --file=%1", manual), (V{"b", "--file=" + manual}));
    EXPECT_EQ(app::ManualArguments("xdg-open", manual), (V{"xdg-open", manual}));
    // A %1 inside the replaced path is not replaced again.
    EXPECT_EQ(app::ManualArguments("b %1", "/x%1y"), (V{"b", "/x%1y"}));
    EXPECT_EQ(app::VersionText(1, 0, 0), "1_0_0");
}

TEST_F(Window, HelpMenuStartsTheRegisteredBrowser) {
    Start();
    std::vector<std::vector<std::string>> started;
    bool succeed = true;
    frm->SetLauncher([&](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return succeed;
    });
    frm->mnuSupport_Click();
    frm->mnuManual_Click();
    ASSERT_EQ(started.size(), 2u);
    using V = std::vector<std::string>;
    EXPECT_EQ(started[0], (V{"xdg-open", app::SupportAddress(app::ProgramVersionText())}));
    EXPECT_EQ(started[1], (V{"xdg-open", programDir() + "/マニュアル.pdf"}));
    EXPECT_TRUE(frm->boxes.empty());

    succeed = false;
    frm->mnuSupport_Click();
    ASSERT_EQ(frm->boxes.size(), 1u);
    EXPECT_EQ(frm->boxes[0],
              "アプリケーション上からサポートページにアクセスできません。\r\nネットワークの状態を確認して下さい。");
}

// Waits for a file a detached child writes.
std::string AwaitFile(const fs::path& path) {
    for (int i = 0; i < 100 && !fs::exists(path); ++i) QThread::msleep(50);
    QThread::msleep(100); // the writer may still be writing
    return ReadAll(path.string());
}

TEST_F(Window, HelpLinksReachARealProgramWordForWordWithoutAShell) {
    // A program under a folder with a blank, a program folder with "&" and
    // "%20": each word must arrive whole, nothing interpreted.
    fs::create_directories(dir.path() / "my browser");
    const fs::path browser = dir.path() / "my browser" / "record";
    const fs::path out = dir.path() / "args.txt";
    {
        std::ofstream script(browser);
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" << out.string()
               << ".tmp\"\nmv \"" << out.string() << ".tmp\" \"" << out.string() << "\"\n";
    }
    fs::permissions(browser, fs::perms::owner_all);
    rt->registry.WriteRegistryText(settings::RegRoot::ClassesRoot, app::kBrowserCommandKey, "",
                                   "\"" + browser.string() + "\" --new-tab \"%1\"");
    const fs::path odd = dir.path() / "a&b%20c;$(touch x)";
    fs::create_directories(odd);
    TestWindow win(session, *rt, odd.string());
    session.view = &win;
    win.Form_Load(0);

    win.mnuSupport_Click();
    EXPECT_EQ(AwaitFile(out), app::SupportAddress(app::ProgramVersionText()) + "\n");
    EXPECT_TRUE(win.boxes.empty());
    fs::remove(out);

    win.mnuManual_Click();
    EXPECT_EQ(AwaitFile(out), "--new-tab\n" + (odd / "マニュアル.pdf").string() + "\n");
    EXPECT_FALSE(fs::exists(fs::current_path() / "x"));

    // A program that is not there: the support box, exactly; the manual stays silent.
    rt->registry.WriteRegistryText(settings::RegRoot::ClassesRoot, app::kBrowserCommandKey, "",
                                   "\"" + (dir.path() / "no such browser").string() + "\" %1");
    win.mnuManual_Click();
    EXPECT_TRUE(win.boxes.empty());
    win.mnuSupport_Click();
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0], app::kSupportFailureText);
    session.view = frm.get();
}

TEST(SupportLinks, InstalledManualIsFoundBesideTheSharedDocuments) {
    TempFolder dir;
    fs::create_directories(dir.path() / "usr/bin");
    fs::create_directories(dir.path() / "usr/share/doc/quillmax");
    const std::string bin = (dir.path() / "usr/bin").string();
    EXPECT_EQ(app::ManualPath(bin), bin + "/マニュアル.pdf"); // neither: beside the program
    std::ofstream(dir.path() / "usr/share/doc/quillmax/マニュアル.pdf") << "%PDF";
    EXPECT_EQ(app::ManualPath(bin), (dir.path() / "usr/share/doc/quillmax/マニュアル.pdf").string());
    std::ofstream(dir.path() / "usr/bin/マニュアル.pdf") << "%PDF";
    EXPECT_EQ(app::ManualPath(bin), bin + "/マニュアル.pdf");
}

TEST_F(Window, StopFromTheWindowEndsAfterTheCurrentSlide) {
    Start();
    std::string deck = dir.touch("deck.pptx", 50000);
    office.decks[deck] = [](FakePresentation& p) {
        for (int i = 0; i < 4; ++i) p.AddSlide()->AddShape("Rectangle 1", office::ppt::kShapeAuto);
    };
    // Delivered at the batch's first yield, like a click during the run.
    QTimer::singleShot(0, frm->btnStop, [this] {
        EXPECT_TRUE(frm->btnStop->isEnabled());
        EXPECT_TRUE(frm->txtWarning->isVisible());
        frm->btnStop->click();
    });
    frm->StartWithFiles({deck});
    EXPECT_EQ(frm->Status(), "圧縮中断");
    EXPECT_TRUE(frm->btnStart->isEnabled());
    EXPECT_FALSE(frm->btnStop->isEnabled());
    EXPECT_FALSE(frm->txtWarning->isVisible());
    EXPECT_FALSE(frm->txtBlank->isVisible());
    EXPECT_EQ(frm->SourceText(), deck + "\r\n");
}

TEST_F(Window, ClosingDuringABatchEndsTheProgramAndSaves) {
    Start();
    std::string deck = dir.touch("deck.pptx", 50000);
    office.decks[deck] = [](FakePresentation& p) {
        for (int i = 0; i < 4; ++i) p.AddSlide()->AddShape("Rectangle 1", office::ppt::kShapeAuto);
    };
    frm->combRatio->setCurrentIndex(2);
    QTimer::singleShot(0, frm.get(), [this] { frm->close(); });
    frm->StartWithFiles({deck});
    EXPECT_TRUE(frm->ended());
    EXPECT_FALSE(frm->running());
    EXPECT_EQ(Stored("Ratio"), "2");
}

// Once a modal T is up: its visible button texts (mnemonics dropped) into
// `texts`, then it is rejected. Polls, since a dialog may come up late.
template <typename T>
std::unique_ptr<QTimer> ReadButtonsWhenUp(QStringList& texts, bool& found) {
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout, [&texts, &found] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || found) return;
        found = true;
        for (QAbstractButton* b : modal->template findChildren<QAbstractButton*>()) {
            QString t = b->text();
            t.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
            if (b->isVisible() && !t.isEmpty()) texts << t;
        }
        modal->reject();
    });
    poll->start(20);
    return poll;
}

TEST_F(Window, QtButtonsAndDialogsSpeakJapanese) {
    // A window that ended the program earlier left Qt's quit flag set, which
    // would close every modal dialog at once; one turn of exec() clears it.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    Start();
    bool found = false;
    QStringList texts;
    {
        auto poll = ReadButtonsWhenUp<QMessageBox>(texts, found);
        EXPECT_EQ(frm->FrmMain::AskYesNoCancel("同一出力ﾌｧｲﾙが存在します", engine::Icon::Exclamation),
                  engine::Answer::Cancel);
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(texts, QStringList({"はい", "いいえ", "キャンセル"})) << gui::S(texts.join(','));

    found = false;
    texts.clear();
    {
        auto poll = ReadButtonsWhenUp<QFileDialog>(texts, found);
        EXPECT_FALSE(gui::QtOpenFileDialog().Show(frm.get(), gui::OpenDialogProperties{}).has_value());
    }
    ASSERT_TRUE(found);
    EXPECT_TRUE(texts.contains("開く")) << gui::S(texts.join(','));
    EXPECT_TRUE(texts.contains("キャンセル")) << gui::S(texts.join(','));
    EXPECT_FALSE(texts.contains("Open")) << gui::S(texts.join(','));
}

} // namespace
} // namespace quillmax::test
