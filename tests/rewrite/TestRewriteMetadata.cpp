// What RewriteFile keeps of a file besides its text: permissions, owner, extended attributes,
// other names. After every case the folder must hold no scratch file.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");
const QByteArray before("<p>old text</p>\r\n<p>old</p>");
const QByteArray after("<p>new text</p>\r\n<p>new</p>");

RewriteResult rewrite(const QString &path)
{
    ReplacementTexts texts(QStringLiteral("old"), QStringLiteral("new"));
    return RewriteFile(path, texts);
}

struct stat statOf(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        info.st_mode = 0;
    return info;
}

mode_t modeOf(const QString &path)
{
    return statOf(path).st_mode & 07777;
}

bool isRoot()
{
    return ::geteuid() == 0;
}

// A POSIX ACL as the kernel stores it in system.posix_acl_access: a version, then entries of
// tag, permissions and id, ordered by tag.
QByteArray aclValue(std::initializer_list<std::tuple<quint16, quint16, quint32>> entries)
{
    QByteArray value;
    const auto append = [&value](auto number) {
        value.append(reinterpret_cast<const char *>(&number), sizeof number);
    };
    append(qToLittleEndian(quint32(2)));
    for (const auto &[tag, permissions, id] : entries) {
        append(qToLittleEndian(tag));
        append(qToLittleEndian(permissions));
        append(qToLittleEndian(id));
    }
    return value;
}

QByteArray attribute(const QString &path, const char *name)
{
    QByteArray value(4096, '\0');
    const ssize_t size =
        ::getxattr(QFile::encodeName(path).constData(), name, value.data(), size_t(value.size()));
    return size < 0 ? QByteArray() : value.left(size);
}

} // namespace

class TestRewriteMetadata : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void permissionsKept_data();
    void permissionsKept();
    void ownerKept();
    void extendedAttributesKept_data();
    void extendedAttributesKept();
    void folderDefaultAclNotTaken();
    void readOnlyNotOverwritten_data();
    void readOnlyNotOverwritten();
    void hardLinkedFile_data();
    void hardLinkedFile();
    void symbolicLinkReplacesTarget();
};

void TestRewriteMetadata::permissionsKept_data()
{
    QTest::addColumn<uint>("mode");

    QTest::addRow("0640") << 0640u;
    QTest::addRow("0600") << 0600u;
    QTest::addRow("0755") << 0755u;
    QTest::addRow("setgid 02664") << 02664u;
    QTest::addRow("setuid 04755") << 04755u;
}

void TestRewriteMetadata::permissionsKept()
{
    QFETCH(uint, mode);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QString path = fixture.path(fileName);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
    QCOMPARE(modeOf(path), mode);
    QCOMPARE(rewrite(path).status, Status::Changed);
    QCOMPARE(fixture.read(fileName), after);
    QCOMPARE(modeOf(path), mode);
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

void TestRewriteMetadata::ownerKept()
{
    if (!isRoot())
        QSKIP("changing the owner of a file needs root");
    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QByteArray path = QFile::encodeName(fixture.path(fileName));
    QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(path.constData(), 02640), 0); // a change of owner would clear setgid
    QCOMPARE(rewrite(fixture.path(fileName)).status, Status::Changed);
    QCOMPARE(fixture.read(fileName), after);
    const struct stat info = statOf(fixture.path(fileName));
    QCOMPARE(info.st_uid, uid_t(65534));
    QCOMPARE(info.st_gid, gid_t(65534));
    QCOMPARE(info.st_mode & 07777, mode_t(02640));
}

void TestRewriteMetadata::extendedAttributesKept_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");

    QTest::addRow("user attribute")
        << QByteArray("user.tagmender") << QByteArray("kept\0value", 10);
    // owner rw, user 65534 r, group r, mask r, others nothing
    QTest::addRow("access ACL") << QByteArray("system.posix_acl_access")
                                << aclValue({{0x01, 6, quint32(-1)},
                                             {0x02, 4, 65534},
                                             {0x04, 4, quint32(-1)},
                                             {0x10, 4, quint32(-1)},
                                             {0x20, 0, quint32(-1)}});
}

