#include "support/fakes/app_fixture.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// The last entry of that name: a subfolder comes after the open folder's chain.
int rowOf(const QListWidget* list, const QString& text) {
    for (int i = list->count() - 1; i >= 0; --i) {
        if (list->item(i)->text().trimmed() == text) {
            return i;
        }
    }
    return -1;
}

void doubleClickRow(QListWidget* list, int row) {
    const QRect r = list->visualItemRect(list->item(row));
    plenarvo::testing::doubleClick(list->viewport(), r.center());
}

}  // namespace

// The main window past its splash phase on `pics`: two pictures, a damaged one,
// one to delete and three subfolders. `other` holds what is opened from outside.
class MainWindow : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        other = folder(QStringLiteral("other"));
        for (const char* sub : {"pics/Zebra", "pics/apples", "pics/.hidden"}) {
            folder(QString::fromLatin1(sub));
        }
        writePicture(pics, QStringLiteral("a_tall.bmp"), {20, 300}, Qt::green);
        writePicture(pics, QStringLiteral("b_wide.jpg"), {600, 30}, Qt::blue);
        plenarvo::testing::writeBytes(in(pics, "c_broken.jpg"), "\xFF\xD8\xFF\xE0 not a photo");
        writePicture(pics, QStringLiteral("d_gone.bmp"), {8, 8});
        writePicture(other, QStringLiteral("y.bmp"), {5, 7});
        writePicture(other, QStringLiteral("Z.JPG"), {9, 2});
        writePicture(other, QStringLiteral(".h.bmp"), {6, 6});
        plenarvo::testing::writeBytes(in(other, "notes.txt"), "text");
        startAndOpen(pics);
        QApplication::setActiveWindow(&main());
    }
    static QString in(const QString& folder, const char* name) {
        return QDir(folder).filePath(QString::fromLatin1(name));
    }
    // Previews the picture in this row of the file list.
    void show(int row) {
        main().filPic->setListIndex(row);
        main().cmdShow_Click();
    }
    // Drags `data` over the window and drops it there; whether the window took the
    // drag and the drop. The drop's own work follows once the drop has ended.
    std::pair<bool, bool> dragAndDrop(const QMimeData& data) {
        const QPoint at = main().rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&main(), &enter);
        QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&main(), &drop);
        const bool dropped = drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
        settle();
        return {enter.isAccepted(), dropped};
    }
    QString pics;
    QString other;
};

TEST_F(MainWindow, ADoubleClickOrEnterOpensAFolderAndAClickOnlySelects) {
    FrmImage& w = main();
    // The chain from the root down, then the subfolders by name, hidden ones left out.
    EXPECT_EQ(w.dirPic->item(0)->text().trimmed(), QStringLiteral("/"));
    const int count = w.dirPic->count();
    EXPECT_EQ(w.dirPic->item(count - 3)->text().trimmed(), QStringLiteral("pics"));
    EXPECT_EQ(w.dirPic->item(count - 2)->text().trimmed(), QStringLiteral("apples"));
    EXPECT_EQ(w.dirPic->item(count - 1)->text().trimmed(), QStringLiteral("Zebra"));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("4"));
    w.filPic->setListIndex(1);
    const int apples = rowOf(w.dirPic, QStringLiteral("apples"));
    w.dirPic->setCurrentRow(apples);  // a keyboard move: selects only
    EXPECT_EQ(w.dirPic->path(), pics);
    doubleClickRow(w.dirPic, apples);
    EXPECT_EQ(w.dirPic->path(), in(pics, "apples"));
    EXPECT_EQ(w.filPic->path(), w.dirPic->path());
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("0"));
    EXPECT_EQ(w.filPic->listIndex(), -1);

    // Enter on the parent opens it again.
    w.dirPic->setFocus();
    w.dirPic->setCurrentRow(rowOf(w.dirPic, QStringLiteral("pics")));
    QTest::keyClick(w.dirPic, Qt::Key_Return);
    EXPECT_EQ(w.dirPic->path(), pics);
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("4"));

    // A link to its own parent: each step in is a longer path, never a hang.
    ASSERT_TRUE(QFile::link(pics, in(pics, "loop")));
    openFolder(pics);
    for (int i = 0; i < 5; ++i) {
        doubleClickRow(w.dirPic, rowOf(w.dirPic, QStringLiteral("loop")));
    }
    EXPECT_TRUE(w.dirPic->path().endsWith(QStringLiteral("/loop/loop/loop/loop/loop")));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("4"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, ThePreviewFillsItsBoxWithThePictureDecodedAtItsSize) {
    FrmImage& w = main();
    w.filPic->setFocus();
    w.filPic->setListIndex(0);
    QTest::keyClick(w.filPic, Qt::Key_Return);
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));

    const QRect r = w.filPic->visualItemRect(w.filPic->item(1));
    plenarvo::testing::doubleClick(w.filPic->viewport(), r.center());
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("b_wide.jpg"));
    // The wide blue picture is stretched over the whole box.
    const QImage shown = w.imgImage->shownImage();
    EXPECT_EQ(shown.size(), w.imgImage->pixelSize());
    EXPECT_LT(qRed(shown.pixel(2, shown.height() - 3)), 40);
    EXPECT_GT(qBlue(shown.pixel(shown.width() - 3, 2)), 200);
    EXPECT_TRUE(messages.shown.isEmpty());
}

