#include "report/model/frame.h"

#include <algorithm>

namespace kanvo {

const std::vector<AnsiString> kFrameStyleNames = {
    "fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot", "fsDouble", "fsAltDot", "fsSquare"};
const std::vector<AnsiString> kFrameTypeNames = {"ftLeft", "ftRight", "ftTop", "ftBottom"};

namespace {
TfrxFrameStyle StyleOf(int64_t v) {
    return static_cast<TfrxFrameStyle>(std::clamp<int64_t>(v, 0, 7));
}
} // namespace

const ClassInfo& TfrxFrameLine::StaticClass() {
    using T = TfrxFrameLine;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxFrameLine", nullptr)
            .Int(
                "Color", [](const T& o) { return o.Color; },
                [](T& o, int64_t v) { o.Color = static_cast<int32_t>(v); })
            .Stored([](const T& o) { return o.Color != o.Frame().Color(); })
            .Enum(
                "Style", kFrameStyleNames, [](const T& o) { return static_cast<int>(o.Style); },
                [](T& o, int64_t v) { o.Style = StyleOf(v); })
            .Stored([](const T& o) { return o.Style != o.Frame().Style(); })
            .Float(
                "Width", [](const T& o) { return o.Width; }, [](T& o, double v) { o.Width = v; })
            .Stored([](const T& o) { return o.Width != o.Frame().Width(); }));
    return info;
}

TfrxFrame::TfrxFrame() = default;

const ClassInfo& TfrxFrame::StaticClass() {
    using T = TfrxFrame;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxFrame", nullptr)
            .Int(
                "Color", &T::Color, [](T& o, int64_t v) { o.SetColor(static_cast<int32_t>(v)); }, 0)
            .Bool(
                "DropShadow", [](const T& o) { return o.DropShadow; },
                [](T& o, bool v) { o.DropShadow = v; }, false)
            .Int(
                "ShadowColor", [](const T& o) { return o.ShadowColor; },
                [](T& o, int64_t v) { o.ShadowColor = static_cast<int32_t>(v); }, 0)
            .Float(
                "ShadowWidth", [](const T& o) { return o.ShadowWidth; },
                [](T& o, double v) { o.ShadowWidth = v; })
            .Stored([](const T& o) { return o.ShadowWidth != 4; })
            .Enum(
                "Style", kFrameStyleNames, [](const T& o) { return static_cast<int>(o.Style()); },
                [](T& o, int64_t v) { o.SetStyle(StyleOf(v)); }, 0)
            .SetOf(
                "Typ", kFrameTypeNames, [](const T& o) { return o.Typ; },
                [](T& o, int64_t v) { o.Typ = static_cast<int>(v & 15); }, 0)
            .Float("Width", &T::Width, &T::SetWidth)
            .Stored([](const T& o) { return o.Width() != 1; })
            .Sub("LeftLine", &TfrxFrameLine::StaticClass(), [](const T& o) { return &o.LeftLine; })
            .Sub("TopLine", &TfrxFrameLine::StaticClass(), [](const T& o) { return &o.TopLine; })
            .Sub("RightLine", &TfrxFrameLine::StaticClass(),
                 [](const T& o) { return &o.RightLine; })
            .Sub("BottomLine", &TfrxFrameLine::StaticClass(),
                 [](const T& o) { return &o.BottomLine; }));
    return info;
}

void TfrxFrame::SetColor(int32_t v) {
    color_ = v;
    for (TfrxFrameLine* l : {&LeftLine, &TopLine, &RightLine, &BottomLine})
        l->Color = v;
}

void TfrxFrame::SetStyle(TfrxFrameStyle v) {
    style_ = v;
    for (TfrxFrameLine* l : {&LeftLine, &TopLine, &RightLine, &BottomLine})
        l->Style = v;
}

void TfrxFrame::SetWidth(double v) {
    width_ = v;
    for (TfrxFrameLine* l : {&LeftLine, &TopLine, &RightLine, &BottomLine})
        l->Width = v;
}

void TfrxFrame::Assign(const TfrxFrame& o) {
    color_ = o.color_;
    style_ = o.style_;
    width_ = o.width_;
    DropShadow = o.DropShadow;
    ShadowColor = o.ShadowColor;
    ShadowWidth = o.ShadowWidth;
    Typ = o.Typ;
    TfrxFrameLine* mine[] = {&LeftLine, &TopLine, &RightLine, &BottomLine};
    const TfrxFrameLine* theirs[] = {&o.LeftLine, &o.TopLine, &o.RightLine, &o.BottomLine};
    for (int i = 0; i < 4; ++i) {
        mine[i]->Color = theirs[i]->Color;
        mine[i]->Style = theirs[i]->Style;
        mine[i]->Width = theirs[i]->Width;
    }
}

bool TfrxFrame::IsDefault() const {
    if (color_ != 0 || style_ != TfrxFrameStyle::fsSolid || width_ != 1 || DropShadow ||
        ShadowColor != 0 || ShadowWidth != 4 || Typ != 0)
        return false;
    for (const TfrxFrameLine* l : {&LeftLine, &TopLine, &RightLine, &BottomLine})
        if (l->Color != color_ || l->Style != style_ || l->Width != width_)
            return false;
    return true;
}

} // namespace kanvo
