#include "app/UserMessage.h"

#include "platform/PathBytes.h"

void PrintBytes(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void PrintText(std::FILE* stream, const QString& text) { PrintBytes(stream, EncodePath(text)); }

void TellUser(const QString& message, std::FILE* stream)
{
    PrintText(stream, QStringLiteral("lagwatch: %1\n").arg(message));
}
