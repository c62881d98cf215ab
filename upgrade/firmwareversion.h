#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The update server's per-model texts and images, and the two ways versions
// are compared: the upgrade dialog compares every number, the main window's
// check only major and minor.
namespace FirmwareVersion {

// The product's update text: "<name>_Update.txt" in the product's folder,
// the name being the one the model table gives the product (one model's
// file carries another name of it), the product itself otherwise.
[[nodiscard]] QString updateTextPath(const QString &product);
[[nodiscard]] QString imagePath(const QString &product, const QString &latestVersion);

// The version the update text starts with ("<product>_V1.2.3"); empty when
// the text does not start with one.
[[nodiscard]] QString latestVersion(const QString &updateText, const QString &product);
// Everything after "Update content:", untrimmed; empty when missing.
[[nodiscard]] QString description(const QString &updateText);

// The numbers after the first capital V; keepEmpty counts "1..2" as 1, 0, 2.
[[nodiscard]] QList<int> numbers(const QString &version, bool keepEmpty);

// Whether the server's numbers are larger at the first position that differs,
// a missing number counting as 0.
[[nodiscard]] bool serverNewer(const QList<int> &current, const QList<int> &server);
[[nodiscard]] bool serverNewerMajorMinor(const QString &current, const QString &latest);

// How a device's version is weighed against the server's: the upgrade dialog
// compares every number; the main window only major and minor, so that a
// running device is not stopped for a patch release.
enum class Comparison { EveryNumber, MajorMinor };

// The verdict on an update text, with the lines the dialog logs.
struct Verdict
{
    bool newer = false;
    QString latest;
    QString description; // trimmed
    QStringList log;
};
[[nodiscard]] Verdict judge(const QString &product, const QString &reportedVersion, const QString &updateText,
                            Comparison comparison = Comparison::EveryNumber);

// A firmware image is binary; a body that reads as plain text is an error
// page or a misplaced update text, never something to write into flash.
[[nodiscard]] bool looksLikeText(const QByteArray &body);

} // namespace FirmwareVersion
