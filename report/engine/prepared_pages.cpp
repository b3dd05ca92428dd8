#include "report/engine/prepared_pages.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/format_settings.h"
#include "report/engine/memo_text.h"
#include "report/model/bands.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "report/model/stream.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace kanvo {

namespace {

constexpr const char* kPreviewPages = "previewpages";
constexpr const char* kAnchors = "anchors";
constexpr const char* kLogicalNumbers = "logicalpagenumbers";
constexpr const char* kOutline = "outline";
constexpr const char* kCutted = "cutted";
// Present only while a prepared report is saved or loaded.
constexpr const char* kReport = "report";
constexpr const char* kSourcePages = "sourcepages";
constexpr const char* kDictionary = "dictionary";
constexpr const char* kPictureCache = "picturecache";
constexpr const char* kReportAttributes[] = {"DotMatrixReport", "PreviewOptions.OutlineVisible",
                                             "PreviewOptions.OutlineWidth", "ReportOptions.Name"};

AnsiString IntText(int64_t v) {
    return std::to_string(v);
}

int IntAttribute(const TfrxXMLItem& item, std::string_view name, int fallback = 0) {
    auto v = TryStrToInt64(item.Attribute(name));
    return v ? static_cast<int>(*v) : fallback;
}

// Calls f(name, value) for each attribute of an attribute text, left to
// right, the way the serializer reads them (values still escaped).
template <typename F>
void ForEachAttribute(std::string_view text, F f) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && text[i] == ' ')
            ++i;
        size_t eq = text.find('=', i);
        if (eq == std::string_view::npos)
            return;
        std::string_view name = text.substr(i, eq - i);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        if (name.empty())
            return;
        size_t open = text.find('"', eq + 1);
        if (open == std::string_view::npos)
            return;
        size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos)
            close = n;
        f(name, text.substr(open + 1, close - open - 1));
        i = close + 1;
    }
}

} // namespace

// ---------------------------------------------------------------- dictionary

void TfrxDictionary::Add(const AnsiString& name, const AnsiString& sourceName,
                         TfrxComponent* object) {
    entries_[name] = {sourceName, object};
}

AnsiString TfrxDictionary::AddUnique(const AnsiString& prefix, const AnsiString& sourceName,
                                     TfrxComponent* object) {
    auto used = [&](int n) { return entries_.count(prefix + IntText(n)) != 0; };
    int n = 10000;
    while (n > 1 && !used(n))
        n /= 2;
    while (used(n))
        ++n;
    AnsiString name = prefix + IntText(n);
    Add(name, sourceName, object);
    return name;
}

TfrxComponent* TfrxDictionary::GetObject(const AnsiString& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second.Object;
}

AnsiString TfrxDictionary::GetSourceName(const AnsiString& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? AnsiString() : it->second.SourceName;
}

std::vector<std::pair<AnsiString, AnsiString>> TfrxDictionary::Entries() const {
    std::vector<std::pair<AnsiString, AnsiString>> out;
    out.reserve(entries_.size());
    for (const auto& [name, entry] : entries_)
        out.emplace_back(name, entry.SourceName);
    return out;
}

// ---------------------------------------------------------------- picture cache

int TfrxPictureCache::Add(const TPicture& picture) {
    if (picture.Empty())
        return 0;
    streams_.push_back(picture.StoredForm());
    return Count();
}

void TfrxPictureCache::Get(int index, TPicture& picture) const {
    if (index < 1 || index > Count()) {
        picture.Clear();
        return;
    }
    picture.ReadStoredForm(streams_[static_cast<size_t>(index - 1)]);
}

// ---------------------------------------------------------------- outline

TfrxXMLItem& TfrxOutline::Root() {
    return pages_.Section(kOutline);
}

void TfrxOutline::AddItem(const AnsiString& text, int top) {
    TfrxXMLItem* item = Current()->Add();
    item->Name = "item";
    item->SetAttribute("text", text);
    item->SetAttribute("page", IntText(pages_.CurPage));
    item->SetAttribute("top", IntText(top));
    current_ = item;
}

void TfrxOutline::LevelUp() {
    TfrxXMLItem* current = Current();
    if (current != &Root() && current->Parent())
        current_ = current->Parent();
}

void TfrxOutline::LevelRoot() {
    current_ = &Root();
}

TfrxXMLItem* TfrxOutline::CurrentPosition() {
    TfrxXMLItem* current = Current();
    return current->Count() ? current->Items(current->Count() - 1) : nullptr;
}

