#include "support/fakes/app_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalBlocker>
#include <QTest>
#include <QWheelEvent>

#include <functional>

#include <sys/stat.h>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text().trimmed();
    }
    return out;
}

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

// Checks the timed-viewing box without starting a slide show.
void checkQuietly(controls::CheckBox* box) {
    QSignalBlocker block(box);
    box->setChecked(true);
}

}  // namespace

class Browsing : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        folder(QStringLiteral("pics/Zebra"));
        folder(QStringLiteral("pics/apples"));
        folder(QStringLiteral("pics/.hidden"));
        for (const char* name : {"b.jpg", "PHOTO.JPG", "a.Jpeg", "c.bmp", "d.ico"}) {
            writePicture(pics, QString::fromLatin1(name), {4, 4});
        }
        writePicture(pics, QStringLiteral("e.png"), {4, 4});
        // Hidden files, like those another system leaves beside each photo.
        writePicture(pics, QStringLiteral("._b.jpg"), {4, 4});
        writePicture(pics, QStringLiteral(".f.bmp"), {4, 4});
        QFile(QDir(pics).filePath(QStringLiteral("bmp"))).open(QIODevice::WriteOnly);
        QFile(QDir(pics).filePath(QStringLiteral("notes.gif.txt"))).open(QIODevice::WriteOnly);
        start();
        openFolder(pics);
    }
    QString pics;
};

TEST_F(Browsing, TheFileListShowsThePictureKindsSortedWithoutRegardToCaseHiddenOnesLeftOut) {
    FrmImage& w = main();
    EXPECT_EQ(entries(w.filPic), (QStringList{"a.Jpeg", "b.jpg", "c.bmp", "d.ico", "PHOTO.JPG"}));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("5"));
    EXPECT_EQ(w.filPic->listIndex(), -1);
    EXPECT_TRUE(w.filPic->fileName().isEmpty());
    // The directory list: the chain from the root down, then the subfolders by name.
    const QStringList dirs = entries(w.dirPic);
    EXPECT_EQ(dirs.first(), QStringLiteral("/"));
    EXPECT_EQ(dirs.mid(dirs.size() - 3), (QStringList{"pics", "apples", "Zebra"}));
}

TEST_F(Browsing, ADoubleClickOrEnterOpensAFolderAndAClickOnlySelects) {
    FrmImage& w = main();
    w.filPic->setListIndex(1);
    const int apples = rowOf(w.dirPic, QStringLiteral("apples"));
    ASSERT_GE(apples, 0);
    w.dirPic->setCurrentRow(apples);  // a keyboard move: selects only
    EXPECT_EQ(w.dirPic->path(), pics);
    doubleClickRow(w.dirPic, apples);
    EXPECT_EQ(w.dirPic->path(), QDir(pics).filePath(QStringLiteral("apples")));
    EXPECT_EQ(w.filPic->path(), w.dirPic->path());
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("0"));
    EXPECT_EQ(w.filPic->listIndex(), -1);

    // Enter on the parent opens it again.
    w.dirPic->setFocus();
    w.dirPic->setCurrentRow(rowOf(w.dirPic, QStringLiteral("pics")));
    QTest::keyClick(w.dirPic, Qt::Key_Return);
    EXPECT_EQ(w.dirPic->path(), pics);
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("5"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Browsing, FullPathsHaveOneSeparatorAtTheRoot) {
    controls::FileList list(nullptr);
    ASSERT_TRUE(list.setPath(QStringLiteral("/")));
    EXPECT_EQ(list.fullPath(QStringLiteral("x.jpg")), QStringLiteral("/x.jpg"));
    ASSERT_TRUE(list.setPath(pics + QStringLiteral("/")));
    EXPECT_EQ(list.path(), pics);
    EXPECT_EQ(list.fullPath(QStringLiteral("x.jpg")), pics + QStringLiteral("/x.jpg"));
}

TEST_F(Browsing, TheFolderListHoldsOnlyWhatOpensAsAFolder) {
    const QString root = folder(QStringLiteral("odd"));
    const QDir dir(root);
    ASSERT_TRUE(dir.mkdir(QStringLiteral("real")));
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    struct Link {
        const char* name;
        QString target;
    };
    const Link links[] = {
        {"to_real", dir.filePath(QStringLiteral("real"))},   // a folder: listed
        {"to_device", QStringLiteral("/dev/null")},          // a device
        {"dangling", dir.filePath(QStringLiteral("gone"))},  // leads nowhere
        {"loop_a", dir.filePath(QStringLiteral("loop_b"))},  // round in a loop
        {"loop_b", dir.filePath(QStringLiteral("loop_a"))},
    };
    for (const Link& link : links) {
        ASSERT_TRUE(QFile::link(link.target, dir.filePath(QString::fromLatin1(link.name))));
    }
    controls::DirList list(nullptr);
    ASSERT_TRUE(list.setPath(root));
    QStringList listed;
    for (int i = 0; i < list.count(); ++i) {
        const QString path = list.item(i)->data(Qt::UserRole + 1).toString();
        if (QFileInfo(path).path() == root) {
            listed.append(QFileInfo(path).fileName());
        }
    }
    EXPECT_EQ(listed, (QStringList{QStringLiteral("real"), QStringLiteral("to_real")}));
}

