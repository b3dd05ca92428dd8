// The document root TfrxReport with its option sets, its dataset list and
// the page classes the report itself needs (TfrxPage, TfrxDataPage).
//
// Ownership: the report owns its pages (Objects), option sets, collections
// and the copy of an inherited parent template. Host components registered
// with AddHostComponent (data sources owned by the host form) are borrowed;
// the report forgets one when it is destroyed.
#pragma once

#include "report/model/component.h"
#include "report/model/styles.h"
#include "report/model/variables.h"

#include <functional>
#include <optional>
#include <set>
#include <unordered_map>

namespace kanvo {

class TPicture;

class TfrxDataSet;

class TfrxXMLSerializer;

enum class TfrxSilentMode { simMessageBoxes, simSilent, simReThrow };

class TfrxEngineOptions : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool ConvertNulls = true, DoublePass = false;
    int MaxMemSize = 10;
    bool PrintIfEmpty = true;
    TfrxSilentMode NewSilentMode = TfrxSilentMode::simMessageBoxes;
    AnsiString TempDir;
    bool UseFileCache = false;
    bool EnableThreadSafe = false; // not published
    bool DestroyForms = true;      // not published
    bool SilentMode() const { return NewSilentMode == TfrxSilentMode::simSilent; }
    void SetSilentMode(bool v) {
        NewSilentMode = v ? TfrxSilentMode::simSilent : TfrxSilentMode::simMessageBoxes;
    }
    void Assign(const TfrxEngineOptions& o);
    void Clear() {
        ConvertNulls = true;
        DoublePass = false;
    }
};

class TfrxPreviewOptions : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool AllowEdit = true;
    int Buttons = 4095;
    bool DoubleBuffered = true, Maximized = true, MDIChild = false, Modal = true;
    bool OutlineExpand = true, OutlineVisible = false;
    int OutlineWidth = 120, PagesInCache = 50;
    bool ThumbnailVisible = false, ShowCaptions = false;
    double Zoom = 1;
    int ZoomMode = 0; // zmDefault, zmWholePage, zmPageWidth, zmManyPages
    void Assign(const TfrxPreviewOptions& o) { *this = o; }
    void Clear();
};

class TfrxPrintOptions : public TPersistent {
public:
    TfrxPrintOptions() { Clear(); }
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    int Copies = 1;
    bool Collate = true;
    AnsiString PageNumbers, Printer;
    int PrintMode = 0, PrintOnSheet = 0, PrintPages = 0;
    bool Reverse = false, ShowDialog = true;
    void Assign(const TfrxPrintOptions& o) { *this = o; }
    void Clear();
};

class TfrxReportOptions : public TPersistent {
public:
    TfrxReportOptions() { Clear(); }
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString Author;
    bool Compressed = false;
    AnsiString ConnectionName;
    double CreateDate = 0, LastChange = 0;
    std::vector<AnsiString> Description;
    AnsiString InitString, Name, Password;
    AnsiString VersionBuild, VersionMajor, VersionMinor, VersionRelease;
    void Assign(const TfrxReportOptions& o) { *this = o; }
    void Clear();
};

// One entry of the report's dataset list.
class TfrxDataSetItem : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    TfrxComponentRef<TfrxComponent> DataSet;
    AnsiString StoredDataSetName;
    // The referenced dataset's UserName when set, else the stored text.
    AnsiString DataSetName() const;
    void SetDataSetName(const AnsiString& name);
    TfrxReport* Report = nullptr;
};

class TfrxReportDataSets {
public:
    explicit TfrxReportDataSets(TfrxReport* report) : report_(report) {}
    TfrxDataSetItem& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TfrxDataSetItem& Items(int i) { return *items_.at(static_cast<size_t>(i)); }
    const TfrxDataSetItem& Items(int i) const { return *items_.at(static_cast<size_t>(i)); }
    void Clear() { items_.clear(); }
    TfrxDataSetItem* Find(const TfrxComponent* dataSet);
    TfrxDataSetItem* Find(std::string_view userName);
    // Around a run: every listed data source learns its report and is
    // initialized; afterwards each is finalized.
    void Initialize();
    void Finalize();

private:
    TfrxReport* report_;
    std::vector<std::unique_ptr<TfrxDataSetItem>> items_;
};

class TfrxPage : public TfrxComponent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
};

class TfrxDataPage : public TfrxPage {
public:
    TfrxDataPage();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;
};

// The message box of a load or run that ends with errors. Set by the
// program that has a user interface; without one the text goes to stderr.
using ReportErrorBox = std::function<void(const AnsiString& caption, const AnsiString& text)>;
void SetReportErrorBox(ReportErrorBox box);
// The password dialog; returns nothing when cancelled. Without one every
// protected template is refused.
using ReportPasswordPrompt = std::function<std::optional<AnsiString>(const TfrxReport&)>;
void SetReportPasswordPrompt(ReportPasswordPrompt prompt);

