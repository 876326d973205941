// File: gui/frm_main.cpp
#include "gui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QThread>

#include "app/batch_run.h"
#include "app/entry.h"
#include "app/office_apps.h"
#include "gui/twips.h"
#include "base/errors.h"
#include "settings/settings_store.h"
#include "settings/startup.h"

namespace quillmax::gui {
namespace {

constexpr int kProgressLeft = 4440; // twips

constexpr const char* kCloseOfficeWarning = "圧縮処理はパワーポイントを全て終了させてから行ってください。";

QLabel* MakeLabel(const char* text, QWidget* parent, int l, int t, int w, int h) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    Place(label, l, t, w, h);
    // The design heights are for a font with a short line; never clip.
    if (label->sizeHint().height() > label->height())
        label->resize(label->width(), label->sizeHint().height());
    return label;
}

template <typename Items>
void FillCombo(QComboBox* box, const Items& items) {
    QSignalBlocker block(box);
    box->clear();
    for (auto item : items) box->addItem(Q(std::string(item)));
}

QMessageBox::Icon BoxIcon(engine::Icon icon) {
    switch (icon) {
    case engine::Icon::Exclamation: return QMessageBox::Warning;
    case engine::Icon::Stop: return QMessageBox::Critical;
    case engine::Icon::Information: return QMessageBox::Information;
    case engine::Icon::Question: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

// No shell: every word reaches the program as it is.
bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i) args << Q(argv[i]);
    return QProcess::startDetached(Q(argv[0]), args);
}

} // namespace

