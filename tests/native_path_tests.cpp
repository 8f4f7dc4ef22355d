#include "platform/native_path.h"

#include <gtest/gtest.h>

namespace palshift {

namespace {

bool hasEscape(const QString& path)
{
    return std::any_of(path.begin(), path.end(), [](QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; });
}

// What a strict UTF-8 decoder makes of bytes, or nothing when they are not valid UTF-8.
std::optional<QString> strictUtf8(const QByteArray& bytes)
{
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.contains(QChar::ReplacementCharacter) || decoded.toUtf8() != bytes)
        return std::nullopt;
    return decoded;
}

}  // namespace

// Every name comes back to its own bytes; valid UTF-8 reads as the text it spells, and only the
// bytes that are not part of valid UTF-8 are escaped, each on its own.
TEST(NativePath, EveryNameComesBackToItsOwnBytes)
{
    std::vector<QByteArray> names;
    for (int first = 0; first < 256; ++first)
        for (int second = 0; second < 256; ++second)
            names.push_back(QByteArray(1, char(first)) + char(second));
    static constexpr unsigned char edges[] = {0x00, 0x2F, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xF5, 0xFF};
    for (int lead = 0xE0; lead <= 0xFF; ++lead)
        for (unsigned char second : edges)
            for (unsigned char third : edges) {
                const QByteArray three = QByteArray(1, char(lead)) + char(second) + char(third);
                names.push_back(three);
                for (unsigned char fourth : edges)
                    names.push_back(three + char(fourth));
            }
    for (const QByteArray& name : names) {
        const QString path = pathFromNative(name);
        ASSERT_EQ(nativePath(path), name) << name.toHex().constData();
        const std::optional<QString> text = strictUtf8(name);
        if (text)
            ASSERT_EQ(path, *text) << name.toHex().constData();
        else
            ASSERT_TRUE(hasEscape(path)) << name.toHex().constData();
    }
}

TEST(NativePath, EscapesEachStrayByteAsItsOwnSurrogate)
{
    EXPECT_EQ(pathFromNative("\xE2\x82"), QString(QChar(0xDCE2)) + QChar(0xDC82));  // cut short
    EXPECT_EQ(argumentsFromNative(2, std::array<const char*, 2>{"palshift", "\xE9"}.data()),
              QStringList({QStringLiteral("palshift"), QString(QChar(0xDCE9))}));
}

}  // namespace palshift
