#include "convert/source_index_map.h"
#include "platform/file_error.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "late_writer.h"
#include "test_support.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <sys/stat.h>

namespace palshift {

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndian(quint32 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int k = 0; k < size; ++k)
        bytes[k] = char(value >> (8 * k));
    return bytes;
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32(type + data));
}

// A PNG of one row per `width` samples-per-pixel group: grey (one sample a pixel) or RGB (three),
// samples at bitDepth, filter 0, with a tRNS chunk when key is not empty.
QByteArray png(int width, int height, int bitDepth, bool grey, const std::vector<quint16>& samples, const QByteArray& key = {})
{
    const int channels = grey ? 1 : 3;
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        raw.append('\0');
        quint32 bits = 0;
        int pending = 0;
        for (int s = 0; s < width * channels; ++s) {
            const quint16 sample = samples[std::size_t(y * width * channels + s)];
            if (bitDepth == 16) {
                raw.append(char(sample >> 8)).append(char(sample));
                continue;
            }
            bits = (bits << bitDepth) | sample;
            pending += bitDepth;
            if (pending == 8) {
                raw.append(char(bits));
                bits = 0;
                pending = 0;
            }
        }
        if (pending > 0)
            raw.append(char(bits << (8 - pending)));
    }
    const QByteArray header = bigEndian32(quint32(width)) + bigEndian32(quint32(height))
                              + QByteArray(1, char(bitDepth)) + QByteArray(1, char(grey ? 0 : 2)) + QByteArray(3, '\0');
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
           + (key.isEmpty() ? QByteArray() : pngChunk("tRNS", key)) + pngChunk("IDAT", qCompress(raw).mid(4))
           + pngChunk("IEND", {});
}

QByteArray key16(std::initializer_list<quint16> values)
{
    QByteArray bytes;
    for (const quint16 value : values)
        bytes.append(char(value >> 8)).append(char(value));
    return bytes;
}

// A BMP file: the 14-byte file header with offset, then info (the info header, tables) and pixels.
QByteArray bmp(quint32 offset, const QByteArray& info, const QByteArray& pixels)
{
    const quint32 size = quint32(14 + info.size() + pixels.size());
    return "BM" + littleEndian(size, 4) + littleEndian(0, 4) + littleEndian(offset, 4) + info + pixels;
}

QByteArray infoHeader(quint32 size, qint32 width, qint32 height, int bits, int compression, quint32 imageSize, quint32 colours = 0)
{
    QByteArray header = littleEndian(size, 4) + littleEndian(quint32(width), 4) + littleEndian(quint32(height), 4)
                        + littleEndian(1, 2) + littleEndian(quint32(bits), 2) + littleEndian(quint32(compression), 4)
                        + littleEndian(imageSize, 4) + littleEndian(2835, 4) + littleEndian(2835, 4)
                        + littleEndian(colours, 4) + littleEndian(0, 4);
    return header.leftJustified(qsizetype(size), '\0');
}

// The message decodePicture throws, or "" when it decodes the bytes.
std::string refusal(const QByteArray& bytes, const QString& name = "cut.pic")
{
    try {
        decodePicture(bytes, name);
        return {};
    } catch (const FileError& error) {
        EXPECT_EQ(error.file(), name);
        return error.what();
    }
}

std::string loadRefusal(const QString& file)
{
    try {
        loadPicture(file);
        return {};
    } catch (const FileError& error) {
        return error.what();
    }
}

// The SourcePal entries a row of pixels is identified as, and the alpha of each pixel.
std::pair<std::vector<int>, std::vector<int>> identified(const QImage& picture)
{
    ConversionState state;
    state.SourcePal.fill({250, 0, 250});
    const std::pair<int, Rgb> entries[] = {{1, {0, 0, 0}},       {2, {85, 85, 85}},     {3, {170, 170, 170}},
                                           {4, {255, 255, 255}}, {5, {200, 200, 200}},  {6, {17, 17, 17}},
                                           {7, {1, 2, 3}},       {8, {255, 255, 254}},  {9, {1, 1, 1}},
                                           {10, {128, 128, 128}}};
    for (const auto& [entry, colour] : entries)
        state.SourcePal[std::size_t(entry)] = colour;
    const ImageSurface surface(picture);
    dimensionIndexMaps(state, surface);
    InitPicturePal(state, surface);
    std::vector<int> found, alpha;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < picture.width(); ++x) {
        found.push_back(state.SourceIndexMap.at(x, 0));
        alpha.push_back(qAlpha(argb.pixel(x, 0)));
    }
    return {found, alpha};
}

}  // namespace