void TfrxOutline::ShiftItems(TfrxXMLItem* after, int newTop) {
    std::vector<TfrxXMLItem*> order; // document order
    std::vector<TfrxXMLItem*> stack{&Root()};
    while (!stack.empty()) {
        TfrxXMLItem* item = stack.back();
        stack.pop_back();
        if (item != &Root())
            order.push_back(item);
        for (int i = item->Count(); i-- > 0;)
            stack.push_back(item->Items(i));
    }
    auto from = order.begin();
    if (after) {
        from = std::find(order.begin(), order.end(), after);
        if (from == order.end())
            return;
        ++from;
    }
    if (from == order.end())
        return;
    const int delta = newTop - IntAttribute(**from, "top");
    for (auto it = from; it != order.end(); ++it) {
        (*it)->SetAttribute("page", IntText(IntAttribute(**it, "page") + 1));
        (*it)->SetAttribute("top", IntText(IntAttribute(**it, "top") + delta));
    }
}

// ---------------------------------------------------------------- page numbers

std::vector<int> ParsePageNumbers(const AnsiString& text, int pageCount) {
    AnsiString s;
    for (char c : text)
        if (c != ' ')
            s += c;
    std::vector<int> pages;
    if (s.empty())
        return pages;
    if (s.back() == '-')
        s += IntText(pageCount);
    auto number = [](std::string_view part) {
        auto v = TryStrToInt64(part);
        if (!v)
            throw EConvertError(Format("'%s' is not a valid integer value", {part}));
        return *v;
    };
    size_t start = 0;
    while (start <= s.size()) {
        size_t comma = s.find(',', start);
        std::string_view part = std::string_view(s).substr(
            start, comma == AnsiString::npos ? AnsiString::npos : comma - start);
        if (!part.empty()) {
            size_t dash = part.find('-');
            if (dash == std::string_view::npos) {
                pages.push_back(static_cast<int>(number(part)));
            } else {
                int64_t first = number(part.substr(0, dash));
                int64_t last = number(part.substr(dash + 1));
                // Numbers beyond the pages are never met; keep the list bounded.
                last = std::min<int64_t>(last, std::max(pageCount, 0));
                for (int64_t p = first; p <= last; ++p)
                    pages.push_back(static_cast<int>(p));
            }
        }
        if (comma == AnsiString::npos)
            break;
        start = comma + 1;
    }
    return pages;
}

// ---------------------------------------------------------------- the store

TfrxPreviewPages::TfrxPreviewPages(TfrxReport* report) : report_(report) {
    ClearPages();
}

TfrxPreviewPages::~TfrxPreviewPages() = default;

void TfrxPreviewPages::ClearPages() {
    pageCache_.clear();
    sourcePages_.clear();
    document_.Clear();
    document_.Root().Name = "preparedreport";
    dictionary_.Clear();
    pictures_.Clear();
    outline_.Reset();
    CurPage = -1;
    FirstPage = 0;
    passStartPage_ = -1;
    passStartObjects_ = 0;
    logicalCounter_ = 0;
    xmlSize_ = 0;
}

void TfrxPreviewPages::BeginRun() {
    if (report_) {
        document_.SwapFolder = report_->EngineOptions.TempDir;
        InstallPictureHook();
    }
    Progress(0, -1);
}

void TfrxPreviewPages::InstallPictureHook() {
    report_->AddPreparedPicture = [this](const TPicture& picture) {
        return pictures_.Add(picture);
    };
}

void TfrxPreviewPages::RegisterSourcePage(TfrxReportPage& page) {
    auto copy = std::make_unique<TfrxReportPage>();
    TfrxXMLSerializer serializer;
    serializer.Owner = report_;
    serializer.ApplyAttributes(serializer.AttributesOf(&page, "", nullptr), *copy);
    copy->SetName(page.Name());
    const int index = SourcePageCount();
    TfrxReportPage& target = *copy;
    sourcePages_.push_back(std::move(copy));
    page.SourceLink.Set(&target);
    target.SourceLink.Set(&page);
    for (TfrxComponent* child : page.Objects())
        CopySourceTree(*child, target, index);
}

