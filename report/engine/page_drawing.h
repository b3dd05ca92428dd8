// Drawing a rebuilt prepared page on a canvas, for the preview window: the
// paper, the page colour, and in stored order each band's views — memos
// through the memo layout, lines, and the shapes a canvas has — at a scale,
// with the paper's top-left corner at an offset.
#pragma once

#include "platform/graphics/canvas.h"
#include "report/model/pages.h"

#include <functional>

namespace kanvo {

// Paints a view the page drawing does not know (pictures, say); returns
// false to leave it to the page drawing.
using ViewPainter = std::function<bool(TfrxView& view, Canvas& canvas, double scale, double offsetX,
                                       double offsetY)>;

// `totalPages` is what "[TotalPages#]" of the memos shows.
void DrawPreparedPage(TfrxReportPage& page, Canvas& canvas, double scale, double offsetX,
                      double offsetY, int totalPages, const ViewPainter& painter = {});

class TfrxPreviewPages;

// What a preview window needs of prepared pages: their count, sizes and a
// drawing of each (a page that cannot be rebuilt raises to the window).
struct PreparedPagesView {
    int Count = 0;
    std::function<std::pair<int, int>(int page)> PageSize;
    std::function<void(int page, Canvas& canvas, double scale, double x, double y)> DrawPage;
};
PreparedPagesView ViewOfPreparedPages(TfrxPreviewPages& pages, ViewPainter painter = {});

} // namespace kanvo
