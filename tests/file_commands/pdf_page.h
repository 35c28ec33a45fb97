#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QRegularExpression>
#include <QTransform>

namespace plenarvo::testing {

// Reads back what a printed PDF holds: its pages, and where each image is drawn.
// It knows just enough of PDF for the files Qt writes: numbered objects, Flate
// compressed content streams, and the q, Q, cm and Do operators.
class PdfFile {
public:
    struct PlacedImage {
        QSize pixels;  // the image as sent to the printer
        QRectF rect;   // where it lands, in points from the page's top left
    };

    explicit PdfFile(const QString& path) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            data_ = file.readAll();
        }
        static const QRegularExpression object(QStringLiteral(R"((\d+) 0 obj(.*?)endobj)"),
                                               QRegularExpression::DotMatchesEverythingOption);
        const QString text = QString::fromLatin1(data_);
        for (auto it = object.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            objects_.insert(m.captured(1).toInt(), m.captured(2).toLatin1());
        }
    }

    bool isValid() const { return data_.startsWith("%PDF"); }

    int pageCount() const { return pages().size(); }

    // The page's size in points.
    QSizeF pageSize(int page) const {
        const QList<double> box = numbers(dictionaryValue(pages().value(page), "MediaBox"));
        return box.size() == 4 ? QSizeF(box[2] - box[0], box[3] - box[1]) : QSizeF();
    }

    QList<PlacedImage> images(int page) const {
        const QByteArray pageObject = pages().value(page);
        const QByteArray content = stream(reference(pageObject, "Contents"));
        QMap<QByteArray, int> names;  // /ImN -> object
        const QByteArray resources = objects_.value(reference(pageObject, "Resources"));
        static const QRegularExpression xobject(QStringLiteral(R"(/(\w+) (\d+) 0 R)"));
        for (auto it = xobject.globalMatch(QString::fromLatin1(resources)); it.hasNext();) {
            const auto m = it.next();
            names.insert(m.captured(1).toLatin1(), m.captured(2).toInt());
        }
        const double height = pageSize(page).height();
        QList<PlacedImage> placed;
        QList<QTransform> stack{QTransform()};
        QList<QByteArray> operands;
        for (const QByteArray& token : content.simplified().split(' ')) {
            if (token == "q") {
                stack.append(stack.last());
            } else if (token == "Q") {
                if (stack.size() > 1) {
                    stack.removeLast();
                }
            } else if (token == "cm" && operands.size() >= 6) {
                QList<double> v;
                for (qsizetype i = operands.size() - 6; i < operands.size(); ++i) {
                    v.append(operands[i].toDouble());
                }
                stack.last() = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]) * stack.last();
            } else if (token == "Do" && !operands.isEmpty()) {
                const QByteArray image = objects_.value(names.value(operands.last().mid(1)));
                const QRectF box = stack.last().mapRect(QRectF(0, 0, 1, 1));
                placed.append(
                    {QSize(int(numbers(dictionaryValue(image, "Width")).value(0)),
                           int(numbers(dictionaryValue(image, "Height")).value(0))),
                     QRectF(box.left(), height - box.bottom(), box.width(), box.height())});
            }
            if (token.isEmpty() || token.front() == '/' || token.front() == '-' ||
                token.front() == '.' || std::isdigit(static_cast<unsigned char>(token.front()))) {
                operands.append(token);
            } else {
                operands.clear();
            }
        }
        return placed;
    }

private:
    QList<QByteArray> pages() const {
        QList<QByteArray> out;
        static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page\b(?!s))"));
        for (const QByteArray& body : objects_) {
            if (page.match(QString::fromLatin1(body)).hasMatch()) {
                out.append(body);
            }
        }
        return out;
    }
    static QByteArray dictionaryValue(const QByteArray& body, const char* key) {
        const QRegularExpression re(
            QStringLiteral(R"(/%1\s*(\[[^\]]*\]|[^/>]*))").arg(QLatin1String(key)));
        return re.match(QString::fromLatin1(body)).captured(1).toLatin1();
    }
    static QList<double> numbers(const QByteArray& text) {
        QList<double> out;
        QByteArray cleaned = text;
        cleaned.replace('[', ' ').replace(']', ' ');
        for (const QByteArray& t : cleaned.simplified().split(' ')) {
            bool ok = false;
            const double v = t.toDouble(&ok);
            if (ok) {
                out.append(v);
            }
        }
        return out;
    }
    static int reference(const QByteArray& body, const char* key) {
        return numbers(dictionaryValue(body, key)).value(0);
    }
    QByteArray stream(int object) const {
        const QByteArray body = objects_.value(object);
        qsizetype start = body.indexOf("stream");
        const qsizetype end = body.lastIndexOf("endstream");
        if (start < 0 || end < 0) {
            return {};
        }
        start += 6;
        while (start < end && (body[start] == '\r' || body[start] == '\n')) {
            ++start;
        }
        const QByteArray packed = body.mid(start, end - start);
        if (!body.left(start).contains("FlateDecode")) {
            return packed;
        }
        // qUncompress takes zlib data behind its expected size, big-endian.
        const quint32 hint = static_cast<quint32>(packed.size()) * 8 + 1024;
        QByteArray framed(4, '\0');
        for (int i = 0; i < 4; ++i) {
            framed[i] = static_cast<char>(hint >> (24 - 8 * i));
        }
        const QByteArray out = qUncompress(framed + packed);
        return out;
    }

    QByteArray data_;
    QMap<int, QByteArray> objects_;
};

}  // namespace plenarvo::testing
