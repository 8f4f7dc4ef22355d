#include "tests/window/window_fixture.h"

#include <QFile>
#include <QTest>

namespace palshift::test {

std::optional<QString> ScriptedFileDialog::showOpen(const QString& preset)
{
    openPresets << preset;
    const QString answer = nextAnswer(openAnswers, "open dialog");
    return answer.isNull() ? std::nullopt : std::optional(answer);
}

std::optional<QString> ScriptedFileDialog::showSave()
{
    ++saveShown;
    const QString answer = nextAnswer(saveAnswers, "save dialog");
    return answer.isNull() ? std::nullopt : std::optional(answer);
}

Palette sourcePalette()
{
    Palette palette{};
    for (std::size_t i = 4; i < 256; ++i)
        palette[i] = {static_cast<std::uint8_t>(i), 100, 50};
    palette[1] = {255, 0, 0};
    palette[2] = {0, 255, 0};
    palette[3] = {0, 0, 255};
    return palette;
}

Palette targetPalette()
{
    Palette palette{};
    palette.fill({128, 128, 128});
    palette[4] = {5, 5, 5};
    palette[7] = {250, 10, 10};
    palette[9] = {10, 250, 10};
    palette[11] = {10, 10, 250};
    return palette;
}

void writePalette(const QString& file, const Palette& palette)
{
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    static_assert(sizeof(Palette) == 768, "red, green, blue per entry, as the file holds them");
    ASSERT_EQ(out.write(reinterpret_cast<const char*>(palette.data()), 768), 768);
}

QImage testPicture()
{
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb pixels[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), qRgb(1, 2, 3), qRgb(255, 0, 0)};
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, pixels[i]);
    return picture;
}

QList<int> values(const IndexMap& map)
{
    QList<int> all;
    for (std::int32_t y = 0; y < map.height(); ++y)
        for (std::int32_t x = 0; x < map.width(); ++x)
            all << map.at(x, y);
    return all;
}

QList<QRgb> shownColours(QWidget* widget)
{
    const QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QList<QRgb> colours;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            colours << shown.pixel(x, y);
    return colours;
}

WindowTest::WindowTest()
{
    writePalette(path("diablo.pal"), sourcePalette());
    writePalette(path("diablo2.pal"), targetPalette());
    auto scripted = std::make_unique<ScriptedFileDialog>();
    auto recording = std::make_unique<RecordingMessageBoxes>();
    dialog = scripted.get();
    messages = recording.get();
    window = std::make_unique<Form1>(folder.path(), std::move(scripted), std::move(recording));
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QObject::connect(window->SB1, &StatusBar::textChanged, window.get(), [this](const QString& text) { statusTexts << text; });
}

QString WindowTest::writePicture(const QString& name, const QImage& picture) const
{
    EXPECT_TRUE(picture.save(path(name))) << name.toStdString();
    return path(name);
}

void WindowTest::open(const QString& answer)
{
    dialog->openAnswers.push_back(answer);
    window->mnuFileOpen->trigger();
}

void WindowTest::click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowTest::save(const QString& answer)
{
    dialog->saveAnswers.push_back(answer);
    window->mnuFileSave->trigger();
}

}  // namespace palshift::test
