#pragma once

#include "convert/conversion_state.h"
#include "convert/status_line.h"
#include "palettes/palette_lookup.h"
#include "platform/file_error.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace palshift::test {

struct RecordingStatusLine : StatusLine {
    void setText(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

// The indices of an 8-bit picture, row by row.
inline std::vector<int> indicesOf(const QImage& picture)
{
    std::vector<int> indices;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            indices.push_back(picture.pixelIndex(x, y));
    return indices;
}

// picture as Qt's writer of format gives it, at quality (or the writer's own), progressive if asked.
inline QByteArray encoded(const QImage& picture, const char* format, int quality = -1, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(picture)) << format << ": " << qPrintable(writer.errorString());
    return buffer.data();
}

inline QRgb grey(int level, int alpha = 255) { return qRgba(level, level, level, alpha); }

inline QByteArray readBytes(const QString& file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : "(cannot read " + file.toUtf8() + ")";
}

inline void writeBytes(const QString& file, const QByteArray& bytes)
{
    QFile output(file);
    EXPECT_TRUE(output.open(QIODevice::WriteOnly) && output.write(bytes) == bytes.size()) << qPrintable(file);
}

// The message of the FileError that calling throwing gives, or "(nothing thrown)".
inline std::string fileErrorOf(const std::function<void()>& throwing)
{
    try {
        throwing();
    } catch (const FileError& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

// Should whatever is under test open the FIFO at path for reading, which waits for a writer, opens
// it for writing after 20 seconds, so that the test goes on to fail (fired()) rather than hang.
class FifoWatchdog {
public:
    explicit FifoWatchdog(const QString& path)
        : thread_([path = QFile::encodeName(path), this] {
              std::unique_lock lock(mutex_);
              if (!woken_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
                  fired_ = true;
                  ::close(::open(path.constData(), O_WRONLY | O_NONBLOCK));
              }
          })
    {
    }
    ~FifoWatchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        woken_.notify_all();
        thread_.join();
    }
    bool fired() const { return fired_; }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool done_ = false;
    std::atomic<bool> fired_ = false;
    std::thread thread_;
};

// How a program ran: its exit code and what it wrote.
struct Outcome {
    int exitCode = -1;
    QString out, err;
};

// Where and how runProgram runs a program: its folder, files for its standard output (appended to,
// so that no file is emptied first) and input, extra "NAME=value" variables, a limit to its memory,
// and a change made in the child just before it starts.
struct RunOptions {
    QString folder{}, output{}, input{};
    QStringList environment{};
    rlim_t memory = RLIM_INFINITY;
    std::function<void()> inChild{};
    int timeoutMs = 60000;
};

// Runs program (looked up on PATH unless it is a path) with arguments; a run that does not finish
// normally fails the test.
inline Outcome runProgram(const QString& program, const QStringList& arguments, const RunOptions& options = {})
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : options.environment)
        variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process.setProcessEnvironment(variables);
    process.setWorkingDirectory(options.folder);
    if (!options.output.isEmpty())
        process.setStandardOutputFile(options.output, QIODevice::Append);
    if (!options.input.isEmpty())
        process.setStandardInputFile(options.input);
    process.setChildProcessModifier([&options] {
        const rlimit limit{options.memory, options.memory};
        ::setrlimit(RLIMIT_AS, &limit);
        if (options.inChild)
            options.inChild();
    });
    const QString found = program.contains('/') ? program : QStandardPaths::findExecutable(program);
    EXPECT_FALSE(found.isEmpty()) << qPrintable(program) << " is missing; scripts/setup.sh installs it";
    process.start(found, arguments);
    EXPECT_TRUE(process.waitForFinished(options.timeoutMs) && process.exitStatus() == QProcess::NormalExit)
        << qPrintable(program + ' ' + arguments.join(' ')) << " did not finish normally";
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

static_assert(sizeof(Palette) == 768);  // red, green, blue per entry, as a palette file holds them
inline QByteArray paletteBytes(const Palette& palette) { return {reinterpret_cast<const char*>(palette.data()), sizeof palette}; }

// Diablo 1: 1 red, 2 green, 3 blue, the rest black. Diablo 2: grey but 4 near black, 7 near red, 9
// near green, 11 near blue.
inline std::pair<Palette, Palette> primaryPalettes()
{
    Palette source{}, target{};
    source[1] = {255, 0, 0}, source[2] = {0, 255, 0}, source[3] = {0, 0, 255};
    target.fill({128, 128, 128});
    target[4] = {5, 5, 5}, target[7] = {250, 10, 10}, target[9] = {10, 250, 10}, target[11] = {10, 10, 250};
    return {source, target};
}

// A source and a target palette written as diablo.pal and diablo2.pal in a folder of their own.
struct PaletteFolder {
    explicit PaletteFolder(const std::pair<Palette, Palette>& palettes)
    {
        writeBytes(files.source, paletteBytes(palettes.first));
        writeBytes(files.target, paletteBytes(palettes.second));
    }

    QTemporaryDir dir;
    PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
};

// Entry k is grey k: each grey is its own nearest entry.
inline Palette greyPalette()
{
    Palette palette{};
    for (std::size_t k = 0; k < 256; ++k)
        palette[k] = {std::uint8_t(k), std::uint8_t(k), std::uint8_t(k)};
    return palette;
}

// Entry k is red k, green 255 - k, blue 7 k modulo 256: no two entries alike.
inline Palette distinctPalette()
{
    Palette palette{};
    for (std::size_t k = 0; k < 256; ++k)
        palette[k] = {std::uint8_t(k), std::uint8_t(255 - k), std::uint8_t(7 * k)};
    return palette;
}

// A byte span over the bytes of a QByteArray (which must outlive it).
inline std::span<const std::uint8_t> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

// Every entry one of `colours` colours whose channels come from a handful of levels, so that repeated
// colours and equal distances are common.
inline Palette coarsePalette(std::mt19937& random, int colours)
{
    static constexpr std::uint8_t levels[] = {0, 10, 20, 30, 255};
    std::uniform_int_distribution<int> level(0, 4), pick(0, colours - 1);
    Palette chosen{}, palette{};
    for (int c = 0; c < colours; ++c)
        chosen[std::size_t(c)] = {levels[level(random)], levels[level(random)], levels[level(random)]};
    for (Rgb& entry : palette)
        entry = chosen[std::size_t(pick(random))];
    return palette;
}

}  // namespace palshift::test
