#include "platform/core/dialogs.h"
#include "platform/core/write_errors.h"
#include "platform/qt/qt_dialogs.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::writeBytes;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSize decodedSize(const QString& path) {
    return QImageReader(path).size();
}

const QString kCorpus = QStringLiteral(PLENARVO_CORPUS_DIR);

}  // namespace

class SaveAs : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        out = folder(QStringLiteral("out"));
        writePicture(pics, QStringLiteral("a.bmp"), {30, 20}, Qt::blue);
        writePicture(pics, QStringLiteral("b.jpg"), {48, 32}, Qt::green);
        writePicture(pics, QStringLiteral("c.ico"), {16, 16}, Qt::red);
        start();
        openFolder(pics);
    }
    // Previews the listed file as a double-click on it would.
    void preview(const QString& name) {
        FrmImage& w = main();
        for (int i = 0; i < w.filPic->listCount(); ++i) {
            if (w.filPic->list(i) == name) {
                w.filPic->setListIndex(i);
            }
        }
        ASSERT_EQ(w.filPic->fileName(), name);
        w.cmdShow_Click();
        ASSERT_TRUE(messages.shown.isEmpty()) << messages.texts().join(u'\n').toStdString();
    }
    // Saves through the File menu, the dialog answering `path`.
    void saveAs(const std::optional<QString>& path) {
        dialogs.answers = {path};
        main().mnuFileSaveAs->action()->trigger();
    }
    QString pics;
    QString out;
};

TEST_F(SaveAs, DialogStartsWithTheSelectedNameAndTheProgramsFilterAndCancelWritesNothing) {
    main().filPic->setListIndex(1);
    saveAs(std::nullopt);
    main().filPic->setListIndex(-1);
    saveAs(std::nullopt);

    ASSERT_EQ(dialogs.requests.size(), 2);
    const platform::SaveDialogRequest& first = dialogs.requests[0];
    EXPECT_EQ(first.fileName, QStringLiteral("b.jpg"));
    EXPECT_EQ(first.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Metafiles "
                                           "(*.wmf)|*wmf|GIF Files (*.gif)|*.gif"));
    EXPECT_EQ(first.filterIndex, 1);
    EXPECT_EQ(first.title, QStringLiteral("File SaveAs"));
    EXPECT_EQ(first.flags, 2050);
    EXPECT_EQ(first.defaultExtension, QStringLiteral(".jpg"));
    EXPECT_TRUE(dialogs.requests[1].fileName.isEmpty());

    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_EQ(QDir(pics).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(SaveAs, BitmapsAndIconsKeepTheirBytesAndJpegsBecomeBitmapsWhateverTheName) {
    // Before any preview the start picture is saved; a bare name gets ".jpg".
    saveAs(QDir(out).filePath(QStringLiteral("start")));
    const QString start = QDir(out).filePath(QStringLiteral("start.jpg"));
    EXPECT_EQ(QImageReader(start).format(), "bmp");
    EXPECT_EQ(decodedSize(start), FrmImage::startPicture().size());

    preview(QStringLiteral("a.bmp"));
    saveAs(QDir(out).filePath(QStringLiteral("a.jpg")));
    EXPECT_EQ(readAll(QDir(out).filePath(QStringLiteral("a.jpg"))),
              readAll(QDir(pics).filePath(QStringLiteral("a.bmp"))));

    preview(QStringLiteral("c.ico"));
    saveAs(QDir(out).filePath(QStringLiteral("c.gif")));
    EXPECT_EQ(readAll(QDir(out).filePath(QStringLiteral("c.gif"))),
              readAll(QDir(pics).filePath(QStringLiteral("c.ico"))));

    preview(QStringLiteral("b.jpg"));
    const QString saved = QDir(out).filePath(QStringLiteral("b.gif"));
    saveAs(saved);
    EXPECT_TRUE(readAll(saved).startsWith("BM"));
    EXPECT_EQ(QImageReader(saved).format(), "bmp");
    EXPECT_EQ(decodedSize(saved), QSize(48, 32));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(SaveAs, CorpusGifAndMetafileFollowTheSameRules) {
    const QString gif = kCorpus + QStringLiteral("/gif/gifsicle/gifsicle_interlaced_O3.gif");
    const QString wmf = kCorpus + QStringLiteral("/wmf/inkscape/ink_glass.wmf");
    if (!QFileInfo::exists(gif) || !QFileInfo::exists(wmf)) {
        GTEST_SKIP() << "picture corpus not present";
    }
    QFile::copy(gif, QDir(pics).filePath(QStringLiteral("d.gif")));
    QFile::copy(wmf, QDir(pics).filePath(QStringLiteral("e.wmf")));
    openFolder(out);
    openFolder(pics);

    preview(QStringLiteral("d.gif"));
    saveAs(QDir(out).filePath(QStringLiteral("d.gif")));
    EXPECT_EQ(QImageReader(QDir(out).filePath(QStringLiteral("d.gif"))).format(), "bmp");
    EXPECT_EQ(decodedSize(QDir(out).filePath(QStringLiteral("d.gif"))), QSize(120, 80));

    preview(QStringLiteral("e.wmf"));
    saveAs(QDir(out).filePath(QStringLiteral("e.bmp")));
    EXPECT_EQ(readAll(QDir(out).filePath(QStringLiteral("e.bmp"))), readAll(wmf));
}

TEST_F(SaveAs, OverwritesAnExistingFileWholeAndLeavesNoTemporaryFiles) {
    const QString target = QDir(out).filePath(QStringLiteral("old.bmp"));
    ASSERT_TRUE(writeBytes(target, QByteArray(100000, 'x')));
    preview(QStringLiteral("a.bmp"));
    saveAs(target);
    EXPECT_EQ(readAll(target), readAll(QDir(pics).filePath(QStringLiteral("a.bmp"))));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"old.bmp"});
}

