#pragma once

#include <QByteArray>
#include <QRect>

#include <cstdint>
#include <optional>

namespace plenarvo::pictures::wmf {

// A bounded little-endian view of some bytes. Every read checks the bytes that are
// left; a read past the end returns 0 and marks the reader as failed, so callers
// can read a whole record and check ok() once.
class Reader {
public:
    Reader(const char* data, qsizetype size) : data_(data), size_(size) {}

    qsizetype remaining() const { return size_ - pos_; }
    qsizetype pos() const { return pos_; }
    bool ok() const { return ok_; }
    const char* here() const { return data_ + pos_; }

    bool skip(qsizetype n) {
        if (n < 0 || n > remaining()) {
            ok_ = false;
            pos_ = size_;
            return false;
        }
        pos_ += n;
        return true;
    }
    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    int16_t i16() { return static_cast<int16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int32_t i32() { return static_cast<int32_t>(take(4)); }

private:
    uint64_t take(int n) {
        if (remaining() < n) {
            ok_ = false;
            pos_ = size_;
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            v |= uint64_t(static_cast<uint8_t>(data_[pos_ + i])) << (8 * i);
        }
        pos_ += n;
        return v;
    }

    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

// The two headers at the start of a metafile.
struct Header {
    bool placeable = false;
    QRect bounds;          // placeable only: the picture's frame in logical units
    int unitsPerInch = 0;  // placeable only
    qsizetype recordsStart = 0;
    int objectCount = 0;
};

// Reads and checks the headers; nothing when they are damaged.
std::optional<Header> readHeader(const QByteArray& data);

}  // namespace plenarvo::pictures::wmf
