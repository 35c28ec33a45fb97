#include "main_window/frm_image.h"

#include "full_view/frm_full_view.h"
#include "main_window/artwork.h"
#include "platform/core/message_boxes.h"
#include "platform/core/twips.h"
#include "thumbnails/frm_thumb.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace plenarvo {

using controls::fromBgr;
using controls::makeFont;
using controls::place;
using controls::setBackground;

namespace {

QPushButton* makeButton(QWidget* parent, const QString& caption, const QString& tip) {
    auto* button = new controls::Button(caption, parent);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

controls::Label* makeLabel(QWidget* parent, const QString& caption, double points, bool bold,
                           Qt::Alignment align) {
    auto* label = new controls::Label(caption, parent);
    label->setFont(makeFont(QStringLiteral("MS Sans Serif"), points, bold));
    label->setAlignment(align | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

}  // namespace

FrmImage::FrmImage(Forms& forms) : Form(forms) {
    setWindowTitle(QStringLiteral("Plenarvo"));
    setWindowIcon(QIcon(QPixmap::fromImage(iconPicture())));
    setObjectName(QStringLiteral("frmImage"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar = new QMenuBar(this);
    layout->setMenuBar(menuBar);
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFont(makeFont(QStringLiteral("MS Sans Serif"), 9.75, true));
    layout->addWidget(client);
    // Restored, the client area is 8310 x 8040 twips at 2730, 2400 on the screen.
    setGeometry(QRect(twips::point(2730, 2400), twips::size(8310, 8040)));

    buildControls();
    buildMenus();
    setBackground(client, fromBgr(0x8000000F));

    // The timers: the slide-show tick, and the one-shot end of the splash phase,
    // which starts counting now that the window is loaded.
    Timer1 = makeTimer(10000, false, {});
    Timer3 = makeTimer(3000, true, [this] { Timer3_Timer(); });

    drvPic->onChange = [this] { drvPic_Change(); };
    drvPic->onGotFocus = [this] { drvPic_GotFocus(); };
    dirPic->onChange = [this] { dirPic_Change(); };
    dirPic->onClick = [this] { dirPic_Click(); };
    drvPic->refuseInput = [this] { return refuseFolderChange(); };
    dirPic->refuseInput = [this] { return refuseFolderChange(); };
    dirPic->onOpenFailed = [this](const QString& error) {
        showMessage(error, QStringLiteral("Folder Not Opened"), platform::MessageIcon::Exclamation);
    };
    filPic->onDblClick = [this] { filPic_DblClick(); };
    connect(cmdShow, &QPushButton::clicked, this, [this] { cmdShow_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    connect(cmdFullScreen, &QPushButton::clicked, this, [this] { cmdFullScreen_Click(); });
    connect(cmdCDefault, &QPushButton::clicked, this, [this] { cmdCDefault_Click(); });
    connect(cmdHide, &QPushButton::clicked, this, [this] { cmdHide_Click(); });
    mnuFileExit->onClick = [this] { mnuFileExit_Click(); };
    mnuOptDefDir->onClick = [this] { mnuOptDefDir_Click(); };
    wireTimedViewing();
    wireFileCommands();
    wireHelpCommands();
    wireSchemes();
    wireThumbs();
    wireDrops();

    qApp->installEventFilter(this);
}

FrmImage::~FrmImage() {
    qApp->removeEventFilter(this);
}

void FrmImage::buildControls() {
    // Created from back to front: the lightweight controls, then the windowed
    // ones, which are always above them.
    buildPicturePanel();
    buildListsAndCommands();
    buildDefaultFrame();

    // Only the lists, buttons, check box and text boxes take the focus.
    for (QWidget* w : std::initializer_list<QWidget*>{imgImage, picIcon, frmCredits, frmDefault}) {
        w->setFocusPolicy(Qt::NoFocus);
    }
    QWidget* order[] = {filPic,     drvPic,        dirPic,   cmdExit,    cmdShow,     chkTimed,
                        txtSeconds, cmdFullScreen, cmdThumb, txtDefault, cmdCDefault, cmdHide};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    filPic->setFocus();
}

void FrmImage::buildPicturePanel() {
    QWidget* c = client;
    Shape5 = new controls::Shape(c, fromBgr(0xFF0000), fromBgr(0xFF0000));
    place(Shape5, -120, 0, 9135, 24950);
    Shape1 = new controls::Shape(c, fromBgr(0xFF00FF), fromBgr(0xC00000));
    place(Shape1, 360, 360, 7575, 6975);
    Shape2 = new controls::Shape(c, fromBgr(0xFF0000), fromBgr(0xFF0000));
    place(Shape2, 600, 600, 7095, 6495);
    imgImage = new controls::Image(c);
    imgImage->setObjectName(QStringLiteral("imgImage"));
    place(imgImage, 720, 720, 6855, 6255);
    imgImage->setPicture(pictures::Picture::fromImage(startPicture()),
                         startPicture(imgImage->pixelSize()));
    Shape3 = new controls::Shape(c, fromBgr(0xFFFF80), fromBgr(0xFFFF00));
    place(Shape3, 8280, 0, 18295, 24950);
    Shape4 = new controls::Shape(c, fromBgr(0xFF0000), fromBgr(0xFF0000));
    place(Shape4, 2160, 7440, 3615, 615);
    lblImage = makeLabel(c, QStringLiteral("Pick a picture"), 9.75, true, Qt::AlignHCenter);
    lblImage->setToolTip(QStringLiteral("The viewed pictures file name."));
    lblImage->setFrameShape(QFrame::Box);
    lblImage->setWordWrap(false);
    setBackground(lblImage, fromBgr(0xFFFFC0));
    place(lblImage, 2280, 7560, 3375, 375);
    Label2 = makeLabel(c, QStringLiteral("Picture Files: ="), 12, true, Qt::AlignLeft);
    place(Label2, 12360, 3240, 1935, 375);
    Label3 = makeLabel(c, QStringLiteral("Directories:"), 12, true, Qt::AlignHCenter);
    place(Label3, 8760, 3240, 2175, 375);
    Line1 = new controls::Line(c, fromBgr(0xFF0000));
    Line1->setGeometry(twips::toPixels(8280) - 2, 0, 5, twips::toPixels(18550));
    Label1 = makeLabel(c, QStringLiteral("Drives:"), 12, true, Qt::AlignHCenter);
    place(Label1, 8640, 1800, 2175, 375);
    Label5 = makeLabel(c, QStringLiteral("Input from 1 to 99 seconds for viewing with timed view!"),
                       12, false, Qt::AlignHCenter);
    Label5->setFont(makeFont(QStringLiteral("Georgia"), 12, false, true, QFont::Serif));
    place(Label5, 9960, 8640, 3255, 615);
}

void FrmImage::buildListsAndCommands() {
    QWidget* c = client;
    frmCredits = new QGroupBox(QStringLiteral("By the Plenarvo developers"), c);
    frmCredits->setFont(
        makeFont(QStringLiteral("Comic Sans MS"), 8.25, true, true, QFont::Cursive));
    setBackground(frmCredits, fromBgr(0xFFFFC0));
    place(frmCredits, 12000, 720, 2775, 1815);
    picIcon = new controls::PictureBox(c, true);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    place(picIcon, 12480, 960, 1815, 1365);
    picIcon->setPicture(pictures::Picture::fromImage(logoPicture()),
                        logoPicture((QSizeF(121, 91) * devicePixelRatioF()).toSize()));

    drvPic = new controls::DriveList(*forms_.platform().drives, c);
    drvPic->setFont(makeFont(QStringLiteral("MS Sans Serif"), 12));
    place(drvPic, 8640, 2160, 2295, 420);
    drvPic->showDriveOf(QDir::currentPath());
    dirPic = new controls::DirList(c);
    dirPic->setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25));
    dirPic->tag = forms_.platform().fallbackFolder;
    place(dirPic, 8640, 3720, 2415, 4815);
    txtFileCount = new controls::TextBox(QStringLiteral("0"), c);
    txtFileCount->setToolTip(QStringLiteral("Count of Image Files in open directory."));
    txtFileCount->setFont(makeFont(QStringLiteral("MS Sans Serif"), 13.5, true));
    txtFileCount->setAlignment(Qt::AlignCenter);
    txtFileCount->setReadOnly(true);
    txtFileCount->setFocusPolicy(Qt::NoFocus);
    setBackground(txtFileCount, fromBgr(0xFFFF80));
    place(txtFileCount, 14280, 3195, 735, 480);
    filPic = new controls::FileList(c);
    filPic->setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25));
    place(filPic, 12360, 3720, 2655, 4905);
    cmdShow = makeButton(c, QStringLiteral("&Show Image"),
                         QStringLiteral("Select an Image and click this button or double click "
                                        "on the file"));
    place(cmdShow, 11160, 4320, 1095, 615);
    cmdFullScreen = makeButton(c, QStringLiteral("F&ull Screen"),
                               QStringLiteral("Opens picture to its natural full size"));
    place(cmdFullScreen, 4920, 8280, 1095, 735);
    cmdThumb = makeButton(c, QStringLiteral("S&how Thumbs"),
                          QStringLiteral("View thumbnails from Picture files Box up to the first "
                                         "755 images of a chosen directory. "));
    place(cmdThumb, 1800, 8280, 1095, 735);
    // Its Alt+H is shared with the Help menu, which takes the first press.
    cmdThumb->setShortcut(QKeySequence());
    txtSeconds = new controls::TextBox(QStringLiteral("10"), c);
    txtSeconds->tag = QStringLiteral("10");
    txtSeconds->setMaxLength(2);
    txtSeconds->setToolTip(QStringLiteral("Input time to view pictures"));
    txtSeconds->setFont(makeFont(QStringLiteral("MS Sans Serif"), 24, true));
    place(txtSeconds, 9000, 8640, 735, 675);
    chkTimed = new controls::CheckBox(QStringLiteral("Check for Consecutive Timed viewing"), c);
    chkTimed->setToolTip(
        QStringLiteral("Check to show picture files at the time value above. See "
                       "Options Menu For Random Viewing."));
    chkTimed->setFont(makeFont(QStringLiteral("Georgia"), 12, false, true, QFont::Serif));
    setBackground(chkTimed, fromBgr(0xFFFFC0));
    place(chkTimed, 9000, 9480, 2055, 735);
    cmdExit = makeButton(c, QStringLiteral("E&xit"), QStringLiteral("Exit Plenarvo Viewer"));
    place(cmdExit, 12480, 9480, 1455, 615);
}

void FrmImage::buildDefaultFrame() {
    frmDefault = new QGroupBox(
        QStringLiteral("Click Save to make currently open Directory the Default"), client);
    setBackground(frmDefault, fromBgr(0x8000000F));
    place(frmDefault, 1200, 0, 6855, 615);
    Label4 = makeLabel(frmDefault, QStringLiteral("Path:"), 9.75, true, Qt::AlignLeft);
    place(Label4, 0, 240, 615, 375);
    txtDefault = new controls::TextBox(frmDefault);
    txtDefault->setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25));
    txtDefault->tag = QStringLiteral("");
    txtDefault->setMaxLength(4096);  // a path, never more
    place(txtDefault, 600, 240, 4575, 360);
    cmdCDefault = makeButton(frmDefault, QStringLiteral("Save"), QString());
    place(cmdCDefault, 5280, 240, 735, 255);
    cmdHide = makeButton(frmDefault, QStringLiteral("Hide"), QString());
    cmdHide->setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    place(cmdHide, 6120, 240, 615, 255);
    frmDefault->hide();
}

void FrmImage::buildMenus() {
    auto item = [](QMenu* menu, const QString& caption, bool checkable) {
        return new controls::MenuItem(menu->addAction(caption), checkable);
    };
    QMenu* file = mnuFile = menuBar->addMenu(QStringLiteral("&File"));
    mnuFileSaveAs = item(file, QStringLiteral("&SaveAs"), false);
    mnuFilePrint = item(file, QStringLiteral("&Print"), false);
    file->addSeparator();
    mnuFileExit = item(file, QStringLiteral("E&xit"), false);

    QMenu* options = mnuOpt = menuBar->addMenu(QStringLiteral("&Options"));
    QMenu* view = options->addMenu(QStringLiteral("&View Order"));
    mnuOptViewCon = item(view, QStringLiteral("&Consecutive Viewing"), true);
    mnuOptViewCon->setChecked(true);
    mnuOptViewRnd = item(view, QStringLiteral("&Random Viewing"), true);
    mnuOptDefDir = item(options, QStringLiteral("&Default Directory"), false);
    QMenu* colours = options->addMenu(QStringLiteral("&Background Color"));
    mnuOptBacGrnDef = item(colours, QStringLiteral("Default Color (Dark Blue)"), true);
    mnuOptBacGrnDef->setChecked(true);
    mnuOptBacGrnPut = item(colours, QStringLiteral("Button Face (Putty)"), true);
    mnuOptBacGrnLitBlu = item(colours, QStringLiteral("Teal  (Light Blue)"), true);
    mnuOptBacGrnPur = item(colours, QStringLiteral("Hot Maroon (Purple)"), true);
    mnuOptBacGrnGre = item(colours, QStringLiteral("Neon (Green)"), true);

    QMenu* help = mnuHelp = menuBar->addMenu(QStringLiteral("&Help"));
    mnuHelpHelp = item(help, QStringLiteral("&Help"), false);
    mnuHelpHelp->action()->setShortcut(QKeySequence(Qt::Key_F1));
    mnuHelpHelp->action()->setShortcutContext(Qt::WindowShortcut);
    mnuHelpAbout = item(help, QStringLiteral("&About"), false);
}

// ---- start-up and shut-down ----

void FrmImage::Form_Load() {
    LoadSettings();
    txtDefault->tag = txtDefault->text();
    forms_.form(Window::Splash).show();  // the first reference loads it
    forms_.form(Window::FullView);       // loaded without being shown
    QString error;
    if (!dirPic->setPath(txtDefault->tag, &error)) {
        // The saved default folder is gone, or none was saved: open the fallback.
        if (!dirPic->setPath(dirPic->tag, &error)) {
            dirPic->setPath(QStringLiteral("/"), &error);
        }
    }
    txtFileCount->setText(QString::number(filPic->listCount()));
}

void FrmImage::Timer3_Timer() {
    Form& splash = forms_.form(Window::Splash);
    splash.raise();
    Timer3->setEnabled(false);
    showMaximized();
    splash.hide();
    if (forms_.isLoaded(Window::FullView)) {
        forms_.form(Window::FullView).hide();
    }
    raise();
    activateWindow();
}

void FrmImage::cmdExit_Click() {
    forms_.endProgram();
}

void FrmImage::mnuFileExit_Click() {
    forms_.endProgram();
}

void FrmImage::closeEvent(QCloseEvent* event) {
    event->accept();
    forms_.endProgram();
}

bool FrmImage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange && (watched == this || watched == qApp)) {
        followSystemColours();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    // Alt+H names both the Help menu and "Show Thumbs": the first press opens the
    // menu, a second press while it is open closes it and presses the button.
    if (QApplication::activePopupWidget() == mnuHelp) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) {
            return true;  // the Alt of a second Alt+H must not close the menu first
        }
        if (key->key() == Qt::Key_H && (key->modifiers() & Qt::AltModifier)) {
            mnuHelp->close();
            cmdThumb->click();
            return true;
        }
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this || qobject_cast<QMenuBar*>(widget)) {
        return false;  // a menu in keyboard mode takes its own Esc and Enter
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    if (key->key() == Qt::Key_Escape) {
        // Exit is the window's cancel button.
        cmdExit->click();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // The key goes to the widget with the focus.
        if (widget == dirPic || dirPic->isAncestorOf(widget)) {
            return false;  // Enter opens the folder
        }
        // Enter presses the focused button, otherwise the default button.
        if (auto* button = qobject_cast<QPushButton*>(widget); button && button->isVisible()) {
            button->click();
        } else {
            cmdShow->click();
        }
        return true;
    }
    return false;
}

