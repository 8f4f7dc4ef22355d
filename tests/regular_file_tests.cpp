#include "platform/regular_file.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <sys/stat.h>

namespace palshift {

// What is not a regular file is refused at once, by its kind: a FIFO is never opened, which would
// wait for a writer. A regular file is read up to the size asked.
TEST(RegularFile, RefusesWhatIsNotOneWithoutWaiting)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.png"), missing = dir.filePath("missing.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::pair<QString, QString> cases[] = {
        {fifo, "Cannot open %1: it is a FIFO, not a file"}, {dir.path(), "Cannot open %1: it is a folder, not a file"},
        {"/dev/zero", "Cannot open %1: it is a character device, not a file"}, {missing, "Cannot open %1: No such file or directory"}};
    const test::FifoWatchdog watchdog(fifo);
    for (const auto& [path, message] : cases) {
        const QString& name = path;  // clang 14 cannot capture a structured binding
        EXPECT_EQ(test::fileErrorOf([&] { RegularFile opened(name); }), message.arg(name).toStdString());
    }
    EXPECT_FALSE(watchdog.fired()) << "the FIFO was opened and waited on";

    test::writeBytes(dir.filePath("file"), "some bytes");
    RegularFile file(dir.filePath("file"));
    EXPECT_EQ(file.size(), 10);
    EXPECT_EQ(file.read(4), "some");
    EXPECT_EQ(file.read(100), "some bytes");
}

}  // namespace palshift