void TfrxPreviewPages::CopySourceTree(TfrxComponent& design, TfrxComponent& copyParent,
                                      int sourceIndex) {
    if (!(design.StorageFlags & kKeepInPreparedPages))
        return;
    const RegisteredClass* cls = FindComponentClass(design.ClassName());
    if (!cls)
        return; // a class the template reader could not have made
    TfrxComponent* copy = copyParent.Adopt(cls->Create());

    TfrxXMLSerializer serializer;
    serializer.Owner = report_;
    auto* picture = dynamic_cast<TfrxPictureView*>(&design);
    const bool storePicture = picture && picture->StorePicture;
    if (picture)
        picture->StorePicture = false; // the picture cache holds the pictures
    AnsiString text = serializer.AttributesOf(&design, "", nullptr);
    if (picture)
        picture->StorePicture = storePicture;
    serializer.ApplyAttributes(text, *copy);
    serializer.ResolveReferences();
    copy->SetName(design.Name());

    design.SourceLink.Set(copy);
    copy->SourceLink.Set(&design);
    AnsiString prefix;
    if (dynamic_cast<TfrxBand*>(&design)) {
        prefix = "b";
    } else {
        AnsiString stem = design.NameStem();
        prefix = stem.empty()
                     ? AnsiString("o")
                     : AnsiString(
                           1, static_cast<char>(std::tolower(static_cast<unsigned char>(stem[0]))));
    }
    const AnsiString name =
        dictionary_.AddUnique(prefix, "Page" + IntText(sourceIndex) + "." + design.Name(), copy);
    if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(copy)) {
        memo->SetDataSet(nullptr);
        memo->DataField.clear();
    }
    copy->BaseText =
        (copy->StorageFlags & kStoreFullText) ? copy->ClassName() : serializer.TextOf(*copy);
    design.PreparedName = name;
    copy->PreparedName = name;
    for (TfrxComponent* child : design.Objects())
        CopySourceTree(*child, *copy, sourceIndex);
}

void TfrxPreviewPages::OpenPass() {
    passStartPage_ = Count() - 1;
    passStartObjects_ = 0;
    if (TfrxXMLItem* item = PageItem(passStartPage_)) {
        document_.SwapIn(*item);
        passStartObjects_ = item->Count();
    }
    CloseLogicalNumbering();
}

void TfrxPreviewPages::OpenPage(TfrxReportPage& page) {
    if (report_ && report_->EngineOptions.UseFileCache &&
        xmlSize_ >
            static_cast<uint64_t>(std::max(report_->EngineOptions.MaxMemSize, 0)) * 1048576u) {
        for (int i = Count() - 2; i >= 0; --i) {
            TfrxXMLItem* item = PageItem(i);
            if (!item->InMemory)
                break;
            document_.SwapOut(*item);
        }
        xmlSize_ = 0;
    }
    if (CurPage + 1 < Count() && AddMode != TfrxAddPageMode::Append) {
        ++CurPage;
        return;
    }
    // The page element names the source copy the page was registered as.
    int sourceIndex = -1;
    for (int i = 0; i < SourcePageCount(); ++i)
        if (sourcePages_[static_cast<size_t>(i)].get() == page.SourceLink.Get())
            sourceIndex = i;
    if (sourceIndex < 0) {
        RegisterSourcePage(page);
        sourceIndex = SourcePageCount() - 1;
    }
    TfrxXMLItem* item = Section(kPreviewPages).Add();
    item->Name = "page" + IntText(sourceIndex);
    if (Count() >= 3)
        item->MayUnload = true;
    Progress(0, CurPage + 2);
    AddMode = TfrxAddPageMode::Overwrite;
    CurPage = Count() - 1;
    CountLogicalPage();
}

TfrxXMLItem* TfrxPreviewPages::PageItem(int index) const {
    auto& self = const_cast<TfrxPreviewPages&>(*this);
    TfrxXMLItem& pages = self.Section(kPreviewPages);
    if (index < 0 || index >= pages.Count())
        return nullptr;
    return pages.Items(index);
}

TfrxXMLItem& TfrxPreviewPages::CurrentPageItem() const {
    TfrxXMLItem* item = PageItem(CurPage);
    if (!item)
        throw Exception("No prepared page is open");
    const_cast<TfrxXMLDocument&>(document_).SwapIn(*item);
    return *item;
}

void TfrxPreviewPages::PutObject(TfrxComponent& band) {
    WriteObject(band, CurrentPageItem());
}