void FrmImage::showMessage(const QString& text, const QString& title, platform::MessageIcon icon) {
    forms_.platform().messages->show(text, title, icon);
}

// ---- settings file ----

settings::Record FrmImage::currentSettings() const {
    settings::Record record;
    record.defaultDirectory = txtDefault->text();
    record.flags[settings::SchemeDarkBlue] = mnuOptBacGrnDef->checked();
    record.flags[settings::SchemePutty] = mnuOptBacGrnPut->checked();
    record.flags[settings::SchemeTeal] = mnuOptBacGrnLitBlu->checked();
    record.flags[settings::SchemeHotMaroon] = mnuOptBacGrnPur->checked();
    record.flags[settings::SchemeNeon] = mnuOptBacGrnGre->checked();
    record.flags[settings::ViewRandom] = mnuOptViewRnd->checked();
    record.flags[settings::ViewConsecutive] = mnuOptViewCon->checked();
    return record;
}

bool FrmImage::LoadSettings() {
    const settings::ReadResult read = settings::readFile(forms_.platform().settingsPath);
    using Status = settings::ReadResult::Status;
    if (read.status == Status::Unreadable || read.status == Status::Short) {
        return false;
    }
    txtDefault->setText(read.defaultDirectory);
    controls::MenuItem* items[settings::kFlagCount] = {
        mnuOptBacGrnDef, mnuOptBacGrnPut, mnuOptBacGrnLitBlu, mnuOptBacGrnPur,
        mnuOptBacGrnGre, mnuOptViewRnd,   mnuOptViewCon};
    for (size_t i = 0; i < settings::kFlagCount; ++i) {
        if (!read.flags[i]) {
            return false;  // a format error: the flags after it keep their state
        }
        items[i]->setChecked(*read.flags[i]);
    }
    ApplySchemeAtStartUp();
    return true;
}

