#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <vector>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// The written layout of the main window, in twips from the client area's top
// left corner (15 to a pixel), with each control's caption, tool tip and colour.
struct Placed {
    const char* name;
    QWidget* control;
    int left, top, width, height;
    const char* caption;  // nullptr: a control without one
    const char* tip;
    QRgb colour;  // 0: not coloured by the window
};

std::vector<Placed> layoutOf(FrmImage& w) {
    return {
        {"Label1", w.Label1, 8640, 1800, 2175, 375, "Drives:", "", 0},
        {"drvPic", w.drvPic, 8640, 2160, 2295, 420, nullptr, "", 0},
        {"Label3", w.Label3, 8760, 3240, 2175, 375, "Directories:", "", 0},
        {"dirPic", w.dirPic, 8640, 3720, 2415, 4815, nullptr, "", 0},
        {"Label2", w.Label2, 12360, 3240, 1935, 375, "Picture Files: =", "", 0},
        {"txtFileCount", w.txtFileCount, 14280, 3195, 735, 480, "0",
         "Count of Image Files in open directory.", qRgb(128, 255, 255)},
        {"filPic", w.filPic, 12360, 3720, 2655, 4905, nullptr, "", 0},
        {"cmdShow", w.cmdShow, 11160, 4320, 1095, 615, "&Show Image",
         "Select an Image and click this button or double click on the file", 0},
        {"imgImage", w.imgImage, 720, 720, 6855, 6255, nullptr, "", 0},
        {"lblImage", w.lblImage, 2280, 7560, 3375, 375, nullptr, "The viewed pictures file name.",
         qRgb(192, 255, 255)},
        {"picIcon", w.picIcon, 12480, 960, 1815, 1365, nullptr, "", 0},
        {"frmCredits", w.frmCredits, 12000, 720, 2775, 1815, nullptr, "", qRgb(192, 255, 255)},
        {"cmdFullScreen", w.cmdFullScreen, 4920, 8280, 1095, 735, "F&ull Screen",
         "Opens picture to its natural full size", 0},
        {"cmdThumb", w.cmdThumb, 1800, 8280, 1095, 735, "S&how Thumbs",
         "View thumbnails from Picture files Box up to the first 755 images of a chosen "
         "directory. ",
         0},
        {"txtSeconds", w.txtSeconds, 9000, 8640, 735, 675, "10", "Input time to view pictures", 0},
        {"Label5", w.Label5, 9960, 8640, 3255, 615,
         "Input from 1 to 99 seconds for viewing with timed view!", "", 0},
        {"chkTimed", w.chkTimed, 9000, 9480, 2055, 735, "Check for Consecutive Timed viewing",
         "Check to show picture files at the time value above. See Options Menu For Random "
         "Viewing.",
         qRgb(192, 255, 255)},
        {"cmdExit", w.cmdExit, 12480, 9480, 1455, 615, "E&xit", "Exit Plenarvo Viewer", 0},
        {"frmDefault", w.frmDefault, 1200, 0, 6855, 615,
         "Click Save to make currently open Directory the Default", "", 0},
        {"Label4", w.Label4, 0, 240, 615, 375, "Path:", "", 0},
        {"txtDefault", w.txtDefault, 600, 240, 4575, 360, "", "", 0},
        {"cmdCDefault", w.cmdCDefault, 5280, 240, 735, 255, "Save", "", 0},
        {"cmdHide", w.cmdHide, 6120, 240, 615, 255, "Hide", "", 0},
        // The decorations: opaque shapes filled with their colour.
        {"Shape5", w.Shape5, -120, 0, 9135, 24950, nullptr, "", qRgb(0, 0, 255)},
        {"Shape3", w.Shape3, 8280, 0, 18295, 24950, nullptr, "", qRgb(128, 255, 255)},
        {"Shape1", w.Shape1, 360, 360, 7575, 6975, nullptr, "", qRgb(255, 0, 255)},
        {"Shape2", w.Shape2, 600, 600, 7095, 6495, nullptr, "", qRgb(0, 0, 255)},
        {"Shape4", w.Shape4, 2160, 7440, 3615, 615, nullptr, "", qRgb(0, 0, 255)},
    };
}

int px(int twips) {
    return qRound(twips / 15.0);
}

QString caption(const QWidget* w) {
    if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
        return box->title();
    }
    return w->property("text").toString();
}

// Every command of the menu bar in menu order, submenus indented, "*" for a check mark.
QStringList menuLines(const QList<QAction*>& actions, const QString& indent = {}) {
    QStringList out;
    for (const QAction* a : actions) {
        out << indent + (a->isSeparator() ? QStringLiteral("-") : a->text()) +
                   (a->isChecked() ? QStringLiteral(" *") : QString());
        if (a->menu()) {
            out << menuLines(a->menu()->actions(), indent + QStringLiteral("  "));
        }
    }
    return out;
}

}  // namespace

