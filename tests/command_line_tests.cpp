#include "convert/palette.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace palshift {

class CommandLine : public testing::Test {
protected:
    // Runs palshift; gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments, const QString& folder = {})
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(PALSHIFT_EXECUTABLE, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << qPrintable(arguments.join(' '));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // Small hand-made palettes, and a 3 x 2 picture in their colours: its Diablo 1 entries are 3, 5, none
    // (so 0), 9, 7, 0, and their nearest Diablo 2 entries 2, 3, 0, 6, 7, 0.
    QStringList handMadePalettes()
    {
        Palette source{}, target{};
        for (std::size_t k = 0; k < 256; ++k) {
            source[k] = {std::uint8_t(k), std::uint8_t(k), std::uint8_t(k)};
            target[k] = {255, 255, 255};
        }
        source[3] = source[6] = {200, 0, 0};
        source[5] = {0, 200, 0};
        source[9] = {0, 0, 200};
        target[0] = {0, 0, 0};
        target[1] = {190, 0, 1};  // 11 from red
        target[2] = {210, 0, 0};  // 10 from red
        target[3] = {0, 190, 0};  // 10 from green, as far as entry 4
        target[4] = {0, 210, 0};
        target[5] = {0, 0, 255};
        target[6] = {0, 0, 150};
        target[7] = {8, 8, 4};  // 5 from entry 7's grey
        test::writeBytes(dir.filePath("d1.pal"), test::paletteBytes(source));
        test::writeBytes(dir.filePath("d2.pal"), test::paletteBytes(target));
        return {"--source-pal", dir.filePath("d1.pal"), "--target-pal", dir.filePath("d2.pal")};
    }
    QString handMadePicture(const QString& name, bool indexed = false)
    {
        QImage image(3, 2, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(1, 2, 3), qRgb(0, 0, 200), qRgb(7, 7, 7), qRgb(0, 0, 0)};
        for (int k = 0; k < 6; ++k)
            image.setPixel(k % 3, k / 3, colours[k]);
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        EXPECT_TRUE((indexed ? image.convertToFormat(QImage::Format_Indexed8) : image).save(dir.filePath(name)));
        return dir.filePath(name);
    }
    // The bytes after the colour table: the bottom row first, each padded to 4 bytes.
    const QByteArray handMadeIndices = QByteArray::fromHex("06070000 02030000");

    QTemporaryDir dir;
};

// A picture that fails fails the run; the others are still converted, and an earlier result of the
// failed one is left byte for byte. An 8-bit picture converts as its colours do in any other format.
TEST_F(CommandLine, ConvertsEachPictureAndReportsEachFailure)
{
    const QStringList palettes = handMadePalettes();
    const QString sword = handMadePicture("sword.png");
    const auto [exitCode, errors] = palshift(QStringList{"convert", sword, "-o", dir.filePath("sword.bmp")} + palettes);
    EXPECT_TRUE(exitCode == 0 && errors.contains("warning: " + sword + ": 1 of 6 pixels")) << exitCode << qPrintable(errors);
    const QByteArray bytes = test::readBytes(dir.filePath("sword.bmp"));
    EXPECT_EQ(bytes.left(6), QByteArray::fromHex("424d 3e040000"));
    EXPECT_EQ(bytes.mid(54, 12), QByteArray::fromHex("00000000 0100be00 0000d200"));  // blue, green, red, 0
    EXPECT_EQ(bytes.mid(1078), handMadeIndices);

    const QString a = handMadePicture("in/a.b.png"), b = handMadePicture("in/b.bmp", true);
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");
    const auto [batchExit, batchErrors] = palshift(QStringList{"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"),
                                                               b, "--output-dir", dir.filePath("out")} + palettes);
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure + ": ")) << qPrintable(batchErrors);
    EXPECT_EQ(batchExit, 1) << qPrintable(batchErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("out/a.b.bmp")).mid(1078), handMadeIndices);
    EXPECT_EQ(test::readBytes(dir.filePath("out/b.bmp")), test::readBytes(dir.filePath("out/a.b.bmp")));
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files), QStringList({"a.b.bmp", "b.bmp", "broken.bmp"}));

    // Without a palette nothing is converted.
    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")) || QFileInfo::exists(dir.filePath("none.pal")));
}

TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    const QString a = handMadePicture("a.png"), twin = handMadePicture("twin/a.png");
    const QString out = dir.filePath("out"), x = dir.filePath("x.bmp");
    QDir().mkpath(out);
    const QStringList cases[] = {
        {"convert"}, {"convert", a}, {"convert", a, "--bogus", "-o", x}, {"convert", a, twin, "-o", x},
        {"convert", a, "-o", x, "--output-dir", out}, {"convert", a, "--output-dir", dir.filePath("no-such-folder")},
        {"convert", a, twin, "--output-dir", out}, {"convert", a, "-o", a}, {"convert", "./a.png", "-o", "a.png"},
        {"conver", a, "-o", x}, {"Convert", a, "-o", x}, {"converts", a, "-o", x},
    };
    for (const QStringList& arguments : cases) {
        const auto [exitCode, errors] = palshift(arguments, dir.path());
        EXPECT_EQ(exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(errors.startsWith("palshift: ")) << qPrintable(errors);
    }
    EXPECT_TRUE(palshift({"convert", a, twin, "--output-dir", out}).second.contains(a + " and " + twin));
    EXPECT_TRUE(QDir(out).isEmpty() && !QFileInfo::exists(x));
    EXPECT_EQ(test::readBytes(a), test::readBytes(twin));  // a was not written over by its own result
}

}  // namespace palshift
