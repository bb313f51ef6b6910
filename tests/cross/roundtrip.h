#pragma once

#include "platform/toolkit.h"

#include <string>
#include <vector>

namespace psa::cross {

// Loads a record file into Form1 as "データー読み込み" does, saves the records ("データー保存"), draws the
// graph
// ("グラフ表示") and saves it ("グラフ保存"), all on a window without a screen and on the platform's own
// surface and file system:  roundtrip RECORDS.csv SAVED.csv GRAPH.bmp
// Returns the exit status: 0 when both files were written, 1 when something failed (said on stderr), 2 for
// wrong arguments.
int RoundTrip(const std::vector<std::u16string> &arguments, Surface &surface, FileSystem &files);

} // namespace psa::cross
