#include "convert/fused_convert.h"

#include "convert/colour_hash.h"
#include "convert/colour_lookup.h"
#include "convert/nearest_colour.h"
#include "convert/nearest_target.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"

#include <QImage>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace palshift {

namespace {

// Per source entry the word of its pixels: the colour Picture2 shows, the target entry << 32 and the
// source entry << 48. One table read gives a pixel all it needs.
using EntryWords = std::array<std::uint64_t, 256>;

EntryWords entryWordsOf(const ConversionState& state)
{
    const std::array<std::uint8_t, 256> nearest = nearestTargets(state.SourcePal, state.TargetPal);
    EntryWords words{};
    for (std::size_t s = 0; s < 256; ++s) {
        const Rgb& colour = state.TargetPal[nearest[s]];
        words[s] = qRgb(colour.red, colour.green, colour.blue) | std::uint64_t{nearest[s]} << 32 | std::uint64_t{s} << 48;
    }
    return words;
}

// The lowest source entry of each colour, keyed as a QImage's 32-bit pixels hold colours.
ColourHash sourceHash(const Palette& source)
{
    std::array<std::uint32_t, 256> keys{};
    std::array<std::uint8_t, 256> entries{};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        keys[entry] = qRgb(source[entry].red, source[entry].green, source[entry].blue) & 0xFFFFFFu;
        entries[entry] = static_cast<std::uint8_t>(entry);
    }
    return ColourHash(keys, entries);
}

// A map element that no step wrote holds 0 to 255; anything else stops the remap as CreateNewPal does.
void checkEntries(std::uint16_t allBits, std::int32_t y)
{
    if (allBits > 255)
        throw std::out_of_range("source index map row " + std::to_string(y) + " holds a value that is no palette entry");
}

// Each part of a pixel's word (see EntryWords) goes to its own row.
template <typename WordOf>
void fillRow(std::int32_t columns, std::int16_t* source, std::int16_t* target, QRgb* painted, WordOf wordOf)
{
    std::int32_t x = 0;
#ifdef __SSE2__
    // Eight pixels at a time: each part of their words gathered into one register and stored whole,
    // four stores where one at a time takes twenty-four.
    const auto store = [](void* at, __m128i value) { _mm_storeu_si128(static_cast<__m128i*>(at), value); };
    const auto pair = [&](std::int32_t at) {
        const __m128i words = _mm_set_epi64x(static_cast<long long>(wordOf(at + 1)), static_cast<long long>(wordOf(at)));
        return _mm_shuffle_epi32(words, _MM_SHUFFLE(3, 1, 2, 0));  // both colours, then both entry pairs
    };
    for (; x + 8 <= columns; x += 8) {
        const __m128i p01 = pair(x), p23 = pair(x + 2), p45 = pair(x + 4), p67 = pair(x + 6);
        // Each 32-bit lane: target | source << 16; both 16-bit values come back exactly from the shifts.
        const __m128i entries03 = _mm_unpackhi_epi64(p01, p23), entries47 = _mm_unpackhi_epi64(p45, p67);
        store(source + x, _mm_packs_epi32(_mm_srai_epi32(entries03, 16), _mm_srai_epi32(entries47, 16)));
        store(target + x, _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(entries03, 16), 16),
                                          _mm_srai_epi32(_mm_slli_epi32(entries47, 16), 16)));
        store(painted + x, _mm_unpacklo_epi64(p01, p23));
        store(painted + x + 4, _mm_unpacklo_epi64(p45, p67));
    }
#endif
    for (; x < columns; ++x) {
        const std::uint64_t word = wordOf(x);
        source[x] = static_cast<std::int16_t>(word >> 48);
        target[x] = static_cast<std::int16_t>(word >> 32);
        painted[x] = static_cast<QRgb>(word);
    }
}

// Where each row of the pass reads and writes, found beforehand on the calling thread: the surfaces
// are not to be asked for rows from several threads at once.
struct PassRows {
    PassRows(ConversionState& state, const QImage& image, ImageSurface& picture2, std::int32_t rows)
    {
        const auto count = static_cast<std::size_t>(rows);
        in.reserve(count), source.reserve(count), target.reserve(count), painted.reserve(count);
        for (std::int32_t y = 0; y < rows; ++y) {
            in.push_back(image.constScanLine(y));
            source.push_back(state.SourceIndexMap.row(y).data());
            target.push_back(state.TargetIndexMap.row(y).data());
            painted.push_back(picture2.paintScanLine(y));
        }
    }

    std::vector<const uchar*> in;
    std::vector<std::int16_t*> source, target;
    std::vector<QRgb*> painted;
};

// Does row y and gives its count of unmatched pixels, or throws.
using RowPass = std::function<std::int64_t(std::int32_t y)>;

// Below this many pixels a pass takes a millisecond or so: starting threads would cost more than it saves.
constexpr std::int64_t smallPicture = 256 * 1024;

