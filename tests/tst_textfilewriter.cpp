#include "TestFiles.h"

#include "platform/QtTextFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <dlfcn.h>

// The disk's answers to syncs, as this program decides them: the writer calls these in place
// of the C library's, which lets the tests play a file system that cannot sync, or one that
// lost a write.
namespace {

bool syncfsFails = false;
QByteArray fsyncFailsFor; // a staged file whose content starts so is not put on disk

int realFsync(int fd)
{
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

// The writer's file may be open for writing only, so it is read through a name of its own.
bool startsWithFailingContent(int fd)
{
    if (fsyncFailsFor.isEmpty())
        return false;
    QFile file(QStringLiteral("/proc/self/fd/%1").arg(fd));
    return file.open(QIODevice::ReadOnly) && file.read(fsyncFailsFor.size()) == fsyncFailsFor;
}

} // namespace

extern "C" int syncfs(int fd)
{
    using Syncfs = int (*)(int);
    static const auto real = reinterpret_cast<Syncfs>(::dlsym(RTLD_NEXT, "syncfs"));
    if (syncfsFails) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int fsync(int fd)
{
    if (startsWithFailingContent(fd)) {
        errno = EIO;
        return -1;
    }
    return realFsync(fd);
}

namespace {

QByteArray contents(const QString &path)
{
    return fileContents(path, "(missing)");
}

} // namespace

class TestTextFileWriter : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        syncfsFails = false;
        fsyncFailsFor.clear();
    }

    // What cannot be synced is not put in place: the file it would replace stays as it was and
    // its temporary file is gone, while the other files of the batch are written.
    void onlyTextsOnDiskArePutInPlace_data()
    {
        QTest::addColumn<bool>("fileSystemSyncFails");
        QTest::newRow("the file system's sync works") << false;
        QTest::newRow("only files sync one by one") << true;
    }
    void onlyTextsOnDiskArePutInPlace()
    {
        QFETCH(bool, fileSystemSyncFails);
        QTemporaryDir folder;
        QFile old(folder.filePath("b.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old b") == 5);
        old.close();

        syncfsFails = fileSystemSyncFails;
        fsyncFailsFor = fileSystemSyncFails ? "lost" : "";
        QtTextFileWriter writer;
        QString error;
        QVERIFY(writer.stageFile(folder.filePath("a.txt"), "new a", error));
        QVERIFY(writer.stageFile(folder.filePath("b.txt"), "lost b", error));
        QVERIFY(writer.stageFile(folder.filePath("c.txt"), "new c", error));
        const std::vector<std::optional<QString>> outcomes = writer.commitStaged();

        QCOMPARE(outcomes.size(), size_t(3));
        QVERIFY(!outcomes[0] && !outcomes[2]);
        QCOMPARE(contents(folder.filePath("a.txt")), "new a");
        QCOMPARE(contents(folder.filePath("c.txt")), "new c");
        if (fileSystemSyncFails) {
            QVERIFY(outcomes[1]);
            QCOMPARE(*outcomes[1], "its text could not be put on disk: Input/output error");
            QCOMPARE(contents(folder.filePath("b.txt")), "old b");
        } else {
            QVERIFY(!outcomes[1]);
            QCOMPARE(contents(folder.filePath("b.txt")), "lost b");
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"a.txt", "b.txt", "c.txt"}));
    }

    // Below an output folder the missing folders are made, and no link is followed at any
    // depth, nor a path that climbs out.
    void writesBelowAFolderWithoutFollowingLinks()
    {
        QTemporaryDir folder;
        const QString out = folder.filePath("out");
        QVERIFY(QDir().mkpath(out + "/a") && QDir().mkpath(folder.filePath("victim")));
        QVERIFY(QFile::link(folder.filePath("victim"), out + "/a/linked"));
        QtTextFileWriter writer;
        QString error;
        QVERIFY(writer.stageFileBelow(out, "a/new/deep/x.txt", "x", error));
        QVERIFY(!writer.stageFileBelow(out, "a/linked/deeper/y.txt", "y", error));
        QCOMPARE(error, "its folder " + out + "/a/linked is a link; nothing is written through it");
        QVERIFY(!writer.stageFileBelow(out, "a/../../z.txt", "z", error));
        QCOMPARE(error, "its folder " + out + "/a/.. is not below the output folder");
        QCOMPARE(writer.commitStaged().size(), size_t(1));
        QCOMPARE(contents(out + "/a/new/deep/x.txt"), "x");
        QCOMPARE(QDir(folder.filePath("victim")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(!QFile::exists(folder.filePath("z.txt")));
    }
};

QTEST_GUILESS_MAIN(TestTextFileWriter)
#include "tst_textfilewriter.moc"
