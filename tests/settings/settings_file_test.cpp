#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace plenarvo::settings;

namespace {

QString writeBytes(const QTemporaryDir& dir, const QByteArray& bytes) {
    QString path = dir.filePath(QStringLiteral("default.dat"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

}  // namespace

TEST(SettingsFile, WritesEightCrLfLinesAndReadsThemBack) {
    Record record;
    record.defaultDirectory = QStringLiteral("/home/ann/Pictures");
    record.flags = {false, true, false, false, true, false, true};
    EXPECT_EQ(
        format(record),
        QByteArray(
            "/home/ann/Pictures\r\nFalse\r\nTrue\r\nFalse\r\nFalse\r\nTrue\r\nFalse\r\nTrue\r\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new/folder/default.dat"));
    ASSERT_TRUE(writeFile(path, record));
    const ReadResult read = readFile(path);
    ASSERT_EQ(read.status, ReadResult::Status::Ok);
    EXPECT_EQ(read.defaultDirectory, record.defaultDirectory);
    for (size_t i = 0; i < kFlagCount; ++i) {
        EXPECT_EQ(read.flags[i], record.flags[i]) << i;
    }
    // Saving twice with no change gives identical files; an empty folder line stays.
    record.defaultDirectory.clear();
    ASSERT_TRUE(writeFile(path, record));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\r\nFalse\r\n"));
    EXPECT_EQ(readFile(path).status, ReadResult::Status::Ok);
}

TEST(SettingsFile, FlagWordsAndNumbers) {
    // The words in any case, and numbers: nonzero is true. Anything else is no flag.
    const std::pair<QStringList, std::optional<bool>> cases[] = {
        {{"True", "tRUE", "-3", "2.5"}, true},
        {{"FALSE", "0", "0.0"}, false},
        {{"", "Yes", "True ", "1e999x"}, std::nullopt},
    };
    for (const auto& [words, flag] : cases) {
        for (const QString& word : words) {
            EXPECT_EQ(parseFlag(word), flag) << word.toStdString();
        }
    }
}

TEST(SettingsFile, ReadingStopsAtTheFirstProblem) {
    QTemporaryDir dir;
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("missing.dat"))).status,
              ReadResult::Status::Unreadable);
    EXPECT_EQ(readFile(dir.path()).status, ReadResult::Status::Unreadable);  // a folder

    // Seven lines only: short, nothing kept.
    ReadResult shortFile =
        readFile(writeBytes(dir, "/x\r\nTrue\r\nTrue\r\nTrue\r\nTrue\r\nTrue\r\nTrue\r\n"));
    EXPECT_EQ(shortFile.status, ReadResult::Status::Short);
    EXPECT_TRUE(shortFile.defaultDirectory.isEmpty());

    // A bad word at each flag line keeps the lines before it.
    for (int bad = 0; bad < kFlagCount; ++bad) {
        QByteArray bytes = "/pics\r\n";
        for (int i = 0; i < kFlagCount; ++i) {
            bytes += i == bad ? "maybe\r\n" : "1\r\n";
        }
        const ReadResult r = readFile(writeBytes(dir, bytes));
        EXPECT_EQ(r.status, ReadResult::Status::FormatError) << bad;
        EXPECT_EQ(r.defaultDirectory, QStringLiteral("/pics"));
        for (int i = 0; i < kFlagCount; ++i) {
            EXPECT_EQ(r.flags[static_cast<size_t>(i)].has_value(), i < bad) << bad << " " << i;
        }
    }

    // A lone CR ends a line too; a lone LF does not.
    const ReadResult cr =
        readFile(writeBytes(dir, "/a\rTrue\rFalse\rFalse\rFalse\rFalse\rFalse\rTrue\r"));
    EXPECT_EQ(cr.status, ReadResult::Status::Ok);
    EXPECT_EQ(cr.defaultDirectory, QStringLiteral("/a"));
    EXPECT_EQ(
        readFile(writeBytes(dir, "/a\nTrue\nFalse\nFalse\nFalse\nFalse\nFalse\nTrue\n")).status,
        ReadResult::Status::Short);
}

TEST(SettingsFile, HugeOrBinaryFilesAreRefusedQuickly) {
    QTemporaryDir dir;
    EXPECT_EQ(readFile(writeBytes(dir, QByteArray(8 * 1024 * 1024, 'x'))).status,
              ReadResult::Status::Unreadable);
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 7919) & 0xFF);
    }
    const ReadResult r = readFile(writeBytes(dir, binary));
    EXPECT_NE(r.status, ReadResult::Status::Ok);
}

TEST(SettingsFile, AFailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    // The settings folder's place is taken by a plain file: nothing can be written.
    const QString blocker = writeBytes(dir, "old contents");
    Record record;
    QString error;
    EXPECT_FALSE(writeFile(blocker + QStringLiteral("/default.dat"), record, &error));
    EXPECT_FALSE(error.isEmpty());
    // A record that would not read back is refused rather than written: a carriage
    // return in the folder's name, or a folder too long.
    record.defaultDirectory = QStringLiteral("/odd\rname");
    EXPECT_FALSE(writeFile(dir.filePath(QStringLiteral("long.dat")), record, &error));
    record.defaultDirectory = QString(30000, QChar(0x4E2D));
    EXPECT_FALSE(writeFile(dir.filePath(QStringLiteral("long.dat")), record, &error));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("long.dat"))));
    record.defaultDirectory = QString(4096, QChar(0x4E2D));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("long.dat")), record));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("long.dat"))).defaultDirectory,
              record.defaultDirectory);
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old contents"));
}
