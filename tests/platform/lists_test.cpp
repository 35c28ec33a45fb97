#include "platform/qt/lists.h"
#include "pictures/file_names.h"
#include "pictures/regular_file.h"
#include "platform/qt/qt_platform.h"
#include "support/fakes/fakes.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace plenarvo::controls {
namespace {

using testing::FakeDrives;

// Makes each entry under `root`: a folder when the name ends in '/', a symbolic
// link when it reads "name->target", otherwise a small file.
void make(const QString& root, const QStringList& entries) {
    const QDir dir(root);
    for (const QString& entry : entries) {
        if (entry.endsWith(u'/')) {
            ASSERT_TRUE(dir.mkpath(entry)) << entry.toStdString();
        } else if (entry.contains(QStringLiteral("->"))) {
            const QStringList parts = entry.split(QStringLiteral("->"));
            ASSERT_TRUE(QFile::link(parts[1], dir.filePath(parts[0]))) << entry.toStdString();
        } else {
            QFile file(dir.filePath(entry));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << entry.toStdString();
            file.write("x");
        }
    }
}

QStringList listed(const FileList& list) {
    QStringList names;
    for (int i = 0; i < list.listCount(); ++i) {
        names << list.list(i);
    }
    return names;
}

TEST(FileList, ListsThePicturesOfAFolderSortedByName) {
    struct Case {
        const char* behaviour;
        QStringList entries;
        QStringList shown;
    };
    const Case cases[] = {
        {"every picture kind, the extension in any letter case",
         {"a.bmp", "b.WMF", "c.Ico", "d.gif", "e.JpG", "f.jpeg"},
         {"a.bmp", "b.WMF", "c.Ico", "d.gif", "e.JpG", "f.jpeg"}},
        {"files of other kinds are left out, whatever they start with",
         {"keep.jpg", "x.png", "y.txt", "z.tif", "w.jpe", "photo.jpg.bak", "bmp", "jpg.", "readme"},
         {"keep.jpg"}},
        {"hidden files are left out, the ones other systems leave on a card too",
         {".hidden.jpg", "._IMG_0001.JPG", ".bmp", "IMG_0001.JPG"},
         {"IMG_0001.JPG"}},
        {"folders are left out, also one named like a picture",
         {"album.jpg/", "sub/", "sub/inside.jpg", "top.gif"},
         {"top.gif"}},
        {"a link to a picture is listed as the picture",
         {"real.bmp", "alias.bmp->real.bmp"},
         {"alias.bmp", "real.bmp"}},
        {"the order is by name without regard to letter case",
         {"b.bmp", "C.bmp", "A.bmp", "a2.bmp"},
         {"A.bmp", "a2.bmp", "b.bmp", "C.bmp"}},
        {"numbers in names sort by their digits, not their value",
         {"img9.jpg", "img10.jpg", "img2.jpg"},
         {"img10.jpg", "img2.jpg", "img9.jpg"}},
        {"names that differ only in case both show, capitals first",
         {"a.bmp", "A.bmp"},
         {"A.bmp", "a.bmp"}},
        {"an empty folder lists nothing", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        QTemporaryDir dir;
        make(dir.path(), c.entries);
        FileList list(nullptr);
        ASSERT_TRUE(list.setPath(dir.path()));
        EXPECT_EQ(listed(list), c.shown);
        EXPECT_EQ(list.listIndex(), -1);  // a list read afresh has nothing selected
    }
}

TEST(FileList, AFolderThatCannotBeOpenedIsNamedAndTheListStays) {
    QTemporaryDir dir;
    make(dir.path(), {"a.bmp", "file.txt"});
    FileList list(nullptr);
    ASSERT_TRUE(list.setPath(dir.path()));
    list.setListIndex(0);
    const QString missing = dir.filePath(QStringLiteral("missing"));
    const QString file = dir.filePath(QStringLiteral("file.txt"));
    const std::pair<QString, QString> cases[] = {
        {missing, QStringLiteral("The folder %1 does not exist.").arg(missing)},
        {file, QStringLiteral("%1 is not a folder.").arg(file)},
        {QString(), QStringLiteral("No folder was given.")},
    };
    for (const auto& [folder, says] : cases) {
        QString error;
        EXPECT_FALSE(list.setPath(folder, &error));
        EXPECT_EQ(error, says);
        EXPECT_EQ(list.path(), dir.path());
        EXPECT_EQ(listed(list), QStringList{"a.bmp"});
        EXPECT_EQ(list.listIndex(), 0);
    }
    // A picture added is seen once the list is read again.
    make(dir.path(), {"b.bmp"});
    list.refresh();
    EXPECT_EQ(listed(list), (QStringList{"a.bmp", "b.bmp"}));
}

// Volumes as a system mounts them: the root, a card under a media folder, and a
// second volume mounted inside the card. Their roots are folders of the test.
TEST(DriveList, ShowsTheVolumeMountedDeepestAboveAPathAndFollowsMountsAndRemovals) {
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("media/card"));
    const QString inner = card + QStringLiteral("/inner");
    const QString usb = dir.filePath(QStringLiteral("usb"));
    make(dir.path(), {"media/card/pics/", "media/card/inner/pics/", "media/cardboard/"});
    const platform::Drive root{QStringLiteral("/"), QStringLiteral("/")};
    FakeDrives drives;
    drives.drives = {root, {card, "card [CARD]"}, {inner, "inner [INNER]"}};
    DriveList list(drives, nullptr);
    EXPECT_EQ(list.drive(), QStringLiteral("/"));  // the first read shows the first volume
    struct Case {
        const char* behaviour;
        QString path;
        QString drive;
    };
    const Case cases[] = {
        {"a folder on the card", card + "/pics", card},
        {"the card's own root", card, card},
        {"a folder on the volume inside the card", inner + "/pics", inner},
        {"a folder whose name only starts like the card's", card + "board", "/"},
        {"a path written with a trailing separator", card + "/pics/", card},
        {"a path that has gone shows no volume", card + "/gone", QString()},
    };
    for (const Case& c : cases) {
        list.showDriveOf(c.path);
        EXPECT_EQ(list.drive(), c.drive) << c.behaviour;
    }

    int changes = 0;
    list.onChange = [&] { ++changes; };
    list.showDriveOf(card + QStringLiteral("/pics"));
    // Another volume mounted in front of it, and the inner one removed: the card
    // stays the one shown.
    drives.drives = {root, {usb, QStringLiteral("usb")}, {card, "card [CARD]"}};
    list.showPopup();  // the list is read again as it opens
    list.hidePopup();
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.drive(), card);
    EXPECT_EQ(list.currentText(), QStringLiteral("card [CARD]"));
    EXPECT_FALSE(list.isMounted(inner));
    EXPECT_EQ(changes, 0);