// What cannot be opened is told in a box, and the open folder, its drive and the
// previewed picture stay.
TEST_F(MainWindow, WhatCannotBeOpenedIsToldAndTheFolderAndPreviewStay) {
    FrmImage& w = main();
    show(0);
    const pictures::Picture good = w.imgImage->picture();
    ASSERT_TRUE(QFile::remove(in(pics, "d_gone.bmp")));
    writePicture(pics, QStringLiteral(".z.bmp"), {2, 2});
    const platform::Drive card{folder(QStringLiteral("card")), QStringLiteral("card [CARD]")};
    drives.drives = {{QStringLiteral("/"), QStringLiteral("/")},
                     card,
                     {temp.filePath(QStringLiteral("cdrom")), QStringLiteral("cdrom [empty]")}};
    w.drvPic->refresh();
    auto pick = [&w](int index) {
        w.drvPic->setCurrentIndex(index);
        Q_EMIT w.drvPic->activated(index);
    };
    const int zebra = rowOf(w.dirPic, QStringLiteral("Zebra"));
    const struct {
        const char* name;
        const char* title;
        const char* text;  // a piece of the message
        std::function<void()> send;
    } cases[] = {
        {"Show with nothing selected", "No File Selected", "You must select a picture!",
         [&] { show(-1); }},
        {"a damaged picture", "Picture Not Loaded", "c_broken.jpg", [&] { show(2); }},
        {"a picture deleted since listed", "Picture Not Loaded", "d_gone.bmp", [&] { show(3); }},
        {"a missing picture given", "Picture Not Loaded", "gone.bmp",
         [&] { w.openGivenPicture(in(pics, "gone.bmp")); }},
        {"a hidden picture given", "Picture Not Loaded", "hidden",
         [&] { w.openGivenPicture(in(pics, ".z.bmp")); }},
        {"a folder deleted since listed", "Folder Not Opened", "Zebra",
         [&] {
             ASSERT_TRUE(QDir(in(pics, "Zebra")).removeRecursively());
             doubleClickRow(w.dirPic, zebra);
         }},
        {"a drive with no disc", "Drive Not Ready", "cdrom", [&] { pick(2); }},
        {"a card pulled out, its mount folder left", "Drive Not Ready", "no longer mounted",
         [&] {
             drives.drives.removeAt(1);
             pick(1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        c.send();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, QString::fromLatin1(c.title));
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromLatin1(c.text)));
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(w.dirPic->path(), pics);
        EXPECT_EQ(w.drvPic->drive(), QStringLiteral("/"));
        EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));
        EXPECT_TRUE(w.imgImage->picture() == good);
    }
    // Mounted again, the card opens.
    writePicture(card.root, QStringLiteral("x.jpg"), {2, 2});
    drives.drives.insert(1, card);
    w.drvPic->refresh();
    pick(1);
    EXPECT_EQ(w.dirPic->path(), card.root);
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("1"));
}