// A tRNS colour key makes its pixels transparent and keeps their stored colour, in every grey and RGB
// depth; pixels are compared with the key at the file's depth, and 16-bit channels narrow with
// rounding.
TEST(PictureLoading, ColourKeyKeepsTheStoredColourInEveryDepth)
{
    struct Case {
        const char* name;
        QByteArray file;
        std::vector<int> entries, alpha;
    };
    const Case cases[] = {
        {"grey 1", png(4, 1, 1, true, {0, 1, 1, 0}, key16({1})), {1, 4, 4, 1}, {255, 0, 0, 255}},
        {"grey 2", png(4, 1, 2, true, {0, 1, 2, 3}, key16({2})), {1, 2, 3, 4}, {255, 255, 0, 255}},
        {"grey 4", png(4, 1, 4, true, {0, 5, 15, 10}, key16({15})), {1, 2, 4, 3}, {255, 255, 0, 255}},
        {"grey 8", png(4, 1, 8, true, {0, 200, 255, 17}, key16({255})), {1, 5, 4, 6}, {255, 255, 0, 255}},
        {"grey 16", png(4, 1, 16, true, {0xffff, 0xfffe, 0x00c0, 0x8080}, key16({0xffff})), {4, 4, 9, 10}, {0, 255, 255, 255}},
        {"grey 16 low key", png(4, 1, 16, true, {0x00c0, 0x00ff, 0xffff, 0x00c0}, key16({0x00c0})), {9, 9, 4, 9}, {0, 255, 255, 0}},
        {"RGB 8", png(4, 1, 8, false, {255, 255, 255, 1, 2, 3, 255, 255, 254, 0, 0, 0}, key16({255, 255, 255})),
         {4, 7, 8, 1}, {0, 255, 255, 255}},
        {"RGB 16", png(4, 1, 16, false, {0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xfffe, 0x0100, 0x0200, 0x0300, 0x00c0, 0x00c0, 0x00c0},
                       key16({0xffff, 0xffff, 0xffff})),
         {4, 4, 7, 9}, {0, 255, 255, 255}},
    };
    for (const Case& test : cases) {
        const QImage picture = decodePicture(test.file, test.name);
        const auto [entries, alpha] = identified(picture);
        EXPECT_EQ(entries, test.entries) << test.name;
        EXPECT_EQ(alpha, test.alpha) << test.name;
    }
}

// Without a key, or with a palette and a key, pictures decode as Qt gives them.
TEST(PictureLoading, PicturesWithoutAColourKeyKeepTheirColours)
{
    EXPECT_EQ(identified(decodePicture(png(4, 1, 4, true, {0, 5, 15, 10}), "grey.png")),
              std::pair(std::vector{1, 2, 4, 3}, std::vector{255, 255, 255, 255}));
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgba(255, 255, 255, 0), qRgb(17, 17, 17)});
    for (int x = 0; x < 3; ++x)
        indexed.setPixel(x, 0, uint(2 - x));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&buffer, "PNG"));
    EXPECT_EQ(identified(decodePicture(buffer.data(), "palette.png")), std::pair(std::vector{6, 4, 7}, std::vector{255, 0, 255}));
}

// A format without a signature is known by its name; a name that says another format than the bytes
// does not stop them from decoding.
TEST(PictureLoading, KnowsTheFormatByNameThenByContent)
{
    const QByteArray tga = QByteArray::fromHex("000002000000000000000000020001001800" "0a141e 283c50" "0000000000000000")
                           + QByteArray("TRUEVISION-XFILE.", 18);
    EXPECT_EQ(decodePicture(tga, "two.tga").pixel(1, 0), qRgb(80, 60, 40));
    EXPECT_EQ(decodePicture(png(4, 1, 8, true, {0, 200, 255, 17}), "grey.jpg").pixel(1, 0), qRgb(200, 200, 200));
}

