#include "QtText.h"

#include "ShiftJis.h"

namespace morvane {

QString fromSjis(const TextCodec& codec, std::string_view sjis) {
    std::string utf8;
    codec.toUtf8(sjis.substr(0, completeLength(sjis)), utf8);
    return fromUtf8(utf8);
}

bool toSjis(const TextCodec& codec, const QString& text, std::string& sjis) {
    const QByteArray utf8 = text.toUtf8();
    return codec.fromUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())), sjis);
}

bool toSjisExactly(const TextCodec& codec, const QString& text, std::string& sjis) {
    if (!toSjis(codec, text, sjis)) return false;
    std::string back;
    if (!codec.toUtf8(sjis, back)) return false;
    const QByteArray utf8 = text.toUtf8();
    return back == std::string_view(utf8.constData(), std::size_t(utf8.size()));
}

}  // namespace morvane