// Real input on the folder lists while timed viewing is on: the warning, the
// focus on the check box, and no change of drive or folder from that input.
TEST_F(Browsing, WhileTimedViewingIsOnNoInputOnTheFolderListsChangesTheFolder) {
    drives.drives = {{QStringLiteral("/"), QStringLiteral("/")},
                     {folder(QStringLiteral("card")), QStringLiteral("card [CARD]")}};
    FrmImage& w = main();
    QApplication::setActiveWindow(&w);
    w.drvPic->refresh();
    w.drvPic->showDriveOf(pics);
    const QString drive = w.drvPic->drive();
    const int apples = rowOf(w.dirPic, QStringLiteral("apples"));
    ASSERT_GE(apples, 0);
    auto wheel = [](QWidget* target, int delta) {
        const QPointF at = target->rect().center();
        QWheelEvent event(at, target->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    struct Case {
        const char* input;
        QWidget* focusFirst;  // where the focus is before timed viewing is checked
        std::function<void()> send;
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases) {
        {
            QSignalBlocker block(w.chkTimed);
            w.chkTimed->setChecked(false);
        }
        c.focusFirst->setFocus(Qt::OtherFocusReason);
        checkQuietly(w.chkTimed);
        messages.shown.clear();
        c.send();
        EXPECT_EQ(w.dirPic->path(), pics) << c.input;
        EXPECT_EQ(w.drvPic->drive(), drive) << c.input;
        EXPECT_FALSE(w.drvPic->view()->isVisible()) << c.input;
        EXPECT_EQ(QApplication::focusWidget(), w.chkTimed) << c.input;
        ASSERT_FALSE(messages.shown.isEmpty()) << c.input;
        for (const auto& m : messages.shown) {
            EXPECT_EQ(m.text,
                      QStringLiteral("Timed Viewing must be unchecked before changing Folders"));
            EXPECT_EQ(m.title, QStringLiteral("Timed View Checked"));
            EXPECT_EQ(m.icon, platform::MessageIcon::Exclamation);
        }
    }
}

// A drive that cannot be read, listed without a readable folder or removed since
// the list was read, is told and the open folder's drive is shown again; a
// mounted one opens. (How the list follows volumes is the drive list's own test.)
TEST_F(Browsing, ADriveThatCannotBeReadIsToldAndTheOpenFolderStays) {
    FrmImage& w = main();
    const QString card = folder(QStringLiteral("card"));
    writePicture(card, QStringLiteral("x.jpg"), {2, 2});
    const platform::Drive cardDrive{card, QStringLiteral("card [CARD]")};
    auto pick = [&w](int index) {
        w.drvPic->setCurrentIndex(index);
        Q_EMIT w.drvPic->activated(index);
    };
    drives.drives = {{QStringLiteral("/"), QStringLiteral("/")},
                     cardDrive,
                     {temp.filePath(QStringLiteral("cdrom")), QStringLiteral("cdrom [empty]")}};
    w.drvPic->refresh();
    pick(2);                    // a drive with no disc
    drives.drives.removeAt(1);  // the card pulled out; its empty mount folder stays
    pick(1);
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.title, QStringLiteral("Drive Not Ready"));
        EXPECT_EQ(m.icon, platform::MessageIcon::Exclamation);
    }
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("no longer mounted")));
    EXPECT_EQ(w.dirPic->path(), pics);
    EXPECT_EQ(w.drvPic->drive(), QStringLiteral("/"));

    drives.drives.insert(1, cardDrive);  // mounted again
    w.drvPic->refresh();
    pick(1);
    EXPECT_EQ(w.dirPic->path(), card);
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("1"));
}

TEST_F(Browsing, FoldersThatVanishOrLoopAreHandled) {
    FrmImage& w = main();
    // A folder deleted after it was listed.
    const int zebra = rowOf(w.dirPic, QStringLiteral("Zebra"));
    ASSERT_TRUE(QDir(QDir(pics).filePath(QStringLiteral("Zebra"))).removeRecursively());
    doubleClickRow(w.dirPic, zebra);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Folder Not Opened"));
    EXPECT_EQ(w.dirPic->path(), pics);

    // A link to its own parent: each step in is a longer path, never a hang.
    ASSERT_TRUE(QFile::link(pics, QDir(pics).filePath(QStringLiteral("loop"))));
    openFolder(pics);
    for (int i = 0; i < 5; ++i) {
        doubleClickRow(w.dirPic, rowOf(w.dirPic, QStringLiteral("loop")));
    }
    EXPECT_TRUE(w.dirPic->path().endsWith(QStringLiteral("/loop/loop/loop/loop/loop")));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("5"));

    // The open folder itself removed: the next refresh finds nothing, quietly.
    const QString doomed = folder(QStringLiteral("doomed"));
    writePicture(doomed, QStringLiteral("x.bmp"), {2, 2});
    openFolder(doomed);
    ASSERT_TRUE(QDir(doomed).removeRecursively());
    w.filPic->refresh();
    EXPECT_EQ(w.filPic->listCount(), 0);
}

TEST_F(Browsing, APictureGivenAtStartOpensInItsFolder) {
    FrmImage& w = main();
    const QString other = folder(QStringLiteral("other"));
    writePicture(other, QStringLiteral("x.bmp"), {3, 3});
    writePicture(other, QStringLiteral("y.bmp"), {5, 7});
    w.openGivenPicture(QDir(other).filePath(QStringLiteral("y.bmp")));
    EXPECT_EQ(w.dirPic->path(), other);
    EXPECT_EQ(w.filPic->listIndex(), 1);
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("y.bmp"));
    EXPECT_EQ(w.imgImage->picture().size(), QSize(5, 7));
    w.openGivenPicture(QDir(other).filePath(QStringLiteral("missing.bmp")));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(w.dirPic->path(), other);
    // A hidden file opens its folder, which does not list it: told, not silent.
    writePicture(other, QStringLiteral(".z.bmp"), {2, 2});
    w.openGivenPicture(QDir(other).filePath(QStringLiteral(".z.bmp")));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[1].title, QStringLiteral("Picture Not Loaded"));
    EXPECT_EQ(w.filPic->listIndex(), -1);
}