void FrmImage::SaveSettings() {
    QString error;
    const QString path = forms_.platform().settingsPath;
    if (settings::writeFile(path, currentSettings(), &error)) {
        settingsWriteReported_ = false;
        return;
    }
    if (settingsWriteReported_) {
        return;  // the user has been told already
    }
    settingsWriteReported_ = true;
    showMessage(QStringLiteral("The settings could not be saved to %1 (%2). The change stays in "
                               "effect until the program ends.")
                    .arg(QDir::toNativeSeparators(path), error),
                QStringLiteral("Settings Not Saved"), platform::MessageIcon::Exclamation);
}

// ---- colour schemes ----

controls::MenuItem* FrmImage::schemeItem(Scheme scheme) const {
    switch (scheme) {
        case Scheme::Default:
            return mnuOptBacGrnDef;
        case Scheme::Neon:
            return mnuOptBacGrnGre;
        case Scheme::Teal:
            return mnuOptBacGrnLitBlu;
        case Scheme::HotMaroon:
            return mnuOptBacGrnPur;
        case Scheme::ButtonFace:
            return mnuOptBacGrnPut;
    }
    return mnuOptBacGrnDef;
}

SchemeChecks FrmImage::schemeChecks() const {
    SchemeChecks checks{};
    for (size_t i = 0; i < kSchemeOrder.size(); ++i) {
        checks[i] = schemeItem(kSchemeOrder[i])->checked();
    }
    return checks;
}