FrmMain::FrmMain(app::Session& session, settings::SettingsRuntime& rt, std::string programFolder,
                 QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      rt_(rt),
      programFolder_(std::move(programFolder)),
      openDialog_(std::make_unique<QtOpenFileDialog>()),
      launcher_(StartDetached) {
    // Sizable, minimise but no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    setWindowTitle(Q(engine::kProgramTitle));
    BuildMenus();
    BuildControls();
    frmObject = new FrmObject(rt_, this);
    frmOption = new FrmOption(rt_, frmObject, this);
    frmMovieOption = new FrmMovieOption(rt_.settings, this);
    frmOption->frmMovieOption_ = frmMovieOption;
    aboutDialog = new AboutDialog(this);
    setFixedWidth(Px(kDesignWidth));
    setMinimumHeight(Px(kMinHeight));
    resize(Px(kDesignWidth), Px(settings::kDefaultFormHeight));
}

FrmMain::~FrmMain() = default;

void FrmMain::BuildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnuQuit = mnuFile->addAction(QStringLiteral("終了(&Q)"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuManual = mnuHelp->addAction(QStringLiteral("マニュアル(&M)"));
    mnuSupport = mnuHelp->addAction(QStringLiteral("サポート(&S)"));
    mnuHelp->addSeparator(); // mnuBarVer
    mnuAbout = mnuHelp->addAction(QStringLiteral("バージョン(&A)"));
    connect(mnuQuit, &QAction::triggered, this, [this] { close(); });
    connect(mnuManual, &QAction::triggered, this, [this] { mnuManual_Click(); });
    connect(mnuSupport, &QAction::triggered, this, [this] { mnuSupport_Click(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });
}

void FrmMain::BuildControls() {
    client = new QWidget(this);
    setCentralWidget(client);
    auto& st = rt_.settings;

    Label11 = MakeLabel("ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙの指定：　", client, 180, 600, 2025, 180);
    txtSource = new DropTextBox(client);
    txtSource->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Place(txtSource, 120, 840, 7215, 1395);
    txtBlank = new DropTextBox(client);
    txtBlank->setPlainText(FromCrLf(
        "\r\nこのスペースに、パワーポイントファイルを\r\n\r\nドラッグ＆ドロップしてください。\r\n"));
    txtBlank->setFont(JapaneseFont(12));
    txtBlank->setFrameShape(QFrame::NoFrame);
    txtBlank->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtBlank->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Place(txtBlank, 180, 900, 6855, 1275);
    TightenLines(txtBlank);

    btnOpen = new QPushButton(QStringLiteral("参照..."), client);
    btnOpen->setToolTip(QStringLiteral("ダイアログを開く"));
    Place(btnOpen, 7440, 840, 855, 435);
    btnClear = new QPushButton(QStringLiteral("クリア"), client);
    Place(btnClear, 7440, 1320, 855, 435);
    btnStart = new QToolButton(client);
    btnStart->setText(QStringLiteral("圧縮開始"));
    btnStart->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnStart->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Place(btnStart, 7320, 2280, 975, 675);
    lblPPTRate = MakeLabel("圧縮率：", client, 120, 2640, 630, 180);
    combRatio = new QComboBox(client);
    combRatio->setToolTip(QStringLiteral("図の圧縮率の指定"));
    Place(combRatio, 900, 2580, 1635, 300);
    lblFitSize = MakeLabel("目標ｻｲｽﾞ：", client, 2760, 2640, 900, 180);
    combFitSize = new QComboBox(client);
    combFitSize->setEditable(true);
    combFitSize->setToolTip(QStringLiteral(
        "出力ﾌｧｲﾙがこのｻｲｽﾞ以下になる最高の画質で圧縮します (例: 10MB、800KB)。空欄では使いません"));
    Place(combFitSize, 3660, 2580, 1335, 300);
    btnOption = new QPushButton(QStringLiteral("オプション"), client);
    btnOption->setToolTip(QStringLiteral("オプション設定"));
    Place(btnOption, 5340, 3000, 1635, 375);
    btnStop = new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), QStringLiteral("停止"), client);
    Place(btnStop, 7320, 3000, 975, 375);
    Label9 = MakeLabel("ﾛｸﾞ", client, 120, 3420, 240, 180);
    txtLog = new QPlainTextEdit(client);
    txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Place(txtLog, 120, kLogTop, 8235, 1035);
    lblMsg = MakeLabel("lblMsg", client, 120, 4800, 495, 180);
    // Right of the status texts, which grow to the left half at most.
    prgBatch = new QProgressBar(client);
    prgBatch->setTextVisible(true);
    prgBatch->setFormat(QStringLiteral("%v/%m"));
    Place(prgBatch, kProgressLeft, 4800, kDesignWidth - 250 - kProgressLeft - 120, 210);
    prgBatch->hide();
    txtWarning = new QTextEdit(client);
    txtWarning->setAcceptRichText(false);
    txtWarning->setPlainText(FromCrLf("圧縮処理中に他のソフトウェアを利用しないでください。\r\n\r\n"
                                      "他のソフトウェアを利用すると誤動作するおそれがあります。\r\n"));
    txtWarning->setToolTip(QStringLiteral(
        "圧縮処理にシステムクリップボードを多用するため、圧縮処理中に他のソフトウェアを利用すると"
        "誤動作するおそれがあります。"));
    txtWarning->setFont(JapaneseFont(11.25));
    txtWarning->setReadOnly(true);
    txtWarning->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Place(txtWarning, 900, 4920, 6915, 855);
    TightenLines(txtWarning);
    txtWarning->hide();
    PicLogo = new QLabel(client);
    PicLogo->setPixmap(ProductLogo(Px(1695), Px(795)));
    Place(PicLogo, 6600, 0, 1695, 795);

    // Hidden, parked to the right of the visible area; the lists hold live
    // settings.
    Frame1 = new QGroupBox(QStringLiteral("条件設定"), client);
    Place(Frame1, 9000, 600, 7500, 1500);
    Frame1->hide();
    combFileSize = new QComboBox(Frame1);
    combFileSize->setEditable(true);
    combFileSize->setToolTip(QStringLiteral("指定したﾌｧｲﾙｻｲｽﾞ以上の画像が変換対象となります"));
    Place(combFileSize, 120, 300, 855, 300);
    MakeLabel("KB以上の画像を", Frame1, 1020, 360, 1275, 180);
    MakeLabel("倍画質の", Frame1, 2340, 360, 720, 180);
    combFormat = new QComboBox(Frame1);
    combFormat->setToolTip(QStringLiteral("推奨形式はJPEGを主体とし適宜ﾒﾀﾋﾟｸﾁｬをﾐｯｸｽさせる形式です"));
    Place(combFormat, 3120, 300, 1335, 300);
    MakeLabel("に内部変換する", Frame1, 4500, 360, 1275, 180);
    MakeLabel("ﾌｧｲﾙｻｲｽﾞを", Frame1, 120, 720, 975, 180);
    combExpectRate = new QComboBox(Frame1);
    combExpectRate->setEditable(true);
    combExpectRate->setToolTip(QStringLiteral("ﾌｧｲﾙｻｲｽﾞが指定の大きさ以下に圧縮できた画像のみ変換します"));
    Place(combExpectRate, 1140, 660, 855, 300);
    MakeLabel("％以下に減らせる画像のみ変換する", Frame1, 2040, 720, 3000, 180);
    MakeLabel("表示ｻｲｽﾞが", Frame1, 120, 1080, 975, 180);
    combPixelSize = new QComboBox(Frame1);
    combPixelSize->setEditable(true);
    combPixelSize->setToolTip(QStringLiteral(
        "指定された表示ｻｲｽﾞより小さいｵﾌﾞｼﾞｪｸﾄを分解しないことで処理を高速化します"
        "(9999はｵﾌﾞｼﾞｪｸﾄを分解しません)"));
    Place(combPixelSize, 1140, 1020, 855, 300);
    MakeLabel("ﾋﾟｸｾﾙ以下のｵﾌﾞｼﾞｪｸﾄは分解しない", Frame1, 2040, 1080, 3000, 180);
    combType = new QComboBox(client);
    combType->setToolTip(QStringLiteral("動画の圧縮率の指定"));
    Place(combType, 10200, 2580, 1635, 300);
    combType->hide();
    lblMovieRate = MakeLabel("動画圧縮率：", client, 9000, 2640, 1095, 180);
    lblMovieRate->hide();
    picCheck = new QLabel(client);
    Place(picCheck, 9000, 3000, 1500, 1500);
    picCompare = new QLabel(client);
    Place(picCompare, 10600, 3000, 1500, 1500);
    PicSBS = new QLabel(client);
    PicSBS->setPixmap(ProductLogo(Px(1935), Px(795), true));
    Place(PicSBS, 6360, 0, 1935, 795);
    PicSBS->hide();

    // Controls write their record fields as they change.
    connect(combRatio, &QComboBox::currentIndexChanged, this, [&st](int i) { st.Ratio = i; });
    connect(combFormat, &QComboBox::currentIndexChanged, this, [&st](int i) { st.Format = i; });
    connect(combType, &QComboBox::currentIndexChanged, this, [&st](int i) { st.Encode = i; });
    connect(combFileSize, &QComboBox::currentTextChanged, this,
            [&st](const QString& t) { st.FileSize = S(t); });
    connect(combExpectRate, &QComboBox::currentTextChanged, this,
            [&st](const QString& t) { st.ExpectRate = S(t); });
    connect(combPixelSize, &QComboBox::currentTextChanged, this,
            [&st](const QString& t) { st.PixelSize = S(t); });
    connect(combFitSize, &QComboBox::currentTextChanged, this,
            [&st](const QString& t) { st.FitSize = S(t.trimmed()); });

    connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpen_Click(); });
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClear_Click(); });
    connect(btnStart, &QToolButton::clicked, this, [this] { btnStart_Click(); });
    connect(btnStop, &QPushButton::clicked, this, [this] { btnStop_Click(); });
    connect(btnOption, &QPushButton::clicked, this, [this] { btnOption_Click(); });
    connect(txtBlank, &DropTextBox::gotFocus, this, [this] { txtBlank_GotFocus(); });
    connect(txtBlank, &DropTextBox::dropped, this, [this](const QMimeData* d) { txtBlank_OLEDragDrop(d); });
    connect(txtSource, &DropTextBox::dropped, this, [this](const QMimeData* d) { txtSource_OLEDragDrop(d); });

    // The hint must not take the focus by itself when the window appears.
    btnOpen->setFocus();
}

