#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"

#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

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

// A few places of the written layout (in twips from the client area's top left,
// 15 to a pixel) and colours; then what must hold for every control: each one a
// user works with inside the client area, apart from the others, its caption
// shown whole.
TEST_F(Layout, ControlsSitApartInsideTheWindowWithTheirCaptionsWhole) {
    start();
    FrmImage& w = main();
    const auto px = [](int left, int top, int width, int height) {
        return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                     qRound(height / 15.0));
    };
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Plenarvo"));
    EXPECT_EQ(w.cmdShow->geometry(), px(11160, 4320, 1095, 615));
    EXPECT_EQ(w.txtFileCount->geometry(), px(14280, 3195, 735, 480));
    EXPECT_EQ(controls::background(w.txtFileCount).rgb(), qRgb(128, 255, 255));
    EXPECT_EQ(w.Shape1->geometry(), px(360, 360, 7575, 6975));
    EXPECT_EQ(w.Shape1->grab().toImage().pixelColor(5, 200).rgb(), qRgb(255, 0, 255));
    // The divider: 5 pixels wide, centred on its written line, blue.
    EXPECT_EQ(w.Line1->geometry(), QRect(qRound(8280 / 15.0) - 2, 0, 5, qRound(18550 / 15.0)));
    EXPECT_EQ(w.Line1->grab().toImage().pixelColor(2, 100).rgb(), qRgb(0, 0, 255));
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.txtSeconds->maxLength(), 2);

    // On a screen of 1024 x 768, less a title bar and a task bar.
    w.setWindowState(Qt::WindowNoState);
    w.resize(1024, 700);
    const QList<QWidget*> controls = {
        w.Label1,   w.drvPic,     w.Label3,   w.dirPic,   w.Label2,     w.txtFileCount,
        w.filPic,   w.cmdShow,    w.imgImage, w.lblImage, w.frmCredits, w.cmdFullScreen,
        w.cmdThumb, w.txtSeconds, w.Label5,   w.chkTimed, w.cmdExit};
    for (QWidget* a : controls) {
        SCOPED_TRACE(a->metaObject()->className() + std::string(" ") + caption(a).toStdString());
        EXPECT_TRUE(w.client->rect().contains(a->geometry()));
        for (QWidget* b : controls) {
            // A label may meet the box it names by a pixel.
            EXPECT_TRUE(a == b || !a->geometry().adjusted(1, 1, -1, -1).intersects(b->geometry()))
                << caption(b).toStdString();
        }
        // (The check box fits its caption itself, a size smaller where it must.)
        const QString text = caption(a).remove(u'&');
        if (!text.isEmpty() && a != w.chkTimed) {
            const QFontMetrics metrics(a->font());
            const QRect needs = metrics.boundingRect(a->contentsRect(), Qt::TextWordWrap, text);
            EXPECT_LE(needs.height(), a->contentsRect().height()) << text.toStdString();
            EXPECT_LE(needs.width(), a->contentsRect().width()) << text.toStdString();
        }
    }
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
