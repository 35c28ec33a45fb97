#include "about/frm_about.h"

#include "about/frm_splash.h"
#include "main_window/artwork.h"
#include "platform/core/program_start.h"
#include "platform/core/registry.h"
#include "platform/core/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

namespace plenarvo {

using controls::makeFont;
using controls::place;

namespace {

const QString kSysInfoUnavailable =
    QStringLiteral("System Information Is Unavailable At This Time");
const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kMsinfoValue = QStringLiteral("PATH");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kLocationValue = QStringLiteral("MSINFO");
const QString kMsinfoProgram = QStringLiteral("MSINFO32.EXE");
constexpr int kValueBuffer = 1024;

}  // namespace

FrmAbout::FrmAbout(Forms& forms) : Form(forms) {
    setObjectName(QStringLiteral("frmAbout"));
    // A fixed dialog: no minimize or maximize button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25));
    // The client area is 6630 x 4935 twips at 2340, 1935 on the screen.
    setGeometry(QRect(twips::point(2340, 1935), twips::size(6630, 4935)));
    setFixedSize(twips::size(6630, 4935));

    picIcon = new controls::PictureBox(this, false);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    place(picIcon, 120, 120, 540, 540);
    // The icon is drawn afresh at the screen's device pixels, sharp on any screen.
    const QImage icon = iconPicture();
    picIcon->setPicture(pictures::Picture::fromImage(icon),
                        iconPicture((QSizeF(icon.size()) * devicePixelRatioF()).toSize()));
    picIcon->setFocusPolicy(Qt::TabFocus);

    auto label = [this](const QString& text, int l, int t, int w, int h) {
        auto* lbl = new controls::Label(text, this);
        lbl->setWordWrap(true);
        lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        place(lbl, l, t, w, h);
        return lbl;
    };
    lblTitle = label(QString(), 960, 120, 1965, 480);
    lblTitle->setFont(
        makeFont(QStringLiteral("Lydian Csv BT"), 14.25, true, false, QFont::Cursive));
    lblVersion = label(QString(), 840, 720, 3885, 225);
    lblDescription =
        label(QStringLiteral("Plenarvo is a handy compact picture and image viewer that "
                             "allows you to navigate through your drives, and "
                             "directories to locate then view your pictures."),
              120, 1005, 6285, 570);
    lblSupport = label(QStringLiteral("Please report any bugs to : plenarvo@example.org"), 240,
                       1920, 2055, 495);

    // An etched separator: a white line with a grey one over it.
    Line1[0] = new QWidget(this);
    controls::setBackground(Line1[0], controls::fromBgr(0x00FFFFFF));
    Line1[0]->setGeometry(twips::toPixels(0), twips::toPixels(3360), twips::toPixels(5760 - 0), 2);
    Line1[1] = new QWidget(this);
    controls::setBackground(Line1[1], controls::fromBgr(0x00808080));
    Line1[1]->setGeometry(twips::toPixels(120), twips::toPixels(3360), twips::toPixels(5640 - 120),
                          1);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Return to the program"));
    cmdOK->setAutoDefault(false);
    cmdOK->setDefault(true);
    place(cmdOK, 4680, 3480, 1260, 345);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    place(cmdSysInfo, 4680, 4080, 1245, 345);

    setTabOrder(cmdOK, picIcon);
    setTabOrder(picIcon, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

void FrmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + applicationTitle());
    lblVersion->setText(versionLine());
    lblTitle->setText(applicationTitle());
}

void FrmAbout::cmdOK_Click() {
    forms_.unload(Window::About);
}

void FrmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void FrmAbout::closeEvent(QCloseEvent* event) {
    // Closing from the title bar closes it as OK does.
    event->accept();
    forms_.unload(Window::About);
}

void FrmAbout::keyPressEvent(QKeyEvent* event) {
    // OK is both the default and the cancel button: Esc presses it, and so does
    // Enter unless another button has the focus.
    if (event->modifiers() & ~Qt::KeypadModifier) {
        Form::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        cmdOK->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button != cmdOK) {
            button->click();
        } else {
            cmdOK->click();
        }
        return;
    }
    Form::keyPressEvent(event);
}

void FrmAbout::StartSysInfo() {
    auto unavailable = [this] {
        forms_.platform().messages->show(kSysInfoUnavailable, applicationTitle(),
                                         platform::MessageIcon::None);
    };
    std::uint32_t root = platform::kHkeyLocalMachine;
    QString keyName = kMsinfoKey;
    QString valueName = kMsinfoValue;
    QString program;
    if (!GetKeyValue(root, keyName, valueName, program)) {
        keyName = kLocationKey;
        valueName = kLocationValue;
        QString folder;
        if (!GetKeyValue(root, keyName, valueName, folder)) {
            unavailable();
            return;
        }
        program = folder + QDir::separator() + kMsinfoProgram;
        if (!QFileInfo(program).isFile()) {
            unavailable();
            return;
        }
    }
    // The program named in the registry is started as it stands; a start that
    // fails says so in the same words.
    if (!forms_.platform().programs->start(program)) {
        unavailable();
    }
}

bool FrmAbout::GetKeyValue(std::uint32_t& keyRoot, QString& keyName, QString& subKeyRef,
                           QString& keyVal) {
    platform::Registry& registry = *forms_.platform().registry;
    platform::RegistryKey key = 0;
    if (registry.openKey(keyRoot, keyName, platform::kKeyAllAccess, &key) !=
        platform::kErrorSuccess) {
        keyVal.clear();
        return false;
    }
    QByteArray buffer(kValueBuffer, '\0');
    std::uint32_t type = 0;
    std::uint32_t size = kValueBuffer;
    if (registry.queryValue(key, subKeyRef, &type, buffer, &size) != platform::kErrorSuccess) {
        keyVal.clear();
        registry.closeKey(key);
        return false;
    }
    // The text is the bytes written, less a closing NUL where the last of them is one.
    const qsizetype written = std::min<qsizetype>(size, buffer.size());
    QByteArray text = buffer.left(written);
    if (written > 0 && buffer.at(written - 1) == '\0') {
        text.chop(1);
    }
    switch (type) {
        case platform::kRegSz:
            keyVal = QString::fromLocal8Bit(text);
            break;
        case platform::kRegDword: {
            // Little-endian bytes, as a decimal number.
            quint64 number = 0;
            for (qsizetype i = std::min<qsizetype>(text.size(), 8) - 1; i >= 0; --i) {
                number = (number << 8) | static_cast<quint8>(text.at(i));
            }
            keyVal = QString::number(number);
            break;
        }
        default:
            break;  // other kinds leave the text as it was
    }
    registry.closeKey(key);
    return true;
}

}  // namespace plenarvo
