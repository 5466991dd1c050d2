#include "file/ContentHash.h"

std::optional<ContentHash::Kind> ContentHash::kindOf(const QByteArray &digest)
{
    if (digest.size() == 32)
        return Kind::Sha256;
    if (digest.size() == 16)
        return Kind::Xxh3_128;
    return std::nullopt;
}
