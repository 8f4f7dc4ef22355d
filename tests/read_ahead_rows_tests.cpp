#include "pictures/read_ahead_rows.h"
#include "platform/file_error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace palshift {

namespace {

// Rows of 3 RGB pixels, row y's bytes all y; fails at row failAt. Counts the rows read in read, and
// reads none while read is negative.
class CountingRows final : public RowSource {
public:
    CountingRows(std::int32_t height, std::int32_t failAt, std::atomic<int>& read) : height_(height), failAt_(failAt), read_(read) {}
    ~CountingRows() override { EXPECT_LE(failures_, 1) << "read on after failing"; }
    std::int32_t width() const override { return 3; }
    std::int32_t height() const override { return height_; }
    PixelLayout layout() const override { return PixelLayout::Rgb8; }
    std::span<const std::uint8_t> nextRow() override
    {
        while (read_ < 0)
            std::this_thread::yield();
        if (next_ == failAt_ && ++failures_ > 0)
            throw FileError(QStringLiteral("c.png"), QStringLiteral("Cannot decode c.png: damaged"));
        row_.fill(static_cast<std::uint8_t>(next_++));
        ++read_;
        return row_;
    }

private:
    std::int32_t height_, failAt_, next_ = 0, failures_ = 0;
    std::atomic<int>& read_;
    std::array<std::uint8_t, 9> row_{};
};

}  // namespace

// Rows come in order across batches of every fill, the source's failure after the rows before it,
// whether it ends a batch, falls within one or comes first.
TEST(ReadAheadRows, GivesRowsThenTheFailureInOrder)
{
    for (const std::int32_t failAt : {-1, 0, 1, 5, 6, 7, 40}) {
        std::atomic<int> read = 0;
        ReadAheadRows rows(std::make_unique<CountingRows>(41, failAt, read), 2 * 9 + 5);  // 2 rows a batch
        std::int32_t given = 0;
        try {
            for (; given < 41; ++given) {
                const auto row = rows.nextRow();
                ASSERT_EQ(row.size(), 9u);
                ASSERT_EQ(std::count(row.begin(), row.end(), std::uint8_t(given)), 9) << "row " << given;
            }
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Cannot decode c.png: damaged");
        }
        EXPECT_EQ(given, failAt < 0 ? 41 : failAt) << "failing at " << failAt;
        if (failAt < 0) {
            EXPECT_THROW(rows.nextRow(), std::out_of_range);
        }
    }
}

// Work shared with the reading thread comes back with the row it was done on; here the consumer
// asks for no row before the reader has read it, so the reader is ahead and takes some of it.
TEST(ReadAheadRows, GivesEachRowsSharedWorkWithIt)
{
    std::atomic<int> read = -1;
    ReadAheadRows rows(std::make_unique<CountingRows>(41, -1, read), 2 * 9);
    rows.shareRowWork([](std::span<const std::uint8_t> row, std::span<std::uint8_t> out) {
        out[0] = static_cast<std::uint8_t>(row[0] + 100);
        return std::int64_t{row[0]} * 2;
    }, 1);
    read = 0;
    int shared = 0;
    for (int y = 0; y < 41; ++y) {
        while (read <= y)
            std::this_thread::yield();
        const auto row = rows.nextRow();
        std::array<std::uint8_t, 1> out{};
        if (const std::optional<std::int64_t> count = rows.sharedWorkOfLastRow(out)) {
            ++shared;
            EXPECT_EQ(std::tuple(row[0], *count, out[0]), std::tuple(std::uint8_t(y), 2 * y, std::uint8_t(y + 100)));
        }
    }
    EXPECT_GT(shared, 0);
}

// A conversion that stops early (a refused picture, a failed save) stops the reading: no more than
// the batches in flight are read, and nothing waits forever.
TEST(ReadAheadRows, StopsReadingWhenDestroyed)
{
    std::atomic<int> read = 0;
    {
        ReadAheadRows rows(std::make_unique<CountingRows>(100000, -1, read), 9);  // 1 row a batch
        rows.nextRow();
    }
    EXPECT_LE(read.load(), 6);
}

}  // namespace palshift
