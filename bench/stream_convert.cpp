// Converts one picture file to an 8-bit BMP through the streaming conversion job, as durably as
// `palshift convert` saves (flushed to disk before it replaces the old file):
//   stream_convert INPUT OUTPUT.bmp [SOURCE.pal TARGET.pal]
// The palettes default to data/diablo.pal and data/diablo2.pal. Prints the reader used and the
// unmatched pixels to stderr.

#include "convert/conversion_job.h"
#include "convert/nearest_colour.h"
#include "convert/palette_file.h"
#include "platform/file_error.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace palshift;

// An unnamed file beside the output, named only once it is whole and on the disk.
class AtomicFileSink final : public ByteSink {
public:
    explicit AtomicFileSink(const QString& output) : output_(output)
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(output).absolutePath());
        descriptor_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        if (descriptor_ < 0)
            fail("Cannot open");
    }
    ~AtomicFileSink() override
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }

    bool canSeek() const override { return true; }
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        while (!bytes.empty()) {
            const ssize_t written = ::pwrite(descriptor_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                fail("Cannot write");
            bytes = bytes.subspan(static_cast<std::size_t>(written));
            offset += static_cast<std::uint64_t>(written);
        }
    }

    void commit()
    {
        if (::fdatasync(descriptor_) != 0)
            fail("Cannot write");
        const QByteArray target = QFile::encodeName(output_);
        const QByteArray temporary = target + ".stream-tmp";
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(descriptor_);
        ::unlink(temporary.constData());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW) != 0)
            fail("Cannot write");
        if (::rename(temporary.constData(), target.constData()) != 0) {
            ::unlink(temporary.constData());
            fail("Cannot write");
        }
    }

private:
    [[noreturn]] void fail(const char* verb) const
    {
        throw FileError(output_, QStringLiteral("%1 %2: %3").arg(QString::fromLatin1(verb), output_,
                                                               QString::fromLocal8Bit(std::strerror(errno))));
    }

    QString output_;
    int descriptor_ = -1;
};

const char* readerName(RowReader reader)
{
    return reader == RowReader::Png ? "png rows" : reader == RowReader::Bmp ? "bmp rows" : "qt";
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);  // as palshift starts
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: stream_convert INPUT OUTPUT.bmp [SOURCE.pal TARGET.pal]\n");
        return 2;
    }
    try {
        const QString data = QStringLiteral(PALSHIFT_DATA_DIR);
        Palette source{}, target{};
        std::int16_t counter = 0;
        readPaletteFile(argc == 5 ? QString::fromLocal8Bit(argv[3]) : data + "/diablo.pal", source, counter);
        readPaletteFile(argc == 5 ? QString::fromLocal8Bit(argv[4]) : data + "/diablo2.pal", target, counter);
        const TargetLookup lookup(source, nearestEntries(source, target));
        AtomicFileSink sink(QString::fromLocal8Bit(argv[2]));
        const JobReport report = convertFile(QString::fromLocal8Bit(argv[1]), lookup, target, sink);
        sink.commit();
        std::fprintf(stderr, "%s: %lld unmatched of %lld pixels\n", readerName(report.reader),
                     static_cast<long long>(report.unmatchedPixels), static_cast<long long>(report.pixels));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "stream_convert: %s\n", failure.what());
        return 1;
    }
    return 0;
}