int helperThreadsFor(std::int32_t columns, std::int32_t rows)
{
    if (std::int64_t{columns} * rows < smallPicture)
        return 0;
    // The cores this process may run on (taskset and container limits count), 1 when unknown.
    return std::clamp(QThread::idealThreadCount(), 1, 8) - 1;
}

// Runs pass over rows 0 to rows - 1 and gives the sum of what it gave. With helper threads the rows go
// out in chunks, in order, to whichever thread is free, so that a core busy with other work holds
// nobody up. Whatever the threads, progress is told on the calling thread for every row in order, and a
// row that throws ends the run as on one thread: the rows before it told, its exception rethrown. An
// exception from progress (a cancel) stops the helpers and is rethrown once they have stopped.
std::int64_t overRows(std::int32_t columns, std::int32_t rows, const RowPass& pass, const StepProgress& progress)
{
    const int helpers = helperThreadsFor(columns, rows);
    if (helpers == 0) {
        std::int64_t unmatched = 0;
        for (std::int32_t y = 0; y < rows; ++y) {
            unmatched += pass(y);
            if (progress)
                progress(y + 1, rows);
        }
        return unmatched;
    }

    // Chunks of about 64 K pixels: a tenth of a millisecond each, and many more of them than threads.
    const std::int32_t chunkRows = std::max<std::int32_t>(1, 65536 / columns);
    const std::int32_t chunks = (rows + chunkRows - 1) / chunkRows;
    const auto firstRowOf = [chunkRows](std::int32_t chunk) { return chunk * chunkRows; };
    const auto endRowOf = [chunkRows, rows](std::int32_t chunk) { return std::min((chunk + 1) * chunkRows, rows); };
    std::atomic<std::int32_t> nextChunk = 0;
    std::atomic<bool> stop = false;
    std::atomic<std::int64_t> unmatched = 0;
    std::vector<std::atomic<bool>> chunkDone(static_cast<std::size_t>(chunks));
    std::mutex failureLock;
    std::int32_t failedRow = rows;  // the lowest row that threw, and what it threw
    std::exception_ptr failure;

    std::int32_t toldChunks = 0;
    // Tells progress of the finished chunks that follow those told already.
    const auto tell = [&] {
        for (; toldChunks < chunks && chunkDone[static_cast<std::size_t>(toldChunks)].load(std::memory_order_acquire); ++toldChunks)
            for (std::int32_t y = firstRowOf(toldChunks); y < endRowOf(toldChunks); ++y)
                progress(y + 1, rows);
    };
    // A thread takes a chunk only while nobody has stopped, and finishes every chunk it takes: every
    // chunk before one that threw is finished.
    const auto work = [&](bool tells) {
        while (!stop) {
            const std::int32_t chunk = nextChunk++;
            if (chunk >= chunks)
                break;
            std::int32_t y = firstRowOf(chunk);
            std::int64_t chunkUnmatched = 0;
            try {
                for (; y < endRowOf(chunk); ++y)
                    chunkUnmatched += pass(y);
            } catch (...) {
                const std::lock_guard locked(failureLock);
                if (y < failedRow) {
                    failedRow = y;
                    failure = std::current_exception();
                }
                stop = true;
            }
            unmatched += chunkUnmatched;
            if (y == endRowOf(chunk))
                chunkDone[static_cast<std::size_t>(chunk)].store(true, std::memory_order_release);
            if (tells)
                tell();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(helpers));
    const auto joinAll = [&] {
        for (std::thread& thread : threads)
            thread.join();
    };
    try {
        for (int helper = 0; helper < helpers; ++helper) {
            try {
                threads.emplace_back(work, false);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: those there are do the work
            }
        }
        work(bool(progress));
    } catch (...) {
        stop = true;
        joinAll();
        throw;
    }
    joinAll();
    if (progress) {
        tell();
        for (std::int32_t y = firstRowOf(toldChunks); y < failedRow; ++y)
            progress(y + 1, rows);
    }
    if (failure)
        std::rethrow_exception(failure);
    return unmatched;
}

// The pixels of a row that match no source colour: each keeps the element an earlier run left.
struct UnmatchedInRow {
    const std::int16_t* kept;
    const EntryWords& wordOfEntry;
    std::int32_t count = 0;
    std::uint16_t allBits = 0;  // of every kept element, for checkEntries

    std::uint64_t word(std::int32_t x)
    {
        const auto s = static_cast<std::uint16_t>(kept[x]);
        allBits |= s;
        ++count;
        return wordOfEntry[s & 0xFFu] | std::uint64_t{s} << 48;  // s & 0xFF: bits of s already
    }
};

void passOverColours(ConversionState& state, const QImage& image, ImageSurface& picture2, const EntryWords& wordOfEntry,
                     std::int32_t columns, std::int32_t rows, const StepProgress& progress)
{
    const ColourHash hash = sourceHash(state.SourcePal);
    const PassRows where(state, image, picture2, rows);
    const RowPass row = [&](std::int32_t y) -> std::int64_t {
        const auto at = static_cast<std::size_t>(y);
        const auto* const pixels = reinterpret_cast<const QRgb*>(where.in[at]);
        UnmatchedInRow unmatched{where.source[at], wordOfEntry};
        fillRow(columns, where.source[at], where.target[at], where.painted[at], [&](std::int32_t x) {
            const std::uint32_t key = pixels[x] & 0xFFFFFFu;
            const std::uint32_t slot = hash.slot(key);
            if (ColourHash::holds(slot, key)) [[likely]]
                return wordOfEntry[slot >> 24];
            return unmatched.word(x);
        });
        checkEntries(unmatched.allBits, y);
        return unmatched.count;
    };
    state.unmatchedPixels = overRows(columns, rows, row, progress);
}

void passOverIndices(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, const EntryWords& wordOfEntry,
                     std::int32_t columns, std::int32_t rows, const StepProgress& progress)
{
    const ColourLookup lookup(state.SourcePal);
    // Per index the word of its pixels; an index of no source colour has 0xFFFF for its source entry.
    std::array<std::uint64_t, 256> wordOfIndex{};
    bool anyUnmatched = false;
    for (std::size_t index = 0; index < 256; ++index) {
        const int entry = lookup.lowestEntry((*picture1.indexedColours())[index]);
        anyUnmatched = anyUnmatched || entry < 0;
        wordOfIndex[index] = entry < 0 ? 0xFFFF'0000'0000'0000u : wordOfEntry[static_cast<std::size_t>(entry)];
    }

    const PassRows where(state, picture1.image(), picture2, rows);
    const RowPass row = [&](std::int32_t y) -> std::int64_t {
        const auto at = static_cast<std::size_t>(y);
        const std::uint8_t* const indices = where.in[at];
        if (!anyUnmatched) {
            // Every pixel's word follows from its index alone.
            fillRow(columns, where.source[at], where.target[at], where.painted[at],
                    [&](std::int32_t x) { return wordOfIndex[indices[x]]; });
            return 0;
        }
        UnmatchedInRow unmatched{where.source[at], wordOfEntry};
        fillRow(columns, where.source[at], where.target[at], where.painted[at], [&](std::int32_t x) {
            const std::uint64_t word = wordOfIndex[indices[x]];
            return word >> 48 != 0xFFFFu ? word : unmatched.word(x);
        });
        checkEntries(unmatched.allBits, y);
        return unmatched.count;
    };
    state.unmatchedPixels = overRows(columns, rows, row, progress);
}

bool fitsOnePass(const ConversionState& state, const ImageSurface& picture1, const ImageSurface& picture2)
{
    const auto [columns, rows] = pixelExtent(picture1);
    const QImage& image = picture1.image();
    const bool readable = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_RGB32
                          || image.format() == QImage::Format_ARGB32;
    return columns > 0 && rows > 0 && readable && image.width() == columns && image.height() == rows
           && state.SourceIndexMap.width() >= columns && state.SourceIndexMap.height() >= rows
           && state.TargetIndexMap.width() >= columns && state.TargetIndexMap.height() >= rows
           && picture2.width() == columns && picture2.height() == rows;
}

}  // namespace

