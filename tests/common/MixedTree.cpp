#include "MixedTree.h"

#include <QFile>

#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/file.h>
#endif

QList<Page> MixedTree::pages()
{
    const auto utf16 = [](const std::u16string &text) {
        return "\xFF\xFE" +
               QByteArray(reinterpret_cast<const char *>(text.data()), qsizetype(text.size()) * 2);
    };
    const QString deep = QString(90, u'l') + '/' + QString(90, u'l') + '/' + QString(90, u'l');
    return {
        {"a.htm", "Home\r\nHome\r\n", "Start\r\nStart\r\n"},
        {"sub/deeper/b.html", "<p>Home</p>\r\n", "<p>Start</p>\r\n"},
        {"\u00e9\u4e2d/\u00fc.HTM", "Home Home", "Start Start"},
        {"\U0001F600.htm", "\xF0\x9F\x98\x80 Home", "\xF0\x9F\x98\x80 Start"},
        {".hidden.htm", "Home", "Home"},
        {readOnly, "Home", "Home"},
        {deep + "/page.htm", "a Home\r\n", "a Start\r\n"},
        {"utf16.htm", utf16(u"Home\r\n\u4e2d"), utf16(u"Start\r\n\u4e2d")},
        {"1252.htm", "caf\xE9 Home\r\n", "caf\xE9 Start\r\n"},
        {held, "Home", "Home"},
    };
}

bool MixedTree::write(const QString &root)
{
    return TempTree::rebuild(root, pages()) &&
           QFile::setPermissions(root + '/' + readOnly, QFile::ReadOwner | QFile::ReadGroup);
}

QString MixedTree::firstWrong(const QString &root, bool afterRun)
{
    for (const Page &page : pages()) {
        if (TempTree::readFile(root + '/' + page.name) != (afterRun ? page.after : page.before))
            return page.name;
    }
    return {};
}

#ifdef Q_OS_WIN
HeldOpen::HeldOpen(const QString &path)
{
    m_handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    m_held = m_handle != INVALID_HANDLE_VALUE;
}

HeldOpen::~HeldOpen()
{
    if (m_held)
        CloseHandle(m_handle);
}
#else
HeldOpen::HeldOpen(const QString &path)
{
    auto *file = new QFile(path);
    m_handle = file;
    m_held = file->open(QIODevice::ReadOnly) && ::flock(file->handle(), LOCK_EX) == 0;
}

HeldOpen::~HeldOpen()
{
    delete static_cast<QFile *>(m_handle);
}
#endif