void FrmMain::FillLists() {
    FillCombo(combFormat, settings::kFormatItems);
    FillCombo(combRatio, settings::kRatioItems);
    FillCombo(combFileSize, settings::kFileSizeItems);
    FillCombo(combExpectRate, settings::kExpectRateItems);
    FillCombo(combPixelSize, settings::kPixelSizeItems);
    FillCombo(combFitSize, settings::kFitSizeItems);
    FillCombo(combType, settings::kTypeItems);
    FillCombo(frmOption->combSameFilename, settings::kSameFilenameItems);
    for (QComboBox* box : {combFormat, combRatio, combType}) {
        QSignalBlocker block(box);
        box->setCurrentIndex(-1);
    }
}

void FrmMain::LoadMainControls() {
    const settings::Settings copy = rt_.settings; // the signals write the record back
    combFormat->setCurrentIndex(copy.Format);
    combRatio->setCurrentIndex(copy.Ratio);
    combFileSize->setCurrentText(Q(copy.FileSize));
    combExpectRate->setCurrentText(Q(copy.ExpectRate));
    combPixelSize->setCurrentText(Q(copy.PixelSize));
    combFitSize->setCurrentText(Q(copy.FitSize));
    // An index the list does not have stays as it was read.
    rt_.settings.Format = copy.Format;
    rt_.settings.Ratio = copy.Ratio;
    rt_.settings.FileSize = copy.FileSize;
    rt_.settings.ExpectRate = copy.ExpectRate;
    rt_.settings.PixelSize = copy.PixelSize;
    rt_.settings.FitSize = copy.FitSize;
}

