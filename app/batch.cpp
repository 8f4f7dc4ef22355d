#include "app/batch.h"


#include <QFile>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace palshift {

std::optional<qint64> parseMemorySize(const QString& text)
{
    static constexpr std::string_view units = "KMGT";
    QString digits = text.trimmed();
    int shift = 0;
    if (!digits.isEmpty()) {
        const char16_t last = digits.back().toUpper().unicode();
        const auto unit = last < 128 ? units.find(static_cast<char>(last)) : std::string_view::npos;
        if (unit != std::string_view::npos) {
            shift = 10 * static_cast<int>(unit + 1);
            digits.chop(1);
        }
    }
    bool isNumber = false;
    const qint64 count = digits.toLongLong(&isNumber);
    if (!isNumber || count <= 0 || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })
        || count > (std::numeric_limits<qint64>::max() >> shift))
        return std::nullopt;
    return count << shift;
}

QString memorySizeText(qint64 bytes)
{
    static constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    double size = static_cast<double>(bytes);
    int unit = -1;
    while (size >= 1024 && unit < 3) {
        size /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(size, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

qint64 defaultMemoryBudget()
{
    qint64 memory = qint64{sysconf(_SC_PHYS_PAGES)} * sysconf(_SC_PAGESIZE);
    QFile cgroupLimit(QStringLiteral("/sys/fs/cgroup/memory.max"));  // "max" when there is none
    if (cgroupLimit.open(QIODevice::ReadOnly)) {
        bool isNumber = false;
        const qint64 limit = cgroupLimit.readAll().trimmed().toLongLong(&isNumber);
        if (isNumber && limit > 0)
            memory = std::min(memory, limit);
    }
    return std::max<qint64>(memory / 2, 1);
}

void runWithinBudget(std::size_t count, std::size_t threads, qint64 budget,
                     const std::function<qint64(std::size_t)>& estimate,
                     const std::function<void(std::size_t)>& work,
                     const std::function<void(std::size_t, qint64)>& refuse)
{
    std::mutex mutex;
    std::condition_variable released;
    std::size_t nextJob = 0;
    qint64 inUse = 0;

    const auto worker = [&] {
        for (;;) {
            std::unique_lock lock(mutex);
            if (nextJob >= count)
                return;
            const std::size_t job = nextJob++;
            lock.unlock();

            const qint64 need = estimate(job);
            if (need > budget) {
                refuse(job, need);
                continue;
            }
            lock.lock();
            released.wait(lock, [&] { return inUse + need <= budget; });
            inUse += need;
            lock.unlock();

            work(job);

            lock.lock();
            inUse -= need;
            lock.unlock();
            released.notify_all();
        }
    };

    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1)); ++t)
        helpers.emplace_back(worker);
    worker();
}

}  // namespace palshift
