// POSIX: xxHash's XXH3-128 for the runs' journals; Qt's SHA-256 for the undo of journals that
// earlier versions wrote.
#include "file/ContentHash.h"

#include <QCryptographicHash>

#define XXH_INLINE_ALL
#include <xxhash.h>

struct ContentHash::State
{
    // Only the kind asked for: a run makes one for every page it writes.
    explicit State(Kind chosen) : kind(chosen)
    {
        if (chosen == Kind::Sha256)
            sha256.emplace(QCryptographicHash::Sha256);
        else
            XXH3_128bits_reset(&xxh3);
    }
    Kind kind;
    std::optional<QCryptographicHash> sha256;
    XXH3_state_t xxh3;
};

ContentHash::Kind ContentHash::kept()
{
    return Kind::Xxh3_128;
}

ContentHash::ContentHash(Kind kind) : m_state(std::make_unique<State>(kind)) {}

ContentHash::~ContentHash() = default;

void ContentHash::addData(const char *data, qsizetype size)
{
    if (m_state->kind == Kind::Sha256)
        m_state->sha256->addData(QByteArrayView(data, size));
    else
        XXH3_128bits_update(&m_state->xxh3, data, size_t(size));
}

QByteArray ContentHash::result()
{
    if (m_state->kind == Kind::Sha256)
        return m_state->sha256->result();
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&m_state->xxh3));
    return QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest);
}