void identifyRemapAndPaint(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2,
                           const StepProgress& progress)
{
    if (!fitsOnePass(state, picture1, picture2)) {
        InitPicturePal(state, picture1, progress);
        CreateNewPal(state, picture1, progress);
        SilentStatusLine silent;
        drawPic(state, picture1, picture2, silent, progress);
        return;
    }
    const auto [columns, rows] = pixelExtent(picture1);
    const EntryWords words = entryWordsOf(state);
    if (picture1.indexedColours())
        passOverIndices(state, picture1, picture2, words, columns, rows, progress);
    else
        passOverColours(state, picture1.image(), picture2, words, columns, rows, progress);

    // CreateNewPal leaves the distances of the last pixel it remapped.
    const std::int16_t last = state.SourceIndexMap.at(columns - 1, rows - 1);
    nearestEntry(state.SourcePal[static_cast<std::size_t>(last)], state.TargetPal,
                 {state.RedDist, state.GreenDist, state.BlueDist, state.TotalDist});
}

void convertInOnePass(ConversionState& state, const ImageSurface& picture1, ImageSurface& picture2, StatusLine& status,
                      const PaletteFiles& files, const StepProgress& progress,
                      const std::optional<PaletteFormats>& formats)
{
    readPals(state, status, files, formats);
    if (!fitsOnePass(state, picture1, picture2)) {
        status.setText("Intializing Picture Pal");
        InitPicturePal(state, picture1, progress);
        status.setText("Ready...");
        newPal(state, picture1, status, progress);
        drawPic(state, picture1, picture2, status, progress);
        return;
    }
    status.setText("Intializing Picture Pal");
    picture2.setVisible(false);
    try {
        identifyRemapAndPaint(state, picture1, picture2, progress);
    } catch (...) {
        picture2.setVisible(true);
        throw;
    }
    status.setText("Ready...");
    status.setText("Creating Pal...");
    status.setText("Ready...");
    status.setText("Drawing Pic...");
    picture2.setVisible(true);
    status.setText("Ready...");
}

}  // namespace palshift
