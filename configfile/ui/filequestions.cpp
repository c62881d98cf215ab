#include "configfile/ui/filequestions.h"

#include "configfile/configtranslation.h"
#include "device/devicemodels.h"
#include "device/prompt.h"

namespace FileQuestions {

bool acceptLeftOut(Prompt *prompt, const QString &title, const ConfigFile::Translation &translation)
{
    if (translation.leftOut.isEmpty())
        return true;
    const QString text = translation.summary() + QStringLiteral("\n\nGo on without them?");
    return prompt->message(Prompt::Question, title, text, Prompt::Yes | Prompt::No) == Prompt::Yes;
}

QStringList offlineModels()
{
    QStringList models;
    for (const DeviceModels::DeviceModel &row : DeviceModels::all()) {
        if (row.ports && !row.acceptedName.isEmpty())
            models.append(row.model);
    }
    return models;
}

QString chooseModel(Prompt *prompt, const QString &fileName, const QString &fileModel)
{
    const QString why = fileModel.isEmpty()
                            ? QStringLiteral("%1 does not say which model it was saved from.").arg(fileName)
                            : QStringLiteral("%1 was saved from the %2, whose ports Velmora does not know.")
                                  .arg(fileName, fileModel);
    return prompt->chooseItem(QStringLiteral("Open File"),
                              why + QStringLiteral(" Which model should it be opened for?"), offlineModels());
}

} // namespace FileQuestions
