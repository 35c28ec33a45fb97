#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>

namespace plenarvo::platform {

// Root keys, access rights, value types and results as the registry knows them.
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002;
inline constexpr std::uint32_t kKeyAllAccess = 0x2003F;
inline constexpr std::uint32_t kRegSz = 1;     // a string
inline constexpr std::uint32_t kRegDword = 4;  // a 32-bit little-endian number
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;

using RegistryKey = std::uint64_t;

// A read-only view of the registry: open a key, read values from it, close it.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens `subKey` under `root` with the access asked; on success sets *key.
    virtual long openKey(std::uint32_t root, const QString& subKey, std::uint32_t access,
                         RegistryKey* key) = 0;
    // Reads value `name` into `buffer`, whose size is the room there is. On
    // success sets *type and *size (the bytes written). A value larger than the
    // buffer fails with kErrorMoreData and writes nothing.
    virtual long queryValue(RegistryKey key, const QString& name, std::uint32_t* type,
                            QByteArray& buffer, std::uint32_t* size) = 0;
    virtual long closeKey(RegistryKey key) = 0;
};

// A registry held in memory. Key paths and value names match without regard to
// letter case, as the registry's do.
class MemoryRegistry : public Registry {
public:
    struct Value {
        std::uint32_t type = kRegSz;
        QByteArray data;
    };

    void setValue(std::uint32_t root, const QString& subKey, const QString& name,
                  const Value& value) {
        keys_[keyId(root, subKey)].insert(name.toLower(), value);
    }
    // A string value, stored with its closing NUL as the registry stores strings.
    void setString(std::uint32_t root, const QString& subKey, const QString& name,
                   const QString& text) {
        setValue(root, subKey, name, {kRegSz, text.toLocal8Bit() + '\0'});
    }

    long openKey(std::uint32_t root, const QString& subKey, std::uint32_t,
                 RegistryKey* key) override {
        const QString id = keyId(root, subKey);
        if (!keys_.contains(id)) {
            return kErrorFileNotFound;
        }
        *key = ++lastHandle_;
        open_.insert(*key, id);
        return kErrorSuccess;
    }

    long queryValue(RegistryKey key, const QString& name, std::uint32_t* type, QByteArray& buffer,
                    std::uint32_t* size) override {
        if (!open_.contains(key)) {
            return kErrorInvalidHandle;
        }
        const auto& values = keys_[open_.value(key)];
        const auto it = values.find(name.toLower());
        if (it == values.end()) {
            return kErrorFileNotFound;
        }
        if (it->data.size() > buffer.size()) {
            return kErrorMoreData;
        }
        buffer.replace(0, it->data.size(), it->data);
        *type = it->type;
        *size = static_cast<std::uint32_t>(it->data.size());
        return kErrorSuccess;
    }

    long closeKey(RegistryKey key) override {
        return open_.remove(key) ? kErrorSuccess : kErrorInvalidHandle;
    }

    // Keys opened and not closed yet.
    qsizetype openKeys() const { return open_.size(); }

private:
    static QString keyId(std::uint32_t root, const QString& subKey) {
        return QString::number(root, 16) + u'\\' + subKey.toLower();
    }
    QHash<QString, QHash<QString, Value>> keys_;
    QHash<RegistryKey, QString> open_;
    RegistryKey lastHandle_ = 0;
};

}  // namespace plenarvo::platform