void FrmMain::Form_Load(int pauseMs) {
    PicLogo->show();
    PicSBS->hide();
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(Q(engine::kProgramTitle));
    if (pauseMs > 0) QThread::msleep(static_cast<unsigned long>(pauseMs));
    FillLists();
    rt_.store.LoadSettingsFirstStage(rt_.settings);
    LoadMainControls();
    frmOption->LoadControls();
    frmObject->LoadControls();

    // From here on a failing step is skipped.
    auto skip = [](auto&& stepFn) {
        try {
            stepFn();
        } catch (const office::ProgramEnd&) {
            throw;
        } catch (const std::exception&) {
        }
    };
    skip([&] {
        rt_.store.LoadFormHeight(rt_.settings);
        resize(Px(kDesignWidth), Px(rt_.settings.FormHeight));
    });
    picCheck->hide();
    picCompare->hide();
    const QRect src(txtSource->geometry());
    txtBlank->setGeometry(src.x() + Px(60), src.y() + Px(60), src.width() - Px(360),
                          src.height() - Px(120));
    txtBlank->raise();
    show();
    SetStartEnabled(true);
    SetStopEnabled(false);
    SetStatus("");
    skip([&] { rt_.oleStore.initExceptionList(); });
    skip([&] {
        frmMovieOption->FillLists();
        rt_.store.LoadSettingsSecondStage(rt_.settings);
        frmMovieOption->LoadControls();
    });
    skip([&] {
        if (!app::CheckEnvironment(session_)) MessageBox(kCloseOfficeWarning, engine::Icon::Exclamation);
    });
    SetStatus("OK");
}

