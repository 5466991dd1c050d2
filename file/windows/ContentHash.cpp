// Windows: Qt's SHA-256, which runs here keep. XXH3-128 is kept only by runs on POSIX, whose
// journals a Windows undo never reads; asked for, it gives an empty digest, which matches none.
#include "file/ContentHash.h"

#include <QCryptographicHash>

struct ContentHash::State
{
    explicit State(Kind chosen) : kind(chosen) {}
    Kind kind;
    QCryptographicHash sha256{QCryptographicHash::Sha256};
};

ContentHash::Kind ContentHash::kept()
{
    return Kind::Sha256;
}

ContentHash::ContentHash(Kind kind) : m_state(std::make_unique<State>(kind)) {}

ContentHash::~ContentHash() = default;

void ContentHash::addData(const char *data, qsizetype size)
{
    m_state->sha256.addData(QByteArrayView(data, size));
}

QByteArray ContentHash::result()
{
    return m_state->kind == Kind::Sha256 ? m_state->sha256.result() : QByteArray();
}
