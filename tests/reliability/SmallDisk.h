#pragma once

#include <QString>

/// A small tmpfs mounted for one test, unmounted when the object goes, whatever happened. Its
/// space is counted in whole pages, so it can be filled to the last byte and given back one page
/// at a time. Needs root (or CAP_SYS_ADMIN).
class SmallDisk
{
public:
    static constexpr qint64 PageBytes = 4096;

    /// Mounts a tmpfs of sizeBytes on the existing, empty folder mountPoint.
    SmallDisk(const QString &mountPoint, qint64 sizeBytes);
    ~SmallDisk();

    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    /// Empty when mounted, else why not ("Operation not permitted").
    const QString &error() const { return m_error; }

    /// Fills every free page with a filler file in the root of the disk. False when the disk
    /// could not be filled completely.
    bool fill();

    /// Frees pages of the filler file.
    bool free(qint64 pages);

    /// The pages an unprivileged writer could still get, or -1.
    qint64 freePages() const;

private:
    QString m_mountPoint;
    QString m_error;
    bool m_mounted = false;
    qint64 m_fillerBytes = 0;
};
