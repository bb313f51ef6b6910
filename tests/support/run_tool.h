#pragma once

#include "numbers/str_form.h"
#include "platform/vector_surface.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

namespace psa::testing {

// The surface as the export and the print make it, numbers in their print form.
struct PrintingVectorSurface : VectorSurface {
    PrintingVectorSurface()
        : VectorSurface(printForm)
    {
    }
};

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
