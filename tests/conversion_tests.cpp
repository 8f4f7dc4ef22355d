#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/colour_split.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "convert/result_drawing.h"
#include "convert/source_index_map.h"
#include "platform/file_error.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "test_support.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <tuple>

namespace palshift {

// The split goes through seven-decimal text; every colour value must still come back as its bytes,
// and an unreadable pixel (-1) as red -1 alone, which no palette entry has.
TEST(ConvertBack256, GivesTheThreeBytesOfEveryColourValue)
{
    long wrong = 0, firstWrong = -1;
    for (long value = 0; value <= 0xFFFFFF; ++value) {
        double red = -9, green = -9, blue = -9;
        ConvertBack256(static_cast<double>(value), red, green, blue);
        if (red != (value & 0xFF) || green != (value >> 8 & 0xFF) || blue != value >> 16)
            firstWrong = wrong++ ? firstWrong : value;
    }
    EXPECT_EQ(wrong, 0) << "first wrong colour value: " << firstWrong;
    double red = 7, green = 7, blue = 7;
    ConvertBack256(-1.0, red, green, blue);
    EXPECT_EQ(std::vector({red, green, blue}), std::vector({-1.0, 0.0, 0.0}));
    EXPECT_THROW(ConvertBack256(4294967296.0, red, green, blue), std::overflow_error);
}

// What the random cases meet, counted so that they cannot quietly stop meeting it.
struct Met { long repeatedColours = 0, keptElements = 0, unreadable = 0, distinctTies = 0, repeatTies = 0; };

// "Load Pals" and "New Pal" pixel by pixel, column by column: GetPixel, ConvertBack256 and a search of
// SourcePal from entry 0; then all 256 distances and the first entry at their minimum. Gives the
// number of pixels left unmatched.
static long referenceConversion(ConversionState& s, const PictureSurface& picture1, Met& met)
{
    long unmatched = 0;
    for (std::int32_t x = 0; x <= static_cast<std::int32_t>(picture1.width()) - 1; ++x) {
        for (std::int32_t y = 0; y <= static_cast<std::int32_t>(picture1.height()) - 1; ++y) {
            std::vector<ColourValue> row(static_cast<std::size_t>(x) + 1);
            picture1.readRow(y, row);
            double red = 0, green = 0, blue = 0;
            ConvertBack256(row.back(), red, green, blue);
            std::int16_t k = 0;
            while (k <= 255 && !(red == s.SourcePal[k].red && green == s.SourcePal[k].green && blue == s.SourcePal[k].blue))
                ++k;
            if (k <= 255)
                s.SourceIndexMap.set(x, y, k);
            unmatched += k > 255;
            met.repeatedColours += k <= 255 && std::count(s.SourcePal.begin() + k + 1, s.SourcePal.end(), s.SourcePal[k]);
            met.keptElements += k > 255 && s.SourceIndexMap.at(x, y) != 0;
            met.unreadable += row.back() == -1;

            std::int16_t minimum = 30000;
            for (std::size_t m = 0; m <= 255; ++m) {
                const Rgb &source = s.SourcePal.at(static_cast<std::size_t>(s.SourceIndexMap.at(x, y))), &target = s.TargetPal[m];
                s.TotalDist[m] = static_cast<std::int16_t>((s.RedDist[m] = std::abs(source.red - target.red))
                                                           + (s.GreenDist[m] = std::abs(source.green - target.green))
                                                           + (s.BlueDist[m] = std::abs(source.blue - target.blue)));
                minimum = std::min(minimum, s.TotalDist[m]);
            }
            std::size_t m = 0;
            while (s.TotalDist[m] != minimum)
                ++m;
            s.TargetIndexMap.set(x, y, static_cast<std::int16_t>(m));
            for (std::size_t e = m + 1; e <= 255; ++e)  // a higher entry as near: a repeat, or a distinct colour
                (s.TargetPal[e] == s.TargetPal[m] ? met.repeatTies : met.distinctTies) += s.TotalDist[e] == minimum;
        }
    }
    return unmatched;
}

// Pixels of palette colours (mostly repeated ones), of other colours and unreadable ones, over maps
// holding an earlier run's entries; target colours at equal distances, and repeated. This also covers
// the colour lookup the identification uses, and that the distance tables end holding the last pixel's.
TEST(Conversion, MatchesThePixelByPixelLoopsOnRandomPalettes)
{
    Met met;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        ConversionState state;
        state.SourcePal = test::coarsePalette(random, 12);
        state.TargetPal = test::coarsePalette(random, 6);
        const Palette others = test::coarsePalette(random, 20);  // some in no SourcePal entry
        test::MemorySurface picture(11, 7);
        dimensionIndexMaps(state, picture);
        std::uniform_int_distribution<std::size_t> percent(0, 99), entry(0, 255);
        for (std::size_t k = 0; k < picture.pixels.size(); ++k) {
            const std::size_t kind = percent(random);
            picture.pixels[k] = kind < 70 ? colourValue(state.SourcePal[entry(random)]) : kind < 90 ? colourValue(others[entry(random)]) : -1;
            state.SourceIndexMap.set(int(k % 11), int(k / 11), static_cast<std::int16_t>(entry(random)));
        }
        ConversionState expected = state;
        const long unmatched = referenceConversion(expected, picture, met);

        InitPicturePal(state, picture);
        CreateNewPal(state, picture);
        for (int y = 0; y < 7; ++y)
            ASSERT_TRUE(std::ranges::equal(state.SourceIndexMap.row(y), expected.SourceIndexMap.row(y))
                        && std::ranges::equal(state.TargetIndexMap.row(y), expected.TargetIndexMap.row(y))) << "seed " << seed << " row " << y;
        EXPECT_EQ(state.unmatchedPixels, unmatched) << "seed " << seed;
        EXPECT_TRUE(std::tie(state.RedDist, state.GreenDist, state.BlueDist, state.TotalDist)
                    == std::tie(expected.RedDist, expected.GreenDist, expected.BlueDist, expected.TotalDist)) << "seed " << seed;
    }
    EXPECT_GT(std::min({met.repeatedColours, met.keptElements, met.unreadable, met.distinctTies, met.repeatTies}), 100);
}

