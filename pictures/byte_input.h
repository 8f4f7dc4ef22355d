#pragma once

#include <QString>

#include <cstdint>
#include <span>

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

}  // namespace palshift
