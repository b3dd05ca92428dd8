#include "report/model/picture.h"

#include "platform/exception.h"
#include "report/model/serializer.h"

namespace kanvo {

const ClassInfo& TPicture::StaticClass() {
    static const ClassInfo info("TPicture", nullptr, {});
    return info;
}

std::unique_ptr<TGraphic> TGraphic::FromFile(TGraphicKind kind, std::string fileBytes) {
    auto g = std::make_unique<TGraphic>();
    g->kind_ = kind;
    g->fileBytes_ = std::move(fileBytes);
    return g;
}

std::unique_ptr<TGraphic> TGraphic::FromStored(AnsiString className, std::string storedData) {
    auto g = std::make_unique<TGraphic>();
    g->className_ = std::move(className);
    g->storedData_ = std::move(storedData);
    return g;
}

bool RecognizeGraphic(std::string_view, TGraphicKind&, size_t&) {
    return false;
}

void TPicture::Clear() {
    graphic_.reset();
    Changed();
}

void TPicture::Assign(const TPicture& other) {
    if (other.graphic_)
        graphic_ = std::make_unique<TGraphic>(*other.graphic_);
    else
        graphic_.reset();
    Changed();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    Changed();
}

bool TPicture::LoadFromStream(std::string_view) {
    Clear();
    return false;
}

void TPicture::LoadFromFile(const AnsiString& fileName) {
    throw Exception("Cannot open file \"" + fileName + "\"");
}

void TPicture::DefineBinaryProperties(TfrxBinaryWriter&) const {}

bool TPicture::ReadBinaryProperty(const AnsiString&, TfrxBinaryReader&) {
    return false;
}

std::string TPicture::StoredForm() const {
    return {};
}

void TPicture::ReadStoredForm(std::string_view) {}

} // namespace kanvo
