#pragma once

#include "app/print_page.h"
#include "platform/vector_surface.h"

#include <windows.h>

namespace psa {

// Draws the drawing's lines, rings and numbers onto `dc`, scaled into `target` (in the DC's logical units,
// with the drawing's proportions) on white: lines and rings one picture pixel wide in their colours, the
// numbers in the window's face at their height in the picture, so that it stays sharp at any size. Leaves the
// DC's objects and settings as it found them.
void drawVectorDrawing(HDC dc, const VectorDrawing &drawing, const PageRect &target);

// The drawing as an enhanced metafile of its own size at 96 dots an inch, recorded against the screen, for
// programs that paste pictures as drawings. Null when it cannot be made; the caller deletes it.
[[nodiscard]] HENHMETAFILE vectorMetafile(const VectorDrawing &drawing);

} // namespace psa
