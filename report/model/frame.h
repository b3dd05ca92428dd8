// The border of a view: TfrxFrame owns its four TfrxFrameLine sides; each
// line points back at its frame (a line value equal to the frame's is not
// written).
#pragma once

#include "report/model/published.h"

#include <array>
#include <cstdint>

namespace kanvo {

enum class TfrxFrameStyle {
    fsSolid,
    fsDash,
    fsDot,
    fsDashDot,
    fsDashDotDot,
    fsDouble,
    fsAltDot,
    fsSquare
};
// Members of the frame type set; bit n = member n.
enum TfrxFrameType { ftLeft = 1, ftRight = 2, ftTop = 4, ftBottom = 8 };

class TfrxFrame;

class TfrxFrameLine : public TPersistent {
public:
    explicit TfrxFrameLine(const TfrxFrame* frame) : frame_(frame) {}
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    int32_t Color = 0;
    TfrxFrameStyle Style = TfrxFrameStyle::fsSolid;
    double Width = 1;
    const TfrxFrame& Frame() const { return *frame_; }

private:
    const TfrxFrame* frame_;
};

class TfrxFrame : public TPersistent {
public:
    TfrxFrame();
    TfrxFrame(const TfrxFrame&) = delete;
    TfrxFrame& operator=(const TfrxFrame&) = delete;
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    int32_t Color() const { return color_; }
    TfrxFrameStyle Style() const { return style_; }
    double Width() const { return width_; }
    // Frame-wide values: also written into all four lines.
    void SetColor(int32_t v);
    void SetStyle(TfrxFrameStyle v);
    void SetWidth(double v);

    bool DropShadow = false;
    int32_t ShadowColor = 0;
    double ShadowWidth = 4;
    int Typ = 0; // TfrxFrameType bits

    TfrxFrameLine LeftLine{this}, TopLine{this}, RightLine{this}, BottomLine{this};
    // Copies the frame values and the four lines.
    void Assign(const TfrxFrame& other);
    bool IsDefault() const;

private:
    int32_t color_ = 0;
    TfrxFrameStyle style_ = TfrxFrameStyle::fsSolid;
    double width_ = 1;
};

extern const std::vector<AnsiString> kFrameStyleNames;
extern const std::vector<AnsiString> kFrameTypeNames;

} // namespace kanvo
