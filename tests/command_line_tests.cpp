#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace palshift {

class CommandLine : public testing::Test {
protected:
    struct Outcome {
        int exitCode;
        QString errors;
    };

    Outcome palshift(const QStringList& arguments)
    {
        QProcess process;
        process.start(PALSHIFT_EXECUTABLE, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << arguments.join(' ');
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // A picture in colours of palette, the first `unmatched` pixels in 1, 2, 3 (in neither palette used
    // here); 8-bit when indexed.
    QString picture(const QString& name, const Palette& palette, int unmatched = 0, int width = 9, int height = 5,
                    bool indexed = false)
    {
        QList<QRgb> table;
        for (const Rgb& c : palette)
            table.append(qRgb(c.red, c.green, c.blue));
        EXPECT_FALSE(table.contains(qRgb(1, 2, 3)));
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, y * width + x < unmatched ? qRgb(1, 2, 3) : table[(x * 5 + y * 3) % 256]);
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        EXPECT_TRUE((indexed ? image.convertToFormat(QImage::Format_Indexed8, table) : image).save(dir.filePath(name)));
        return dir.filePath(name);
    }

    // What the window's "&Open", "Load Pals", "New Pal" and "Save Picture" write for input.
    QByteArray windowResult(const QString& input, const PaletteFiles& files)
    {
        ConversionState state;
        InitBmpHeader(state.BmpFileHeader);
        const ImageSurface picture1(loadPicture(input));
        ImageSurface picture2;
        picture2.resize(picture1.image().width(), picture1.image().height());
        dimensionIndexMaps(state, picture1);
        test::RecordingStatusLine status;
        loadPals(state, picture1, status, files);
        newPal(state, picture1, status);
        state.SaveFileName = dir.filePath("window-result.bmp");
        savePicture(state, picture2, status);
        return test::readBytes(state.SaveFileName);
    }

    QTemporaryDir dir;
    const PaletteFiles defaults = defaultPaletteFiles(QFileInfo(PALSHIFT_EXECUTABLE).path());
    Palette defaultSource = [this] {
        Palette palette{};
        std::int16_t PalCounter = 0;
        readPaletteFile(defaults.source, palette, PalCounter);
        return palette;
    }();
};

TEST_F(CommandLine, WritesTheSameBytesAsTheWindowsSteps)
{
    const QString input = picture("sword.png", defaultSource, 3);
    const Outcome run = palshift({"convert", input, "-o", dir.filePath("out.bmp")});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(run.errors.contains("warning: " + input + ": 3 of 45 pixels")) << run.errors;
    EXPECT_EQ(test::readBytes(dir.filePath("out.bmp")), windowResult(input, defaults));

    // Palettes from the options, with repeated colours and ties.
    std::mt19937 random(3);
    const Palette source = test::paletteFrom(random, test::coarseColours(random, 30));
    const PaletteFiles chosen{dir.filePath("d1.pal"), dir.filePath("d2.pal")};
    test::writeBytes(chosen.source, test::paletteBytes(source));
    test::writeBytes(chosen.target, test::paletteBytes(test::paletteFrom(random, test::coarseColours(random, 8))));
    const QString other = picture("other.png", source, 0, 31, 17);
    const Outcome chosenRun = palshift({"convert", other, "-o", dir.filePath("other.bmp"), "--source-pal", chosen.source,
                                        "--target-pal", chosen.target});
    EXPECT_EQ(chosenRun.exitCode, 0);
    EXPECT_EQ(chosenRun.errors, "");
    EXPECT_EQ(test::readBytes(dir.filePath("other.bmp")), windowResult(other, chosen));
}

// A picture that fails fails the run; the others are still converted, and an earlier result
// of the failed one is left byte for byte.
TEST_F(CommandLine, BatchConvertsWhatItCanIntoTheFolder)
{
    const QString a = picture("in/a.png", defaultSource), b = picture("in/b.bmp", defaultSource, 0, 4, 7, true);
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");

    const Outcome run = palshift({"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"), b,
                                  "--output-dir", dir.filePath("out")});
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(run.errors.contains(QRegularExpression("palshift: " + QRegularExpression::escape(failure) + ": \\S"))) << run.errors;
    EXPECT_FALSE(run.errors.contains("warning")) << run.errors;
    EXPECT_EQ(test::readBytes(dir.filePath("out/a.bmp")), windowResult(a, defaults));
    EXPECT_EQ(test::readBytes(dir.filePath("out/b.bmp")), windowResult(b, defaults));
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out/missing.bmp")));

    // Without a palette nothing is converted.
    const Outcome noPalette = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_EQ(noPalette.exitCode, 1);
    EXPECT_TRUE(noPalette.errors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << noPalette.errors;
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("none.pal")));
}

TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    const QString a = picture("a.png", defaultSource), twin = picture("twin/a.png", defaultSource);
    const QString out = dir.filePath("out"), x = dir.filePath("x.bmp");
    QDir().mkpath(out);
    const QStringList cases[] = {
        {"convert"},
        {"convert", a},
        {"convert", a, "--bogus", "-o", x},
        {"convert", a, twin, "-o", x},
        {"convert", a, "-o", x, "--output-dir", out},
        {"convert", a, "--output-dir", dir.filePath("no-such-folder")},
        {"convert", a, twin, "--output-dir", out},
        {"convert", a, "-o", a},
    };
    for (const QStringList& arguments : cases) {
        const Outcome run = palshift(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ');
        EXPECT_TRUE(run.errors.startsWith("palshift: ")) << run.errors;
    }
    EXPECT_TRUE(palshift({"convert", a, twin, "--output-dir", out}).errors.contains(a + " and " + twin));
    EXPECT_TRUE(QDir(out).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(x));
    EXPECT_EQ(test::readBytes(a), test::readBytes(twin));  // a was not written over by its own result
}

}  // namespace palshift
