#include "settings/settings_file.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace plenarvo::settings;
using plenarvo::testing::readBytes;
using Status = ReadResult::Status;

namespace {

QString writeBytes(const QTemporaryDir& dir, const QByteArray& bytes) {
    return plenarvo::testing::writeFile(dir.filePath(QStringLiteral("default.dat")), bytes);
}

// A folder line and seven flag lines, "maybe" at flag `bad` (none when -1).
QByteArray lines(int bad = -1, const QByteArray& eol = "\r\n") {
    QByteArray bytes = "/pics" + eol;
    for (int i = 0; i < kFlagCount; ++i) {
        bytes += (i == bad ? "maybe" : "1") + eol;
    }
    return bytes;
}

TEST(SettingsFile, WritesEightCrLfLinesThatReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new/folder/default.dat"));
    Record record;
    record.flags = {false, true, false, false, true, false, true};
    for (const QString& folder : {QStringLiteral("/home/ann/Pictures"), QString()}) {
        record.defaultDirectory = folder;
        ASSERT_TRUE(writeFile(path, record));  // the folder is made
        EXPECT_EQ(readBytes(path), folder.toUtf8() +
                                       "\r\nFalse\r\nTrue\r\nFalse\r\nFalse\r\nTrue"
                                       "\r\nFalse\r\nTrue\r\n");
        const ReadResult read = readFile(path);
        EXPECT_EQ(read.status, Status::Ok);
        EXPECT_EQ(read.defaultDirectory, folder);
        for (size_t i = 0; i < kFlagCount; ++i) {
            EXPECT_EQ(read.flags[i], record.flags[i]) << i;
        }
    }
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

// Reading stops at the first problem and keeps what came before it.
TEST(SettingsFile, DamagedFilesKeepWhatCameBeforeTheProblem) {
    struct Case {
        const char* behaviour;
        std::optional<QByteArray> bytes;  // none: a folder in the file's place
        Status status;
        int linesKept;  // the folder line and the flags after it
    };
    const Case cases[] = {
        {"a folder in the file's place", std::nullopt, Status::Unreadable, 0},
        {"seven lines only", lines().left(25), Status::Short, 0},
        {"a bad first flag", lines(0), Status::FormatError, 1},
        {"a bad middle flag", lines(3), Status::FormatError, 4},
        {"a bad last flag", lines(6), Status::FormatError, 7},
        {"lines ended by a lone CR", lines(-1, "\r"), Status::Ok, 8},
        {"lines ended by a lone LF are one line", lines(-1, "\n"), Status::Short, 0},
        {"a file of 8 MiB", QByteArray(8 * 1024 * 1024, 'x'), Status::Unreadable, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        QTemporaryDir dir;
        const ReadResult r = readFile(c.bytes ? writeBytes(dir, *c.bytes) : dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.defaultDirectory, c.linesKept > 0 ? QStringLiteral("/pics") : QString());
        for (int i = 0; i < kFlagCount; ++i) {
            EXPECT_EQ(r.flags[static_cast<size_t>(i)].has_value(), i + 1 < c.linesKept) << i;
        }
    }
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 7919) & 0xFF);
    }
    QTemporaryDir dir;
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("missing.dat"))).status, Status::Unreadable);
    EXPECT_NE(readFile(writeBytes(dir, binary)).status, Status::Ok);
}

TEST(SettingsFile, AWriteThatCannotSucceedLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString old = writeBytes(dir, "old contents");
    const std::pair<QString, QString> cases[] = {
        // As root, permissions stop nothing: a plain file in the folder's place does.
        {old + QStringLiteral("/default.dat"), QString()},
        // Folder lines that would not read back: a carriage return, or far too long.
        {old, QStringLiteral("/odd\rname")},
        {old, QString(30000, QChar(0x4E2D))},
    };
    for (const auto& [path, folder] : cases) {
        Record record;
        record.defaultDirectory = folder;
        QString error;
        EXPECT_FALSE(writeFile(path, record, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readBytes(old), "old contents");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"default.dat"});
}

}  // namespace