// The window's buttons in order over one shared state. Qt's own BMP reader sees the result the right
// way up in the target colours.
TEST(ConversionState, CommandsShareTheStateInButtonOrder)
{
    QTemporaryDir dir;
    const PaletteFiles files{dir.filePath("diablo.pal"), dir.filePath("diablo2.pal")};
    Palette source{}, target{};
    source[1] = {200, 10, 10};
    source[2] = {10, 200, 10};
    target[7] = {190, 0, 1};
    target[9] = {0, 190, 0};
    test::writeBytes(files.source, test::paletteBytes(source));
    test::MemorySurface picture1(2, 2), picture2(2, 2);
    picture1.pixels = {colourValue(source[1]), colourValue(source[2]), colourValue(source[2]), colourValue(source[2])};
    ConversionState state;
    InitBmpHeader(state.BmpFileHeader);
    state.SaveFileName = dir.filePath("out.bmp");
    test::RecordingStatusLine status;
    test::writeBytes(files.target, test::paletteBytes(target));
    dimensionIndexMaps(state, picture1);
    loadPals(state, picture1, status, files);
    EXPECT_EQ(state.PalCounter, 256);
    newPal(state, picture1, status);
    drawPic(state, picture1, picture2, status);
    EXPECT_EQ(picture2.pixels, (std::vector<ColourValue>{190 + 65536, 190 * 256, 190 * 256, 190 * 256}));
    EXPECT_EQ(state.PalCounter, 256);
    savePicture(state, picture2, status);
    EXPECT_EQ(state.PalCounter, 768);
    EXPECT_EQ(test::readBytes(state.SaveFileName).mid(1078), QByteArray::fromHex("09090000 07090000"));
    const QImage saved(state.SaveFileName, "BMP");
    EXPECT_EQ(std::pair(saved.pixel(0, 0), saved.pixel(0, 1)), std::pair(qRgb(190, 0, 1), qRgb(0, 190, 0)));
    EXPECT_EQ(status.texts, (std::vector<std::string>{"Loading Diablo 1 Pal", "Loading Diablo 2 Pal", "Intializing Picture Pal",
                                                      "Ready...", "Creating Pal...", "Ready...", "Drawing Pic...",
                                                      "Ready...", "Saving...", "Ready..."}));
}

// 256 distinct colours, entry k red k, so that every entry, 0 and 255 too, is found only as itself.
static Palette distinctPalette()
{
    Palette palette{};
    for (std::size_t k = 0; k < 256; ++k)
        palette[k] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k), 40};
    return palette;
}

