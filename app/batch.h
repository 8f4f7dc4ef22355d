#pragma once

#include "convert/conversion_job.h"
#include "convert/result_held.h"

#include <QSize>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

namespace palshift {

// A size in bytes as "1048576", "900K", "512M", "4G" or "1T" (powers of 1024, either case);
// nullopt unless it is a whole, positive number that fits.
std::optional<qint64> parseMemorySize(const QString& text);

// "3.0 GiB", "512.0 MiB", "12.5 KiB", "100 bytes".
QString memorySizeText(qint64 bytes);

// Half the physical memory, or of the control group's limit where that is lower.
qint64 defaultMemoryBudget();

// The most memory one conversion holds at once for a picture read row by row by a streaming
// reader: a few rows and the result. (platform/decoded_peak.h has it for a picture decoded whole.)
qint64 estimatedStreamingPeakBytes(QSize size, ResultHeld held = ResultHeld::Chunk);

// The same from the picture file's header, read without decoding, for the reader that will take
// it; 0 when the header tells nothing or the file is not a regular one (the loading then says
// what is wrong). With a transparent entry, a PNG whose colour key or palette alpha Qt's decoder
// must turn into alpha is decoded whole and its result held whole.
qint64 estimatedPeakBytes(const QString& picture, ResultHeld held = ResultHeld::Chunk, bool transparentEntry = false);

// Runs work(0) to work(count - 1) on up to `threads` threads, in order, never starting one while
// the estimates of those running and its own would exceed budget. A job whose own estimate exceeds
// the budget does not run: refuse(job, estimate) instead. work and refuse must not throw.
void runWithinBudget(std::size_t count, std::size_t threads, qint64 budget,
                     const std::function<qint64(std::size_t)>& estimate,
                     const std::function<void(std::size_t)>& work,
                     const std::function<void(std::size_t, qint64)>& refuse);

}  // namespace palshift