void TfrxPreviewPages::WriteObject(TfrxComponent& object, TfrxXMLItem& parent) {
    if (!object.Visible() || !(object.StorageFlags & kKeepInPreparedPages))
        return;
    TfrxXMLItem* item = parent.Add();
    TfrxComponent* source = object.SourceLink.Get();
    if (source && !object.PreparedName.empty()) {
        item->Name = object.PreparedName;
        if (!FinalPass())
            item->Text = object.BaseDiff(*source);
        else if (object.StorageFlags & kStoreFullText)
            item->Text = object.MakeFullDiff(source);
        else
            item->Text = object.MakeDiff(*source);
    } else {
        item->Name = object.ClassName();
        item->Text = object.MakeFullDiff(nullptr);
    }
    xmlSize_ += sizeof(TfrxXMLItem) + item->Name.size() + item->Text.size() + 16;
    for (TfrxComponent* child : object.Objects())
        WriteObject(*child, *item);
}

void TfrxPreviewPages::CutObjects(int from) {
    TfrxXMLItem& page = CurrentPageItem();
    TfrxXMLItem& cut = Section(kCutted);
    from = std::max(from, 0);
    while (page.Count() > from)
        cut.AppendItem(page.Items(from));
}

void TfrxPreviewPages::PasteObjects(double x, double y) {
    TfrxXMLItem& cut = Section(kCutted);
    if (cut.Count() == 0)
        return;
    TfrxXMLItem& page = CurrentPageItem();
    const Bounds first = StoredBounds(*cut.Items(0));
    const double dx = x - first.Left, dy = y - first.Top;
    while (cut.Count() > 0) {
        TfrxXMLItem* item = cut.Items(0);
        const Bounds b = StoredBounds(*item);
        // Later attributes win when the object is rebuilt.
        item->Text += " l=\"" + FloatToTemplateText(b.Left + dx) + "\" t=\"" +
                      FloatToTemplateText(b.Top + dy) + "\"";
        page.AppendItem(item);
    }
}

const ClassInfo* TfrxPreviewPages::StoredClass(const TfrxXMLItem& item) const {
    if (TfrxComponent* source = dictionary_.GetObject(item.Name))
        return &source->ClassType();
    const RegisteredClass* cls = FindComponentClass(item.Name);
    return cls ? cls->Info : nullptr;
}

TfrxPreviewPages::Bounds TfrxPreviewPages::StoredBounds(const TfrxXMLItem& item) const {
    Bounds b;
    if (TfrxComponent* source = dictionary_.GetObject(item.Name))
        b = {source->Left(), source->Top(), source->Width(), source->Height()};
    ForEachAttribute(item.Text, [&](std::string_view name, std::string_view value) {
        double* target = nullptr;
        if (name == "l" || name == "Left")
            target = &b.Left;
        else if (name == "t" || name == "Top")
            target = &b.Top;
        else if (name == "w" || name == "Width")
            target = &b.Width;
        else if (name == "h" || name == "Height")
            target = &b.Height;
        if (target) {
            try {
                *target = TemplateTextToFloat(value);
            } catch (const Exception&) {
                // A broken number keeps the value before it.
            }
        }
    });
    return b;
}

bool TfrxPreviewPages::HasBand(const TfrxBand& band) const {
    TfrxXMLItem* page = PageItem(CurPage);
    if (!page)
        return false;
    const bool anyOfClass =
        dynamic_cast<const TfrxPageFooter*>(&band) || dynamic_cast<const TfrxColumnFooter*>(&band);
    for (int i = 0; i < page->Count(); ++i) {
        const TfrxXMLItem& item = *page->Items(i);
        if (!band.PreparedName.empty() && item.Name == band.PreparedName)
            return true;
        if (anyOfClass && StoredClass(item) == &band.ClassType())
            return true;
    }
    return false;
}

double TfrxPreviewPages::LowestBandBottom() const {
    TfrxXMLItem* page = PageItem(CurPage);
    double lowest = 0;
    if (!page)
        return lowest;
    for (int i = 0; i < page->Count(); ++i) {
        const TfrxXMLItem& item = *page->Items(i);
        const ClassInfo* cls = StoredClass(item);
        if (!cls || !cls->InheritsFrom(TfrxBand::StaticClass()) ||
            cls->InheritsFrom(TfrxPageFooter::StaticClass()) ||
            cls->InheritsFrom(TfrxOverlay::StaticClass()))
            continue;
        const Bounds b = StoredBounds(item);
        lowest = std::max(lowest, b.Top + b.Height);
    }
    return lowest;
}

