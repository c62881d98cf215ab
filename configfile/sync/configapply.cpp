#include "configfile/sync/configapply.h"

#include "configfile/configreader.h"
#include "configfile/sync/configdiff.h"
#include "configfile/sync/devicebackup.h"
#include "device/sysex.h"
#include "filter/filterprotocol.h"
#include "mapping/mappingcommands.h"
#include "mapping/mappingfeedback.h"
#include "mapping/mappingprotocol.h"
#include "routing/routeprotocol.h"

#include <algorithm>

namespace DeviceSync {

namespace {

QString routeText(const Routing::Route &route)
{
    return QStringLiteral("%1 → %2").arg(Routing::buttonText(route.in, Routing::Side::Input),
                                          Routing::buttonText(route.out, Routing::Side::Output));
}

} // namespace

ApplyPlan planApply(const ConfigFile::Import &file)
{
    ApplyPlan plan;
    plan.steps.append({ApplyStep::RemoveAllRoutes, Routing::removeAllCommand(), QStringLiteral("remove every route"),
                       QStringLiteral("removing every route")});
    // A file lists each source's destinations most recently added first, and
    // the device reports them in the order they were connected: connecting
    // them oldest first gives back the same file.
    QVector<Routing::Route> routes = file.routes;
    for (auto first = routes.begin(); first != routes.end();) {
        const auto last = std::find_if(first, routes.end(), [&](const Routing::Route &r) { return r.in != first->in; });
        std::reverse(first, last);
        first = last;
    }
    for (const Routing::Route &route : qAsConst(routes)) {
        plan.steps.append({ApplyStep::Connect, Routing::connectCommand(route),
                           QStringLiteral("connect ") + routeText(route), QStringLiteral("route ") + routeText(route)});
    }
    plan.steps.append({ApplyStep::SaveRoutes, Routing::saveCommand(), QStringLiteral("save the routes"),
                       QStringLiteral("saving the routes")});

    if (file.listFiltering) {
        for (const ConfigFile::FilterEntry &entry : *file.listFiltering) {
            const auto port = Filter::parsePortText(entry.portName);
            const QByteArray command = port ? Filter::setCommand(port->typeCode, port->number, entry.bytes) : QByteArray();
            if (command.isEmpty()) {
                plan.error = QStringLiteral("The filter entry \"%1\" names no port.").arg(entry.portName);
                return plan;
            }
            const QString name = QStringLiteral("%1 %2").arg(Filter::portTypeWord(port->typeCode)).arg(port->number);
            const QStringList items = filteredItems(entry.bytes);
            const QString what = items.isEmpty() ? QStringLiteral("nothing filtered")
                                                 : QStringLiteral("filtered: ") + items.join(QStringLiteral(", "));
            plan.steps.append({ApplyStep::SetFilter, command, QStringLiteral("set the %1 filter (%2)").arg(name, what),
                               QStringLiteral("%1 filter").arg(name)});
        }
    }

    plan.steps.append({ApplyStep::DeleteAllMappings, Mapping::deleteAllMappingsCommand(),
                       QStringLiteral("delete every mapping rule"), QStringLiteral("deleting every mapping rule")});
    for (int number = MappingProtocol::FirstNumber; number <= MappingProtocol::LastNumber; ++number) {
        const MappingRecord &record = file.feedbackMappings.value(number);
        if (!record.enable)
            continue;
        plan.steps.append({ApplyStep::StoreMapping, record.toStoreCommand(),
                           QStringLiteral("store mapping %1").arg(number), QStringLiteral("mapping %1").arg(number)});
    }
    return plan;
}

QVector<FrameKind> answerKinds(ApplyStep::Kind kind)
{
    switch (kind) {
    case ApplyStep::RemoveAllRoutes:
    case ApplyStep::Connect:
        return {FrameKind::RouteAnswer};
    case ApplyStep::SaveRoutes:
        return {FrameKind::SaveAnswer};
    case ApplyStep::SetFilter:
        return {FrameKind::FilterAnswer};
    case ApplyStep::DeleteAllMappings:
        return {FrameKind::MappingDeleteAnswer};
    case ApplyStep::StoreMapping:
        return {FrameKind::SaveAnswer, FrameKind::MappingStoreAnswer};
    }
    return {};
}

QString refusalOf(const ApplyStep &step, const QByteArray &answer)
{
    const int status = SysEx::byteOrZero(answer, SysEx::DataPos);
    const int code = SysEx::byteOrZero(answer, SysEx::DataPos + 1);
    const auto refused = [&](const QString &why) -> QString { return step.subject + QStringLiteral(": ") + why; };
    const auto codeText = [&]() -> QString { return QStringLiteral("refused (code %1)").arg(code); };
    switch (step.kind) {
    case ApplyStep::RemoveAllRoutes:
    case ApplyStep::Connect: {
        const auto reply = Routing::parseRouteAnswer(answer);
        if (!reply)
            return refused(QStringLiteral("the device's answer cannot be read"));
        if (reply->result == 0)
            return {};
        return refused(Routing::connectResultText(reply->result).value_or(codeText()));
    }
    case ApplyStep::SaveRoutes:
        return status == 0 ? QString() : refused(QStringLiteral("Configuration failed"));
    case ApplyStep::SetFilter: {
        const auto text = Filter::resultText(answer);
        if (text == QStringLiteral("Configuration successful"))
            return {};
        return refused(text.value_or(codeText()));
    }
    case ApplyStep::DeleteAllMappings: {
        const Mapping::DeleteResult result = Mapping::interpretDeleteResult(answer);
        if (result.outcome == Mapping::DeleteResult::Outcome::Deleted)
            return {};
        return refused(result.text.isEmpty() ? codeText() : result.text);
    }
    case ApplyStep::StoreMapping:
        if (SysEx::byteOrZero(answer, SysEx::CodePos) == SysEx::CodeMapping) {
            const Mapping::StoreReply reply = Mapping::interpretStoreReply(answer);
            return reply.action == Mapping::StoreReply::Action::ShowDataError ? refused(reply.text) : QString();
        }
        return status == 0 ? QString() : refused(QStringLiteral("Configuration failed"));
    }
    return {};
}

ApplyResult runApply(DeviceBackup &backup, const ApplyPlan &plan, const ApplyProgress &progress)
{
    ApplyResult result;
    int done = 0;
    for (const ApplyStep &step : plan.steps) {
        const auto answer = backup.exchange(step.command, answerKinds(step.kind));
        if (!answer)
            return result;
        // The window acknowledges a short store reply that is not a data error.
        if (step.kind == ApplyStep::StoreMapping && SysEx::byteOrZero(*answer, SysEx::CodePos) == SysEx::CodeMapping) {
            const Mapping::StoreReply reply = Mapping::interpretStoreReply(*answer);
            if (reply.action == Mapping::StoreReply::Action::Acknowledge && !backup.send(reply.reply))
                return result;
        }
        const QString refusal = refusalOf(step, *answer);
        if (!refusal.isEmpty())
            result.refusals.append(refusal);
        if (progress)
            progress(++done, plan.steps.size());
    }
    result.completed = true;
    return result;
}

RestoreResult restoreSettings(const QString &file, const QString &port, int timeoutMs)
{
    using Failure = RestoreResult::Failure;
    const auto failed = [](Failure failure, const QString &sentence) { return RestoreResult{failure, sentence}; };
    const ConfigFile::ReadResult read = ConfigFile::readFile(file);
    if (!read.ok())
        return failed(Failure::File, QStringLiteral("%1: %2").arg(file, read.errorString()));
    const ApplyPlan plan = planApply(read.import);
    if (!plan.error.isEmpty())
        return failed(Failure::File, QStringLiteral("%1: %2").arg(file, plan.error));
    DeviceBackup backup;
    backup.setTimeout(timeoutMs);
    if (!backup.open(port))
        return failed(Failure::NoDevice, backup.errorString());
    const ApplyResult result = runApply(backup, plan);
    if (!result.completed || !backup.readConfiguration())
        return failed(Failure::NoDevice, backup.errorString());
    if (!result.refusals.isEmpty())
        return failed(Failure::Refused, QStringLiteral("The device refused %1.").arg(result.refusals.join(QStringLiteral("; "))));
    const QVector<Difference> differences = compare(read.import, backup.configuration());
    if (!differences.isEmpty())
        return failed(Failure::Differs, QStringLiteral("Read back, the device does not hold what %1 says (%2).")
                                       .arg(file, differences.constFirst().text()));
    return {};
}

} // namespace DeviceSync
