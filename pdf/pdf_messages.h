// The texts the PDF export shows, under their message-table keys. They move
// into the report's message table once it exists.
#pragma once

#include "platform/text_types.h"

namespace kanvo {

// The text of `key`; a key not in the table yields the key itself.
AnsiString PdfMessage(const AnsiString& key);

} // namespace kanvo