// A PNG that ends inside a chunk, or before IEND, is refused; one with bytes after IEND is not.
TEST(PictureLoading, RefusesATruncatedPng)
{
    const QByteArray file = png(4, 1, 8, true, {0, 200, 255, 17});
    const qsizetype iend = file.size() - 12;  // IDAT ends there: signature 8, IHDR 25, IDAT 12 + data
    EXPECT_EQ(refusal(file.left(20)), "cut.pic: truncated: 20 bytes, the picture needs at least 33");
    EXPECT_EQ(refusal(file.left(37)), "cut.pic: truncated: 37 bytes, the picture needs at least 45");
    EXPECT_EQ(refusal(file.left(iend - 1)), QString("cut.pic: truncated: %1 bytes, the picture needs at least %2").arg(iend - 1).arg(iend).toStdString());
    EXPECT_EQ(refusal(file.left(iend)), QString("cut.pic: truncated: %1 bytes, it ends before its IEND chunk").arg(iend).toStdString());
    EXPECT_EQ(refusal(file.left(file.size() - 1)), QString("cut.pic: truncated: %1 bytes, the picture needs at least %2").arg(file.size() - 1).arg(file.size()).toStdString());
    EXPECT_EQ(refusal(file), "");
    EXPECT_EQ(refusal(file + "trailing bytes"), "");
    const QByteArray keyed = png(4, 1, 8, true, {0, 200, 255, 17}, key16({255}));
    EXPECT_EQ(refusal(keyed.left(keyed.size() - 12)), QString("cut.pic: truncated: %1 bytes, it ends before its IEND chunk").arg(keyed.size() - 12).toStdString());
}

// A BMP's pixel data starts at its header's offset (never inside the headers) and runs for its rows,
// or for the image size when compressed; every header version is measured.
TEST(PictureLoading, RefusesABmpShorterThanItsHeaderSays)
{
    QImage colours(5, 3, QImage::Format_RGB32);
    colours.fill(qRgb(1, 2, 3));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(colours.save(&buffer, "BMP"));
    const QByteArray rgb24 = buffer.data();  // 54 bytes of headers, 3 rows of 16 bytes
    ASSERT_EQ(rgb24.size(), 102);
    QByteArray bogusOffset = rgb24, bogusImageSize = rgb24;
    bogusOffset.replace(10, 4, littleEndian(0, 4));
    bogusImageSize.replace(34, 4, littleEndian(100000, 4));

    QByteArray rle;  // 4 x 2 in 16 colours: a run of 4 of entry 7, end of line, 4 of 9, end of picture
    rle.append("\x04\x07\x00\x00\x04\x09\x00\x01", 8);
    const QByteArray rle8 = bmp(14 + 40 + 64, infoHeader(40, 4, 2, 8, 1, 8, 16) + QByteArray(64, '\x20'), rle);
    const QByteArray core = bmp(26, littleEndian(12, 4) + littleEndian(2, 2) + littleEndian(2, 2) + littleEndian(1, 2)
                                        + littleEndian(24, 2), QByteArray(16, '\x40'));
    QByteArray v5Header = infoHeader(124, 2, -2, 32, 3, 16);
    v5Header.replace(40, 16, littleEndian(0x00ff0000, 4) + littleEndian(0x0000ff00, 4) + littleEndian(0x000000ff, 4)
                                 + littleEndian(0, 4));
    const QByteArray v5 = bmp(138, v5Header, QByteArray(16, '\x50'));
    // 2 x 1 in 16 bits with masks after the header, and an offset of 0 that Qt reads past.
    const QByteArray masks = littleEndian(0xf800, 4) + littleEndian(0x07e0, 4) + littleEndian(0x001f, 4);
    const QByteArray fields = bmp(0, infoHeader(40, 2, 1, 16, 3, 0) + masks, QByteArray::fromHex("1f00e007"));

    const std::pair<QByteArray, QString> cases[] = {
        {rgb24.left(101), "101 bytes, the picture needs 102"}, {rgb24.left(60), "60 bytes, the picture needs 102"},
        {rgb24.left(30), "30 bytes, the picture needs 54"},    {rgb24.left(10), "10 bytes, the picture needs 18"},
        {bogusOffset.left(101), "101 bytes, the picture needs 102"},
        {rle8.left(rle8.size() - 1), "125 bytes, the picture needs 126"},
        {core.left(41), "41 bytes, the picture needs 42"},      {v5.left(153), "153 bytes, the picture needs 154"},
        {fields.left(69), "69 bytes, the picture needs 70"},
    };
    for (const auto& [bytes, message] : cases)
        EXPECT_EQ(refusal(bytes), ("cut.pic: truncated: " + message).toStdString());
    for (const QByteArray& intact : {rgb24, bogusOffset, bogusImageSize, rle8, core, v5, fields})
        EXPECT_EQ(refusal(intact), "");
    const QImage runs = decodePicture(rle8, "runs.bmp");
    EXPECT_EQ(std::vector({runs.pixelIndex(0, 0), runs.pixelIndex(3, 0), runs.pixelIndex(0, 1)}), std::vector({9, 9, 7}));
    EXPECT_EQ(decodePicture(fields, "fields.bmp").pixel(1, 0), qRgb(0, 252, 0));  // 6 bits of green, as Qt widens them
}

