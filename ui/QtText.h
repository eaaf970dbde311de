#pragma once

// The edge between the program's Shift-JIS text and what Qt draws and takes as input.

#include <QString>
#include <string>
#include <string_view>

#include "Platform.h"

namespace morvane {

// Shift-JIS bytes as displayed text. A lead byte left alone at the end (a field cut inside a
// double-byte character) is not drawn.
QString fromSjis(const TextCodec& codec, std::string_view sjis);

// Typed or picked text as Shift-JIS. Returns false when a character has no Shift-JIS form.
bool toSjis(const TextCodec& codec, const QString& text, std::string& sjis);

// Typed or picked text as Shift-JIS that converts back to the very same characters, so that a
// stored path still names the file it was typed for. False otherwise.
bool toSjisExactly(const TextCodec& codec, const QString& text, std::string& sjis);

// UTF-8 text (messages, native paths) as QString.
inline QString fromUtf8(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace morvane
