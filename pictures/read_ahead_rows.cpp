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

void ReadAheadRows::readAll()
{
    const auto height = static_cast<std::size_t>(rows_->height());
    for (std::size_t read = 0, next = 0; read < height; ++next) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || next - consumed_ < batchCount; });
            if (stopping_)
                return;
        }
        Batch& batch = batches_[next % batchCount];
        batch.rows = 0;
        try {
            for (; batch.rows < rowsPerBatch_ && read < height; ++batch.rows, ++read) {
                const std::span<const std::uint8_t> row = rows_->nextRow();
                std::memcpy(batch.bytes.data() + batch.rows * rowBytes_, row.data(), rowBytes_);
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