void TfrxPreviewPages::DropFirstPass() {
    pageCache_.clear();
    TfrxXMLItem& root = document_.Root();
    if (passStartPage_ < 0) {
        for (int i = root.Count(); i-- > 0;) {
            TfrxXMLItem* item = root.Items(i);
            if (item->Name != kAnchors && item->Name != kLogicalNumbers)
                delete item;
        }
        outline_.Reset();
    } else {
        TfrxXMLItem& pages = Section(kPreviewPages);
        if (TfrxXMLItem* start = PageItem(passStartPage_)) {
            document_.SwapIn(*start);
            while (start->Count() > passStartObjects_)
                delete start->Items(start->Count() - 1);
        }
        while (pages.Count() > passStartPage_ + 1)
            delete pages.Items(pages.Count() - 1);
    }
    CloseLogicalNumbering();
    CurPage = passStartPage_;
    xmlSize_ = 0;
}

void TfrxPreviewPages::EndRun() {
    pageCache_.clear();
    // The design objects may be reloaded after the run; only the copies
    // stay, linked to nothing.
    std::vector<TfrxComponent*> stack;
    for (auto& page : sourcePages_)
        stack.push_back(page.get());
    while (!stack.empty()) {
        TfrxComponent* copy = stack.back();
        stack.pop_back();
        if (TfrxComponent* design = copy->SourceLink.Get())
            design->SourceLink.Reset(nullptr);
        copy->SourceLink.Reset(nullptr);
        for (TfrxComponent* child : copy->Objects())
            stack.push_back(child);
    }
    if (report_)
        report_->AddPreparedPicture = nullptr;
    Progress(0, -2);
}

void TfrxPreviewPages::SetSourcePageSize(TfrxReportPage& page, double height, double width) {
    auto* copy = dynamic_cast<TfrxReportPage*>(page.SourceLink.Get());
    if (!copy)
        return;
    copy->SetPaperWidth(width / fr01cm);
    copy->SetPaperHeight(height / fr01cm);
    copy->SetPaperSize(kCustomPaperSize);
}

// -- anchors

void TfrxPreviewPages::AddAnchor(const AnsiString& text) {
    TfrxXMLItem* item = Section(kAnchors).Add();
    item->Name = "item";
    item->SetAttribute("text", text);
    item->SetAttribute("page", IntText(CurPage));
    item->SetAttribute("top", IntText(std::lround(CurY())));
}

int TfrxPreviewPages::GetAnchorPage(const AnsiString& text) const {
    TfrxXMLItem& anchors = const_cast<TfrxPreviewPages&>(*this).Section(kAnchors);
    for (int i = anchors.Count(); i-- > 0;)
        if (AnsiSameText(anchors.Items(i)->Attribute("text"), text))
            return IntAttribute(*anchors.Items(i), "page") + 1;
    return 1;
}

void TfrxPreviewPages::ShiftAnchors(int index, int newTop) {
    TfrxXMLItem& anchors = Section(kAnchors);
    const int first = std::max(index + 1, 0);
    if (first >= anchors.Count())
        return;
    const int delta = newTop - IntAttribute(*anchors.Items(first), "top");
    for (int i = first; i < anchors.Count(); ++i) {
        TfrxXMLItem& item = *anchors.Items(i);
        item.SetAttribute("page", IntText(IntAttribute(item, "page") + 1));
        item.SetAttribute("top", IntText(IntAttribute(item, "top") + delta));
    }
}

int TfrxPreviewPages::AnchorPosition() const {
    return const_cast<TfrxPreviewPages&>(*this).Section(kAnchors).Count() - 1;
}

// -- logical page numbers

void TfrxPreviewPages::CountLogicalPage() {
    if (Engine && Engine->DoublePass && Engine->FinalPass)
        return; // the first pass's numbers stay
    ++logicalCounter_;
    TfrxXMLItem* item = Section(kLogicalNumbers).Add();
    item->Name = "page";
    item->SetAttribute("n", IntText(logicalCounter_));
}

void TfrxPreviewPages::CloseLogicalNumbering() {
    if (Engine && Engine->DoublePass && Engine->FinalPass)
        return;
    TfrxXMLItem& numbers = Section(kLogicalNumbers);
    for (int i = std::min(CurPage, numbers.Count() - 1); i > passStartPage_ && i >= 0; --i) {
        TfrxXMLItem& entry = *numbers.Items(i);
        entry.SetAttribute("t", IntText(logicalCounter_));
        if (entry.Attribute("n") == "1")
            break;
    }
    logicalCounter_ = 0;
}

