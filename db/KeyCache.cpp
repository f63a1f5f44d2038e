#include "db/KeyCache.h"

#include <sodium.h>
#include <sqlite3.h>

#include <openssl/evp.h>

#include <QFile>

#include <array>
#include <mutex>

namespace dao::keys {

namespace {

// SQLCipher 3's defaults, the file format of every diary.
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
constexpr int kRounds = 64000;
constexpr std::size_t kKeptKeys = 8;
// x' + 64 hex digits + '
constexpr std::size_t kRawKeyTextBytes = 2 + 2 * kKeyBytes + 1;

struct Entry {
    std::array<unsigned char, crypto_generichash_BYTES> id; // hash of password and salt
    std::array<unsigned char, kKeyBytes> key;
    bool confirmed;
};

// The kept keys, in memory that is never swapped out and is wiped when freed.
class Store {
public:
    Store() {
        if (sodium_init() >= 0)
            m_entries = static_cast<Entry*>(sodium_allocarray(kKeptKeys, sizeof(Entry)));
        if (m_entries)
            sodium_memzero(m_entries, kKeptKeys * sizeof(Entry));
    }
    ~Store() {
        if (m_entries)
            sodium_free(m_entries);
    }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Writes the raw-key text for (password, salt) into text; false when no key can be kept.
    bool rawKeyText(const QByteArray& password, const QByteArray& salt, char* text) {
        if (!m_entries)
            return false;
        const auto id = identify(password, salt);
        std::lock_guard lock(m_mutex);
        Entry* entry = find(id);
        if (!entry) {
            entry = slotFor();
            if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                                       reinterpret_cast<const unsigned char*>(salt.constData()), int(salt.size()),
                                       kRounds, kKeyBytes, entry->key.data()) != 1) {
                sodium_memzero(entry, sizeof(Entry));
                return false;
            }
            entry->id = id;
            entry->confirmed = false;
        }
        text[0] = 'x';
        text[1] = '\'';
        sodium_bin2hex(text + 2, 2 * kKeyBytes + 1, entry->key.data(), kKeyBytes);
        text[kRawKeyTextBytes - 1] = '\'';
        return true;
    }

    void confirm(const QByteArray& password, const QByteArray& salt) {
        if (!m_entries)
            return;
        const auto id = identify(password, salt);
        std::lock_guard lock(m_mutex);
        if (Entry* entry = find(id))
            entry->confirmed = true;
    }

private:
    static std::array<unsigned char, crypto_generichash_BYTES> identify(const QByteArray& password,
                                                                        const QByteArray& salt) {
        std::array<unsigned char, crypto_generichash_BYTES> id;
        crypto_generichash_state state;
        crypto_generichash_init(&state, nullptr, 0, id.size());
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(salt.constData()),
                                  std::size_t(salt.size()));
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(password.constData()),
                                  std::size_t(password.size()));
        crypto_generichash_final(&state, id.data(), id.size());
        return id;
    }

    Entry* find(const std::array<unsigned char, crypto_generichash_BYTES>& id) {
        for (std::size_t i = 0; i < m_used; ++i) {
            if (sodium_memcmp(m_entries[i].id.data(), id.data(), id.size()) == 0)
                return &m_entries[i];
        }
        return nullptr;
    }

    // A free slot; when all are taken, one whose key never opened a file, else the oldest.
    Entry* slotFor() {
        if (m_used < kKeptKeys)
            return &m_entries[m_used++];
        for (std::size_t i = 0; i < kKeptKeys; ++i) {
            if (!m_entries[i].confirmed)
                return &m_entries[i];
        }
        std::move(m_entries + 1, m_entries + kKeptKeys, m_entries);
        return &m_entries[kKeptKeys - 1];
    }

    std::mutex m_mutex;
    Entry* m_entries = nullptr;
    std::size_t m_used = 0;
};

Store& store() {
    static Store instance;
    return instance;
}

} // namespace

QByteArray saltOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray salt = file.read(kSaltBytes);
    return salt.size() == kSaltBytes ? salt : QByteArray();
}

int applyKey(void* sqliteHandle, const QByteArray& password, const QByteArray& salt) {
    auto* handle = static_cast<sqlite3*>(sqliteHandle);
    if (!salt.isEmpty()) {
        char text[kRawKeyTextBytes + 1];
        if (store().rawKeyText(password, salt, text)) {
            const int rc = sqlite3_key(handle, text, int(kRawKeyTextBytes));
            sodium_memzero(text, sizeof text);
            return rc;
        }
    }
    return sqlite3_key(handle, password.constData(), int(password.size()));
}

void keyWorked(const QByteArray& password, const QByteArray& salt) {
    if (!salt.isEmpty())
        store().confirm(password, salt);
}

QByteArray rawKeyTextForTests(const QByteArray& password, const QByteArray& salt) {
    char text[kRawKeyTextBytes + 1];
    if (!store().rawKeyText(password, salt, text))
        return QByteArray();
    QByteArray result(text, int(kRawKeyTextBytes));
    sodium_memzero(text, sizeof text);
    return result;
}

} // namespace dao::keys
