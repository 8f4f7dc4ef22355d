#include "platform/regular_file.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

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
    auto refusals = std::async(std::launch::async, [&] {
        std::vector<std::string> messages;
        for (const auto& [file, message] : cases)
            messages.push_back(test::fileErrorOf([&] { RegularFile opened(file); }));
        return messages;
    });
    if (refusals.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the FIFO was opened and waited on";
        ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK));  // sets the reader free
    }
    const std::vector<std::string> messages = refusals.get();
    for (std::size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(messages[k], cases[k].second.arg(cases[k].first).toStdString());

    test::writeBytes(dir.filePath("file"), "some bytes");
    RegularFile file(dir.filePath("file"));
    EXPECT_EQ(file.size(), 10);
    EXPECT_EQ(file.read(4), "some");
    EXPECT_EQ(file.read(100), "some bytes");
}

}  // namespace palshift