// Each entry found once, and a target entry 0 that is nearest and unique is chosen too.
TEST(Conversion, FindsEveryEntryOfADistinctPaletteEntryZeroIncluded)
{
    ConversionState state;
    state.SourcePal = distinctPalette();
    state.TargetPal = distinctPalette();
    state.TargetPal[0] = {0, 255, 41};  // one step from source entry 0; target entry 1 is two
    test::MemorySurface picture(16, 16);
    for (std::size_t k = 0; k < 256; ++k)
        picture.pixels[k] = colourValue(state.SourcePal[k]);
    dimensionIndexMaps(state, picture);
    state.SourceIndexMap.set(0, 0, 9);  // so that an entry not found shows
    InitPicturePal(state, picture);
    CreateNewPal(state, picture);
    for (int k = 0; k < 256; ++k)
        ASSERT_TRUE(state.SourceIndexMap.at(k % 16, k / 16) == k && state.TargetIndexMap.at(k % 16, k / 16) == k) << "entry " << k;
    EXPECT_EQ(state.unmatchedPixels, 0);

    std::array<std::int16_t, 256> red{}, green{}, blue{}, total{};
    EXPECT_EQ(nearestEntry(state.SourcePal[0], state.TargetPal, {red, green, blue, total}), 0);
    EXPECT_EQ(std::tuple(red[0], green[0], blue[0], total[0], total[1], total[255]), std::tuple(0, 0, 1, 1, 2, 255 + 255));
}

// An 8-bit picture is identified through its colour table: all 256 entries of it, and an index past
// the table's end is a colour no palette has.
TEST(Conversion, IdentifiesIndexedPicturesThroughTheirWholeColourTable)
{
    ConversionState state;
    state.SourcePal = distinctPalette();
    state.SourcePal[200] = {0, 0, 0};  // black, which an index past the table must not become
    QList<QRgb> table;
    for (std::size_t k = 0; k < 256; ++k) {  // index k is entry k + 7, so that index 255 is entry 6
        const Rgb& colour = state.SourcePal[(k + 7) % 256];
        table.append(qRgb(colour.red, colour.green, colour.blue));
    }
    QImage full(256, 1, QImage::Format_Indexed8);
    full.setColorTable(table);
    for (int x = 0; x < 256; ++x)
        full.scanLine(0)[x] = static_cast<uchar>(x);
    QImage shortTable(3, 1, QImage::Format_Indexed8);
    shortTable.setColorTable(table.mid(0, 2));
    std::copy_n("\x01\x02\xFF", 3, shortTable.scanLine(0));

    const ImageSurface fullSurface(full), shortSurface(shortTable);
    std::vector<ColourValue> row(3);
    shortSurface.readRow(0, row);
    EXPECT_EQ(row, (std::vector<ColourValue>{colourValue(state.SourcePal[8]), -1, -1}));

    dimensionIndexMaps(state, fullSurface);
    InitPicturePal(state, fullSurface);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(state.SourceIndexMap.at(x, 0), (x + 7) % 256) << "colour table index " << x;
    EXPECT_EQ(state.unmatchedPixels, 0);

    InitPicturePal(state, shortSurface);  // over the same map: unmatched pixels keep their elements
    EXPECT_EQ(std::vector(state.SourceIndexMap.row(0).begin(), state.SourceIndexMap.row(0).begin() + 4),
              std::vector<std::int16_t>({8, 8, 9, 10}));
    EXPECT_EQ(state.unmatchedPixels, 2);
}

// Maps dimensioned for 2 x 2 and a picture one column or one row larger: each step refuses before it
// changes anything, except that the identification goes on while only unmatched pixels lie outside.
TEST(Conversion, APictureThatOutgrewItsIndexMapsIsRefusedUnchanged)
{
    const ColourValue red = 200, green = 200 * 256;
    ConversionState loaded;
    loaded.SourcePal[1] = {200, 0, 0};
    loaded.SourcePal[2] = {0, 200, 0};
    loaded.TargetPal[5] = {190, 0, 0};
    test::MemorySurface small(2, 2);
    dimensionIndexMaps(loaded, small);
    loaded.SourceIndexMap.set(1, 1, 2);
    loaded.TargetIndexMap.set(1, 1, 9);

    SilentStatusLine status;
    for (const auto& [columns, rows] : {std::pair{3, 2}, {2, 3}}) {
        SCOPED_TRACE(testing::Message() << columns << " x " << rows);
        test::MemorySurface larger(columns, rows), picture2(columns, rows);
        larger.pixels.assign(std::size_t(columns * rows), red);
        ConversionState state = loaded;
        const auto unchanged = [&] {
            bool same = state.SourceIndexMap.width() == 2 && state.SourceIndexMap.height() == 2;
            for (int y = 0; y < 2; ++y)
                same = same && std::ranges::equal(state.SourceIndexMap.row(y), loaded.SourceIndexMap.row(y))
                       && std::ranges::equal(state.TargetIndexMap.row(y), loaded.TargetIndexMap.row(y));
            return same;
        };
        EXPECT_THROW(InitPicturePal(state, larger), std::out_of_range);
        EXPECT_TRUE(unchanged());
        EXPECT_THROW(CreateNewPal(state, larger), std::out_of_range);
        EXPECT_TRUE(unchanged());
        EXPECT_THROW(drawPic(state, larger, picture2, status), std::out_of_range);
        EXPECT_EQ(picture2.pixels, std::vector<ColourValue>(std::size_t(columns * rows), 0));

        larger.pixels.assign(std::size_t(columns * rows), green + 1);  // no palette colour
        larger.pixels[0] = green;
        InitPicturePal(state, larger);
        EXPECT_TRUE(state.SourceIndexMap.at(0, 0) == 2 && state.SourceIndexMap.at(1, 1) == 2);
        EXPECT_EQ(state.unmatchedPixels, columns * rows - 1);
    }
}

