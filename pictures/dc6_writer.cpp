#include "pictures/dc6_writer.h"

#include <algorithm>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

constexpr std::uint8_t endOfRow = 0x80;
constexpr std::size_t longestRun = 0x7F;
constexpr std::uint64_t fileHeaderBytes = 24;
constexpr std::uint8_t termination = 0xEE;

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint64_t frameCount(std::uint32_t directions, std::uint32_t framesPerDirection)
{
    if (directions == 0 || framesPerDirection == 0)
        throw std::out_of_range("a DC6 file needs at least one direction of one frame");
    return std::uint64_t{directions} * framesPerDirection;
}

}  // namespace

std::vector<std::uint8_t> encodeDc6Pixels(const Dc6Frame& frame)
{
    std::vector<std::uint8_t> out;
    const auto width = static_cast<std::size_t>(frame.width);
    for (std::int32_t y = frame.height - 1; y >= 0; --y) {
        const auto row = std::span(frame.indices).subspan(static_cast<std::size_t>(y) * width, width);
        for (std::size_t x = 0; x < width;) {
            const bool skip = row[x] == 0;
            std::size_t run = 1;
            while (x + run < width && (row[x + run] == 0) == skip)
                ++run;
            if (skip && x + run == width)
                break;  // the end of the row says the rest is transparent
            for (std::size_t left = run; left > 0;) {
                const std::size_t part = std::min(left, longestRun);
                if (skip) {
                    out.push_back(static_cast<std::uint8_t>(0x80 | part));
                } else {
                    out.push_back(static_cast<std::uint8_t>(part));
                    const auto from = row.begin() + static_cast<std::ptrdiff_t>(x + run - left);
                    out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(part));
                }
                left -= part;
            }
            x += run;
        }
        out.push_back(endOfRow);
    }
    return out;
}

Dc6Writer::Dc6Writer(std::uint32_t directions, std::uint32_t framesPerDirection, ByteSink& sink)
    : sink_(sink), directions_(directions), framesPerDirection_(framesPerDirection),
      end_(fileHeaderBytes + 4 * frameCount(directions, framesPerDirection))
{
}

void Dc6Writer::writeFrame(const Dc6Frame& frame)
{
    if (pointers_.size() == frameCount(directions_, framesPerDirection_))
        throw std::out_of_range("a DC6 file of " + std::to_string(pointers_.size()) + " frames given one more");
    if (frame.width < 0 || frame.height < 0
        || frame.indices.size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
        throw std::out_of_range("a DC6 frame of " + std::to_string(frame.width) + " x " + std::to_string(frame.height)
                                + " pixels given " + std::to_string(frame.indices.size()));
    const std::vector<std::uint8_t> pixels = encodeDc6Pixels(frame);
    std::vector<std::uint8_t> block;
    for (const std::int32_t field : {0, frame.width, frame.height, frame.offsetX, frame.offsetY, 0, 0})
        put32(block, static_cast<std::uint32_t>(field));  // flip 0: rows from the bottom; unknown, next block 0
    put32(block, static_cast<std::uint32_t>(pixels.size()));
    block.insert(block.end(), pixels.begin(), pixels.end());
    block.insert(block.end(), 3, termination);
    if (end_ + block.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::overflow_error("a DC6 file cannot pass 4 GiB");

    pointers_.push_back(static_cast<std::uint32_t>(end_));
    if (sink_.canSeek())
        sink_.writeAt(end_, block);
    else
        pending_.insert(pending_.end(), block.begin(), block.end());
    end_ += block.size();
}

void Dc6Writer::finish()
{
    if (pointers_.size() != frameCount(directions_, framesPerDirection_))
        throw std::out_of_range("a DC6 file finished after " + std::to_string(pointers_.size()) + " of "
                                + std::to_string(frameCount(directions_, framesPerDirection_)) + " frames");
    std::vector<std::uint8_t> head;
    put32(head, 6);  // version
    put32(head, 1);  // flags: serialised, as the game's own files have it
    put32(head, 0);  // encoding
    head.insert(head.end(), 4, termination);
    put32(head, directions_);
    put32(head, framesPerDirection_);
    for (const std::uint32_t pointer : pointers_)
        put32(head, pointer);
    sink_.writeAt(0, head);
    if (!sink_.canSeek())
        sink_.writeAt(head.size(), pending_);
}

}  // namespace palshift
