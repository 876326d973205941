// File: gui/dialogs.cpp
#include "gui/dialogs.h"

#include <QCloseEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "engine/view.h"
#include "engine/output_naming.h"
#include "gui/twips.h"
#include "settings/settings_store.h"
#include "settings/startup.h"
#include "util/folder_picker.h"

namespace quillmax::gui {

int CheckValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void SetCheckValue(QCheckBox* box, int value) {
    if (value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setCheckState(value ? Qt::Checked : Qt::Unchecked);
}

namespace {

// Client area in twips; dialogs keep their design size.
void FixClientSize(QDialog* d, int widthTwips, int heightTwips) {
    d->setFixedSize(Px(widthTwips), Px(heightTwips));
}

// A stored third state goes back to two states once the user clicks.
void TwoStateAfterClick(QCheckBox* box) {
    QObject::connect(box, &QCheckBox::clicked, box, [box] {
        if (box->isTristate() && box->checkState() != Qt::PartiallyChecked) box->setTristate(false);
    });
}

} // namespace

// ---------------------------------------------------------------- frmObject

FrmObject::FrmObject(settings::SettingsRuntime& rt, QWidget* parent) : QDialog(parent), rt_(rt) {
    setWindowTitle(QStringLiteral("詳細設定"));
    setWindowIcon(ProgramIcon());
    setModal(true);
    FixClientSize(this, 4275, 5520);

    Label1 = new QLabel(QStringLiteral("ﾊﾟｿｺﾝにｲﾝｽﾄｰﾙされているｱﾌﾟﾘｹｰｼｮﾝ毎に画像変換の有無を指定できます"), this);
    Label1->setWordWrap(true);
    Place(Label1, 120, 120, 3195, 435);
    lstException = new QListWidget(this);
    Place(lstException, 120, 720, 2775, 4380);
    lblApp = new QLabel(this);
    Place(lblApp, 120, 5220, 4035, 255);
    for (int i = 0; i < 2; ++i) {
        optFormat[i] = new QRadioButton(Q(settings::kOptFormatCaptions[i]), this);
        Place(optFormat[i], 3000, i == 0 ? 720 : 1080, 1155, 255);
        connect(optFormat[i], &QRadioButton::clicked, this, [this, i] { optFormat_Click(i); });
    }
    chkTwice = new QCheckBox(QStringLiteral("再圧縮"), this);
    chkTwice->setToolTip(QStringLiteral("圧縮効果が不十分な場合に再圧縮する"));
    Place(chkTwice, 3060, 3660, 915, 375);
    TwoStateAfterClick(chkTwice);
    connect(chkTwice, &QCheckBox::stateChanged, this,
            [this] { rt_.settings.Twice = CheckValue(chkTwice); });
    btnReset = new QPushButton(QStringLiteral("リセット"), this);
    Place(btnReset, 3060, 4140, 1095, 435);
    btnOK = new QPushButton(QStringLiteral("閉じる"), this);
    Place(btnOK, 3060, 4680, 1095, 435);
    // The value list stands outside the client area, parallel to the keys.
    lstExceptionValue = new QListWidget(this);
    Place(lstExceptionValue, 5640, 2280, 1215, 1000);
    lstExceptionValue->hide();

    for (QWidget* w : {static_cast<QWidget*>(optFormat[0]), static_cast<QWidget*>(optFormat[1]),
                       static_cast<QWidget*>(chkTwice)})
        FitText(w);

    connect(lstException, &QListWidget::currentRowChanged, this, [this] { lstException_Click(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { btnReset_Click(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::hide);
}

void FrmObject::LoadControls() {
    QSignalBlocker block(chkTwice);
    SetCheckValue(chkTwice, rt_.settings.Twice);
}

void FrmObject::RefreshLists() {
    const auto& keys = rt_.oleList.keys();
    const auto& values = rt_.oleList.values();
    int row = lstException->currentRow();
    {
        QSignalBlocker block(lstException);
        lstException->clear();
        for (const auto& k : keys) lstException->addItem(Q(k));
        if (row >= 0 && row < lstException->count()) lstException->setCurrentRow(row);
    }
    lstExceptionValue->clear();
    for (const auto& v : values) lstExceptionValue->addItem(Q(v));
}

void FrmObject::lstException_Click() {
    int index = lstException->currentRow();
    if (index < 0) return;
    auto selection = rt_.oleStore.lstException_Click(index);
    lblApp->setText(Q(selection.description));
    if (selection.option == 0 || selection.option == 1) optFormat[selection.option]->setChecked(true);
}

void FrmObject::optFormat_Click(int option) {
    int index = lstException->currentRow();
    rt_.oleStore.optFormat_Click(index, option);
    RefreshLists();
}

void FrmObject::btnReset_Click() {
    rt_.oleStore.btnReset_Click(rt_.settings);
    LoadControls();
    {
        QSignalBlocker block(lstException);
        lstException->setCurrentRow(-1);
    }
    RefreshLists();
}

void FrmObject::showEvent(QShowEvent* e) {
    RefreshLists();
    LoadControls();
    QDialog::showEvent(e);
}

// ---------------------------------------------------------------- frmOption

FrmOption::FrmOption(settings::SettingsRuntime& rt, FrmObject* frmObject, QWidget* parent)
    : QDialog(parent), rt_(rt), frmObject_(frmObject) {
    setWindowTitle(QStringLiteral("オプション設定"));
    setWindowIcon(ProgramIcon());
    setModal(true);
    FixClientSize(this, 7905, 5415); // room for the movie frame
    auto& st = rt_.settings;
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);

    Frame3 = new QGroupBox(QStringLiteral("圧縮対象の指定"), this);
    Place(Frame3, 120, 60, 7665, 855);
    chkObject = new QCheckBox(QStringLiteral("外部ｱﾌﾟﾘｹｰｼｮﾝﾃﾞｰﾀを画像に変換して圧縮"), Frame3);
    chkObject->setToolTip(QStringLiteral("他ｱﾌﾟﾘｹｰｼｮﾝで作成されたｵﾌﾞｼﾞｪｸﾄを画像に変換し圧縮します"));
    Place(chkObject, 180, 360, 3975, 300);
    btnObject = new QPushButton(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ毎に画像変換の有無を指定"), Frame3);
    btnObject->setToolTip(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ毎に画像変換の有無を指定します"));
    Place(btnObject, 4260, 300, 3255, 405);

    Frame1 = new QGroupBox(QStringLiteral("ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙの出力先ﾌｫﾙﾀﾞ"), this);
    Place(Frame1, 120, 1020, 7665, 1215);
    optPPTFolder[0] = new QRadioButton(Q(std::string(settings::kPPTFolderOptions[0])), Frame1);
    Place(optPPTFolder[0], 180, 330, 3975, 285);
    optPPTFolder[1] = new QRadioButton(Q(std::string(settings::kPPTFolderOptions[1])), Frame1);
    Place(optPPTFolder[1], 180, 750, 1335, 285);
    txtPPTFolder = new QLineEdit(Frame1);
    Place(txtPPTFolder, 1560, 720, 5415, 330);
    cmdBrowseFolderPPT = new QToolButton(Frame1);
    cmdBrowseFolderPPT->setIcon(folderIcon);
    cmdBrowseFolderPPT->setToolTip(QStringLiteral("ﾀﾞｲｱﾛｸﾞを開く"));
    Place(cmdBrowseFolderPPT, 7020, 690, 435, 390);

    chkFileSize = new QCheckBox(QStringLiteral("圧縮前ﾌｧｲﾙｻｲｽﾞを出力ﾌｧｲﾙ名に表記"), this);
    Place(chkFileSize, 300, 2370, 5055, 300);
    Label1 = new QLabel(QStringLiteral("同一出力ﾌｧｲﾙが存在する際の処理"), this);
    Place(Label1, 300, 2850, 2775, 240);
    combSameFilename = new QComboBox(this);
    Place(combSameFilename, 3120, 2790, 2415, 330);
    chkKeepFileDate = new QCheckBox(QStringLiteral("圧縮前ﾌｧｲﾙのﾌｧｲﾙ作成・更新日時を継承"), this);
    Place(chkKeepFileDate, 300, 3270, 5055, 300);
    chkAllPictures = new QCheckBox(QStringLiteral("名前に関係なくすべての画像を圧縮"), this);
    chkAllPictures->setToolTip(
        QStringLiteral("背景・ﾏｽﾀｰ・ﾚｲｱｳﾄ・塗りつぶしの画像も圧縮します"));
    Place(chkAllPictures, 300, 3630, 4800, 300);
    btnReset = new QPushButton(QStringLiteral("リセット"), this);
    Place(btnReset, 5220, 4830, 1215, 435);
    btnOK = new QPushButton(QStringLiteral("閉じる"), this);
    Place(btnOK, 6570, 4830, 1215, 435);

    // The movie frame: the check box and its method button are shown now
    // that movies are encoded; the movie output folder (stored only) stays hidden.
    FrameHide = new QGroupBox(QStringLiteral("動画の圧縮"), this);
    Place(FrameHide, 120, 3720, 7665, 855);
    Label2 = new QLabel(QStringLiteral("ﾊﾟﾜｰﾎﾟｲﾝﾄﾌｧｲﾙおよび埋め込み動画ﾌｧｲﾙの出力先ﾌｫﾙﾀﾞ"), FrameHide);
    Place(Label2, 120, 300, 7000, 240);
    Label2->hide();
    chkMovie = new QCheckBox(QStringLiteral("埋め込み動画を圧縮対象に含める"), FrameHide);
    chkMovie->setToolTip(QStringLiteral(
        "ﾊﾟﾜｰﾎﾟｲﾝﾄに埋め込まれている動画を圧縮対象に含めます (長時間かかることがあります)"));
    Place(chkMovie, 180, 360, 3975, 300);
    btnMovie = new QPushButton(QStringLiteral("埋め込み動画の圧縮方法を指定"), FrameHide);
    btnMovie->setToolTip(QStringLiteral("埋め込み動画の圧縮方法を指定します"));
    Place(btnMovie, 4260, 300, 3255, 405);
    Frame2 = new QGroupBox(QStringLiteral("動画ﾌｧｲﾙ単体圧縮時の動画出力先ﾌｫﾙﾀﾞ"), FrameHide);
    Place(Frame2, 120, 1140, 7425, 1215);
    Frame2->hide();
    optMovieFolder[0] = new QRadioButton(Q(std::string(settings::kMovieFolderOptions[0])), Frame2);
    Place(optMovieFolder[0], 180, 330, 3975, 285);
    optMovieFolder[1] = new QRadioButton(Q(std::string(settings::kMovieFolderOptions[1])), Frame2);
    Place(optMovieFolder[1], 180, 750, 1335, 285);
    txtMovieFolder = new QLineEdit(Frame2);
    Place(txtMovieFolder, 1560, 720, 5175, 330);
    cmdBrowseFolderMovie = new QToolButton(Frame2);
    cmdBrowseFolderMovie->setIcon(folderIcon);
    cmdBrowseFolderMovie->setToolTip(QStringLiteral("ﾀﾞｲｱﾛｸﾞを開く"));
    Place(cmdBrowseFolderMovie, 6780, 690, 435, 390);

    for (QWidget* w : std::initializer_list<QWidget*>{chkObject, optPPTFolder[0], optPPTFolder[1], chkFileSize,
                                                      chkKeepFileDate, chkAllPictures, chkMovie,
                                                      optMovieFolder[0],
                                                      optMovieFolder[1]})
        FitText(w);

    // Every control writes its record field as it changes.
    for (QCheckBox* box : {chkObject, chkMovie, chkFileSize, chkKeepFileDate, chkAllPictures})
        TwoStateAfterClick(box);
    connect(chkObject, &QCheckBox::stateChanged, this, [this, &st] {
        st.OLE = CheckValue(chkObject);
        chkObject_Click();
    });
    connect(chkMovie, &QCheckBox::stateChanged, this, [this, &st] {
        st.Movie = CheckValue(chkMovie);
        chkMovie_Click();
    });
    connect(chkFileSize, &QCheckBox::stateChanged, this,
            [this, &st] { st.ShowFileSize = CheckValue(chkFileSize); });
    connect(chkKeepFileDate, &QCheckBox::stateChanged, this,
            [this, &st] { st.KeepFileDate = CheckValue(chkKeepFileDate); });
    connect(chkAllPictures, &QCheckBox::stateChanged, this,
            [this, &st] { st.AllPictures = CheckValue(chkAllPictures); });
    for (int i = 0; i < 2; ++i) {
        connect(optPPTFolder[i], &QRadioButton::toggled, this, [&st, i](bool on) {
            if (on) st.optPPTFolder = i;
        });
        connect(optMovieFolder[i], &QRadioButton::toggled, this, [&st, i](bool on) {
            if (on) st.optMovieFolder = i;
        });
    }
    connect(txtPPTFolder, &QLineEdit::textChanged, this, [&st](const QString& t) { st.PPTFolder = S(t); });
    connect(txtMovieFolder, &QLineEdit::textChanged, this,
            [&st](const QString& t) { st.MovieFolder = S(t); });
    connect(combSameFilename, &QComboBox::currentIndexChanged, this,
            [this, &st](int i) { if (!loading_) st.SameFilename = i; });
    connect(cmdBrowseFolderPPT, &QToolButton::clicked, this, [this] { cmdBrowseFolderPPT_Click(); });
    connect(cmdBrowseFolderMovie, &QToolButton::clicked, this, [this] { cmdBrowseFolderMovie_Click(); });
    connect(btnObject, &QPushButton::clicked, this, [this] { btnObject_Click(); });
    connect(btnMovie, &QPushButton::clicked, this, [this] {
        if (frmMovieOption_) frmMovieOption_->exec();
    });
    connect(btnReset, &QPushButton::clicked, this, [this] { btnReset_Click(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::hide);

    // The list's items come first: they are there before any value is loaded.
    loading_ = true;
    for (auto item : settings::kSameFilenameItems) combSameFilename->addItem(Q(std::string(item)));
    combSameFilename->setCurrentIndex(-1);
    loading_ = false;
}

void FrmOption::LoadControls() {
    const auto& st = rt_.settings;
    const settings::Settings copy = st; // the signals below write the record back
    SetCheckValue(chkObject, copy.OLE);
    chkObject_Click();
    SetCheckValue(chkMovie, copy.Movie);
    chkMovie_Click();
    SetCheckValue(chkFileSize, copy.ShowFileSize);
    SetCheckValue(chkKeepFileDate, copy.KeepFileDate);
    SetCheckValue(chkAllPictures, copy.AllPictures);
    optPPTFolder[copy.optPPTFolder == 0 ? 0 : 1]->setChecked(true);
    optMovieFolder[copy.optMovieFolder == 0 ? 0 : 1]->setChecked(true);
    txtPPTFolder->setText(Q(copy.PPTFolder));
    txtMovieFolder->setText(Q(copy.MovieFolder));
    loading_ = true;
    combSameFilename->setCurrentIndex(copy.SameFilename);
    loading_ = false;
    // An index the list does not have stays as it was read.
    rt_.settings.SameFilename = copy.SameFilename;
    rt_.settings.optPPTFolder = copy.optPPTFolder;
    rt_.settings.optMovieFolder = copy.optMovieFolder;
}

void FrmOption::chkObject_Click() { btnObject->setVisible(CheckValue(chkObject) == 1); }

void FrmOption::chkMovie_Click() { btnMovie->setVisible(CheckValue(chkMovie) == 1); }

void FrmOption::btnReset_Click() {
    auto& st = rt_.settings;
    st.OLE = 1;
    st.Movie = 1;
    st.optPPTFolder = 0;
    st.optMovieFolder = 0;
    std::string desktop = rt_.store.DesktopFolder();
    st.PPTFolder = desktop;
    st.MovieFolder = desktop;
    st.ShowFileSize = 1;
    st.KeepFileDate = 0;
    st.AllPictures = 0;
    st.SameFilename = 0;
    LoadControls();
}

void FrmOption::BrowseInto(QLineEdit* box, QToolButton* button) {
    std::string chosen = util::BrowseForFolder(S(box->text()), S(button->toolTip()));
    if (chosen.empty()) return;
    box->setText(Q(engine::AddPathSep(chosen)));
}

void FrmOption::cmdBrowseFolderPPT_Click() { BrowseInto(txtPPTFolder, cmdBrowseFolderPPT); }

void FrmOption::cmdBrowseFolderMovie_Click() { BrowseInto(txtMovieFolder, cmdBrowseFolderMovie); }

void FrmOption::btnObject_Click() {
    if (frmObject_) frmObject_->exec();
}

// ----------------------------------------------------------- frmMovieOption

FrmMovieOption::FrmMovieOption(settings::Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("埋め込み動画の圧縮方法を指定"));
    setWindowIcon(ProgramIcon());
    setModal(true);
    FixClientSize(this, 4740, 1050);
    combTarget = new QComboBox(this);
    Place(combTarget, 120, 120, 4500, 330);
    combCond = new QComboBox(this);
    Place(combCond, 120, 600, 4500, 330);
    connect(combTarget, &QComboBox::currentIndexChanged, this,
            [this](int i) { settings_.MovieTarget = i; });
    connect(combCond, &QComboBox::currentIndexChanged, this, [this](int i) { settings_.MovieCond = i; });
}

void FrmMovieOption::FillLists() {
    QSignalBlocker a(combTarget), b(combCond);
    combTarget->clear();
    for (auto item : settings::kTargetItems) combTarget->addItem(Q(std::string(item)));
    combCond->clear();
    for (auto item : settings::kCondItems) combCond->addItem(Q(std::string(item)));
}

void FrmMovieOption::LoadControls() {
    QSignalBlocker a(combTarget), b(combCond);
    combTarget->setCurrentIndex(settings_.MovieTarget);
    combCond->setCurrentIndex(settings_.MovieCond);
}

// -------------------------------------------------------------- AboutDialog

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowIcon(ProgramIcon());
    setModal(false);
    setFixedSize(Px(5400), Px(2700));
    auto* logo = new QLabel(this);
    logo->setPixmap(ProductLogo(Px(1695), Px(795)));
    Place(logo, 240, 240, 1695, 795);
    lblTitle = new QLabel(Q(engine::kProgramTitle), this);
    lblTitle->setFont(JapaneseFont(14));
    Place(lblTitle, 2160, 240, 3000, 420);
    lblVersion = new QLabel(QStringLiteral("バージョン ") + QStringLiteral(QUILLMAX_VERSION), this);
    Place(lblVersion, 2160, 720, 3000, 300);
    lblDescription = new QLabel(
        QStringLiteral("パワーポイントファイルの図やオブジェクトを軽い画像に置き換え、"
                       "見た目と動きを保ったままファイルサイズを小さくします。"),
        this);
    lblDescription->setWordWrap(true);
    Place(lblDescription, 240, 1200, 4920, 720);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    Place(btnOK, 3960, 2040, 1200, 420);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::hide);
}

// ------------------------------------------------------------------ pictures

QPixmap ProductLogo(int width, int height, bool alternative) {
    QPixmap pm(width, height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, alternative ? QColor(90, 90, 90) : QColor(32, 96, 176));
    g.setColorAt(1, alternative ? QColor(160, 160, 160) : QColor(64, 176, 208));
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, width - 2, height - 2), height / 6.0, height / 6.0);
    p.fillPath(path, g);
    p.setPen(Qt::white);
    QFont f = JapaneseFont(10);
    f.setBold(true);
    f.setPixelSize(std::max(8, std::min(height * 2 / 5, width * 8 / 70)));
    p.setFont(f);
    p.drawText(QRect(0, 0, width, height * 2 / 3), Qt::AlignCenter, Q(engine::kProgramTitle));
    QFont s = f;
    s.setBold(false);
    s.setPixelSize(std::max(6, std::min(height / 4, width / 8)));
    p.setFont(s);
    p.drawText(QRect(0, height / 2, width, height / 2), Qt::AlignCenter, QStringLiteral("Quillmax"));
    return pm;
}

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(32, 96, 176));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setPen(QPen(Qt::white, 3));
        p.drawEllipse(QRectF(7, 7, 16, 16));
        p.drawLine(QPointF(19, 19), QPointF(26, 26));
        return QIcon(pm);
    }();
    return icon;
}

}  // namespace quillmax::gui
