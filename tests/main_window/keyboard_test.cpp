#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

class Keyboard : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        writePicture(pics, QStringLiteral("a.bmp"), {30, 20});
        writeSettings({pics, "True", "False", "False", "False", "False", "False", "True"});
        start();
        advance(3000);  // past the splash phase
        QApplication::setActiveWindow(&main());
    }
    QString pics;
};

TEST_F(Keyboard, EveryCommandHasItsOwnAltKey) {
    // The buttons' mnemonics and the menu bar's must not collide, except the one
    // Alt+H that the window sorts out itself (below).
    FrmImage& w = main();
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
    EXPECT_EQ(owners.value(QKeySequence(Qt::ALT | Qt::Key_H)), QStringLiteral("&Help"));
}

TEST_F(Keyboard, AltHOpensTheHelpMenuFirstAndTheThumbnailsOnARepeat) {
    FrmImage& w = main();
    EXPECT_TRUE(w.cmdThumb->shortcut().isEmpty());
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
