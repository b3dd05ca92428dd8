// The prepared pages: the store of what a report run produces, read back by
// the preview, printing and the export filters.
//
// Pages live in one XML document ("preparedreport"). Each printed object is
// an element named by its prepared name whose attribute text is its
// difference from a source copy of its design object, so a page of many
// repeated rows costs little memory. The source copies (one tree per
// registered report page), the dictionary of prepared names and the picture
// cache make those differences resolvable; BuildPage turns an element back
// into a page of objects.
//
// Ownership: the store owns the document, the source copies, the rebuilt
// pages of its page cache and the pictures. A page returned by BuildPage
// stays valid until the next BuildPage or ClearPages.
#pragma once

#include "report/engine/export_filter.h"
#include "report/model/pages.h"
#include "report/model/xml.h"

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kanvo {

class TfrxBand;

// Prepared names ("m1", "b2") with the source entry they stand for.
class TfrxDictionary {
public:
    void Add(const AnsiString& name, const AnsiString& sourceName, TfrxComponent* object);
    // The first free name for the prefix: from 10000 the number is halved
    // while prefix + number is free (down to 1), then counted up to the first
    // free one; a fresh dictionary gives 1, 2, 3, ...
    AnsiString AddUnique(const AnsiString& prefix, const AnsiString& sourceName,
                         TfrxComponent* object);
    // nullptr / empty for a name that is not in the dictionary.
    TfrxComponent* GetObject(const AnsiString& name) const;
    AnsiString GetSourceName(const AnsiString& name) const;
    bool Contains(const AnsiString& name) const { return entries_.count(name) != 0; }
    int Count() const { return static_cast<int>(entries_.size()); }
    void Clear() { entries_.clear(); }
    // Names in sorted order with their source names (for saving).
    std::vector<std::pair<AnsiString, AnsiString>> Entries() const;

private:
    struct Entry {
        AnsiString SourceName;
        TfrxComponent* Object = nullptr;
    };
    std::map<AnsiString, Entry> entries_;
};

// The pictures of produced picture views, numbered from 1.
class TfrxPictureCache {
public:
    // The index a picture gets: count + 1 when it has a graphic, else 0.
    int Add(const TPicture& picture);
    // Index 1..Count fills the picture; anything else clears it.
    void Get(int index, TPicture& picture) const;
    int Count() const { return static_cast<int>(streams_.size()); }
    void Clear() { streams_.clear(); }
    const std::vector<std::string>& Streams() const { return streams_; }
    void AddStream(std::string bytes) { streams_.push_back(std::move(bytes)); }

private:
    std::vector<std::string> streams_; // each a picture's stored form
};

class TfrxPreviewPages;

// The outline of the prepared pages: a tree of "item" elements with the
// attributes text, page (0-based) and top (pixels).
class TfrxOutline {
public:
    explicit TfrxOutline(TfrxPreviewPages& pages) : pages_(pages) {}
    void AddItem(const AnsiString& text, int top);
    void LevelUp();
    void LevelRoot();
    TfrxXMLItem& Root();
    TfrxXMLItem* Current() { return current_ ? current_ : &Root(); }
    // The last child of the current element, or nullptr.
    TfrxXMLItem* CurrentPosition();
    // Items after `after` (in document order, with their subtrees) move to
    // the next page; their tops move so that the first lands at newTop.
    void ShiftItems(TfrxXMLItem* after, int newTop);
    void Reset() { current_ = nullptr; }

private:
    TfrxPreviewPages& pages_;
    TfrxXMLItem* current_ = nullptr;
};

// The engine's pass state as the store reads it.
struct TfrxRunState {
    bool Running = false;
    bool FinalPass = true;
    bool DoublePass = false;
    double CurY = 0;
    int TotalPages = 0;
};

// The page numbers a PageNumbers text asks for (1-based, in order); empty
// for all pages. Raises EConvertError for a part that is not a number.
std::vector<int> ParsePageNumbers(const AnsiString& text, int pageCount);

enum class TfrxAddPageMode { Append, Overwrite };

class TfrxPreviewPages {
public:
    explicit TfrxPreviewPages(TfrxReport* report = nullptr);
    ~TfrxPreviewPages();
    TfrxPreviewPages(const TfrxPreviewPages&) = delete;
    TfrxPreviewPages& operator=(const TfrxPreviewPages&) = delete;

    TfrxReport* Report() const { return report_; }
    // The engine's pass state; nullptr: a finished store (not running,
    // final pass).
    const TfrxRunState* Engine = nullptr;
    // Progress seam: kind 0 running, 1 exporting; step -1 start, -2 stop,
    // else the page number.
    std::function<void(int kind, int step)> OnProgress;

    // -- writing (the engine)
    void ClearPages();
    void BeginRun();
    void RegisterSourcePage(TfrxReportPage& page);
    void OpenPass();
    void OpenPage(TfrxReportPage& page);
    // Writes the band and its visible, kept children to the current page.
    void PutObject(TfrxComponent& band);
    void CutObjects(int from);
    void PasteObjects(double x, double y);
    bool HasBand(const TfrxBand& band) const;
    double LowestBandBottom() const;
    void DropFirstPass();
    void EndRun();
    void SetSourcePageSize(TfrxReportPage& page, double height, double width);

    void AddAnchor(const AnsiString& text);
    int GetAnchorPage(const AnsiString& text) const;
    void ShiftAnchors(int index, int newTop);
    int AnchorPosition() const;

    void CountLogicalPage();
    void CloseLogicalNumbering();
    int LogicalPageNumber() const;
    int LogicalTotalPages() const;

    // The picture cache index for the view's picture (also set as its
    // ImageIndex).
    int StorePicture(TfrxPictureView& view);

    int Count() const;
    int CurPosition() const;
    int CurPage = -1;
    int FirstPage = 0; // first page of the current pass
    TfrxAddPageMode AddMode = TfrxAddPageMode::Append;
    int CopyNo = 0;

    // -- reading (preview, printing, export)
    TfrxReportPage* BuildPage(int index);
    // Width and height in whole pixels; (0, 0) outside the pages.
    std::pair<int, int> PagePixelSize(int index);
    bool ExportTo(TfrxCustomExportFilter& filter);

    // A prepared report as one XML file: the pages with the report's name and
    // outline settings, the source pages, the dictionary and the pictures.
    void SaveToStream(TStream& stream);
    void LoadFromStream(TStream& stream);
    void SaveToFile(const AnsiString& fileName);
    void LoadFromFile(const AnsiString& fileName);

    TfrxOutline& Outline() { return outline_; }
    TfrxXMLDocument& Document() { return document_; }
    const TfrxDictionary& Dictionary() const { return dictionary_; }
    const TfrxPictureCache& PictureCache() const { return pictures_; }
    int SourcePageCount() const { return static_cast<int>(sourcePages_.size()); }
    TfrxReportPage& SourcePage(int index) { return *sourcePages_.at(static_cast<size_t>(index)); }

    // The element holding page `index`, or nullptr.
    TfrxXMLItem* PageItem(int index) const;
    TfrxXMLItem& Section(std::string_view name) { return *document_.Root().FindOrAdd(name); }

private:
    bool FinalPass() const { return !Engine || Engine->FinalPass; }
    bool Running() const { return Engine && Engine->Running; }
    double CurY() const { return Engine ? Engine->CurY : 0; }
    void Progress(int kind, int step) {
        if (OnProgress)
            OnProgress(kind, step);
    }
    void CopySourceTree(TfrxComponent& design, TfrxComponent& copyParent, int sourceIndex);
    void WriteObject(TfrxComponent& object, TfrxXMLItem& parent);
    void BuildChildren(const TfrxXMLItem& item, TfrxComponent& parent);
    // The current page's element; raises when there is none.
    TfrxXMLItem& CurrentPageItem() const;
    // Left, top, width, height of a stored object: its attributes over its
    // source copy's bounds.
    struct Bounds {
        double Left = 0, Top = 0, Width = 0, Height = 0;
    };
    Bounds StoredBounds(const TfrxXMLItem& item) const;
    const ClassInfo* StoredClass(const TfrxXMLItem& item) const;
    void InstallPictureHook();
    void AddStoredSections();
    void RemoveStoredSections();
    void ReadStoredSections();

    TfrxReport* report_;
    TfrxXMLDocument document_;
    std::vector<std::unique_ptr<TfrxReportPage>> sourcePages_;
    TfrxDictionary dictionary_;
    TfrxPictureCache pictures_;
    std::list<std::pair<int, std::unique_ptr<TfrxReportPage>>> pageCache_;
    TfrxOutline outline_{*this};
    int passStartPage_ = -1;
    int passStartObjects_ = 0;
    int logicalCounter_ = 0;
    uint64_t xmlSize_ = 0;
};

} // namespace kanvo
