#include "support/fakes/app_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// What a user drags in, made from the test's folders, and what the drop does.
struct DropCase {
    const char* name;
    std::function<void(QMimeData&, const QString& other)> fill;
    bool accepted;
    const char* folder;   // "other" or "pics": the open folder after the drop
    const char* preview;  // the previewed file's name after the drop, "" for the one before
};

void PrintTo(const DropCase& c, std::ostream* out) {
    *out << c.name;
}

QUrl fileIn(const QString& folder, const char* name) {
    return QUrl::fromLocalFile(QDir(folder).filePath(QString::fromLatin1(name)));
}

const DropCase kDrops[] = {
    {"Picture", [](QMimeData& m, const QString& o) { m.setUrls({fileIn(o, "y.bmp")}); }, true,
     "other", "y.bmp"},
    {"PictureWithCapitalExtension",
     [](QMimeData& m, const QString& o) { m.setUrls({fileIn(o, "Z.JPG")}); }, true, "other",
     "Z.JPG"},
    {"Folder", [](QMimeData& m, const QString& o) { m.setUrls({QUrl::fromLocalFile(o)}); }, true,
     "other", ""},
    {"FileThatIsNoPicture",
     [](QMimeData& m, const QString& o) { m.setUrls({fileIn(o, "notes.txt")}); }, false, "pics",
     ""},
    {"MissingFile", [](QMimeData& m, const QString& o) { m.setUrls({fileIn(o, "gone.bmp")}); },
     false, "pics", ""},
    {"HiddenPicture", [](QMimeData& m, const QString& o) { m.setUrls({fileIn(o, ".h.bmp")}); },
     false, "pics", ""},
    {"TwoPictures",
     [](QMimeData& m, const QString& o) {
         m.setUrls({fileIn(o, "y.bmp"), fileIn(o, "Z.JPG")});
     },
     false, "pics", ""},
    {"RemotePicture",
     [](QMimeData& m, const QString&) {
         m.setUrls({QUrl(QStringLiteral("https://example.org/y.bmp"))});
     },
     false, "pics", ""},
    {"TextOnly", [](QMimeData& m, const QString& o) { m.setText(o + QStringLiteral("/y.bmp")); },
     false, "pics", ""},
};

}  // namespace

class Drops : public AppFixture, public ::testing::WithParamInterface<DropCase> {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        other = folder(QStringLiteral("other"));
        writePicture(pics, QStringLiteral("a.bmp"), {4, 4});
        writePicture(other, QStringLiteral("x.bmp"), {3, 3});
        writePicture(other, QStringLiteral("y.bmp"), {5, 7});
        writePicture(other, QStringLiteral("Z.JPG"), {9, 2});
        writePicture(other, QStringLiteral(".h.bmp"), {6, 6});
        plenarvo::testing::writeBytes(QDir(other).filePath(QStringLiteral("notes.txt")), "text");
        startAndOpen(pics);
    }
    // Drags `data` over the window and drops it there; whether the window took the
    // drag and the drop. The drop's own work follows once the drop has ended.
    std::pair<bool, bool> dragAndDrop(const QMimeData& data) {
        const QPoint at = main().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&main(), &enter);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&main(), &drop);
        const bool dropped = drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
        settle();
        return {enter.isAccepted(), dropped};
    }
    QString pics;
    QString other;
};

TEST_P(Drops, APictureOrAFolderOpensAnythingElseIsRefused) {
    const DropCase& c = GetParam();
    QMimeData data;
    c.fill(data, other);
    const QString before = main().lblImage->text();
    const auto [entered, dropped] = dragAndDrop(data);
    EXPECT_EQ(entered, c.accepted);
    EXPECT_EQ(dropped, c.accepted);
    FrmImage& w = main();
    EXPECT_EQ(w.dirPic->path(), QLatin1String(c.folder) == QLatin1String("other") ? other : pics);
    EXPECT_EQ(w.filPic->path(), w.dirPic->path());
    EXPECT_EQ(w.lblImage->text(), *c.preview ? QString::fromLatin1(c.preview) : before);
    EXPECT_TRUE(messages.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(, Drops, ::testing::ValuesIn(kDrops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Drops, ADroppedPictureShowsAsAPictureGivenAtStart) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QDir(other).filePath(QStringLiteral("y.bmp")))});
    ASSERT_TRUE(dragAndDrop(data).second);
    FrmImage& w = main();
    EXPECT_EQ(w.filPic->listIndex(), 1);
    EXPECT_EQ(w.filPic->fileName(), QStringLiteral("y.bmp"));
    EXPECT_EQ(w.imgImage->picture().size(), QSize(5, 7));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("3"));
}

TEST_F(Drops, WhileTimedViewingIsOnADropIsRefusedWithTheWarning) {
    FrmImage& w = main();
    {
        QSignalBlocker block(w.chkTimed);
        w.chkTimed->setChecked(true);
    }
    const QString before = w.lblImage->text();
    for (const QString& dropped : {QDir(other).filePath(QStringLiteral("y.bmp")), other}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dropped)});
        const auto [entered, accepted] = dragAndDrop(data);
        EXPECT_TRUE(entered);  // the drop itself says why it is refused
        EXPECT_FALSE(accepted);
    }
    EXPECT_EQ(w.dirPic->path(), pics);
    EXPECT_EQ(w.lblImage->text(), before);
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.text,
                  QStringLiteral("Timed Viewing must be unchecked before changing Folders"));
        EXPECT_EQ(m.title, QStringLiteral("Timed View Checked"));
    }
}
