// Draws the graph of a record file into a bitmap with the program's own code, as one process:
//   csv_to_bmp RECORDS.csv GRAPH.bmp
// The yardstick for comparing whole-process drawing time with other plotting tools.
#include "files/record_file.h"
#include "graph/graph.h"
#include "numbers/val.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: csv_to_bmp RECORDS.csv GRAPH.bmp\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    psa::QtFileSystem files;
    const psa::RecordFileContents contents
        = psa::LoadRecordFile(files, QString::fromLocal8Bit(argv[1]).toStdU16String());
    if (!contents.ok() || contents.records.empty()) {
        std::fprintf(stderr, "%s\n", QString::fromStdU16String(contents.error).toLocal8Bit().constData());
        return 1;
    }
    psa::Records records;
    for (const psa::RecordFields &fields : contents.records) {
        ++records.RecordCount;
        for (int column = 1; column <= 3; ++column)
            records.RecordTable.set(
                records.RecordCount, column, psa::Val(fields[static_cast<std::size_t>(column - 1)]));
    }
    psa::ImageSurface surface;
    psa::DrawGraph(records, surface);
    if (const auto error = psa::SaveFileReplacing(
            files, QString::fromLocal8Bit(argv[2]).toStdU16String(), surface.BitmapBytes())) {
        std::fprintf(stderr, "%s\n", QString::fromStdU16String(*error).toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