TEST_F(SaveAs, AFailedWriteKeepsTheOldFileTellsTheUserAndLeavesThePreview) {
    preview(QStringLiteral("b.jpg"));
    const pictures::Picture shown = main().imgImage->picture();
    // As root, permissions stop nothing: a name at the length limit exists, but
    // the file written beside it first cannot; a folder that is a file cannot hold one.
    const QString existing = QDir(out).filePath(QString(250, u'n') + QStringLiteral(".bmp"));
    ASSERT_TRUE(writeBytes(existing, "old picture"));
    const QString notAFolder = QDir(pics).filePath(QStringLiteral("a.bmp"));
    saveAs(existing);
    saveAs(notAFolder + QStringLiteral("/x.bmp"));

    EXPECT_EQ(readAll(existing), QByteArray("old picture"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 1);
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.title, QStringLiteral("Picture Not Saved"));
        EXPECT_EQ(m.icon, platform::MessageIcon::Exclamation);
    }
    // Each message names its cause.
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("The file name is too long.")))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("The folder does not exist.")))
        << messages.shown[1].text.toStdString();
    EXPECT_TRUE(main().imgImage->picture() == shown);
    EXPECT_EQ(main().lblImage->text(), QStringLiteral("b.jpg"));
}

TEST_F(SaveAs, SavesThePictureShownWhenTheDialogCloses) {
    preview(QStringLiteral("a.bmp"));
    // The slide show moves the preview on while the dialog is open.
    dialogs.whileOpen = [this] {
        QString error;
        ASSERT_TRUE(main().loadPreview(QDir(pics).filePath(QStringLiteral("c.ico")),
                                       QStringLiteral("c.ico"), &error));
    };
    saveAs(QDir(out).filePath(QStringLiteral("now.ico")));
    EXPECT_EQ(readAll(QDir(out).filePath(QStringLiteral("now.ico"))),
              readAll(QDir(pics).filePath(QStringLiteral("c.ico"))));
}

TEST(SaveDialogFilter, EntriesBecomeQtFiltersAndBareNamesGetTheDefaultExtension) {
    EXPECT_EQ(platform::qtNameFilters(QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metafiles (*.wmf)|*wmf|"
                                                     "Pictures|*.jpg;*.jpeg|Dangling")),
              (QStringList{"Bitmaps (*.bmp) (*.bmp)", "Metafiles (*.wmf) (*wmf)",
                           "Pictures (*.jpg *.jpeg)"}));
    EXPECT_EQ(platform::withDefaultExtension(QStringLiteral("/p.d/photo"), QStringLiteral("jpg")),
              QStringLiteral("/p.d/photo.jpg"));
    EXPECT_EQ(
        platform::withDefaultExtension(QStringLiteral("/p/photo.bmp"), QStringLiteral(".jpg")),
        QStringLiteral("/p/photo.bmp"));
}

TEST(SaveAsCauses, EveryFailureIsNamedInTheProgramsWords) {
    struct Case {
        int errorNumber;
        QString systemText;
        QString says;
    };
    const Case cases[] = {
        {ENOSPC, QStringLiteral("Unknown error"), QStringLiteral("The disk is full.")},
        {EDQUOT, {}, QStringLiteral("Your share of the disk is used up.")},
        {EROFS, {}, QStringLiteral("The disk can only be read, not written to.")},
        {EACCES, {}, QStringLiteral("Access to the folder or the file was denied.")},
        // Causes without words of their own: the system's, never "Unknown error".
        {EMFILE, {}, QStringLiteral("The system reported: Too many open files.")},
        {0, QStringLiteral("Unknown error"), QStringLiteral("The system did not say why.")},
        {0, QStringLiteral("Broken pipe"), QStringLiteral("The system reported: Broken pipe.")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::writeFailureMessage(c.errorNumber, c.systemText), c.says)
            << c.errorNumber;
    }
}