void FrmMain::StartWithFiles(const std::vector<std::string>& files) {
    RunGuarded([&] { app::StartWithArguments(session_, files); });
}

int FrmMain::HeightTwips() const { return Twips(height()); }

void FrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    Form_Resize();
}

void FrmMain::Form_Resize() {
    if (isMinimized() || inResize_) return;
    inResize_ = true;
    if (width() != Px(kDesignWidth)) resize(Px(kDesignWidth), height());
    if (HeightTwips() < kMinHeight) resize(width(), Px(kMinHeight));
    // Control tops are counted in the client area under the menu bar.
    const int windowHeight = height();
    lblMsg->move(lblMsg->x(), windowHeight - lblMsg->height() - Px(1000));
    prgBatch->move(prgBatch->x(), lblMsg->y() + (lblMsg->height() - prgBatch->height()) / 2);
    const int logHeight = windowHeight - txtLog->y() - Px(1300);
    if (logHeight > 0) txtLog->resize(txtLog->width(), logHeight);
    inResize_ = false;
}

void FrmMain::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}

void FrmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (session_.automation) {
        try {
            session_.automation->SystemClipboard().Clear();
        } catch (const std::exception&) {
        }
    }
    rt_.settings.FormHeight = HeightTwips();
    settings::Shutdown(rt_);
    // A running batch is abandoned at its next yield.
    if (running_)
        endRequested_ = true;
    else
        EndProgram(0);
}

void FrmMain::EndProgram(int code) {
    ended_ = true;
    exitCode_ = code;
    hide();
    QCoreApplication::exit(code);
}

void FrmMain::btnClear_Click() {
    txtSource->clear();
    txtLog->clear();
    prgBatch->hide();
    txtBlank->show();
    txtBlank->raise();
}

void FrmMain::btnOption_Click() { frmOption->exec(); }

void FrmMain::btnStart_Click() {
    RunGuarded([&] { app::btnStart_Click(session_); });
}

void FrmMain::RunGuarded(const std::function<void()>& run) {
    if (running_) return;
    running_ = true;
    try {
        run();
    } catch (const office::ProgramEnd& end) {
        running_ = false;
        EndProgram(end.code());
        return;
    } catch (const std::exception& failure) {
        // Nothing may leave the run unreported or leave the buttons dead.
        SetStartEnabled(true);
        SetStopEnabled(false);
        ShowWarning(false);
        SetStatus("圧縮中断");
        MessageBox(std::string("予期しないエラーが発生しました：") + failure.what(), engine::Icon::Stop);
    }
    running_ = false;
}

void FrmMain::btnStop_Click() { app::btnStop_Click(session_); }

void FrmMain::txtBlank_GotFocus() {
    txtBlank->hide();
    txtSource->setFocus();
}

void FrmMain::txtBlank_OLEDragDrop(const QMimeData* data) {
    txtBlank->hide();
    txtSource->setFocus();
    txtSource_OLEDragDrop(data);
}

void FrmMain::txtSource_OLEDragDrop(const QMimeData* data) {
    if (!data) return;
    // File managers here send a text form of the file list as well, so a
    // list of local files is taken as files before the text is looked at.
    const std::vector<std::string> items = DroppedFileItems(data);
    if (!items.empty()) {
        for (const auto& item : items) {
            try {
                InsertPaths(DroppedItemPaths({item}, session_.fileSystem));
            } catch (const std::exception&) {
                return; // the lines added so far stay
            }
        }
        return;
    }
    if (data->hasText()) txtSource->InsertSelText(data->text() + QChar('\n'));
}

void FrmMain::InsertPaths(const std::vector<std::string>& paths) {
    for (const auto& p : paths) txtSource->InsertSelText(Q(p) + QChar('\n'));
}

