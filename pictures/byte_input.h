#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace palshift {

// Bytes read in order from a file or from memory; readers take this, so that a fuzzer can feed
// them bytes directly.
class ByteInput {
public:
    virtual ~ByteInput() = default;

    // The name errors give (the file's path).
    virtual const QString& name() const = 0;
    // The whole input's size in bytes.
    virtual std::uint64_t size() const = 0;
    // Fills the front of into; fewer bytes only at the end of the input. Throws FileError.
    virtual std::size_t read(std::span<std::uint8_t> into) = 0;
};

class MemoryInput final : public ByteInput {
public:
    MemoryInput(std::span<const std::uint8_t> bytes, QString name) : bytes_(bytes), name_(std::move(name)) {}
    const QString& name() const override { return name_; }
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::span<std::uint8_t> into) override;

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
    QString name_;
};

// A regular file, read through a buffer of its own.
class FileInput final : public ByteInput {
public:
    // Throws FileError "Cannot open <file>: <reason>", also for anything but a regular file.
    explicit FileInput(const QString& file);
    ~FileInput() override;
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    const QString& name() const override { return name_; }
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::span<std::uint8_t> into) override;

private:
    std::size_t readFile(std::uint8_t* into, std::size_t count);

    QString name_;
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
};

}  // namespace palshift
