// Drawing a rebuilt prepared page on a canvas, for the preview window: the
// paper, the page colour, and in stored order each band's views — memos
// through the memo layout, lines, and the shapes a canvas has — at a scale,
// with the paper's top-left corner at an offset.
#pragma once

#include "platform/graphics/canvas.h"
#include "platform/graphics/page_source.h"
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

// Prepared pages as a viewer asks for them: each page rebuilt on demand and
// drawn with DrawPreparedPage (a page that cannot be rebuilt raises to the
// viewer).
PageSource ViewOfPreparedPages(TfrxPreviewPages& pages, ViewPainter painter = {});

} // namespace kanvo