class Layout : public AppFixture {};

TEST_F(Layout, EveryControlHasItsWrittenPlaceCaptionToolTipAndColour) {
    start();
    FrmImage& w = main();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Plenarvo"));
    for (const Placed& c : layoutOf(w)) {
        SCOPED_TRACE(c.name);
        QWidget* control = c.control;
        EXPECT_EQ(control->geometry(), QRect(px(c.left), px(c.top), px(c.width), px(c.height)));
        if (c.caption) {
            EXPECT_EQ(caption(control), QString::fromLatin1(c.caption));
        }
        EXPECT_EQ(control->toolTip(), QString::fromLatin1(c.tip));
        if (c.colour != 0) {
            const bool shape = QLatin1String(c.name).startsWith(QLatin1String("Shape"));
            const QColor shown =
                shape ? control->grab().toImage().pixelColor(control->rect().center())
                      : controls::background(control);
            EXPECT_EQ(shown.rgb(), c.colour);
        }
    }
    // The divider: 5 pixels wide, centred on its written line, blue.
    EXPECT_EQ(w.Line1->geometry(), QRect(px(8280) - 2, 0, 5, px(18550)));
    EXPECT_EQ(w.Line1->grab().toImage().pixelColor(2, 100).rgb(), qRgb(0, 0, 255));
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.txtSeconds->maxLength(), 2);
}

TEST_F(Layout, MenusAndTabOrderAsBuilt) {
    start();
    FrmImage& w = main();
    EXPECT_EQ(menuLines(w.menuBar->actions()),
              (QStringList{"&File", "  &SaveAs", "  &Print", "  -", "  E&xit", "&Options",
                           "  &View Order", "    &Consecutive Viewing *", "    &Random Viewing",
                           "  &Default Directory", "  &Background Color",
                           "    Default Color (Dark Blue) *", "    Button Face (Putty)",
                           "    Teal  (Light Blue)", "    Hot Maroon (Purple)", "    Neon (Green)",
                           "&Help", "  &Help", "  &About"}));
    EXPECT_EQ(w.mnuHelpHelp->action()->shortcut(), QKeySequence(Qt::Key_F1));

    w.frmDefault->show();
    const QList<QWidget*> order = {w.filPic,   w.drvPic,     w.dirPic,      w.cmdExit,
                                   w.cmdShow,  w.chkTimed,   w.txtSeconds,  w.cmdFullScreen,
                                   w.cmdThumb, w.txtDefault, w.cmdCDefault, w.cmdHide};
    QWidget* at = w.filPic;
    for (qsizetype i = 1; i < order.size(); ++i) {
        do {
            at = at->nextInFocusChain();
        } while (!(at->focusPolicy() & Qt::TabFocus) || at->window() != &w || !at->isVisibleTo(&w));
        EXPECT_EQ(at, order[i]) << i;
    }
}

TEST_F(Layout, EveryCommandHasItsOwnAltKeyAndAltHOpensHelpThenTheThumbnails) {
    const QString pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("a.bmp"), {30, 20});
    startAndOpen(pics);
    FrmImage& w = main();
    QApplication::setActiveWindow(&w);
    // The buttons' mnemonics and the menu bar's do not collide, except the one
    // Alt+H that the window sorts out itself.
    QMap<QKeySequence, QString> owners;
    auto claim = [&](const QKeySequence& key, const QString& name) {
        ASSERT_FALSE(key.isEmpty()) << name.toStdString();
        EXPECT_FALSE(owners.contains(key))
            << name.toStdString() << " and " << owners.value(key).toStdString();
        owners.insert(key, name);
    };
    for (QPushButton* b : {static_cast<QPushButton*>(w.cmdShow), w.cmdFullScreen, w.cmdExit}) {
        claim(b->shortcut(), b->text());
    }
    for (QAction* menu : w.menuBar->actions()) {
        claim(QKeySequence::mnemonic(menu->text()), menu->text());
    }
    EXPECT_EQ(QKeySequence::mnemonic(w.cmdThumb->text()), QKeySequence(Qt::ALT | Qt::Key_H));
    EXPECT_TRUE(w.cmdThumb->shortcut().isEmpty());

    // Alt+H opens the Help menu; a second Alt+H while it is open shows the thumbnails.
    w.mnuHelp->popup(w.mapToGlobal(QPoint(0, 0)));
    ASSERT_EQ(QApplication::activePopupWidget(), w.mnuHelp);
    QTest::keyClick(w.mnuHelp, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), w.mnuHelp);
    QTest::keyClick(w.mnuHelp, Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    ASSERT_TRUE(forms->isLoaded(Window::Thumb));
    EXPECT_TRUE(forms->thumb().isVisible());
    EXPECT_FALSE(w.isVisible());
}