int TfrxPreviewPages::LogicalPageNumber() const {
    TfrxXMLItem& numbers = const_cast<TfrxPreviewPages&>(*this).Section(kLogicalNumbers);
    if (CurPage >= 0 && CurPage < numbers.Count())
        return IntAttribute(*numbers.Items(CurPage), "n");
    return CurPage - FirstPage + 1;
}

int TfrxPreviewPages::LogicalTotalPages() const {
    TfrxXMLItem& numbers = const_cast<TfrxPreviewPages&>(*this).Section(kLogicalNumbers);
    if (CurPage >= 0 && CurPage < numbers.Count())
        return IntAttribute(*numbers.Items(CurPage), "t");
    return (Engine ? Engine->TotalPages : 0) - FirstPage;
}

int TfrxPreviewPages::StorePicture(TfrxPictureView& view) {
    view.ImageIndex = pictures_.Add(view.Picture);
    return view.ImageIndex;
}

int TfrxPreviewPages::Count() const {
    return const_cast<TfrxPreviewPages&>(*this).Section(kPreviewPages).Count();
}

int TfrxPreviewPages::CurPosition() const {
    TfrxXMLItem* page = PageItem(CurPage);
    return page ? page->Count() : 0;
}

// ---------------------------------------------------------------- reading

void TfrxPreviewPages::BuildChildren(const TfrxXMLItem& item, TfrxComponent& parent) {
    for (int i = 0; i < item.Count(); ++i) {
        const TfrxXMLItem& child = *item.Items(i);
        TfrxXMLSerializer serializer;
        TfrxComponent* object = nullptr;
        if (TfrxComponent* source = dictionary_.GetObject(child.Name)) {
            object = serializer.CreateFromText(&parent, source->BaseText + " " + child.Text, true);
            object->SetName(source->Name());
            if (auto* picture = dynamic_cast<TfrxPictureView*>(object);
                picture && picture->Picture.Empty())
                pictures_.Get(picture->ImageIndex, picture->Picture);
        } else {
            object = serializer.CreateFromText(&parent, child.Name + " " + child.Text, true);
        }
        if (object)
            BuildChildren(child, *object);
    }
}

TfrxReportPage* TfrxPreviewPages::BuildPage(int index) {
    TfrxXMLItem* item = PageItem(index);
    if (!item)
        return nullptr;
    if (!Running()) {
        for (auto it = pageCache_.begin(); it != pageCache_.end(); ++it)
            if (it->first == index) {
                pageCache_.splice(pageCache_.begin(), pageCache_, it);
                return pageCache_.front().second.get();
            }
    }
    const bool wasInMemory = item->InMemory;
    document_.SwapIn(*item);

    auto page = std::make_unique<TfrxReportPage>();
    TfrxXMLSerializer serializer;
    if (item->Name == "TfrxReportPage") {
        serializer.ApplyAttributes(item->Text, *page);
    } else {
        const AnsiString digits = item->Name.substr(std::min<size_t>(4, item->Name.size()));
        auto source = TryStrToInt64(digits);
        if (!source || *source < 0 || *source >= SourcePageCount())
            throw Exception("Prepared page " + IntText(index) + " names no source page");
        TfrxReportPage& src = SourcePage(static_cast<int>(*source));
        serializer.ApplyAttributes(serializer.AttributesOf(&src, "", nullptr), *page);
        page->SetName(src.Name());
    }
    BuildChildren(*item, *page);
    page->ApplyChildAlignment();

    // Keep only one rebuilt copy of each page, the newest first.
    pageCache_.remove_if([index](const auto& entry) { return entry.first == index; });
    pageCache_.emplace_front(index, std::move(page));
    const int limit = report_ ? report_->PreviewOptions.PagesInCache : 50;
    while (pageCache_.size() > 1 && static_cast<int>(pageCache_.size()) > limit) {
        const int evicted = pageCache_.back().first;
        pageCache_.pop_back();
        if (report_ && report_->EngineOptions.UseFileCache)
            if (TfrxXMLItem* old = PageItem(evicted))
                document_.SwapOut(*old);
    }
    if (!wasInMemory && report_ && report_->EngineOptions.UseFileCache)
        document_.SwapOut(*item);
    return pageCache_.front().second.get();
}

