// Pages as a viewer asks for them: how many, how big, and a drawing of each
// on a canvas. The report engine supplies them; the preview window shows them.
#pragma once

#include "platform/graphics/canvas.h"

#include <functional>
#include <utility>

namespace kanvo {

struct PageSource {
    int Count = 0;
    // Width and height of a page in report pixels (96 per inch).
    std::function<std::pair<int, int>(int page)> PageSize;
    // Draws page `page` with its top-left corner at (x, y), `scale` device
    // pixels per report pixel.
    std::function<void(int page, Canvas& canvas, double scale, double x, double y)> DrawPage;
};

} // namespace kanvo
