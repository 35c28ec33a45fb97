#pragma once

#include "forms/forms.h"
#include "main_window/schemes.h"
#include "platform/core/message_boxes.h"
#include "platform/qt/controls.h"
#include "platform/qt/lists.h"
#include "settings/settings_file.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>

#include <optional>

namespace plenarvo {

struct DecodedSlide;

// The main window: the drive, directory and file lists, the preview, the
// buttons, the timed-viewing controls, the Default Directory frame and the
// File, Options and Help menus. It is the program's start-up window.
class FrmImage : public Form {
    Q_OBJECT
public:
    static constexpr Window kWindow = Window::Image;

    explicit FrmImage(Forms& forms);
    ~FrmImage() override;

    // ---- controls (left to right, top to bottom as laid out) ----
    QWidget* client = nullptr;  // the client area; every position is relative to it
    QMenuBar* menuBar = nullptr;

    controls::Shape* Shape5 = nullptr;
    controls::Shape* Shape1 = nullptr;
    controls::Shape* Shape2 = nullptr;
    controls::Image* imgImage = nullptr;
    controls::Shape* Shape3 = nullptr;
    controls::Shape* Shape4 = nullptr;
    controls::Label* lblImage = nullptr;
    controls::Label* Label2 = nullptr;
    controls::Label* Label3 = nullptr;
    controls::Line* Line1 = nullptr;
    controls::Label* Label1 = nullptr;
    controls::Label* Label5 = nullptr;

    controls::DriveList* drvPic = nullptr;
    controls::DirList* dirPic = nullptr;
    controls::TextBox* txtFileCount = nullptr;
    controls::FileList* filPic = nullptr;
    QPushButton* cmdShow = nullptr;
    controls::PictureBox* picIcon = nullptr;
    QGroupBox* frmCredits = nullptr;
    QPushButton* cmdFullScreen = nullptr;
    QPushButton* cmdThumb = nullptr;
    controls::TextBox* txtSeconds = nullptr;
    controls::CheckBox* chkTimed = nullptr;
    QPushButton* cmdExit = nullptr;

    QGroupBox* frmDefault = nullptr;
    controls::Label* Label4 = nullptr;
    controls::TextBox* txtDefault = nullptr;
    QPushButton* cmdCDefault = nullptr;
    QPushButton* cmdHide = nullptr;

    platform::Timer* Timer1 = nullptr;  // the slide-show tick
    platform::Timer* Timer3 = nullptr;  // the end of the splash phase

    QMenu* mnuFile = nullptr;
    QMenu* mnuOpt = nullptr;
    QMenu* mnuHelp = nullptr;
    controls::MenuItem* mnuFileSaveAs = nullptr;
    controls::MenuItem* mnuFilePrint = nullptr;
    controls::MenuItem* mnuFileExit = nullptr;
    controls::MenuItem* mnuOptViewCon = nullptr;
    controls::MenuItem* mnuOptViewRnd = nullptr;
    controls::MenuItem* mnuOptDefDir = nullptr;
    controls::MenuItem* mnuOptBacGrnDef = nullptr;
    controls::MenuItem* mnuOptBacGrnPut = nullptr;
    controls::MenuItem* mnuOptBacGrnLitBlu = nullptr;
    controls::MenuItem* mnuOptBacGrnPur = nullptr;
    controls::MenuItem* mnuOptBacGrnGre = nullptr;
    controls::MenuItem* mnuHelpHelp = nullptr;
    controls::MenuItem* mnuHelpAbout = nullptr;

    // ---- start-up and shut-down ----
    void Form_Load() override;
    void Timer3_Timer();
    void cmdExit_Click();
    void mnuFileExit_Click();

    // ---- settings file ----
    // Reads the settings file and applies it; false when reading stopped early.
    bool LoadSettings();
    // Rewrites the settings file from the controls. A failed write leaves the
    // change in effect and tells the user once.
    void SaveSettings();
    settings::Record currentSettings() const;

    // ---- colour schemes ----
    // The scheme check marks in the scheme order.
    SchemeChecks schemeChecks() const;
    void ApplySchemeAtStartUp();
    // The Button Face scheme is the system's colour: when the system's colours
    // change, every window showing it takes the new one.
    void followSystemColours();
    controls::MenuItem* schemeItem(Scheme scheme) const;
    // Selecting a scheme from the Options menu.
    void selectScheme(Scheme scheme);
    void mnuOptBacGrnDef_Click();
    void mnuOptBacGrnGre_Click();
    void mnuOptBacGrnLitBlu_Click();
    void mnuOptBacGrnPur_Click();
    void mnuOptBacGrnPut_Click();