class TfrxReport : public TfrxComponent {
public:
    TfrxReport();
    ~TfrxReport() override;
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    // Scripts reach the variables as Report.Variables['name'].
    bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                    Variant& value) override;
    bool SetIndexed(std::string_view name, const std::vector<Variant>& index,
                    const Variant& value) override;

    // -- published
    AnsiString Version() const { return "4.5"; }
    void SetVersion(const AnsiString&) {}
    const AnsiString& ParentReport() const { return parentReport_; }
    void SetParentReport(const AnsiString& value);
    TfrxComponentRef<TfrxComponent> DataSet;
    AnsiString DataSetName() const;
    void SetDataSetName(const AnsiString& v);
    bool DotMatrixReport = false;
    TfrxEngineOptions EngineOptions;
    AnsiString IniFile = "\\Software\\Kanvo";
    bool OldStyleProgress = false;
    TfrxComponentRef<TfrxComponent> Preview;
    TfrxPreviewOptions PreviewOptions;
    TfrxPrintOptions PrintOptions;
    TfrxReportOptions ReportOptions;
    AnsiString ScriptLanguage = "PascalScript";
    std::vector<AnsiString> ScriptText;
    bool ShowProgress = true;
    bool StoreInDFM = true;
    AnsiString OnRunDialogs, OnStartReport, OnStopReport, OnReportPrint;

    // -- collections
    TfrxReportDataSets DataSets{this};
    TfrxVariables Variables;
    TfrxStyles Styles{this};
    // The raw "Style" entries of the last load; the hooks below hand them to
    // Styles and take the entries to write from it.
    std::vector<AnsiString> StyleEntries;
    std::function<void(const std::vector<AnsiString>&)> ReadStyles;
    std::function<std::vector<AnsiString>()> WriteStyles;

    std::vector<AnsiString> SystemVariableNames;
    // The name of the object the run is working on, for error-list entries.
    AnsiString CurrentObjectName;
    // Set to end a run at the next record, page or row (scripts: StopReport).
    bool Terminated = false;
    // Replaces the bracketed expressions of a text (a view's TagStr, URL or
    // FileLink) by their values; the report run installs it. Without it the
    // texts stay as they are.
    std::function<AnsiString(TfrxComponent& object, const AnsiString& text)> ExpandBracketedText;
    // Takes a changed picture of a produced picture view into the prepared
    // pages' picture cache and gives its index; the prepared-page store
    // installs it.
    std::function<int(const TPicture& picture)> AddPreparedPicture;
    // Sorted, without duplicates.
    std::set<AnsiString> Errors;
    void AddError(const AnsiString& text) { Errors.insert(text); }
    AnsiString ErrorText() const; // the lines joined by CR LF

    // -- pages
    int PageCount() const { return static_cast<int>(Objects().size()); }
    TfrxPage* Pages(int i) const;

    // -- host components (data sources on the host form), found by plain name
    void AddHostComponent(TfrxComponent* component);
    TfrxComponent* FindHostComponent(std::string_view name) const;
    // The data source of the DataSets list with that user name, or nullptr.
    TfrxDataSet* GetDataset(std::string_view alias);
    // What a DataSetName written on a band, page or view links to: an entry
    // of the DataSets list, a host component, or a data source of the
    // process with that user name; nullptr when none.
    TfrxComponent* FindDataSetLink(std::string_view name);

    // -- load and save
    void Clear() override;
    bool LoadFromFile(const AnsiString& fileName, bool failIfMissing = false);
    void SaveToFile(const AnsiString& fileName);
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream, bool saveChildren = true,
                      bool writeDefaults = false) override;
    void DefineBinaryProperties(TfrxBinaryWriter& writer) const override;
    bool ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) override;

    AnsiString LoadedFileName;
    std::unique_ptr<TfrxReport> ParentTemplateCopy;
    // Loads a parent template into the report; when empty, the file is loaded.
    std::function<bool(TfrxReport&, const AnsiString&)> OnLoadTemplate;
    bool Designing = false;
    // Set while a run reloads the report: no password dialog.
    bool Reloading = false;
    TfrxXMLSerializer* CurrentSerializer = nullptr;
    // Upper-case names of the tree while a template is read, so that name
    // checks and lookups of a load stay linear.
    std::unordered_map<AnsiString, TfrxComponent*>* NameIndex = nullptr;

    // Shows, drops or raises the error text as NewSilentMode says.
    void ReportErrors();

private:
    AnsiString parentReport_;
    AnsiString dataSetName_;
    std::vector<std::unique_ptr<TfrxComponentRef<TfrxComponent>>> hosts_;
    AnsiString acceptedPassword_;
};

// Character codes shifted down by 10 (the stored form) and back.
AnsiString EncodeReportPassword(const AnsiString& plain);
AnsiString DecodeReportPassword(const AnsiString& stored);

// Registers the classes of this layer (TfrxReport, TfrxDataPage); called by
// the report constructor, safe to call again.
void RegisterReportModelClasses();

// The user name of a data source (its UserName property, else its Name);
// empty for null.
AnsiString DataSetUserName(const TfrxComponent* dataSet);

} // namespace kanvo
