// File: gui/dialogs.h
// The dialogs behind the main window: the options dialog frmOption, the
// OLE conversion list frmObject, the never-shown movie options window
// frmMovieOption and the About box. Each is created once, only ever hidden,
// and edits the live settings record directly (no cancel, no apply).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace quillmax::settings {
struct Settings;
struct SettingsRuntime;
}

namespace quillmax::gui {

// Check-box value (0, 1, or a stored 2 shown as the third state).
int CheckValue(const QCheckBox* box);
void SetCheckValue(QCheckBox* box, int value);

class FrmObject : public QDialog {
    Q_OBJECT
public:
    explicit FrmObject(settings::SettingsRuntime& rt, QWidget* parent = nullptr);

    // Shows the list model's current keys and values (the engine adds to
    // the model while the dialog is hidden).
    void RefreshLists();
    // Puts chkTwice in line with the record.
    void LoadControls();

    void lstException_Click();
    void optFormat_Click(int index);
    void btnReset_Click();

    QLabel* Label1;
    QListWidget* lstException;
    QListWidget* lstExceptionValue;
    QLabel* lblApp;
    QRadioButton* optFormat[2];
    QCheckBox* chkTwice;
    QPushButton* btnReset;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* e) override;

private:
    settings::SettingsRuntime& rt_;
};

class FrmOption : public QDialog {
    Q_OBJECT
public:
    FrmOption(settings::SettingsRuntime& rt, FrmObject* frmObject, QWidget* parent = nullptr);

    // Puts every control in line with the record (after loading, reset).
    void LoadControls();

    void chkObject_Click();
    void chkMovie_Click();
    void btnReset_Click();
    void cmdBrowseFolderPPT_Click();
    void cmdBrowseFolderMovie_Click();
    void btnObject_Click();

    QGroupBox* Frame3;
    QCheckBox* chkObject;
    QPushButton* btnObject;
    QGroupBox* Frame1;
    QRadioButton* optPPTFolder[2];
    QLineEdit* txtPPTFolder;
    QToolButton* cmdBrowseFolderPPT;
    QCheckBox* chkFileSize;
    QLabel* Label1;
    QComboBox* combSameFilename;
    QCheckBox* chkKeepFileDate;
    QCheckBox* chkAllPictures;
    QPushButton* btnReset;
    QPushButton* btnOK;
    QGroupBox* FrameHide;
    QLabel* Label2;
    QCheckBox* chkMovie;
    QPushButton* btnMovie;
    QGroupBox* Frame2;
    QRadioButton* optMovieFolder[2];
    QLineEdit* txtMovieFolder;
    QToolButton* cmdBrowseFolderMovie;
    QDialog* frmMovieOption_ = nullptr; // btnMovie opens it

private:
    void BrowseInto(QLineEdit* box, QToolButton* button);

    settings::SettingsRuntime& rt_;
    FrmObject* frmObject_;
    bool loading_ = false;
};

// Holds the two movie lists; nothing in the interface shows it.
class FrmMovieOption : public QDialog {
    Q_OBJECT
public:
    FrmMovieOption(settings::Settings& settings, QWidget* parent = nullptr);
    void FillLists();
    void LoadControls();

    QComboBox* combTarget;
    QComboBox* combCond;

private:
    settings::Settings& settings_;
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QPushButton* btnOK;
};

// A small drawn picture for logos, icons and the picture buttons.
QPixmap ProductLogo(int width, int height, bool alternative = false);
QIcon ProgramIcon();

}  // namespace quillmax::gui
