#include "platform/core/dialogs.h"
#include "platform/core/write_errors.h"
#include "platform/qt/qt_dialogs.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>
#include <utility>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::readBytes;
using plenarvo::testing::writeBytes;

namespace {

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
    // Previews a file of the picture folder.
    void preview(const QString& name) {
        QString error;
        ASSERT_TRUE(main().loadPreview(QDir(pics).filePath(name), name, &error))
            << error.toStdString();
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
    EXPECT_EQ(first.folder, pics);
    // It asks before replacing a file and takes only a folder that exists.
    EXPECT_EQ(first.flags, platform::kSaveOverwritePrompt | platform::kSavePathMustExist);
    EXPECT_EQ(first.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Metafiles "
                                           "(*.wmf)|*wmf|GIF Files (*.gif)|*.gif"));
    EXPECT_EQ(first.title, QStringLiteral("File SaveAs"));
    EXPECT_EQ(first.defaultExtension, QStringLiteral(".jpg"));
    EXPECT_TRUE(dialogs.requests[1].fileName.isEmpty());
    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_EQ(QDir(pics).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(messages.shown.isEmpty());
}

// Bitmaps, icons and metafiles are written as the bytes they were read from;
// every other picture becomes a bitmap. The name chosen changes neither. A file
// already there is replaced whole, and nothing else is left beside what is written.
TEST_F(SaveAs, WhatIsWrittenDependsOnThePictureNotTheName) {
    const QString gif = kCorpus + QStringLiteral("/gif/gifsicle/gifsicle_interlaced_O3.gif");
    const QString wmf = kCorpus + QStringLiteral("/wmf/inkscape/ink_glass.wmf");
    const bool corpus = QFileInfo::exists(gif) && QFileInfo::exists(wmf);
    if (corpus) {
        QFile::copy(gif, QDir(pics).filePath(QStringLiteral("d.gif")));
        QFile::copy(wmf, QDir(pics).filePath(QStringLiteral("e.wmf")));
    }
    struct Case {
        QString shown;     // the file previewed; none for the start picture
        QString savedAs;   // the name typed in the dialog
        QString written;   // the file that results
        QSize bitmapSize;  // a bitmap of this size; empty: the shown file's bytes
        bool needsCorpus = false;
    };
    const Case cases[] = {
        {{}, "start", "start.jpg", FrmImage::startPicture().size()},  // a bare name gets ".jpg"
        {"a.bmp", "a.jpg", "a.jpg", {}},                              // over a longer file
        {"c.ico", "c.gif", "c.gif", {}},
        {"b.jpg", "b.gif", "b.gif", {48, 32}},
        {"d.gif", "d.gif", "d.gif", {120, 80}, true},
        {"e.wmf", "e.bmp", "e.bmp", {}, true},
    };
    ASSERT_TRUE(writeBytes(QDir(out).filePath(QStringLiteral("a.jpg")), QByteArray(100000, 'x')));
    QStringList names;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written.toStdString());
        if (c.needsCorpus && !corpus) {
            continue;
        }
        names.append(c.written);
        if (!c.shown.isEmpty()) {
            preview(c.shown);
        }
        saveAs(QDir(out).filePath(c.savedAs));
        const QString written = QDir(out).filePath(c.written);
        if (c.bitmapSize.isEmpty()) {
            EXPECT_EQ(readBytes(written), readBytes(QDir(pics).filePath(c.shown)));
        } else {
            EXPECT_TRUE(readBytes(written).startsWith("BM"));
            EXPECT_EQ(QImageReader(written).size(), c.bitmapSize);
        }
    }
    names.sort();
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(SaveAs, AFailedWriteKeepsTheOldFileTellsTheUserAndLeavesThePreview) {
    preview(QStringLiteral("b.jpg"));
    const pictures::Picture shown = main().imgImage->picture();
    // As root, permissions stop nothing: a name at the length limit exists, but
    // the file written beside it first cannot; a folder that is a file cannot hold one.
    const QString existing = QDir(out).filePath(QString(250, u'n') + QStringLiteral(".bmp"));
    ASSERT_TRUE(writeBytes(existing, "old picture"));
    const std::pair<QString, QString> cases[] = {
        {existing, "The file name is too long."},
        {QDir(pics).filePath(QStringLiteral("a.bmp/x.bmp")), "The folder does not exist."},
    };
    for (const auto& [path, cause] : cases) {
        messages.shown.clear();
        saveAs(path);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].text,
                  QStringLiteral("The picture could not be saved as %1.\n%2\n"
                                 "Any file of that name is left as it was.")
                      .arg(path, cause));
        EXPECT_EQ(messages.shown[0].title, QStringLiteral("Picture Not Saved"));
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    }
    EXPECT_EQ(readBytes(existing), QByteArray("old picture"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_TRUE(main().imgImage->picture() == shown);
    EXPECT_EQ(main().lblImage->text(), QStringLiteral("b.jpg"));
}

TEST_F(SaveAs, SavesThePictureShownWhenTheDialogCloses) {
    preview(QStringLiteral("a.bmp"));
    // The slide show moves the preview on while the dialog is open.
    dialogs.whileOpen = [this] { preview(QStringLiteral("c.ico")); };
    saveAs(QDir(out).filePath(QStringLiteral("now.ico")));
    EXPECT_EQ(readBytes(QDir(out).filePath(QStringLiteral("now.ico"))),
              readBytes(QDir(pics).filePath(QStringLiteral("c.ico"))));
}

TEST(SaveDialogFilter, EntriesBecomeQtFiltersAndBareNamesGetTheDefaultExtension) {
    EXPECT_EQ(platform::qtNameFilters(QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metafiles (*.wmf)|*wmf|"
                                                     "Pictures|*.jpg;*.jpeg|Dangling")),
              (QStringList{"Bitmaps (*.bmp) (*.bmp)", "Metafiles (*.wmf) (*wmf)",
                           "Pictures (*.jpg *.jpeg)"}));
    const std::tuple<QString, QString, QString> names[] = {
        {"/p.d/photo", "jpg", "/p.d/photo.jpg"},  // a dot in a folder's name is no extension
        {"/p/photo", ".jpg", "/p/photo.jpg"},
        {"/p/photo.bmp", ".jpg", "/p/photo.bmp"},
    };
    for (const auto& [typed, extension, saved] : names) {
        EXPECT_EQ(platform::withDefaultExtension(typed, extension), saved);
    }
}

TEST(SaveAsCauses, EveryFailureIsNamedInTheProgramsWords) {
    const std::tuple<int, QString, QString> cases[] = {
        {ENOSPC, "Unknown error", "The disk is full."},
        // Causes without words of their own: the system's, never "Unknown error".
        {EMFILE, {}, "The system reported: Too many open files."},
        {0, "Unknown error", "The system did not say why."},
        {0, "Broken pipe", "The system reported: Broken pipe."},
    };
    for (const auto& [errorNumber, systemText, says] : cases) {
        EXPECT_EQ(platform::writeFailureMessage(errorNumber, systemText), says) << errorNumber;
    }
}