std::pair<int, int> TfrxPreviewPages::PagePixelSize(int index) {
    TfrxXMLItem* item = PageItem(index);
    if (!item)
        return {0, 0};
    TfrxReportPage* page = nullptr;
    if (item->Name == "TfrxReportPage") {
        page = BuildPage(index);
    } else {
        auto source = TryStrToInt64(item->Name.substr(std::min<size_t>(4, item->Name.size())));
        if (source && *source >= 0 && *source < SourcePageCount())
            page = &SourcePage(static_cast<int>(*source));
    }
    if (!page)
        return {0, 0};
    return {static_cast<int>(std::lround(page->Width())),
            static_cast<int>(std::lround(page->Height()))};
}

bool TfrxPreviewPages::ExportTo(TfrxCustomExportFilter& filter) {
    filter.Report = report_;
    filter.Pages = this;
    if (filter.ShowDialog && filter.ShowOptionsDialog() != 1)
        return false;
    if (filter.CurPage)
        filter.PageNumbers = "1"; // no preview: its current page is the first
    bool result = true;
    std::vector<int> wanted;
    wanted = ParsePageNumbers(filter.PageNumbers, Count());
    if (!filter.BeginExport())
        return true;
    if (filter.ShowProgress)
        Progress(1, -1);
    try {
        for (int i = 0; i < Count(); ++i) {
            if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), i + 1) == wanted.end())
                continue;
            TfrxReportPage* page = BuildPage(i);
            if (!page)
                continue;
            if (filter.ShowProgress)
                Progress(1, i + 1);
            filter.BeginPage(*page, i);
            try {
                const bool mirrored = page->MirrorMargins && i % 2 == 1;
                page->SetLeft((mirrored ? page->RightMargin : page->LeftMargin) * fr01cm);
                page->SetTop(page->TopMargin * fr01cm);
                {
                    TfrxPictureView background;
                    background.SetName("_pagebackground");
                    background.Color = page->Color();
                    background.Frame.Assign(page->Frame());
                    background.Picture.Assign(page->BackPicture());
                    background.Stretched = true;
                    background.KeepAspectRatio = false;
                    background.SetBounds(
                        page->Left(), page->Top(),
                        page->Width() - (page->LeftMargin + page->RightMargin) * fr01cm,
                        page->Height() - (page->TopMargin + page->BottomMargin) * fr01cm);
                    filter.ExportView(background);
                }
                for (TfrxComponent* c : page->Objects()) {
                    auto* band = dynamic_cast<TfrxBand*>(c);
                    if (!band)
                        continue;
                    filter.ExportView(*band);
                    for (TfrxComponent* child : band->Objects()) {
                        auto* view = dynamic_cast<TfrxView*>(child);
                        if (!view)
                            continue;
                        if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(view)) {
                            if (memo->Highlight.Active)
                                memo->SetFont(memo->Highlight.Font);
                            memo->TotalPages = Count();
                            memo->CopyNo = 1;
                            ResolveMemoPlaceholders(*memo);
                        }
                        filter.ExportView(*view);
                    }
                }
            } catch (...) {
                filter.EndPage(*page, i);
                throw;
            }
            filter.EndPage(*page, i);
            pageCache_.clear(); // no preview keeps the pages
        }
    } catch (const Exception& e) {
        result = false;
        if (report_)
            report_->AddError(e.Message());
    } catch (const std::exception& e) {
        result = false;
        if (report_)
            report_->AddError(e.what());
    }
    if (filter.ShowProgress)
        Progress(1, -2);
    try {
        filter.EndExport();
    } catch (const Exception& e) {
        result = false;
        if (report_)
            report_->AddError(e.Message());
    }
    if (!result && report_)
        report_->ReportErrors();
    return result;
}

// ---------------------------------------------------------------- saving and loading

void TfrxPreviewPages::AddStoredSections() {
    RemoveStoredSections();
    if (report_) {
        TfrxXMLItem* item = Section(kReport).Add();
        item->Name = report_->ClassName();
        for (const char* name : kReportAttributes) {
            auto [owner, prop] = FindPropPath(*report_, name);
            if (owner && prop)
                item->SetAttribute(name, VarToStr(prop->Get(*owner)));
        }
    }
    TfrxXMLItem& pages = Section(kSourcePages);
    for (auto& page : sourcePages_) {
        TfrxXMLItem* item = pages.Add();
        TfrxXMLSerializer serializer;
        serializer.Owner = page.get();
        serializer.WriteTree(*page, true, item);
        item->Text = " Name=\"" + EscapeText(page->Name()) + "\"" + item->Text;
    }
    TfrxXMLItem& dictionary = Section(kDictionary);
    for (const auto& [name, source] : dictionary_.Entries()) {
        TfrxXMLItem* item = dictionary.Add();
        item->Name = name;
        item->SetAttribute("name", source);
    }
    TfrxXMLItem& pictures = Section(kPictureCache);
    for (const std::string& bytes : pictures_.Streams()) {
        TfrxXMLItem* item = pictures.Add();
        item->Name = "item";
        item->SetAttribute("stream", HexOf(bytes));
    }
}

