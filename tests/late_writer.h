#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace palshift::test {

// Two seconds after it starts, writes bytes into the FIFO at path if a reader is waiting there, so
// that a reader that blocks in open is set free (and shows up by the time it took) instead of
// hanging the test.
class LateWriter {
public:
    LateWriter(const QString& path, QByteArray bytes)
        : thread_([path = path.toLocal8Bit(), bytes = std::move(bytes)] {
              std::this_thread::sleep_for(std::chrono::seconds(2));
              const int fifo = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
              if (fifo >= 0) {
                  [[maybe_unused]] const ssize_t written = ::write(fifo, bytes.constData(), std::size_t(bytes.size()));
                  ::close(fifo);
              }
          })
    {
    }

private:
    std::jthread thread_;
};

}  // namespace palshift::test
