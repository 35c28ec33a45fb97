#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace plenarvo::settings {

namespace {

// Splits off the next line: a line ends at CR LF or at a lone CR.
std::optional<QByteArray> nextLine(const QByteArray& data, qsizetype& pos) {
    if (pos >= data.size()) {
        return std::nullopt;
    }
    const qsizetype cr = data.indexOf('\r', pos);
    if (cr < 0) {
        QByteArray line = data.mid(pos);
        pos = data.size();
        return line;
    }
    QByteArray line = data.mid(pos, cr - pos);
    pos = cr + 1;
    if (pos < data.size() && data[pos] == '\n') {
        ++pos;
    }
    return line;
}

}  // namespace

std::optional<bool> parseFlag(const QString& text) {
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)\s*$)"));
    if (number.match(text).hasMatch()) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (ok) {
            return value != 0.0;
        }
    }
    return std::nullopt;
}

ReadResult readFile(const QString& path) {
    ReadResult result;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QByteArray data = file.read(kMaxFileBytes + 1);
    file.close();
    if (data.size() > kMaxFileBytes) {
        return result;
    }

    qsizetype pos = 0;
    std::array<QByteArray, 1 + kFlagCount> lines;
    for (auto& line : lines) {
        auto next = nextLine(data, pos);
        if (!next) {
            result.status = ReadResult::Status::Short;
            return result;
        }
        line = *next;
    }

    result.defaultDirectory = QString::fromLocal8Bit(lines[0]);
    for (int i = 0; i < kFlagCount; ++i) {
        auto flag = parseFlag(QString::fromLocal8Bit(lines[static_cast<size_t>(i) + 1]));
        if (!flag) {
            result.status = ReadResult::Status::FormatError;
            return result;
        }
        result.flags[static_cast<size_t>(i)] = flag;
    }
    result.status = ReadResult::Status::Ok;
    return result;
}

QByteArray format(const Record& record) {
    QByteArray out = record.defaultDirectory.toLocal8Bit();
    out += "\r\n";
    for (bool flag : record.flags) {
        out += flag ? "True\r\n" : "False\r\n";
    }
    return out;
}

bool writeFile(const QString& path, const Record& record, QString* error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error) {
            *error = QStringLiteral("The folder %1 could not be created.")
                         .arg(QDir::toNativeSeparators(info.absolutePath()));
        }
        return false;
    }
    const QByteArray bytes = format(record);
    if (bytes.size() > kMaxFileBytes) {
        if (error) {
            *error = QStringLiteral("the default folder is too long to be kept");
        }
        return false;
    }
    // A carriage return inside the folder's name would end the first line early.
    if (record.defaultDirectory.contains(u'\r')) {
        if (error) {
            *error = QStringLiteral("the default folder's name holds a carriage return");
        }
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace plenarvo::settings