    // ---- browsing ----
    void drvPic_Change();
    void drvPic_GotFocus();
    void dirPic_Change();
    void dirPic_Click();
    // Whether the user's input on a folder list must be refused: so while timed
    // viewing is on, with the warning shown.
    bool refuseFolderChange();
    void filPic_DblClick();
    void SelectNextFile();
    // Opens the folder of a picture given when the program is started from a
    // file manager, selects it and previews it.
    void openGivenPicture(const QString& file);
    // A picture as above, or a folder, which opens.
    void openGiven(const QString& path);
    // What a drop of `data` on the window would open: one picture file or one
    // folder of the local file system; empty for anything else.
    static QString dropTarget(const QMimeData* data);

    // ---- preview ----
    void cmdShow_Click();
    // Loads the file into the preview: label first, then the picture. False
    // when the file could not be loaded; the preview then keeps its picture and
    // the label its name. Messages are left to the caller.
    bool loadPreview(const QString& path, const QString& name, QString* error);

    // ---- default directory ----
    void mnuOptDefDir_Click();
    void cmdCDefault_Click();
    void cmdHide_Click();

    // ---- full screen and thumbnails ----
    void cmdFullScreen_Click();
    void cmdThumb_Click();

    // ---- timed viewing and view order ----
    void chkTimed_Click();
    void Timer1_Timer();
    void txtSeconds_Change();
    void txtSeconds_Click();
    void txtSeconds_KeyPress(int& keyAscii);
    // Paste, cut, undo and the other edits that are not typed keys: the same
    // rules as for keys (the warning while the show runs, digits only).
    bool txtSeconds_OtherEdit(const QString& inserted);
    void showKeyPressError();
    void mnuOptViewCon_Click();
    void mnuOptViewRnd_Click();

    // ---- file and help commands ----
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    void picIcon_Click();

    // ---- what the other windows ask of it ----
    // The folder the file list shows.
    QString folder() const;
    enum class ViewOrderAfter { Kept, Consecutive };
    // Clears the timed-viewing box, which runs its handling when it was checked,
    // and repaints the window; the view order first goes back to consecutive
    // when asked.
    void endTimedViewing(ViewOrderAfter order = ViewOrderAfter::Kept);

    // The start picture the preview shows until a picture is opened. Made at
    // its own size, or drawn to fill `size` (device pixels on a high-density
    // screen).
    static QImage startPicture(QSize size = {});

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Drag and drop: a picture file opens like a picture given on the command
    // line, a folder opens, anything else is refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildPicturePanel();      // the decorations, the preview and the labels
    void buildListsAndCommands();  // the lists, the buttons and the timed-viewing controls
    void buildDefaultFrame();      // the Default Directory frame
    void buildMenus();
    // Each command group connects its own controls.
    void wireTimedViewing();
    void wireFileCommands();
    void wireHelpCommands();
    void wireSchemes();
    void wireThumbs();
    void wireDrops();
    void showMessage(const QString& text, const QString& title, platform::MessageIcon icon);

    // Set once a settings write failed, so the user is told only once.
    bool settingsWriteReported_ = false;

    // ---- timed viewing state ----
    qint16 secondsValue_ = 10;  // the interval in seconds last taken from txtSeconds
    qint16 fileCount_ = 0;      // filPic.ListCount as taken by the last chkTimed click
    // The show's next picture, decoded ahead on a worker; made on first use, a child
    // of this window.
    class SlideAhead* slideAhead_ = nullptr;
    // A picture of the show that could not be loaded, told once per show.
    QString showFailure_;
    bool showFailureTold_ = false;
    // A picture of the show being read on the worker, to be shown when it arrives.
    struct AwaitedSlide {
        QString name;
        QString path;
        QSize previewSize;
    };
    std::optional<AwaitedSlide> awaitedSlide_;
    bool tickHeld_ = false;   // a tick came while the picture on its way was read
    bool ShowSelectedFile();  // the show step: the selected file into the preview and the view
    void showSlide(const QString& name, const DecodedSlide& slide);
    void slideArrived();
    void ArmShow();    // the arming step: the timer on, the view shown
    void LookAhead();  // starts decoding the picture the next tick will show
    void TellShowFailure();
};

}  // namespace plenarvo
