#include "configfile/ui/configsteps.h"

#include "configfile/ui/configfilecontroller.h"

namespace ConfigSteps {

ConfigFile::Import importOf(const ConfigFile::Document &document)
{
    ConfigFile::Import import;
    import.model = document.model;
    for (auto it = document.routeMap.cbegin(); it != document.routeMap.cend(); ++it)
        import.routes.append(Routing::Route{it.key(), it.value()});
    import.listFiltering = document.listFiltering;
    import.boxStates = document.boxStates;
    import.feedbackMappings = document.feedbackMappings;
    import.feedbackMappings.resize(ConfigFile::MappingRecordCount);
    return import;
}

SetupStep::SetupStep(EditHistory *history, ConfigFileController *files, const QString &text,
                     const ConfigFile::Import &before, const ConfigFile::Import &after, bool wholeDevice)
    : EditStep(history, text)
    , m_files(files)
    , m_before(before)
    , m_after(after)
    , m_wholeDevice(wholeDevice)
{
}

void SetupStep::undoEdit()
{
    (void)m_files->importIntoDevice(m_before, m_wholeDevice);
}

void SetupStep::redoEdit()
{
    (void)m_files->importIntoDevice(m_after, m_wholeDevice);
}

} // namespace ConfigSteps
