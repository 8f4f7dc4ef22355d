#include "bmp/bmp_header.h"
#include "bmp/picture_export.h"
#include "convert/load_pals.h"
#include "convert/nearest_colour.h"
#include "platform/image_surface.h"
#include "platform/picture_loading.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace palshift {

class CommandLine : public testing::Test {
protected:
    // Runs palshift; gives its exit code and what it wrote to stderr.
    std::pair<int, QString> palshift(const QStringList& arguments)
    {
        QProcess process;
        process.start(PALSHIFT_EXECUTABLE, arguments);
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) << qPrintable(arguments.join(' '));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // A 9 x 5 picture in colours of the default Diablo 1 palette, the first `unmatched` pixels in 1, 2, 3
    // (which it lacks); 8-bit when indexed.
    QString picture(const QString& name, int unmatched = 0, bool indexed = false)
    {
        const QByteArray palette = test::readBytes(defaults.source);
        QList<QRgb> table;
        for (int entry = 0; entry < 256; ++entry)
            table.append(qRgb(uchar(palette[3 * entry]), uchar(palette[3 * entry + 1]), uchar(palette[3 * entry + 2])));
        QImage image(9, 5, QImage::Format_RGB32);
        for (int k = 0; k < 45; ++k)
            image.setPixel(k % 9, k / 9, k < unmatched ? qRgb(1, 2, 3) : table[k * 7 % 256]);
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
        dimensionIndexMaps(state, picture1);
        test::RecordingStatusLine status;
        loadPals(state, picture1, status, files);
        newPal(state, picture1, status);
        state.SaveFileName = dir.filePath("window-result.bmp");
        savePicture(state, picture1, status);  // which takes only the size of the picture it is given
        return test::readBytes(state.SaveFileName);
    }

    QTemporaryDir dir;
    const PaletteFiles defaults = defaultPaletteFiles(QFileInfo(PALSHIFT_EXECUTABLE).path());
};

// A picture that fails fails the run; the others are still converted, and an earlier result of the
// failed one is left byte for byte. An 8-bit picture converts as its colours do in any other format.
TEST_F(CommandLine, WritesTheSameBytesAsTheStepsInProcess)
{
    const QString sword = picture("sword.png", 3);
    const auto [exitCode, errors] = palshift({"convert", sword, "-o", dir.filePath("sword.bmp")});
    EXPECT_TRUE(exitCode == 0 && errors.contains("warning: " + sword + ": 3 of 45 pixels")) << exitCode << qPrintable(errors);
    EXPECT_EQ(test::readBytes(dir.filePath("sword.bmp")), windowResult(sword, defaults));

    const QString a = picture("in/a.png"), b = picture("in/b.bmp", 0, true);
    test::writeBytes(dir.filePath("in/broken.png"), "not a picture");
    QDir().mkpath(dir.filePath("out"));
    test::writeBytes(dir.filePath("out/broken.bmp"), "an earlier result");
    const auto [batchExit, batchErrors] = palshift({"convert", a, dir.filePath("in/missing.gif"), dir.filePath("in/broken.png"),
                                                    b, "--output-dir", dir.filePath("out")});
    for (const QString& failure : {"Cannot open " + dir.filePath("in/missing.gif"), "Cannot decode " + dir.filePath("in/broken.png")})
        EXPECT_TRUE(batchErrors.contains("palshift: " + failure + ": ")) << qPrintable(batchErrors);
    EXPECT_TRUE(batchExit == 1 && !batchErrors.contains("warning")) << batchExit << qPrintable(batchErrors);
    EXPECT_EQ(test::readBytes(dir.filePath("out/a.bmp")), windowResult(a, defaults));
    EXPECT_EQ(test::readBytes(dir.filePath("out/b.bmp")), test::readBytes(dir.filePath("out/a.bmp")));
    EXPECT_EQ(test::readBytes(dir.filePath("out/broken.bmp")), "an earlier result");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out/missing.bmp")));

    // Without a palette nothing is converted.
    const auto [paletteExit, paletteErrors] = palshift({"convert", a, "-o", dir.filePath("a.bmp"), "--target-pal", dir.filePath("none.pal")});
    EXPECT_TRUE(paletteExit == 1 && paletteErrors.contains("Cannot open " + dir.filePath("none.pal") + ": ")) << qPrintable(paletteErrors);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.bmp")) || QFileInfo::exists(dir.filePath("none.pal")));
}

TEST_F(CommandLine, UsageErrorsExitTwoBeforeAnyWork)
{
    const QString a = picture("a.png"), twin = picture("twin/a.png");
    const QString out = dir.filePath("out"), x = dir.filePath("x.bmp");
    QDir().mkpath(out);
    const QStringList cases[] = {
        {"convert"}, {"convert", a}, {"convert", a, "--bogus", "-o", x}, {"convert", a, twin, "-o", x},
        {"convert", a, "-o", x, "--output-dir", out}, {"convert", a, "--output-dir", dir.filePath("no-such-folder")},
        {"convert", a, twin, "--output-dir", out}, {"convert", a, "-o", a},
    };
    for (const QStringList& arguments : cases) {
        const auto [exitCode, errors] = palshift(arguments);
        EXPECT_EQ(exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(errors.startsWith("palshift: ")) << qPrintable(errors);
    }
    EXPECT_TRUE(palshift({"convert", a, twin, "--output-dir", out}).second.contains(a + " and " + twin));
    EXPECT_TRUE(QDir(out).isEmpty() && !QFileInfo::exists(x));
    EXPECT_EQ(test::readBytes(a), test::readBytes(twin));  // a was not written over by its own result
}

}  // namespace palshift
