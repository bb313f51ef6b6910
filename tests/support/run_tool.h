#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

namespace psa::testing {

// The exit status and output of a tool, -1 when it did not run to its end.
inline std::pair<int, QString> runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForStarted(10000) && process.waitForFinished(20000)
        && process.exitStatus() == QProcess::NormalExit;
    return { ended ? process.exitCode() : -1, QString::fromUtf8(process.readAll()) };
}

} // namespace psa::testing
