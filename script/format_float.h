// FormatFloat with the run-time library's number masks: "0" (a digit, always
// shown), "#" (a digit when there is one), "." (the locale's decimal
// separator), "," anywhere before it (group thousands with the locale's
// separator), "E+00"/"E-00" (scientific), '...' and "..." literals, and up to
// three sections "positive;negative;zero". An empty mask gives FloatToStr.
// Rounding is half away from zero on the value's 15-digit decimal form.
#pragma once

#include "platform/format_settings.h"

namespace kanvo {

AnsiString FormatFloat(std::string_view mask, double value,
                       const FormatSettings& settings = ProcessFormatSettings());

} // namespace kanvo