void TfrxPreviewPages::RemoveStoredSections() {
    TfrxXMLItem& root = document_.Root();
    for (const char* name : {kReport, kSourcePages, kDictionary, kPictureCache})
        for (int i; (i = root.FindIndex(name)) >= 0;)
            delete root.Items(i);
}

void TfrxPreviewPages::SaveToStream(TStream& stream) {
    AddStoredSections();
    try {
        document_.SaveToStream(stream);
    } catch (...) {
        RemoveStoredSections();
        throw;
    }
    RemoveStoredSections();
}

void TfrxPreviewPages::ReadStoredSections() {
    TfrxXMLItem& root = document_.Root();
    if (int i = root.FindIndex(kReport); i >= 0 && report_ && root.Items(i)->Count() > 0) {
        TfrxXMLItem& item = *root.Items(i)->Items(0);
        for (const char* name : kReportAttributes) {
            auto [owner, prop] = FindPropPath(*report_, name);
            if (!owner || !prop || !prop->Set || item.Text.find(name) == AnsiString::npos)
                continue;
            TfrxXMLSerializer serializer;
            serializer.ApplyAttributes(
                AnsiString(name) + "=\"" + EscapeText(item.Attribute(name)) + "\"", *report_);
        }
    }
    if (int i = root.FindIndex(kSourcePages); i >= 0) {
        TfrxXMLItem& pages = *root.Items(i);
        for (int p = 0; p < pages.Count(); ++p) {
            auto page = std::make_unique<TfrxReportPage>();
            TfrxXMLSerializer serializer;
            serializer.Owner = page.get();
            serializer.ReadTree(*page, pages.Items(p));
            sourcePages_.push_back(std::move(page));
        }
    }
    if (int i = root.FindIndex(kDictionary); i >= 0) {
        TfrxXMLItem& entries = *root.Items(i);
        for (int e = 0; e < entries.Count(); ++e) {
            const TfrxXMLItem& entry = *entries.Items(e);
            const AnsiString source = entry.Attribute("name");
            // "Page" + source page index + "." + object name
            const size_t dot = source.find('.');
            auto index = dot == AnsiString::npos || source.rfind("Page", 0) != 0
                             ? std::nullopt
                             : TryStrToInt64(std::string_view(source).substr(4, dot - 4));
            TfrxComponent* object = nullptr;
            if (index && *index >= 0 && *index < SourcePageCount())
                object = SourcePage(static_cast<int>(*index)).FindObject(source.substr(dot + 1));
            if (!object)
                continue;
            dictionary_.Add(entry.Name, source, object);
            object->PreparedName = entry.Name;
            TfrxXMLSerializer serializer;
            object->BaseText = (object->StorageFlags & kStoreFullText) ? object->ClassName()
                                                                       : serializer.TextOf(*object);
        }
    }
    if (int i = root.FindIndex(kPictureCache); i >= 0) {
        TfrxXMLItem& items = *root.Items(i);
        for (int k = 0; k < items.Count(); ++k)
            pictures_.AddStream(BytesOfHex(items.Items(k)->Attribute("stream")));
    }
    RemoveStoredSections();
}

void TfrxPreviewPages::LoadFromStream(TStream& stream) {
    ClearPages();
    document_.LoadFromStream(stream);
    document_.Root().Name = "preparedreport";
    ReadStoredSections();
    CurPage = Count() - 1;
}

void TfrxPreviewPages::SaveToFile(const AnsiString& fileName) {
    TFileStream stream(fileName, TFileStream::Mode::Create);
    SaveToStream(stream);
}

void TfrxPreviewPages::LoadFromFile(const AnsiString& fileName) {
    TFileStream stream(fileName, TFileStream::Mode::Read);
    LoadFromStream(stream);
}

} // namespace kanvo
