#pragma once

#include <QByteArray>

#include <sys/stat.h>

/// A path that may be longer than the system takes in one call (PATH_MAX, ENAMETOOLONG), opened
/// as one call would open it: the folders of its front are opened in pieces shorter than that,
/// each piece from the folder the piece before led to, and the rest is looked up from the last
/// of them. Each piece is looked up as that part of the whole path would be: every link on the
/// way followed, ".." the parent of the folder reached, not of the name before it. A path short
/// enough as it is opens nothing on the way.
class LongPath
{
public:
    explicit LongPath(const QByteArray &path);
    ~LongPath();

    LongPath(const LongPath &) = delete;
    LongPath &operator=(const LongPath &) = delete;

    /// As open(path, flags): the descriptor, or -1 with errno set.
    int open(int flags) const;

    /// As stat(path, &status), which follows a final link: false with errno set.
    bool status(struct stat &status) const;

private:
    int m_folder;      ///< where the rest is looked up from: an open descriptor, or AT_FDCWD
    QByteArray m_rest; ///< what is left of the path, shorter than PATH_MAX
    int m_error = 0;   ///< why a folder of the front could not be opened
};