TEST(IndexMap, EveryAccessIsCheckedAtExactlyWidthAndHeight)
{
    IndexMap map;
    map.redim(2, 1);  // 3 x 2
    EXPECT_EQ(std::pair(map.width(), map.height()), std::pair(3, 2));
    map.set(2, 1, 7);
    EXPECT_EQ(map.at(2, 1), 7);
    EXPECT_EQ(map.row(1).size(), 3u);
    EXPECT_EQ(map.row(1)[2], 7);
    for (const auto& [x, y] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
        EXPECT_THROW(map.at(x, y), std::out_of_range) << x << ", " << y;
        EXPECT_THROW(map.set(x, y, 1), std::out_of_range) << x << ", " << y;
    }
    EXPECT_THROW(map.row(2), std::out_of_range);
    EXPECT_THROW(map.row(-1), std::out_of_range);
    EXPECT_NO_THROW(map.checkCovers(3, 2));
    EXPECT_NO_THROW(map.checkCovers(4, 0));  // a picture of no pixels
    EXPECT_THROW(map.checkCovers(4, 2), std::out_of_range);
    EXPECT_THROW(map.checkCovers(3, 3), std::out_of_range);

    map.redim(-1, -1);
    EXPECT_EQ(std::pair(map.width(), map.height()), std::pair(0, 0));
    EXPECT_THROW(map.at(0, 0), std::out_of_range);
    EXPECT_THROW(map.redim(-2, 0), std::out_of_range);
}

static QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int byte = 0; byte < 4; ++byte)
        bytes[byte] = char(value >> (24 - 8 * byte));
    return bytes;
}

static QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray typed = type + data;
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : typed) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return bigEndian32(quint32(data.size())) + typed + bigEndian32(~crc);
}

// A black PNG of one bit per pixel: a picture of 16384 x 16384 pixels in 33 KB, and 32 MiB decoded.
static QByteArray blackPng(quint32 width, quint32 height)
{
    const QByteArray header = bigEndian32(width) + bigEndian32(height) + QByteArray::fromHex("0100000000");
    const QByteArray rows((width + 7) / 8 * height + height, '\0');  // each row: filter 0, then pixels
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header)
           + pngChunk("IDAT", qCompress(rows, 9).mid(4)) + pngChunk("IEND", {});
}

// The largest picture loads; one more row is refused by the header before anything is decoded.
TEST(PictureLoading, LoadsUpTo16384By16384Pixels)
{
    QTemporaryDir dir;
    const QString largest = dir.filePath("largest.png"), taller = dir.filePath("taller.png");
    test::writeBytes(largest, blackPng(16384, 16384));
    test::writeBytes(taller, blackPng(16384, 16385));
    EXPECT_EQ(loadPicture(largest).size(), QSize(16384, 16384));
    try {
        loadPicture(taller);
        ADD_FAILURE() << "a picture of 16384 x 16385 pixels loaded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.what(), taller + " is 16384 x 16385 pixels; the largest picture that loads has 16384 x 16384 pixels");
    }
}

// Pixels as stored: a JPEG whose EXIF orientation says to turn it is not turned.
TEST(PictureLoading, KeepsTheStoredOrientation)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("turned.jpg");
    QImage stored(16, 8, QImage::Format_RGB32);
    stored.fill(qRgb(250, 0, 0));
    for (int y = 0; y < 8; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(stored.scanLine(y)) + 8, 8, qRgb(0, 0, 250));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && stored.save(&buffer, "JPEG", 95));
    // After the start of image: an APP1 segment of EXIF with one tag, orientation 6 (turn right).
    test::writeBytes(file, jpeg.left(2) + QByteArray::fromHex("ffe10022" "457869660000" "4d4d002a00000008"
                                                              "0001" "011200030000000100060000" "00000000")
                               + jpeg.mid(2));
    QImageReader turning(file);
    turning.setAutoTransform(true);
    ASSERT_EQ(turning.read().size(), QSize(8, 16));  // the tag is there

    const QImage loaded = loadPicture(file);
    ASSERT_EQ(loaded.size(), QSize(16, 8));
    EXPECT_GT(qRed(loaded.pixel(2, 4)), 200);
    EXPECT_GT(qBlue(loaded.pixel(13, 4)), 200);
}

}  // namespace palshift
