#pragma once

#include <QByteArray>

#include <memory>
#include <optional>

/// The hash an undo journal keeps of the bytes a run wrote, by which an undo tells that a page
/// still holds exactly them. Runs on POSIX keep XXH3-128 (16 bytes): it costs a run a small
/// part of what SHA-256 does, and it guards against accidents (a writer that puts the
/// modification time back), not against someone forging a page they may write anyway. Runs on
/// Windows, and journals of earlier versions, keep SHA-256 (32 bytes). A digest's size tells
/// which it is.
class ContentHash
{
public:
    enum class Kind { Sha256, Xxh3_128 };

    /// The kind of a digest, by its size; nothing for a size of neither.
    static std::optional<Kind> kindOf(const QByteArray &digest);
    /// The kind that runs on this platform keep.
    static Kind kept();

    explicit ContentHash(Kind kind);
    ~ContentHash();
    void addData(const char *data, qsizetype size);
    QByteArray result();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
