// Feeds arbitrary bytes to the settings file reader, as the file the program
// reads at start-up. Whatever reads as a whole record must come back the same
// when written out and read again. Any crash, sanitizer report, hang or runaway
// allocation is a finding; so is a record that does not survive the round trip.
#include "settings/settings_file.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace settings = plenarvo::settings;

namespace {

// The folder that holds the file under test; made once, removed at exit.
std::unique_ptr<QTemporaryDir> workDir;
QString inputPath;
QString roundTripPath;

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Well-formed files as the program writes them, and the variants its reader
// accepts: lone CRs, other letter cases, numbers for flags.
const char* const kSeeds[] = {
    "\r\nTrue\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nTrue\r\n",
    "/home/user/Pictures\r\nFalse\r\nFalse\r\nTrue\r\nFalse\r\nFalse\r\nTrue\r\nFalse\r\n",
    "/\rtrue\rFALSE\r0\r-1\r 2.5 \r.0\r1\r",
    "/media/photos/holiday 2003\r\nFalse\r\nTrue\r\nTrue\r\nFalse\r\nTrue\r\nTrue\r\nTrue\r\n",
};

// Puts the seeds into an empty corpus folder named on the command line, so that
// a run starts from files the reader accepts.
void seedCorpus(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            continue;
        }
        QDir dir(QString::fromLocal8Bit(argv[i]));
        if (!dir.exists() || !dir.isEmpty(QDir::Files | QDir::NoDotAndDotDot)) {
            continue;
        }
        int n = 0;
        for (const char* seed : kSeeds) {
            writeBytes(dir.filePath(QStringLiteral("seed-%1.dat").arg(++n)),
                       QByteArray(seed, static_cast<qsizetype>(std::strlen(seed))));
        }
    }
}

bool sameRecord(const settings::ReadResult& a, const settings::ReadResult& b) {
    return a.status == b.status && a.defaultDirectory == b.defaultDirectory && a.flags == b.flags;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    workDir = std::make_unique<QTemporaryDir>();
    if (!workDir->isValid()) {
        __builtin_trap();
    }
    inputPath = workDir->filePath(QStringLiteral("default.dat"));
    roundTripPath = workDir->filePath(QStringLiteral("again.dat"));
    seedCorpus(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!writeBytes(inputPath, bytes)) {
        __builtin_trap();
    }
    const settings::ReadResult read = settings::readFile(inputPath);
    if (read.status != settings::ReadResult::Status::Ok) {
        return 0;
    }

    settings::Record record;
    record.defaultDirectory = read.defaultDirectory;
    for (int i = 0; i < settings::kFlagCount; ++i) {
        const auto& flag = read.flags[static_cast<size_t>(i)];
        if (!flag) {
            __builtin_trap();  // a whole record has every flag
        }
        record.flags[static_cast<size_t>(i)] = *flag;
    }

    // Written the way the program writes it, then read again.
    QString error;
    if (!settings::writeFile(roundTripPath, record, &error)) {
        // Only a record too long to be read back may be refused.
        if (settings::format(record).size() <= settings::kMaxFileBytes) {
            __builtin_trap();
        }
        return 0;
    }
    const settings::ReadResult again = settings::readFile(roundTripPath);
    if (!sameRecord(read, again)) {
        __builtin_trap();
    }
    return 0;
}