void FrmImage::ApplySchemeAtStartUp() {
    if (mnuOptBacGrnDef->checked()) {
        setBackground(client, schemeColour(Scheme::Default));
        Shape5->show();
        Shape3->show();
        Line1->show();
        return;
    }
    for (Scheme s : {Scheme::Neon, Scheme::Teal, Scheme::HotMaroon, Scheme::ButtonFace}) {
        if (schemeItem(s)->checked()) {
            setBackground(client, schemeColour(s));
        }
    }
    Shape5->hide();
    Shape3->hide();
    Line1->hide();
}

void FrmImage::followSystemColours() {
    const QColor face = schemeColour(Scheme::ButtonFace);
    // The main window shows the button face with Putty checked last, or with no
    // scheme at all (its built colour); the other windows when Putty is checked.
    const bool otherColour =
        mnuOptBacGrnGre->checked() || mnuOptBacGrnLitBlu->checked() || mnuOptBacGrnPur->checked();
    if (!mnuOptBacGrnDef->checked() && (mnuOptBacGrnPut->checked() || !otherColour)) {
        setBackground(client, face);
    }
    if (!mnuOptBacGrnPut->checked()) {
        return;
    }
    if (forms_.isLoaded(Window::FullView)) {
        forms_.get<FrmFullView>().followButtonFace(face);
    }
    if (forms_.isLoaded(Window::Thumb)) {
        forms_.get<FrmThumb>().setSchemeColour(face);
    }
}

// ---- what the other windows ask of it ----

QString FrmImage::folder() const {
    return filPic->path();
}

void FrmImage::endTimedViewing(ViewOrderAfter order) {
    if (order == ViewOrderAfter::Consecutive) {
        mnuOptViewRnd->setChecked(false);
        mnuOptViewCon->setChecked(true);
    }
    chkTimed->setValue(0);
    repaint();
}

}  // namespace plenarvo
