#include "app/batch.h"
#include "pictures/memory_estimate.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>


#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace palshift {

TEST(MemorySize, ReadsWholeSizesInPowersOf1024)
{
    EXPECT_EQ(parseMemorySize("900K"), 900 * 1024);
    EXPECT_EQ(parseMemorySize("4g"), qint64{4} << 30);
    for (const char* wrong : {"", "0M", "1.5G", "5MK", "8388608T"})
        EXPECT_EQ(parseMemorySize(wrong), std::nullopt) << wrong;
    EXPECT_EQ(parseMemorySize("8388607T"), qint64{8388607} << 40);  // the largest that fits

    EXPECT_EQ(memorySizeText(1023), "1023 bytes");
    EXPECT_EQ(memorySizeText((qint64{3} << 40) / 2), "1.5 TiB");
}

// Half the memory there is: the machine's, or its control group's limit where that is lower.
TEST(MemorySize, TheDefaultBudgetIsHalfTheMemory)
{
    qint64 memory = 0;
    QFile meminfo("/proc/meminfo");
    ASSERT_TRUE(meminfo.open(QIODevice::ReadOnly));
    for (const QByteArray& line : meminfo.readAll().split('\n'))
        if (line.startsWith("MemTotal:"))
            memory = line.mid(9).chopped(3).trimmed().toLongLong() * 1024;  // "... kB"
    ASSERT_GT(memory, 0);
    QFile cgroup("/sys/fs/cgroup/memory.max");
    if (cgroup.open(QIODevice::ReadOnly))
        if (const qint64 limit = cgroup.readAll().trimmed().toLongLong(); limit > 0)
            memory = std::min(memory, limit);
    EXPECT_EQ(defaultMemoryBudget(), memory / 2);
}

// No less than what a conversion holds at once: the decoded picture with its 32-bit copy, or the
// readable picture (or a few rows) with the result, whole for a pipe. 0 for a size refused.
TEST(MemorySize, EstimatesTheLargestMomentOfAConversion)
{
    const QSize size(1200, 2000);  // a result of twice the MiB of a chunk
    const qint64 pixels = 1200 * 2000;
    EXPECT_GE(estimatedPeakBytes(size, QImage::Format_RGBA64), QImage(size, QImage::Format_RGBA64).sizeInBytes() + 4 * pixels);
    EXPECT_GE(estimatedPeakBytes(size, QImage::Format_Mono, ResultHeld::Whole), 2 * pixels);
    EXPECT_GE(estimatedPeakBytes(size, QImage::Format_ARGB32), 4 * pixels + (1 << 20));
    EXPECT_EQ(estimatedPeakBytes(QSize(16384, 16385), QImage::Format_ARGB32), 0);
    EXPECT_GE(estimatedStreamingPeakBytes(size), 2 * 3 * 1200 + (1 << 20));
    EXPECT_GE(estimatedStreamingPeakBytes(size, ResultHeld::Whole), 2 * 3 * 1200 + pixels);
    EXPECT_EQ(estimatedStreamingPeakBytes(QSize(16384, 16385)), 0);

    // From the header alone, and never by opening a FIFO, which would wait for a writer.
    QTemporaryDir dir;
    ASSERT_EQ(mkfifo(qPrintable(dir.filePath("fifo")), 0600), 0);
    auto estimate = std::async(std::launch::async, [&] { return estimatedPeakBytes(dir.filePath("fifo")); });
    if (estimate.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the estimate opened the FIFO";
        std::abort();
    }
    EXPECT_EQ(estimate.get(), 0);

    // With a transparent entry, a PNG with a colour key is decoded whole and converted whole.
    const QString plain = dir.filePath("plain.png"), keyed = dir.filePath("keyed.png");
    const std::vector<Rgb> palette = {{1, 2, 3}, {4, 5, 6}};
    const std::vector<std::uint8_t> indices(pixels, 1);
    test::writeBytes(plain, test::pngFile(size.width(), size.height(), 3, indices, 0, palette));
    test::writeBytes(keyed, test::pngFile(size.width(), size.height(), 3, indices, 0, palette, {0}));
    const qint64 streamed = estimatedStreamingPeakBytes(size);
    EXPECT_EQ(estimatedPeakBytes(keyed), streamed);
    const QString bmp = dir.filePath("wide.bmp");
    test::writeBytes(bmp, test::bmpFile(size.width(), size.height(), 24, std::vector<std::uint8_t>(3 * pixels), false));
    EXPECT_EQ(estimatedPeakBytes(bmp), streamed);
    EXPECT_EQ(estimatedPeakBytes(plain, ResultHeld::Chunk, true), streamed);
    const qint64 keyedWhole = estimatedPeakBytes(size, QImage::Format_Indexed8, ResultHeld::Whole) + QFileInfo(keyed).size();
    EXPECT_EQ(estimatedPeakBytes(keyed, ResultHeld::Chunk, true), keyedWhole);
    // Bytes after the picture are never read, nor counted.
    const QString tailed = dir.filePath("tailed.png");
    test::writeBytes(tailed, test::readBytes(keyed) + QByteArray(1 << 20, '\0'));
    EXPECT_EQ(estimatedPeakBytes(tailed, ResultHeld::Chunk, true), keyedWhole);
}

namespace {

// How often each job ran, the need each refused job was refused with, and the most needed at once.
struct Outcome {
    std::vector<int> runs;
    std::vector<qint64> refusals;
    qint64 mostAtOnce = 0;
};

Outcome runBatch(const std::vector<qint64>& needs, qint64 budget, std::size_t threads)
{
    Outcome outcome{std::vector<int>(needs.size()), std::vector<qint64>(needs.size())};
    std::mutex mutex;
    qint64 atOnce = 0;
    const auto work = [&](std::size_t job) {
        {
            const std::lock_guard lock(mutex);
            atOnce += needs[job];
            outcome.mostAtOnce = std::max(outcome.mostAtOnce, atOnce);
            ++outcome.runs[job];
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::lock_guard lock(mutex);
        atOnce -= needs[job];
    };
    const auto refuse = [&](std::size_t job, qint64 need) {
        const std::lock_guard lock(mutex);
        outcome.refusals[job] = need;
    };
    auto finished = std::async(std::launch::async, [&] {
        runWithinBudget(needs.size(), threads, budget, [&](std::size_t job) { return needs[job]; }, work, refuse);
    });
    if (finished.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the batch never finished";
        std::abort();  // its threads wait for ever
    }
    return outcome;
}

}  // namespace

// Jobs run together only while their estimates fit the budget; one that alone needs more is
// refused, one that needs exactly the budget runs (alone).
TEST(RunWithinBudget, NeverRunsMoreThanTheBudgetAtOnce)
{
    const Outcome outcome = runBatch({60, 60, 30, 30, 100, 101, 0, 40, 40, 20}, 100, 4);
    EXPECT_EQ(outcome.runs, (std::vector<int>{1, 1, 1, 1, 1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(outcome.refusals, (std::vector<qint64>{0, 0, 0, 0, 0, 101, 0, 0, 0, 0}));
    EXPECT_EQ(outcome.mostAtOnce, 100);  // never more, and several at once: 40 + 40 + 20, or 100 alone

    EXPECT_EQ(runBatch({5, 5, 5}, 100, 1).mostAtOnce, 5);
}

}  // namespace palshift