    // Picking the volume shown changes nothing; another one is a change.
    Q_EMIT list.activated(2);
    EXPECT_EQ(changes, 0);
    Q_EMIT list.activated(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.drive(), usb);

    // The volume shown is removed: none is shown, and picking any, the root too,
    // is a change.
    drives.drives = {root};
    list.refresh();
    EXPECT_TRUE(list.drive().isEmpty());
    EXPECT_EQ(list.currentIndex(), -1);
    Q_EMIT list.activated(0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.drive(), QStringLiteral("/"));
}

// Names as old cameras or other systems write them: listed, shown with U+FFFD for
// each byte that does not decode, each opening its own file.
TEST(FileList, ANameThatIsNotUtf8IsListedAndOpensItsOwnFile) {
    const std::pair<QByteArray, const char*> names[] = {
        {"bad\xff.jpg", "bad\ufffd.jpg"},
        {"bad\xef\xbf\xbd.jpg", "bad\ufffd.jpg"},              // the replacement character
        {"over\xc0\xaf.jpg", "over\ufffd\ufffd.jpg"},          // an overlong slash
        {"sur\xed\xa0\x80.jpg", "sur\ufffd\ufffd\ufffd.jpg"},  // an encoded surrogate
        {"\xf0\x9f\x93\xb7\xff.jpg", "\U0001F4F7\ufffd.jpg"},
    };
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    for (size_t i = 0; i < std::size(names); ++i) {
        FILE* file = std::fopen((folder + names[i].first).constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "%zu", i);  // which one it is
        std::fclose(file);
    }
    FileList list(nullptr);
    ASSERT_TRUE(list.setPath(dir.path()));
    ASSERT_EQ(list.listCount(), int(std::size(names)));
    QSet<uint> opened;
    for (int i = 0; i < list.listCount(); ++i) {
        pictures::RegularFile file =
            pictures::RegularFile::open(list.fullPath(list.list(i)), {}, nullptr);
        ASSERT_TRUE(file.isOpen());
        const uint which = file.readAll(64).value_or(QByteArray()).toUInt();
        opened.insert(which);
        EXPECT_EQ(list.item(i)->text(), QString::fromUtf8(names[which].second));
    }
    EXPECT_EQ(opened.size(), int(std::size(names)));
    // Nor is a folder of such a name taken for the one that shows the same.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromUtf8("sub\xef\xbf\xbd")));
    EXPECT_FALSE(list.setPath(pictures::fileNameFromBytes(folder + "sub\xff")));
}