// A picture dropped opens in its folder and previews as one given at start; a
// folder opens; anything else is refused without a word.
TEST_F(MainWindow, ADroppedPictureOrFolderOpensAndAnythingElseIsRefused) {
    FrmImage& w = main();
    const struct {
        const char* name;
        QStringList urls;  // "%1" stands for the folder `other`
        const char* text;
        bool accepted;
        const char* selected;  // the file selected after the drop; "": none, the preview kept
    } cases[] = {
        {"a picture", {"%1/y.bmp"}, "", true, "y.bmp"},
        {"a picture with a capital extension", {"%1/Z.JPG"}, "", true, "Z.JPG"},
        {"a folder", {"%1"}, "", true, ""},
        {"a file that is no picture", {"%1/notes.txt"}, "", false, "a_tall.bmp"},
        {"a missing file", {"%1/gone.bmp"}, "", false, "a_tall.bmp"},
        {"a hidden picture", {"%1/.h.bmp"}, "", false, "a_tall.bmp"},
        {"two pictures", {"%1/y.bmp", "%1/Z.JPG"}, "", false, "a_tall.bmp"},
        {"a remote picture", {"https://example.org/y.bmp"}, "", false, "a_tall.bmp"},
        {"text only", {}, "%1/y.bmp", false, "a_tall.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openFolder(pics);
        show(0);
        QMimeData data;
        QList<QUrl> urls;
        for (QString url : c.urls) {
            url.replace(QStringLiteral("%1"), other);
            urls << (url.startsWith(u'/') ? QUrl::fromLocalFile(url) : QUrl(url));
        }
        if (!urls.isEmpty()) {
            data.setUrls(urls);
        }
        if (*c.text) {
            data.setText(QString::fromLatin1(c.text).replace(QStringLiteral("%1"), other));
        }
        const auto [entered, dropped] = dragAndDrop(data);
        EXPECT_EQ(entered, c.accepted);
        EXPECT_EQ(dropped, c.accepted);
        EXPECT_EQ(w.dirPic->path(), c.accepted ? other : pics);
        EXPECT_EQ(w.txtFileCount->text(), QString::number(w.filPic->listCount()));
        EXPECT_EQ(w.filPic->fileName(), QString::fromLatin1(c.selected));
        EXPECT_EQ(w.lblImage->text(), QString::fromLatin1(*c.selected ? c.selected : "a_tall.bmp"));
        EXPECT_TRUE(messages.shown.isEmpty());
    }
}

// While timed viewing is on, no input on the folder lists and no drop changes the
// folder or drive: each is met by the warning, and the focus goes to the check box.
TEST_F(MainWindow, WhileTimedViewingIsOnNoInputChangesTheFolder) {
    drives.drives = {{QStringLiteral("/"), QStringLiteral("/")},
                     {folder(QStringLiteral("card")), QStringLiteral("card [CARD]")}};
    FrmImage& w = main();
    w.drvPic->refresh();
    w.drvPic->showDriveOf(pics);
    show(0);
    const QString drive = w.drvPic->drive();
    const int apples = rowOf(w.dirPic, QStringLiteral("apples"));
    auto wheel = [](QWidget* target, int delta) {
        const QPointF at = target->rect().center();
        QWheelEvent event(at, target->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    auto drop = [this](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        EXPECT_FALSE(dragAndDrop(data).second);
    };
    const struct {
        const char* name;
        QWidget* focusFirst;  // where the focus is before timed viewing is checked
        std::function<void()> send;
    } cases[] = {
        {"press on the drive list", w.cmdShow,
         [&] { QTest::mouseClick(w.drvPic, Qt::LeftButton); }},
        {"wheel on the drive list", w.cmdShow, [&] { wheel(w.drvPic, -120); }},
        {"Down on the drive list", w.drvPic, [&] { QTest::keyClick(w.drvPic, Qt::Key_Down); }},
        {"double-click on a folder", w.cmdShow, [&] { doubleClickRow(w.dirPic, apples); }},
        {"Enter on a folder", w.dirPic,
         [&] {
             w.dirPic->setCurrentRow(apples);
             QTest::keyClick(w.dirPic, Qt::Key_Return);
         }},
        {"a picture dropped", w.cmdShow, [&] { drop(in(other, "y.bmp")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            QSignalBlocker block(w.chkTimed);
            w.chkTimed->setChecked(false);
            c.focusFirst->setFocus(Qt::OtherFocusReason);
            w.chkTimed->setChecked(true);  // without starting a slide show
        }
        messages.shown.clear();
        c.send();
        EXPECT_EQ(w.dirPic->path(), pics);
        EXPECT_EQ(w.drvPic->drive(), drive);
        EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));
        EXPECT_FALSE(w.drvPic->view()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), w.chkTimed);
        ASSERT_FALSE(messages.shown.isEmpty());
        for (const auto& m : messages.shown) {
            EXPECT_EQ(m.text,
                      QStringLiteral("Timed Viewing must be unchecked before changing Folders"));
            EXPECT_EQ(m.title, QStringLiteral("Timed View Checked"));
            EXPECT_EQ(m.icon, platform::MessageIcon::Exclamation);
        }
    }
}

TEST_F(MainWindow, SaveMakesTheOpenFolderTheDefaultAndHideDropsAnEdit) {
    FrmImage& w = main();
    w.mnuOptDefDir_Click();
    EXPECT_FALSE(w.frmDefault->isHidden());
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    // Hide keeps an edit until the frame opens again; neither writes.
    w.txtDefault->setText(QStringLiteral("/typed"));
    w.cmdHide_Click();
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.currentSettings().defaultDirectory, QStringLiteral("/typed"));
    w.mnuOptDefDir_Click();
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    EXPECT_TRUE(settingsBytes().isEmpty());

    w.txtDefault->setText(QStringLiteral("/typed/by/hand"));
    QTest::mouseClick(w.cmdCDefault, Qt::LeftButton);
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.txtDefault->text(), pics);
    EXPECT_EQ(w.txtDefault->tag, pics);
    EXPECT_EQ(
        settingsBytes(),
        (pics + "\r\nTrue\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nTrue\r\n").toUtf8());

    // The next start opens it; the root keeps its separator.
    forms.reset();
    start();
    EXPECT_EQ(main().dirPic->path(), pics);
    openFolder(QStringLiteral("/"));
    main().cmdCDefault_Click();
    EXPECT_TRUE(settingsBytes().startsWith("/\r\nTrue\r\n"));
}
