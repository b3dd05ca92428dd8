#include "pdf/pdf_messages.h"

#include <utility>

namespace kanvo {
namespace {

// Texts in code page 1250.
const std::pair<const char*, const char*> kMessages[] = {
    {"PDFexport", "Soubor PDF"},
    {"8707", "Soubor Adobe PDF (*.pdf)|*.pdf"},
    {"8708", ".pdf"},
    {"mbError", "Chyba"},
};

} // namespace

AnsiString PdfMessage(const AnsiString& key) {
    for (const auto& [name, text] : kMessages)
        if (key == name)
            return text;
    return key;
}

} // namespace kanvo
