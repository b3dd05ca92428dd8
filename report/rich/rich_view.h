// The rich text object: formatted text held as RTF. The content is kept as
// the RTF bytes it was given (a template round trip is lossless); its plain
// text comes from a small RTF reader. Measuring, splitting and drawing the
// formatting itself are still to come: for now the object prints its plain
// text in its font.
#pragma once

#include "report/model/views.h"

namespace kanvo {

class TfrxRichView : public TfrxStretcheable {
public:
    TfrxRichView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    bool AllowExpressions = true;
    AnsiString ExpressionDelimiters = "[,]";
    double GapX = 2, GapY = 1;
    bool Wysiwyg = true;
    TfrxRichView* FlowTo() const { return flowTo_.Get(); }
    void SetFlowTo(TfrxRichView* view) { flowTo_.Set(view); }

    // The RTF content.
    const std::string& Content() const { return content_; }
    // A text that starts with an RTF header is taken as RTF, any other as
    // plain text (lines at CR LF, CR or LF) in the process code page.
    void SetContent(std::string text);
    // The content's text, paragraphs separated by CR LF, in the process code
    // page.
    AnsiString PlainText() const;

    void PreparePrint() override;
    void CompletePrint() override;

    // The stored form: the binary property "RichEdit" holding the RTF bytes.
    void DefineBinaryProperties(TfrxBinaryWriter& writer) const override;
    bool ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) override;

private:
    std::string content_;
    std::string saved_;
    TfrxComponentRef<TfrxRichView> flowTo_;
};

// The plain text of RTF bytes: groups, control words, \par and \line as
// CR LF, \tab, \'hh bytes, \uN characters (with their \ucN fallbacks
// skipped), escaped braces and backslashes; the font, colour and style
// tables, pictures and other destinations are left out. Bytes of \'hh are
// taken in the document's \ansicpg code page (1250 when it names none) and
// the result is in the process code page.
AnsiString RtfToPlainText(std::string_view rtf);

// Plain text as an RTF document in the process code page.
std::string PlainTextToRtf(std::string_view text);

class Canvas;

// Draws the object's plain text in its font, fill and frame, the way a memo
// is drawn (the formatting of the RTF is not applied yet).
void DrawRichView(const TfrxRichView& view, Canvas& canvas, double scaleX, double scaleY,
                  double offsetX, double offsetY);

// Registers the rich text object with the template reader.
void RegisterRichClasses();

} // namespace kanvo
