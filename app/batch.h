#pragma once

#include "pictures/memory_estimate.h"

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

// Runs work(0) to work(count - 1) on up to `threads` threads, in order, never starting one while
// the estimates of those running and its own would exceed budget. A job whose own estimate exceeds
// the budget does not run: refuse(job, estimate) instead. work and refuse must not throw.
void runWithinBudget(std::size_t count, std::size_t threads, qint64 budget,
                     const std::function<qint64(std::size_t)>& estimate,
                     const std::function<void(std::size_t)>& work,
                     const std::function<void(std::size_t, qint64)>& refuse);

}  // namespace palshift
