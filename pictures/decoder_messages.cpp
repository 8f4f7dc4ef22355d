#include "pictures/decoder_messages.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace palshift {

namespace {

thread_local DecoderMessages* current = nullptr;
std::atomic<QtMessageHandler> previous = nullptr;

}  // namespace

void keepDecoderMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (current)
        current->kept_.append(message);
    else
        previous.load()(type, context, message);
}

DecoderMessages::DecoderMessages() : outer_(current)
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        // Known before ours is installed, for messages that other threads send at once.
        previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(keepDecoderMessage);
    });
    current = this;
}

DecoderMessages::~DecoderMessages()
{
    current = outer_;
}

bool DecoderMessages::mentionOutOfMemory() const
{
    return std::ranges::any_of(kept_, [](const QString& message) {
        return message.contains(QLatin1String("out of memory"), Qt::CaseInsensitive);
    });
}

std::optional<QString> DecoderMessages::damage() const
{
    for (const QString& message : kept_)
        if (message.startsWith(QLatin1String("Corrupt JPEG data")) || message.startsWith(QLatin1String("Premature end of JPEG")))
            return message;
    return std::nullopt;
}

void DecoderMessages::passOn(const QString& file) const
{
    for (const QString& message : kept_)
        previous.load()(QtWarningMsg, QMessageLogContext(), QStringLiteral("palshift: %1: %2").arg(file, message));
}

}  // namespace palshift
