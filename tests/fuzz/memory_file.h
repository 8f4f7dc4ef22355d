#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace palshift::fuzz {

// A file in memory that the readers open by name like any other: each input is written to it
// whole, and its /proc/self/fd path opens it afresh, from its first byte.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("palshift-fuzz", 0))
    {
        if (fd_ < 0)
            std::abort();
        path_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { close(fd_); }

    void hold(const std::uint8_t* data, std::size_t size)
    {
        if (ftruncate(fd_, 0) != 0)
            std::abort();
        for (std::size_t written = 0; written < size;) {
            const ssize_t n = pwrite(fd_, data + written, size - written, static_cast<off_t>(written));
            if (n <= 0)
                std::abort();
            written += static_cast<std::size_t>(n);
        }
    }

    const QString& path() const { return path_; }

private:
    int fd_;
    QString path_;
};

}  // namespace palshift::fuzz
