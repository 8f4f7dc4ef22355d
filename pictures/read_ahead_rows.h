#pragma once

#include "pictures/row_source.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace palshift {

// Reads another source's rows ahead on a thread of its own, a few batches of rows at a time, so
// that decoding the picture and converting its rows run side by side. Rows and the source's failure
// come in the source's order; destroying it stops the reading.
class ReadAheadRows final : public RowSource {
public:
    explicit ReadAheadRows(std::unique_ptr<RowSource> rows, std::size_t batchBytes = 256 * 1024);
    ~ReadAheadRows() override;
    ReadAheadRows(const ReadAheadRows&) = delete;
    ReadAheadRows& operator=(const ReadAheadRows&) = delete;

    std::int32_t width() const override { return rows_->width(); }
    std::int32_t height() const override { return rows_->height(); }
    PixelLayout layout() const override { return rows_->layout(); }
    const IndexedColours* colourTable() const override { return rows_->colourTable(); }
    bool bottomUp() const override { return rows_->bottomUp(); }
    bool keysTransparency() const override { return rows_->keysTransparency(); }
    std::span<const std::uint8_t> nextRow() override;

    // Work on a row (its look-up) that gives outBytes bytes and a count. Once set, the reading
    // thread does it for every other row of a batch it reads while a whole batch already waits for
    // the consumer. work runs on that thread until this object is destroyed.
    using RowWork = std::function<std::int64_t(std::span<const std::uint8_t> row, std::span<std::uint8_t> out)>;
    void shareRowWork(RowWork work, std::size_t outBytes);
    // For the row nextRow() gave last: when the reading thread did its work, copies the result to
    // out and gives the count.
    std::optional<std::int64_t> sharedWorkOfLastRow(std::span<std::uint8_t> out) const;

private:
    struct Batch {
        std::vector<std::uint8_t> bytes;
        std::size_t rows = 0;
        std::exception_ptr failure;  // after its rows
        std::vector<std::uint8_t> worked;      // outBytes_ a row
        std::vector<std::int64_t> workCounts;  // -1 for a row not worked on
    };
    static constexpr std::size_t batchCount = 4;

    void readAll();

    std::unique_ptr<RowSource> rows_;
    std::size_t rowBytes_;
    std::size_t rowsPerBatch_;
    std::vector<Batch> batches_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t filled_ = 0;    // batches filled by the reader
    std::size_t consumed_ = 0;  // batches given back by the reader's consumer
    bool stopping_ = false;
    RowWork work_;  // set once, under mutex_
    std::size_t outBytes_ = 0;
    std::int32_t given_ = 0;
    std::size_t rowInBatch_ = 0;
    bool holdingBatch_ = false;
    std::thread reader_;
};

}  // namespace palshift
