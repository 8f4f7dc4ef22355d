#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace palshift::test {

// Sets free a reader that blocks in opening the FIFO at path: a minute after it starts, unless
// destroyed first, it writes bytes into the FIFO if a reader waits there. freed() tells whether one
// did, which no load on the machine can fake, as a clock could; a reader that does not wait costs
// the test no time.
class LateWriter {
public:
    LateWriter(const QString& path, QByteArray bytes)
        : thread_([this, path = QFile::encodeName(path), bytes = std::move(bytes)](std::stop_token stop) {
              std::mutex mutex;
              std::unique_lock lock(mutex);
              std::condition_variable_any idle;
              if (idle.wait_for(lock, stop, std::chrono::minutes(1), [&stop] { return stop.stop_requested(); }))
                  return;
              const int fifo = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
              if (fifo >= 0) {
                  freed_ = true;
                  [[maybe_unused]] const ssize_t written = ::write(fifo, bytes.constData(), std::size_t(bytes.size()));
                  ::close(fifo);
              }
          })
    {
    }

    bool freed() const { return freed_; }

private:
    std::atomic<bool> freed_ = false;
    std::jthread thread_;  // declared last: stopped and joined before freed_ goes
};

}  // namespace palshift::test
