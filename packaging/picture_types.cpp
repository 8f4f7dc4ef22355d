#include <QCoreApplication>
#include <QImageReader>
#include <QMimeDatabase>
#include <QStringList>

#include <cstdio>

// Prints what the program's picture loading reads, one per line, for the desktop entry and the shell
// completion: "suffixes" gives the file name endings, "mime-types" the image MIME types with their
// aliases (image/x-icon) and those of the endings (a cursor file has its own type).
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString asked = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    QStringList names;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        names << QString::fromLatin1(suffix);
    if (asked == QStringLiteral("mime-types")) {
        const QMimeDatabase mimeDatabase;
        QStringList types;
        for (const QByteArray& type : QImageReader::supportedMimeTypes())
            types << QString::fromLatin1(type) << mimeDatabase.mimeTypeForName(QString::fromLatin1(type)).aliases();
        for (const QString& suffix : names)
            types << mimeDatabase.mimeTypeForFile(QStringLiteral("picture.") + suffix, QMimeDatabase::MatchExtension).name();
        // Aliases outside image/ (text/ico, video/x-mng) are historic mistakes that nothing sends.
        types.removeIf([](const QString& type) { return !type.startsWith(QStringLiteral("image/")); });
        types.sort();
        types.removeDuplicates();
        names = types;
    } else if (asked != QStringLiteral("suffixes")) {
        std::fputs("usage: palshift_picture_types mime-types|suffixes\n", stderr);
        return 2;
    }
    for (const QString& name : names)
        std::printf("%s\n", qPrintable(name));
    return 0;
}
