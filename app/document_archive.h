// The archive step of the output run: the PDF "akt.pdf" next to the program
// goes into the host's document table doklady, row of type 81 for the order.
#pragma once

#include "data/zconnection.h"
#include "platform/text_types.h"

namespace kanvo {

// Finds or creates the row (typ 81, objedavka = orderKey), loads the file
// into its obsah column and writes the row. The file is deleted only after
// the row has been written, so a failed update never loses the document.
void ArchiveDocument(TZConnection& connection, const AnsiString& orderKey,
                     const AnsiString& pdfPath);

} // namespace kanvo
