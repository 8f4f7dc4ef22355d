#include "pictures/bmp_rows.h"
#include "pictures/byte_input.h"
#include "pictures/picture_rows.h"
#include "pictures/png_rows.h"
#include "platform/file_error.h"
#include "platform/native_path.h"
#include "picture_files.h"
#include "test_support.h"

#include <QTemporaryDir>

namespace palshift {

namespace {

// The message of the FileError that reading every row throws, or "" when none does.
QString refusal(const QByteArray& file, bool png)
{
    MemoryInput input(test::bytesOf(file), QStringLiteral("hostile.file"));
    const std::string message = test::fileErrorOf([&] {
        std::unique_ptr<RowSource> rows = png ? std::unique_ptr<RowSource>(new PngRows(input)) : std::unique_ptr<RowSource>(new BmpRows(input));
        for (int y = 0; y < rows->height(); ++y)
            rows->nextRow();
    });
    return message == "(nothing thrown)" ? QString() : QString::fromStdString(message);
}

}  // namespace

// Only the forms the streaming readers take go to them; everything else goes to Qt.
TEST(RowReader, ChoosesByTheHeaderAlone)
{
    const QByteArray png = test::pngFile(2, 2, SPNG_COLOR_TYPE_TRUECOLOR, std::vector<std::uint8_t>(12), SPNG_FILTER_CHOICE_NONE);
    const QByteArray bmp = test::bmpFile(2, 2, 24, std::vector<std::uint8_t>(12), true);
    const auto with = [](QByteArray file, int at, std::vector<std::uint8_t> bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            file[at + int(i)] = char(bytes[i]);
        return file;
    };
    const std::pair<QByteArray, RowReader> cases[] = {
        {png, RowReader::Png},
        {with(png, 28, {1}), RowReader::Qt},                        // interlaced
        {with(png, 24, {16}), RowReader::Qt},                       // 16 bits
        {with(png, 16, {0, 0, 0x40, 0x01}), RowReader::Qt},         // 16385 wide
        {with(png, 20, {0, 0, 0x40, 0x00}), RowReader::Png},        // 16384 high
        {bmp, RowReader::Bmp},
        {with(bmp, 30, {1}), RowReader::Qt},                        // RLE
        {with(bmp, 14, {12}), RowReader::Qt},                       // OS/2 header
        {test::bmpFile(1, 1, 32, {1, 2, 3, 4}, true, {}, 124), RowReader::Qt},  // a V5 header may carry alpha
        {with(bmp, 22, {0, 0, 0, 0x80}), RowReader::Qt},            // height INT32_MIN
        {with(bmp, 22, {0xFF, 0xBF, 0xFF, 0xFF}), RowReader::Qt},   // 16385 rows, top-down
        {with(test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}), 10, {54 + 3, 0}), RowReader::Qt},  // pixels inside the table
        {with(test::bmpFile(1, 1, 8, {0}, true, {{1, 2, 3}}, 40, 1024), 46, {1, 1}), RowReader::Qt},  // 257 colours
        {bmp.left(53), RowReader::Qt},
    };
    for (int i = 0; const auto& [file, reader] : cases) {
        EXPECT_EQ(rowReaderFor(test::bytesOf(file)), reader) << "case " << i;  // streamed only on a failure
        ++i;
    }

    // The file is opened by its own bytes, also where they are no UTF-8.
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/\xE9.png";
    test::writeBytes(dir.filePath("e.png"), png);
    ASSERT_EQ(::rename(qPrintable(dir.filePath("e.png")), name.constData()), 0);
    std::array<std::uint8_t, rowReaderHeadBytes> head{};
    EXPECT_EQ(rowReaderFor(readHead(pathFromNative(name), head)), RowReader::Png);
    EXPECT_EQ(openRows(pathFromNative(name), RowReader::Png)->height(), 2);
}

// Sizes a header makes up are checked against the file before anything of that size is made.
TEST(RowReader, RefusesMadeUpSizesNamingTheFile)
{
    QByteArray bmp = test::bmpFile(3, 3, 24, std::vector<std::uint8_t>(27, 5), true);
    bmp[18] = 0, bmp[19] = 0x40, bmp[22] = 0, bmp[23] = 0x40;  // 16384 x 16384, 27 bytes of pixels
    EXPECT_EQ(refusal(bmp, false), "hostile.file: truncated: 90 bytes, the picture needs 805306422");
    QByteArray png = test::pngFile(5, 4, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, std::vector<std::uint8_t>(80, 9), SPNG_FILTER_CHOICE_ALL);
    EXPECT_EQ(refusal(png, true), "");
    png.replace(16, 8, test::bigEndian32(16384) + test::bigEndian32(16384));
    png.replace(29, 4, test::bigEndian32(test::crc32Of(png.mid(12, 17))));
    EXPECT_TRUE(refusal(png, true).contains("hostile.file")) << qPrintable(refusal(png, true));
}

}  // namespace palshift
