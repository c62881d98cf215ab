#pragma once

#include "configfile/configdocument.h"

#include <QByteArray>

namespace ConfigFile {

// The file's bytes: indented JSON in UTF-8 without a byte-order mark, four
// blanks per level, one member or element per line, every object's members
// sorted by name (code units), closing brackets on their own line, one line
// break after the final brace. The same document always gives the same bytes.
[[nodiscard]] QByteArray write(const Document &document);

} // namespace ConfigFile
