#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// While set, the flush of a file's data fails with this error.
std::atomic<int> failingSync = 0;

}  // namespace

// Stands in for the C library's, which the program reaches through this executable's symbols.
extern "C" int fdatasync(int fd)
{
    if (const int error = failingSync.load()) {
        errno = error;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

namespace palshift {

namespace {

using Temporary = AtomicFile::Temporary;

QString filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name).join(' ');
}

mode_t modeOf(const QString& file)
{
    struct stat status{};
    EXPECT_EQ(::lstat(qPrintable(file), &status), 0) << qPrintable(file);
    return status.st_mode;
}

class AtomicFileTest : public testing::TestWithParam<Temporary> {
protected:
    QTemporaryDir dir;
    const QString target = dir.filePath("out.bmp");
};

}  // namespace

// Several writes make one file, which replaces the old one only at commit, keeping its mode bits
// (a new file takes 0666 less the umask).
TEST_P(AtomicFileTest, ReplacesTheTargetOnlyWhenCommitted)
{
    const mode_t umaskBefore = ::umask(027);
    {
        AtomicFile file(target, GetParam());
        file.write(test::bytesOf("new "));
        file.write(test::bytesOf("file"));
        EXPECT_FALSE(QFileInfo::exists(target));
        file.commit();
    }
    EXPECT_EQ(test::readBytes(target), "new file");
    EXPECT_EQ(modeOf(target) & 07777, 0640u);
    ::umask(umaskBefore);

    // Written through a symbolic link, which stays one, to a file that keeps its mode.
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.bmp")) && ::chmod(qPrintable(target), 0604) == 0);
    AtomicFile file(dir.filePath("link.bmp"), GetParam());
    file.write(test::bytesOf("through the link"));
    file.commit();
    EXPECT_TRUE(S_ISLNK(modeOf(dir.filePath("link.bmp"))));
    EXPECT_EQ(test::readBytes(target), "through the link");
    EXPECT_EQ(modeOf(target) & 07777, 0604u);

    // A link to nothing yet makes the file it points at, relative to its own folder, as a shell would.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("sub")) && ::symlink("../new.bmp", qPrintable(dir.filePath("sub/dangling.bmp"))) == 0);
    AtomicFile dangling(dir.filePath("sub/dangling.bmp"), GetParam());
    dangling.write(test::bytesOf("made where it points"));
    dangling.commit();
    EXPECT_TRUE(S_ISLNK(modeOf(dir.filePath("sub/dangling.bmp"))));
    EXPECT_EQ(test::readBytes(dir.filePath("new.bmp")), "made where it points");
}

// The data is flushed to disk before the rename makes it the file: a failed flush fails the save and
// leaves the earlier file, and nothing else.
TEST_P(AtomicFileTest, FlushesTheDataBeforeTheRename)
{
    test::writeBytes(target, "earlier");
    {
        AtomicFile file(target, GetParam());
        file.write(test::bytesOf("new file"));
        failingSync = EIO;
        EXPECT_EQ(test::fileErrorOf([&] { file.commit(); }), "Cannot write " + target.toStdString() + ": Input/output error");
        failingSync = 0;
    }
    EXPECT_EQ(test::readBytes(target), "earlier");
    EXPECT_EQ(filesIn(dir.path()), "out.bmp");
}

// A save removes from its folder the temporaries that saves of this machine left when their process
// ended (killed), and nothing else: not a running writer's, not another machine's, not what only
// looks like one, not a link or a folder, not another user's.
TEST_P(AtomicFileTest, RemovesOnlyTemporariesWhoseWriterEnded)
{
    QString tagged;
    {
        AtomicFile probe(dir.filePath("probe.bmp"), Temporary::Named);
        tagged = filesIn(dir.path());
    }
    const QStringList ours = tagged.split('-');  // probe.bmp.palshift, writer, pid, start, letters
    ASSERT_EQ(ours.size(), 5) << qPrintable(tagged);
    const QString writer = ours[1], pid = ours[2], start = ours[3];
    const auto name = [](const QString& file, const QString& writer, const QString& pid, const QString& start) {
        return QStringList{file + ".palshift", writer, pid, start, "aB3dE9"}.join('-');
    };
    const QString otherWriter = QString(writer).replace(0, 1, writer[0] == '0' ? "1" : "0");
    const QString folder = dir.filePath("shared");
    ASSERT_TRUE(QDir().mkdir(folder));
    const auto make = [&](const QString& file) { test::writeBytes(folder + '/' + file, "left"); };
    make(name("ended.bmp", writer, "99999999", start));
    make(name("reused.bmp", writer, pid, QString::number(start.toULongLong() + 1)));
    make(name("running.bmp", writer, pid, start));
    make(name("elsewhere.bmp", otherWriter, "99999999", start));
    make(name("lookalike.bmp", writer, "99999999", start) + "x");
    ASSERT_TRUE(QDir().mkdir(folder + '/' + name("folder.bmp", writer, "99999999", start)));
    ASSERT_EQ(::symlink(qPrintable(name("running.bmp", writer, pid, start)), qPrintable(folder + '/' + name("link.bmp", writer, "99999999", start))), 0);
    const QString foreign = name("foreign.bmp", writer, "99999999", start);
    make(foreign);
    if (::chown(qPrintable(folder + '/' + foreign), ::geteuid() + 1, ::getegid()) != 0)
        QFile::remove(folder + '/' + foreign);  // only root gives a file away
    const QString kept = filesIn(folder).remove(name("ended.bmp", writer, "99999999", start) + ' ')
                             .remove(name("reused.bmp", writer, pid, QString::number(start.toULongLong() + 1)) + ' ');

    AtomicFile file(folder + "/out.bmp", GetParam());
    file.write(test::bytesOf("new"));
    file.commit();
    EXPECT_EQ(filesIn(folder).remove("out.bmp "), kept);
    EXPECT_TRUE(QFileInfo(folder + '/' + name("folder.bmp", writer, "99999999", start)).isDir());

    // A name with no room for the tag still saves, through an untagged temporary.
    const QString lengthy = folder + '/' + QString(244, 'n') + ".bmp";
    AtomicFile longer(lengthy, GetParam());
    longer.write(test::bytesOf("long"));
    longer.commit();
    EXPECT_EQ(test::readBytes(lengthy), "long");
}

INSTANTIATE_TEST_SUITE_P(AtomicFile, AtomicFileTest, testing::Values(Temporary::Anonymous, Temporary::Named),
                         [](const auto& info) { return info.param == Temporary::Anonymous ? "Anonymous" : "Named"; });

// What is not a regular file is refused before anything is written and left as it was.
TEST(AtomicFile, RefusesWhatIsNotARegularFile)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    EXPECT_EQ(test::fileErrorOf([&] { AtomicFile file(fifo); }), "Cannot write " + fifo.toStdString() + ": it is a FIFO, not a regular file");
    EXPECT_EQ(filesIn(dir.path()), "fifo");
    const QString missing = dir.filePath("no/such/folder/out.bmp");
    EXPECT_EQ(test::fileErrorOf([&] { AtomicFile file(missing, Temporary::Named); }),
              "Cannot write " + missing.toStdString() + ": No such file or directory");
}