// A GIF is walked block by block: a cut inside any block, or before the trailer, is refused.
TEST(PictureLoading, RefusesATruncatedGif)
{
    // 1 x 1, a global table of white and black, a graphic control extension, one image of entry 0.
    const QByteArray gif = QByteArray::fromHex("474946383961 0100 0100 80 00 00 ffffff 000000"
                                               "21f9 04 00000000 00"
                                               "2c 0000 0000 0100 0100 00 02 02 4401 00 3b");
    ASSERT_EQ(gif.size(), 43);
    const std::pair<int, QString> cases[] = {
        {8, "the picture needs at least 13"},  {16, "the picture needs at least 19"}, {22, "the picture needs at least 26"},
        {30, "the picture needs at least 37"}, {39, "the picture needs at least 41"}, {41, "the picture needs at least 42"},
        {42, "it ends before its trailer"},
    };
    for (const auto& [size, message] : cases)
        EXPECT_EQ(refusal(gif.left(size)), (QString("cut.pic: truncated: %1 bytes, ").arg(size) + message).toStdString());
    const QImage picture = decodePicture(gif, "dot.gif");
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));

    // The same image without a global table and with a local one.
    const QByteArray local = QByteArray::fromHex("474946383961 0100 0100 00 00 00"
                                                 "2c 0000 0000 0100 0100 80 ffffff 000000 02 02 4401 00 3b");
    ASSERT_EQ(local.size(), 35);
    for (const auto& [size, message] : {std::pair{25, "the picture needs at least 31"}, {32, "the picture needs at least 33"},
                                        {34, "it ends before its trailer"}})
        EXPECT_EQ(refusal(local.left(size)), QString("cut.pic: truncated: %1 bytes, %2").arg(size).arg(message).toStdString());
    EXPECT_EQ(decodePicture(local, "local.gif").pixel(0, 0), qRgb(255, 255, 255));
}

// An input that is not a regular file is refused at once and by its kind; a FIFO is never waited on.
TEST(PictureLoading, RefusesWhatIsNotAFileWithoutWaiting)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("picture.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const test::LateWriter writer(fifo, png(4, 1, 8, true, {0, 200, 255, 17}));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(loadRefusal(fifo), QString("Cannot open %1: it is a FIFO, not a file").arg(fifo).toStdString());
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(loadRefusal(dir.path()), QString("Cannot open %1: it is a folder, not a file").arg(dir.path()).toStdString());
    EXPECT_EQ(loadRefusal("/dev/zero"), "Cannot open /dev/zero: it is a character device, not a file");
    const QString socketPath = dir.filePath("socket.png");
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(loadRefusal(socketPath), ("Cannot open " + socketPath + ": it is a socket, not a file").toStdString());
    ::close(listening);
    EXPECT_EQ(loadRefusal(dir.filePath("missing.png")), QString("Cannot open %1: No such file or directory").arg(dir.filePath("missing.png")).toStdString());
}

// A JPEG whose first table has a length of 0: its decoder says so on the way.
const QByteArray unreadableJpeg = QByteArray::fromHex("ffd8ffdb00") + QByteArray(10, '\0');

// What the decoder says about a picture it cannot read becomes part of the one message naming it,
// libpng's errors included; a PNG whose critical chunk fails its CRC check is refused before libpng
// reads it.
TEST(PictureLoading, FoldsTheDecodersMessagesIntoTheFailure)
{
    EXPECT_EQ(refusal(unreadableJpeg, "bad.jpg"), "Cannot decode bad.jpg: Unable to read image data (Bogus marker length)");
    QByteArray file = png(4, 1, 8, true, {0, 200, 255, 17});
    file[file.size() - 13] = char(file[file.size() - 13] ^ 1);  // the IDAT chunk's CRC
    EXPECT_EQ(refusal(file, "bad.png"), "bad.png: damaged: its IDAT chunk at byte 33 fails its CRC check");
    // Sound chunks, but a header that claims two rows of the one there is: libpng's own error.
    QByteArray oneRow = png(4, 1, 8, true, {0, 200, 255, 17});
    oneRow.replace(20, 4, bigEndian32(2));
    oneRow.replace(29, 4, bigEndian32(crc32(oneRow.mid(12, 17))));
    EXPECT_EQ(refusal(oneRow, "short.png"), "Cannot decode short.png: Unable to read image data (libpng error: Not enough image data)");
}

