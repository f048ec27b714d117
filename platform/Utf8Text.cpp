#include "platform/Utf8Text.h"

#include <QStringDecoder>

QString Utf8ToString(QByteArrayView utf8)
{
    const bool startsWithMark = utf8.size() >= 3 && static_cast<unsigned char>(utf8[0]) == 0xEF &&
                                static_cast<unsigned char>(utf8[1]) == 0xBB &&
                                static_cast<unsigned char>(utf8[2]) == 0xBF;
    if (!startsWithMark)
        return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}
