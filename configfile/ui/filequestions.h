#pragma once

#include <QString>
#include <QStringList>

class Prompt;

namespace ConfigFile {
struct Translation;
}

// The questions a configuration file raises before it is used; both go
// through the Prompt, so no test meets a modal window.
namespace FileQuestions {

// Asked before anything of a file is left out: the translation's summary,
// which names both models and lists what stays behind, and whether to go on
// without it. True when nothing is left out or the user agreed.
[[nodiscard]] bool acceptLeftOut(Prompt *prompt, const QString &title, const ConfigFile::Translation &translation);

// The models a file can be edited for without a device: those whose ports
// the model table knows, in its order.
[[nodiscard]] QStringList offlineModels();

// For a file that names no model, or one whose ports are not known: which of
// offlineModels() to open it for. Empty when the user cancelled.
[[nodiscard]] QString chooseModel(Prompt *prompt, const QString &fileName, const QString &fileModel);

} // namespace FileQuestions