class PictureInput : public testing::Test {
protected:
    // Runs palshift convert; gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments, const QString& standardInput = {}, rlim_t memory = RLIM_INFINITY)
    {
        QProcess process;
        if (!standardInput.isEmpty())
            process.setStandardInputFile(standardInput);
        process.setChildProcessModifier([memory] {
            const rlimit limit{memory, memory};
            ::setrlimit(RLIMIT_AS, &limit);
        });
        process.start(PALSHIFT_EXECUTABLE, QStringList{"convert"} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << qPrintable(arguments.join(' '));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        test::writeBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    }

    QTemporaryDir dir;
};

// "-" reads the picture from standard input, and converts it as the same bytes in a file.
TEST_F(PictureInput, DashReadsThePictureFromStandardInput)
{
    const QString picture = write("grey.png", png(4, 1, 8, true, {0, 200, 255, 17}));
    const auto [fileExit, fileErrors] = palshift({picture, "-o", dir.filePath("from-file.bmp")});
    const auto [pipeExit, pipeErrors] = palshift({"-", "-o", dir.filePath("from-pipe.bmp")}, picture);
    EXPECT_EQ(std::pair(fileExit, pipeExit), std::pair(0, 0)) << qPrintable(fileErrors + pipeErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("from-pipe.bmp")), test::readBytes(dir.filePath("from-file.bmp")));
    EXPECT_EQ(test::readBytes(dir.filePath("from-pipe.bmp")).size(), 1078 + 4);

    const QString cut = write("cut.png", test::readBytes(picture).chopped(12));
    const auto [cutExit, cutErrors] = palshift({"-", "-o", dir.filePath("cut.bmp")}, cut);
    EXPECT_EQ(cutExit, 1);
    EXPECT_TRUE(cutErrors.startsWith("palshift: standard input: truncated: ")) << qPrintable(cutErrors);
}

// Every line on stderr names the picture it concerns, warnings of a decoded picture included.
TEST_F(PictureInput, EveryDecoderMessageNamesItsPicture)
{
    QByteArray warned = png(4, 1, 8, true, {0, 200, 255, 17});
    QByteArray text = pngChunk("tEXt", QByteArray("Comment\0hello", 13));
    text[text.size() - 1] = char(text[text.size() - 1] ^ 1);  // an ancillary chunk's CRC: a warning only
    warned.insert(33, text);
    QByteArray broken = png(4, 1, 8, true, {0, 200, 255, 17});
    broken[broken.size() - 13] = char(broken[broken.size() - 13] ^ 1);
    const QString a = write("a.png", warned), b = write("b.png", broken), c = write("c.jpg", unreadableJpeg);
    QDir().mkpath(dir.filePath("out"));

    const auto [exitCode, errors] = palshift({a, b, c, "--output-dir", dir.filePath("out")});
    EXPECT_EQ(exitCode, 1);
    const QStringList lines = errors.split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith("palshift: ") && (line.contains(a) || line.contains(b) || line.contains(c))) << qPrintable(line);
    EXPECT_TRUE(errors.contains("palshift: Cannot decode " + c + ": ")) << qPrintable(errors);
    EXPECT_TRUE(errors.contains("palshift: " + a + ": libpng warning: tEXt: CRC error")) << qPrintable(errors);
}

// A picture that needs more memory than there is says so, with its size; a file too large to be a
// picture is refused before any of it is read.
TEST_F(PictureInput, OutOfMemoryIsReportedAsSuch)
{
#ifdef PALSHIFT_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit this test sets";
#endif
    // 16384 x 16384 RGB decodes to 1 GiB; its IDAT is short, which only shows once that is allocated.
    QByteArray large = png(1, 1, 8, false, {1, 2, 3});
    large.replace(16, 8, bigEndian32(16384) + bigEndian32(16384));
    large.replace(29, 4, bigEndian32(crc32(large.mid(12, 17))));
    const QString file = write("large.png", large);
    const auto [exitCode, errors] = palshift({file, "-o", dir.filePath("large.bmp")}, {}, rlim_t{768} << 20);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(errors, "palshift: " + file + ": not enough memory to decode a 16384 x 16384 picture\n");

    // A file larger than any picture is refused by its size, not read into memory first.
    const QString huge = dir.filePath("huge.bmp");
    {
        QFile sparse(huge);
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(largestPictureFileBytes + 1));
    }
    const auto [hugeExit, hugeErrors] = palshift({huge, "-o", dir.filePath("huge-result.bmp")}, {}, rlim_t{768} << 20);
    EXPECT_EQ(hugeErrors, "palshift: " + huge + " holds 3221225473 bytes; the largest picture file that loads holds 3221225472\n");
}

}  // namespace palshift
