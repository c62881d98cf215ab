#pragma once

#include <QDate>
#include <QString>

namespace ConfigFile {

// Where "Save File" proposes to save: "<model>-<YYYY-MM-DD>.ini" ("velmora-…"
// without a device) in documentsDir when that folder exists, else in homeDir.
// A folder that does not exist would be taken by the file dialog as the
// name of the file.
[[nodiscard]] QString suggestedSavePath(const QString &model, const QDate &date, const QString &documentsDir,
                                        const QString &homeDir);

// A name typed without a suffix gets ".ini", so that Open File finds it; an
// existing folder is left as it is.
[[nodiscard]] QString withIniSuffix(const QString &path);

} // namespace ConfigFile
