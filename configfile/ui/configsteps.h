#pragma once

#include "configfile/configdocument.h"
#include "widgets/edithistory.h"

class ConfigFileController;

namespace ConfigSteps {

// What the window holds, as a file would bring it back.
[[nodiscard]] ConfigFile::Import importOf(const ConfigFile::Document &document);

// A whole setup replaced at once (Open File, Apply to Device): undo puts the
// routes, filters and rules that were there before back the way Open File
// puts a file's in; for a whole device, its filters and rules go to it too.
class SetupStep : public EditStep
{
public:
    SetupStep(EditHistory *history, ConfigFileController *files, const QString &text,
              const ConfigFile::Import &before, const ConfigFile::Import &after, bool wholeDevice = false);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    ConfigFileController *const m_files;
    const ConfigFile::Import m_before;
    const ConfigFile::Import m_after;
    const bool m_wholeDevice;
};

} // namespace ConfigSteps
