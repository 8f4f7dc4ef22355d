#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace palshift {

// While one is alive on a thread, Qt's messages from that thread (image plugins' warnings, "libpng
// error: ...", "QImage: out of memory, ...") are kept for the picture being decoded instead of being
// printed without a file name. Messages from other threads go through unchanged.
class DecoderMessages {
public:
    DecoderMessages();
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    const QStringList& kept() const { return kept_; }
    bool mentionOutOfMemory() const;
    // The first message in which a decoder says that the data are damaged or end early, which it
    // then fills with pixels of its own (libjpeg does).
    std::optional<QString> damage() const;
    // Hands each kept message on to Qt's previous handler as "palshift: <file>: <message>".
    void passOn(const QString& file) const;

private:
    friend void keepDecoderMessage(QtMsgType, const QMessageLogContext&, const QString&);
    QStringList kept_;
    DecoderMessages* outer_;
};

}  // namespace palshift
