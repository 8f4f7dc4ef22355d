#include "pictures/read_ahead_rows.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace palshift {

ReadAheadRows::ReadAheadRows(std::unique_ptr<RowSource> rows, std::size_t batchBytes)
    : rows_(std::move(rows)),
      rowBytes_(static_cast<std::size_t>(rows_->width()) * static_cast<std::size_t>(bytesPerPixel(rows_->layout()))),
      rowsPerBatch_(std::max<std::size_t>(1, batchBytes / std::max<std::size_t>(rowBytes_, 1))),
      batches_(batchCount)
{
    for (Batch& batch : batches_)
        batch.bytes.resize(rowsPerBatch_ * rowBytes_);
    reader_ = std::thread([this] { readAll(); });
}

ReadAheadRows::~ReadAheadRows()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

void ReadAheadRows::shareRowWork(RowWork work, std::size_t outBytes)
{
    const std::lock_guard lock(mutex_);
    if (work_)
        throw std::logic_error("the rows' work is shared once");
    for (Batch& batch : batches_)
        batch.worked.resize(rowsPerBatch_ * outBytes);
    outBytes_ = outBytes;
    work_ = std::move(work);
}

std::optional<std::int64_t> ReadAheadRows::sharedWorkOfLastRow(std::span<std::uint8_t> out) const
{
    if (!holdingBatch_ || rowInBatch_ == 0)
        return std::nullopt;
    const Batch& batch = batches_[consumed_ % batchCount];
    const std::size_t row = rowInBatch_ - 1;
    if (batch.workCounts.size() <= row || batch.workCounts[row] < 0)
        return std::nullopt;
    std::memcpy(out.data(), batch.worked.data() + row * outBytes_, outBytes_);
    return batch.workCounts[row];
}

void ReadAheadRows::readAll()
{
    const auto height = static_cast<std::size_t>(rows_->height());
    for (std::size_t read = 0, next = 0; read < height; ++next) {
        RowWork work;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || next - consumed_ < batchCount; });
            if (stopping_)
                return;
            // Ahead of the rows' consumer by a whole batch: reading leaves time for some of its work.
            if (work_ && filled_ - consumed_ >= 1)
                work = work_;
        }
        Batch& batch = batches_[next % batchCount];
        batch.rows = 0;
        batch.workCounts.assign(rowsPerBatch_, -1);
        try {
            for (; batch.rows < rowsPerBatch_ && read < height; ++batch.rows, ++read) {
                const std::span<const std::uint8_t> row = rows_->nextRow();
                std::memcpy(batch.bytes.data() + batch.rows * rowBytes_, row.data(), rowBytes_);
                if (work && read % 2 == 1)
                    batch.workCounts[batch.rows] = work(row, std::span(batch.worked).subspan(batch.rows * outBytes_, outBytes_));
            }
        } catch (...) {
            batch.failure = std::current_exception();
            read = height;
        }
        {
            const std::lock_guard lock(mutex_);
            ++filled_;
        }
        changed_.notify_all();
    }
}

std::span<const std::uint8_t> ReadAheadRows::nextRow()
{
    if (given_ >= rows_->height())
        throw std::out_of_range("every row of the picture has been read");
    std::unique_lock lock(mutex_);
    if (holdingBatch_ && rowInBatch_ == batches_[consumed_ % batchCount].rows) {
        if (batches_[consumed_ % batchCount].failure)
            std::rethrow_exception(batches_[consumed_ % batchCount].failure);
        ++consumed_;
        holdingBatch_ = false;
        changed_.notify_all();
    }
    if (!holdingBatch_) {
        changed_.wait(lock, [&] { return filled_ > consumed_; });
        holdingBatch_ = true;
        rowInBatch_ = 0;
    }
    const Batch& batch = batches_[consumed_ % batchCount];
    if (rowInBatch_ == batch.rows)  // the source failed before this batch's first row
        std::rethrow_exception(batch.failure);
    ++given_;
    return std::span(batch.bytes).subspan(rowInBatch_++ * rowBytes_, rowBytes_);
}

}  // namespace palshift