TEST(DirList, HoldsOnlyWhatOpensAsAFolder) {
    QTemporaryDir temp;
    const QDir dir(temp.path());
    ASSERT_TRUE(dir.mkdir(QStringLiteral("real")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600),
              0);
    // A link to a folder is listed; to a device, to nothing, or round a loop, not.
    make(dir.path(), {"to_real->" + dir.filePath("real"), "to_device->/dev/null",
                      "dangling->" + dir.filePath("gone"), "loop_a->" + dir.filePath("loop_b"),
                      "loop_b->" + dir.filePath("loop_a")});
    DirList list(nullptr);
    ASSERT_TRUE(list.setPath(dir.path()));
    QStringList listed;
    for (int i = 0; i < list.count(); ++i) {
        const QFileInfo entry(list.item(i)->data(Qt::UserRole + 1).toString());
        if (entry.path() == dir.path()) {
            listed.append(entry.fileName());
        }
    }
    EXPECT_EQ(listed, (QStringList{QStringLiteral("real"), QStringLiteral("to_real")}));

    // A picture in the root folder opens by a path of its own.
    FileList files(nullptr);
    ASSERT_TRUE(files.setPath(QStringLiteral("/")));
    EXPECT_EQ(files.fullPath(QStringLiteral("x.jpg")), QStringLiteral("/x.jpg"));
}

// A volume mounted after the list was read shows in the drop-down, and a click
// there picks it (the focus coming back as the drop-down closes re-read the
// list mid-pick). As root a loop-mounted image stands in for a card.
TEST(DriveList, AVolumeMountedLaterIsPickedWithAClickInTheDropDown) {
    QTemporaryDir temp;
    const QString card = temp.filePath(QStringLiteral("card"));
    const QString image = temp.filePath(QStringLiteral("card.img"));
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("card")));
    const bool mounting = ::geteuid() == 0 &&
                          QProcess::execute(QStringLiteral("mkfs.ext2"), {"-q", image, "8M"}) == 0;
    FakeDrives fake;
    platform::QtDrives real;
    QWidget window;
    DriveList list(mounting ? static_cast<platform::Drives&>(real) : fake, &window);
    QString changedTo;
    list.onChange = [&] { changedTo = list.drive(); };
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    if (mounting) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {"-o", "loop", image, card}), 0);
    } else {
        fake.drives.append({card, card + QStringLiteral(" [CARD]")});
    }
    const auto unmount = qScopeGuard([&] {
        if (mounting) {
            QProcess::execute(QStringLiteral("umount"), {card});
        }
    });
    QTest::mouseClick(&list, Qt::LeftButton);
    QAbstractItemView* view = list.view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 10000));
    const int row = list.findText(card, Qt::MatchStartsWith);
    const QPoint entry = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseMove(view->viewport(), entry);  // a release at once after the press is ignored
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_EQ(changedTo.toStdString(), card.toStdString());
    EXPECT_EQ(list.currentText(), list.itemText(row));
}

}  // namespace
}  // namespace plenarvo::controls