void TestRewriteMetadata::extendedAttributesKept()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QString path = fixture.path(fileName);
    if (::setxattr(QFile::encodeName(path).constData(), name.constData(), value.constData(),
                   size_t(value.size()), 0) != 0)
        QSKIP(qPrintable(QStringLiteral("the file system refuses the attribute: ") +
                         qt_error_string(errno)));
    const QByteArray stored = attribute(path, name.constData());
    const mode_t mode = modeOf(path);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(rewrite(path).status, Status::Changed);
    QCOMPARE(fixture.read(fileName), after);
    QCOMPARE(attribute(path, name.constData()), stored);
    QCOMPARE(modeOf(path), mode);
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

// A scratch file made in a folder with a default ACL gets an access ACL from it; the file
// being replaced had none, so the new file must not have one either.
void TestRewriteMetadata::folderDefaultAclNotTaken()
{
    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QByteArray defaultAcl = aclValue({{0x01, 7, quint32(-1)},
                                            {0x02, 7, 65534},
                                            {0x04, 5, quint32(-1)},
                                            {0x10, 7, quint32(-1)},
                                            {0x20, 5, quint32(-1)}});
    if (::setxattr(QFile::encodeName(fixture.folder()).constData(), "system.posix_acl_default",
                   defaultAcl.constData(), size_t(defaultAcl.size()), 0) != 0)
        QSKIP("the file system has no POSIX ACLs");
    const QString path = fixture.path(fileName);
    QVERIFY(attribute(path, "system.posix_acl_access").isNull());
    const mode_t mode = modeOf(path);
    QCOMPARE(rewrite(path).status, Status::Changed);
    QCOMPARE(fixture.read(fileName), after);
    QVERIFY(attribute(path, "system.posix_acl_access").isNull());
    QCOMPARE(modeOf(path), mode);
}

void TestRewriteMetadata::readOnlyNotOverwritten_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Status>("status");

    QTest::addRow("with occurrence") << before << Status::Failed;
    QTest::addRow("without occurrence") << QByteArray("<p>none</p>") << Status::Unchanged;
}

void TestRewriteMetadata::readOnlyNotOverwritten()
{
    QFETCH(QByteArray, content);
    QFETCH(Status, status);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, content));
    const QString path = fixture.path(fileName);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const RewriteResult result = rewrite(path); // root could write it: the bits decide
    QCOMPARE(result.status, status);
    QCOMPARE(result.reason,
             status == Status::Failed ? QStringLiteral("the file is read-only") : QString());
    QCOMPARE(fixture.read(fileName), content);
    QCOMPARE(modeOf(path), mode_t(0444));
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

void TestRewriteMetadata::hardLinkedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Status>("status");

    QTest::addRow("with occurrence") << before << Status::Failed;
    QTest::addRow("without occurrence") << QByteArray("<p>none</p>") << Status::Unchanged;
}

void TestRewriteMetadata::hardLinkedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(Status, status);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, content));
    const QString other = QStringLiteral("y.htm");
    QCOMPARE(::link(QFile::encodeName(fixture.path(fileName)).constData(),
                    QFile::encodeName(fixture.path(other)).constData()),
             0);
    const RewriteResult result = rewrite(fixture.path(fileName));
    QCOMPARE(result.status, status);
    if (status == Status::Failed)
        QVERIFY2(result.reason.contains(QStringLiteral("hard link")), qPrintable(result.reason));
    QCOMPARE(fixture.read(fileName), content);
    QCOMPARE(fixture.read(other), content);
    QCOMPARE(statOf(fixture.path(fileName)).st_ino, statOf(fixture.path(other)).st_ino);
    QCOMPARE(fixture.entries(), (QStringList{fileName, other}));
}

void TestRewriteMetadata::symbolicLinkReplacesTarget()
{
    RewriteFixture fixture;
    const QString target = QStringLiteral("real.htm");
    QVERIFY(fixture.write(target, before));
    QVERIFY(QFile::link(target, fixture.path(fileName)));
    QCOMPARE(rewrite(fixture.path(fileName)).status, Status::Changed);
    QCOMPARE(fixture.read(target), after);
    QVERIFY(S_ISLNK(statOf(fixture.path(fileName)).st_mode));
    QCOMPARE(fixture.entries(), (QStringList{target, fileName}));
}

QTEST_GUILESS_MAIN(TestRewriteMetadata)
#include "TestRewriteMetadata.moc"