// SIGINT and SIGTERM during a save remove its temporary file and end with 128 + the signal.
TEST(AtomicFile, AnInterruptedSaveLeavesNoTemporary)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("out.bmp");
    test::writeBytes(target, "earlier");
    const auto interruptedSave = [&] {
        installSaveSignalHandlers();
        AtomicFile file(target, Temporary::Named);
        file.write(test::bytesOf("half of it"));
        std::fprintf(stderr, "%s", qPrintable(filesIn(dir.path())));  // the temporary is there
        std::raise(SIGINT);
    };
    EXPECT_EXIT(interruptedSave(), testing::ExitedWithCode(128 + SIGINT), "out\\.bmp out\\.bmp\\.palshift-[0-9a-f]{16}-[0-9]+-[0-9]+-[a-zA-Z0-9]{6}");
    EXPECT_EQ(filesIn(dir.path()), "out.bmp");

    // A signal while the temporary is made, before it is announced, waits for the announcement.
    const auto interruptedNaming = [&] {
        installSaveSignalHandlers();
        setSaveNamingHook([] { std::raise(SIGTERM); });
        AtomicFile file(target, Temporary::Named);
        std::fprintf(stderr, "not interrupted");
    };
    EXPECT_EXIT(interruptedNaming(), testing::ExitedWithCode(128 + SIGTERM), "^$");
    EXPECT_EQ(filesIn(dir.path()), "out.bmp");
}

}  // namespace palshift