void FrmMain::btnOpen_Click() {
    const OpenDialogProperties props;
    std::optional<std::string> fileName = openDialog_ ? openDialog_->Show(this, props) : std::nullopt;
    if (!fileName) return;
    txtBlank->hide();
    txtSource->setFocus();
    txtSource->moveCursor(QTextCursor::End);
    InsertPaths(OpenDialogPaths(*fileName));
}

void FrmMain::mnuManual_Click() { app::mnuManual_Click(session_, programFolder_, launcher_); }

void FrmMain::mnuSupport_Click() { app::mnuSupport_Click(session_, launcher_); }

void FrmMain::mnuAbout_Click() {
    aboutDialog->show();
    aboutDialog->raise();
}

// ---------------------------------------------------------------- MainView

void FrmMain::AppendLog(const std::string& text) {
    txtLog->moveCursor(QTextCursor::End);
    txtLog->insertPlainText(FromCrLf(text));
    txtLog->ensureCursorVisible();
}

void FrmMain::ClearLog() { txtLog->clear(); }

std::string FrmMain::LogText() { return ToCrLf(txtLog->toPlainText()); }

void FrmMain::SetStatus(const std::string& text) {
    lblMsg->setText(Q(text));
    lblMsg->adjustSize();
}

std::string FrmMain::Status() { return S(lblMsg->text()); }

void FrmMain::SetStartEnabled(bool enabled) { btnStart->setEnabled(enabled); }

void FrmMain::SetStopEnabled(bool enabled) { btnStop->setEnabled(enabled); }

void FrmMain::ShowWarning(bool visible) {
    if (visible) {
        txtWarning->move(lblPPTRate->x(), combRatio->y());
        txtWarning->show();
        txtWarning->raise();
    } else {
        txtWarning->hide();
    }
}

std::string FrmMain::SourceText() { return ToCrLf(txtSource->toPlainText()); }

void FrmMain::SetSourceText(const std::string& text) { txtSource->setPlainText(FromCrLf(text)); }

void FrmMain::HideDropHint() { txtBlank->hide(); }

void FrmMain::SetCaption(const std::string& text) { setWindowTitle(Q(text)); }

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, engine::Icon icon,
                                            bool yesNoCancel) {
    const auto buttons = yesNoCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel : QMessageBox::Ok;
    auto box = std::make_unique<QMessageBox>(BoxIcon(icon), Q(engine::kProgramTitle), FromCrLf(text), buttons, parent);
    if (yesNoCancel) box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

void FrmMain::MessageBox(const std::string& text, engine::Icon icon) {
    MakeMessageBox(this, text, icon, false)->exec();
}

engine::Answer FrmMain::AskYesNoCancel(const std::string& text, engine::Icon icon) {
    switch (MakeMessageBox(this, text, icon, true)->exec()) {
    case QMessageBox::Yes: return engine::Answer::Yes;
    case QMessageBox::No: return engine::Answer::No;
    default: return engine::Answer::Cancel;
    }
}

std::optional<std::string> FrmMain::InputBox(const std::string& prompt, const std::string& title,
                                             const std::string& preset) {
    bool ok = false;
    QString answer = QInputDialog::getText(this, Q(title.empty() ? engine::kProgramTitle : title),
                                           FromCrLf(prompt), QLineEdit::Normal, Q(preset), &ok);
    if (!ok) return std::nullopt;
    return S(answer);
}

void FrmMain::DoEvents() {
    QCoreApplication::processEvents();
    if (endRequested_) {
        endRequested_ = false;
        throw office::ProgramEnd(0);
    }
}

void FrmMain::Beep() { QApplication::beep(); }

void FrmMain::ShowProgress(const engine::BatchProgress& p) {
    prgBatch->setRange(0, std::max(1, p.slidesTotal));
    prgBatch->setValue(std::min(p.slidesDone, std::max(1, p.slidesTotal)));
    prgBatch->setToolTip(p.finished ? QString() : Q(p.fileName));
    prgBatch->show();
}

}  // namespace quillmax::gui
