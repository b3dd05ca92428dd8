#include "report/model/report.h"

#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/views.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/files.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "report/model/stream.h"

#include <algorithm>
#include <cstdio>

namespace kanvo {

namespace {
ReportErrorBox& ErrorBox() {
    static ReportErrorBox box = [](const AnsiString& caption, const AnsiString& text) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    };
    return box;
}
ReportPasswordPrompt& PasswordPrompt() {
    static ReportPasswordPrompt prompt;
    return prompt;
}
} // namespace

void SetReportErrorBox(ReportErrorBox box) {
    ErrorBox() = std::move(box);
}
void SetReportPasswordPrompt(ReportPasswordPrompt prompt) {
    PasswordPrompt() = std::move(prompt);
}

AnsiString EncodeReportPassword(const AnsiString& plain) {
    AnsiString s = plain;
    for (char& c : s)
        c = static_cast<char>(static_cast<unsigned char>(c) - 10);
    return s;
}
AnsiString DecodeReportPassword(const AnsiString& stored) {
    AnsiString s = stored;
    for (char& c : s)
        c = static_cast<char>(static_cast<unsigned char>(c) + 10);
    return s;
}

namespace {
using prop::Field;
using prop::SetField;
template <typename T>
auto SetStr(AnsiString T::*member) {
    return [member](T& o, const AnsiString& v) { o.*member = v; };
}
AnsiString JoinList(const std::vector<AnsiString>& l) {
    return JoinLines(l);
}
} // namespace

// ---------------------------------------------------------------- option sets

const ClassInfo& TfrxEngineOptions::StaticClass() {
    using T = TfrxEngineOptions;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxEngineOptions", nullptr)
            .Bool("ConvertNulls", Field(&T::ConvertNulls), SetField(&T::ConvertNulls), true)
            .Bool("DoublePass", Field(&T::DoublePass), SetField(&T::DoublePass), false)
            .Int("MaxMemSize", Field(&T::MaxMemSize), SetField(&T::MaxMemSize), 10)
            .Bool("PrintIfEmpty", Field(&T::PrintIfEmpty), SetField(&T::PrintIfEmpty), true)
            .Bool("SilentMode", &T::SilentMode, &T::SetSilentMode, false)
            .Enum(
                "NewSilentMode", {"simMessageBoxes", "simSilent", "simReThrow"},
                [](const T& o) { return static_cast<int64_t>(o.NewSilentMode); },
                [](T& o, int64_t v) {
                    o.NewSilentMode = static_cast<TfrxSilentMode>(std::clamp<int64_t>(v, 0, 2));
                },
                0)
            .StrField("TempDir", &T::TempDir)
            .Bool("UseFileCache", Field(&T::UseFileCache), SetField(&T::UseFileCache), false));
    return info;
}

void TfrxEngineOptions::Assign(const TfrxEngineOptions& o) {
    ConvertNulls = o.ConvertNulls;
    DoublePass = o.DoublePass;
    MaxMemSize = o.MaxMemSize;
    PrintIfEmpty = o.PrintIfEmpty;
    NewSilentMode = o.NewSilentMode;
    TempDir = o.TempDir;
    UseFileCache = o.UseFileCache;
}

const ClassInfo& TfrxPreviewOptions::StaticClass() {
    using T = TfrxPreviewOptions;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxPreviewOptions", nullptr)
            .Bool("AllowEdit", Field(&T::AllowEdit), SetField(&T::AllowEdit), true)
            .SetOf("Buttons",
                   {"pbPrint", "pbLoad", "pbSave", "pbExport", "pbZoom", "pbFind", "pbOutline",
                    "pbPageSetup", "pbTools", "pbEdit", "pbNavigator", "pbExportQuick", "pbNoClose",
                    "pbNoFullScreen", "pbNoEmail"},
                   Field(&T::Buttons),
                   [](T& o, int64_t v) { o.Buttons = static_cast<int>(v & 0xFFFF); })
            .Bool("DoubleBuffered", Field(&T::DoubleBuffered), SetField(&T::DoubleBuffered), true)
            .Bool("Maximized", Field(&T::Maximized), SetField(&T::Maximized), true)
            .Bool("MDIChild", Field(&T::MDIChild), SetField(&T::MDIChild), false)
            .Bool("Modal", Field(&T::Modal), SetField(&T::Modal), true)
            .Bool("OutlineExpand", Field(&T::OutlineExpand), SetField(&T::OutlineExpand), true)
            .Bool("OutlineVisible", Field(&T::OutlineVisible), SetField(&T::OutlineVisible), false)
            .Int("OutlineWidth", Field(&T::OutlineWidth), SetField(&T::OutlineWidth), 120)
            .Int("PagesInCache", Field(&T::PagesInCache), SetField(&T::PagesInCache), 50)
            .Bool("ThumbnailVisible", Field(&T::ThumbnailVisible), SetField(&T::ThumbnailVisible),
                  false)
            .Bool("ShowCaptions", Field(&T::ShowCaptions), SetField(&T::ShowCaptions), false)
            .Float("Zoom", Field(&T::Zoom), SetField(&T::Zoom))
            .Enum(
                "ZoomMode", {"zmDefault", "zmWholePage", "zmPageWidth", "zmManyPages"},
                Field(&T::ZoomMode),
                [](T& o, int64_t v) {
                    o.ZoomMode = static_cast<int>(std::clamp<int64_t>(v, 0, 3));
                },
                0));
    return info;
}

void TfrxPreviewOptions::Clear() {
    OutlineExpand = true;
    OutlineVisible = false;
    OutlineWidth = 120;
    PagesInCache = 50;
    ThumbnailVisible = false;
}

const ClassInfo& TfrxPrintOptions::StaticClass() {
    using T = TfrxPrintOptions;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxPrintOptions", nullptr)
            .Int("Copies", Field(&T::Copies), SetField(&T::Copies), 1)
            .Bool("Collate", Field(&T::Collate), SetField(&T::Collate), true)
            .StrField("PageNumbers", &T::PageNumbers)
            .StrField("Printer", &T::Printer)
            .Enum(
                "PrintMode", {"pmDefault", "pmSplit", "pmJoin", "pmScale"}, Field(&T::PrintMode),
                [](T& o, int64_t v) {
                    o.PrintMode = static_cast<int>(std::clamp<int64_t>(v, 0, 3));
                },
                0)
            .Int("PrintOnSheet", Field(&T::PrintOnSheet), SetField(&T::PrintOnSheet))
            .Enum(
                "PrintPages", {"ppAll", "ppOdd", "ppEven"}, Field(&T::PrintPages),
                [](T& o, int64_t v) {
                    o.PrintPages = static_cast<int>(std::clamp<int64_t>(v, 0, 2));
                },
                0)
            .Bool("Reverse", Field(&T::Reverse), SetField(&T::Reverse), false)
            .Bool("ShowDialog", Field(&T::ShowDialog), SetField(&T::ShowDialog), true));
    return info;
}

void TfrxPrintOptions::Clear() {
    Copies = 1;
    Collate = true;
    PageNumbers.clear();
    Printer = frxGet("prDefault");
    PrintMode = 0;
    PrintOnSheet = 0;
    PrintPages = 0;
    Reverse = false;
    ShowDialog = true;
}

const ClassInfo& TfrxReportOptions::StaticClass() {
    using T = TfrxReportOptions;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxReportOptions", nullptr)
            .StrField("Author", &T::Author)
            .Bool("Compressed", Field(&T::Compressed), SetField(&T::Compressed), false)
            .StrField("ConnectionName", &T::ConnectionName)
            .Float("CreateDate", Field(&T::CreateDate), SetField(&T::CreateDate))
            .StrList(
                "Description", [](const T& o) { return JoinList(o.Description); },
                [](T& o, const AnsiString& v) { o.Description = SplitLines(v); })
            .StrField("InitString", &T::InitString)
            .StrField("Name", &T::Name)
            .Float("LastChange", Field(&T::LastChange), SetField(&T::LastChange))
            .StrField("Password", &T::Password)
            .StrField("VersionBuild", &T::VersionBuild)
            .StrField("VersionMajor", &T::VersionMajor)
            .StrField("VersionMinor", &T::VersionMinor)
            .StrField("VersionRelease", &T::VersionRelease));
    return info;
}

void TfrxReportOptions::Clear() {
    Author.clear();
    Compressed = false;
    ConnectionName.clear();
    CreateDate = LastChange = Now();
    Description.clear();
    InitString.clear();
    Name.clear();
    Password.clear();
    VersionBuild.clear();
    VersionMajor.clear();
    VersionMinor.clear();
    VersionRelease.clear();
}

// ---------------------------------------------------------------- datasets

AnsiString DataSetUserName(const TfrxComponent* ds) {
    if (!ds)
        return "";
    if (ds->ClassType().FindProperty("UserName"))
        return VarToStr(GetPropValue(*ds, "UserName"));
    return ds->Name();
}

namespace {
TfrxComponent* FindDataSetByUserName(TfrxReport* report, std::string_view name) {
    if (!report || name.empty())
        return nullptr;
    if (auto* item = report->DataSets.Find(name))
        return item->DataSet.Get();
    return nullptr;
}
} // namespace

const ClassInfo& TfrxDataSetItem::StaticClass() {
    using T = TfrxDataSetItem;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxDataSetItem", nullptr)
                          .Ref<TfrxComponent>(
                              "DataSet", nullptr, [](const T& o) { return o.DataSet.Get(); },
                              [](T& o, TfrxComponent* c) { o.DataSet.Set(c); })
                          .Str("DataSetName", &T::DataSetName, &T::SetDataSetName));
    return info;
}

AnsiString TfrxDataSetItem::DataSetName() const {
    return DataSet ? DataSetUserName(DataSet.Get()) : StoredDataSetName;
}

void TfrxDataSetItem::SetDataSetName(const AnsiString& name) {
    StoredDataSetName = name;
    if (!DataSet && Report)
        if (TfrxComponent* found = Report->FindDataSetLink(name))
            DataSet.Set(found);
}

TfrxDataSetItem& TfrxReportDataSets::Add() {
    items_.push_back(std::make_unique<TfrxDataSetItem>());
    items_.back()->Report = report_;
    return *items_.back();
}

TfrxDataSetItem* TfrxReportDataSets::Find(const TfrxComponent* dataSet) {
    for (auto& i : items_)
        if (i->DataSet.Get() == dataSet)
            return i.get();
    return nullptr;
}

TfrxDataSetItem* TfrxReportDataSets::Find(std::string_view userName) {
    for (auto& i : items_)
        if (i->DataSet && AnsiSameText(DataSetUserName(i->DataSet.Get()), userName))
            return i.get();
    return nullptr;
}

void TfrxReportDataSets::Initialize() {
    for (auto& i : items_)
        if (auto* ds = dynamic_cast<TfrxDataSet*>(i->DataSet.Get())) {
            ds->ReportLink = report_;
            ds->Initialize();
        }
}

void TfrxReportDataSets::Finalize() {
    for (auto& i : items_)
        if (auto* ds = dynamic_cast<TfrxDataSet*>(i->DataSet.Get()))
            ds->Finalize();
}

TfrxComponent* TfrxReport::FindDataSetLink(std::string_view name) {
    if (TfrxDataSetItem* item = DataSets.Find(name))
        return item->DataSet.Get();
    if (TfrxComponent* host = FindHostComponent(name))
        return host;
    return FindDataSetByUserName(name, this);
}

TfrxDataSet* TfrxReport::GetDataset(std::string_view alias) {
    TfrxDataSetItem* item = DataSets.Find(alias);
    return item ? dynamic_cast<TfrxDataSet*>(item->DataSet.Get()) : nullptr;
}

// ---------------------------------------------------------------- pages

const ClassInfo& TfrxPage::StaticClass() {
    using T = TfrxPage;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxPage", &TfrxComponent::StaticClass())
            .Sub("Font", &TfrxFont::StaticClass(), [](const T& o) { return &o.Font(); })
            .Stored([](const T& o) { return !o.ParentFont(); })
            .Bool("Visible", &T::Visible, &T::SetVisible, true));
    return info;
}

TfrxDataPage::TfrxDataPage() {
    SetWidth(1000);
    SetHeight(1000);
}

const ClassInfo& TfrxDataPage::StaticClass() {
    using T = TfrxDataPage;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxDataPage", &TfrxPage::StaticClass())
                          .Float("Height", &T::Height, &T::SetHeight)
                          .Float("Left", &T::Left, &T::SetLeft)
                          .Float("Top", &T::Top, &T::SetTop)
                          .Float("Width", &T::Width, &T::SetWidth));
    return info;
}

AnsiString TfrxDataPage::DescriptionText() const {
    return frxGet("obDataPage");
}

// ---------------------------------------------------------------- report

void RegisterReportModelClasses() {
    static bool done = [] {
        RegisterComponentClass<TfrxReport>();
        RegisterComponentClass<TfrxDataPage>();
        RegisterPageClasses();
        RegisterViewClasses();
        RegisterComponentClass<TfrxUserDataSet>();
        return true;
    }();
    (void)done;
}

TfrxReport::TfrxReport() {
    RegisterReportModelClasses();
    ReadStyles = [this](const std::vector<AnsiString>& entries) { Styles.ReadEntries(entries); };
    WriteStyles = [this] { return Styles.Entries(); };
    Clear();
}

bool TfrxReport::GetIndexed(std::string_view name, const std::vector<Variant>& index,
                            Variant& value) {
    if (!SameTextAscii(name, "Variables") || index.size() != 1)
        return TfrxComponent::GetIndexed(name, index, value);
    value = Variables.Get(VarToStr(index[0]));
    return true;
}

bool TfrxReport::SetIndexed(std::string_view name, const std::vector<Variant>& index,
                            const Variant& value) {
    if (!SameTextAscii(name, "Variables") || index.size() != 1)
        return TfrxComponent::SetIndexed(name, index, value);
    Variables.Set(VarToStr(index[0]), value);
    return true;
}

TfrxReport::~TfrxReport() {
    Clear();
    ParentTemplateCopy.reset();
}

const ClassInfo& TfrxReport::StaticClass() {
    using T = TfrxReport;
    auto dsGet = [](const T& o) { return o.DataSet.Get(); };
    auto dsSet = [](T& o, TfrxComponent* c) { o.DataSet.Set(c); };
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxReport", &TfrxComponent::StaticClass())
            .Str("Version", &T::Version, &T::SetVersion)
            .Str("ParentReport", &T::ParentReport, &T::SetParentReport)
            .Ref<TfrxComponent>("DataSet", "TfrxDataSet", dsGet, dsSet)
            .Str("DataSetName", &T::DataSetName, &T::SetDataSetName)
            .Bool("DotMatrixReport", Field(&T::DotMatrixReport), SetField(&T::DotMatrixReport))
            .Sub("EngineOptions", &TfrxEngineOptions::StaticClass(),
                 [](const T& o) { return &o.EngineOptions; })
            .StrField("IniFile", &T::IniFile)
            .Bool("OldStyleProgress", Field(&T::OldStyleProgress), SetField(&T::OldStyleProgress),
                  false)
            .Ref<TfrxComponent>(
                "Preview", nullptr, [](const T& o) { return o.Preview.Get(); },
                [](T& o, TfrxComponent* c) { o.Preview.Set(c); })
            .NotStored()
            .Sub("PreviewOptions", &TfrxPreviewOptions::StaticClass(),
                 [](const T& o) { return &o.PreviewOptions; })
            .Sub("PrintOptions", &TfrxPrintOptions::StaticClass(),
                 [](const T& o) { return &o.PrintOptions; })
            .Sub("ReportOptions", &TfrxReportOptions::StaticClass(),
                 [](const T& o) { return &o.ReportOptions; })
            .StrField("ScriptLanguage", &T::ScriptLanguage)
            .StrList(
                "ScriptText", [](const T& o) { return JoinList(o.ScriptText); },
                [](T& o, const AnsiString& v) { o.ScriptText = SplitLines(v); })
            .Bool("ShowProgress", Field(&T::ShowProgress), SetField(&T::ShowProgress), true)
            .Bool("StoreInDFM", Field(&T::StoreInDFM), SetField(&T::StoreInDFM), true)
            .Event("OnRunDialogs", &T::OnRunDialogs)
            .Event("OnStartReport", &T::OnStartReport)
            .Event("OnStopReport", &T::OnStopReport)
            .Event("OnReportPrint", &T::OnReportPrint));
    return info;
}

AnsiString TfrxReport::DescriptionText() const {
    return frxGet("obReport");
}

AnsiString TfrxReport::DataSetName() const {
    return DataSet ? DataSetUserName(DataSet.Get()) : dataSetName_;
}

void TfrxReport::SetDataSetName(const AnsiString& v) {
    dataSetName_ = v;
    if (TfrxComponent* ds = FindDataSetByUserName(this, v))
        DataSet.Set(ds);
}

TfrxPage* TfrxReport::Pages(int i) const {
    return dynamic_cast<TfrxPage*>(Objects().at(static_cast<size_t>(i)));
}

void TfrxReport::AddHostComponent(TfrxComponent* component) {
    if (!component || FindHostComponent(component->Name()) == component)
        return;
    auto ref = std::make_unique<TfrxComponentRef<TfrxComponent>>();
    ref->Set(component);
    hosts_.push_back(std::move(ref));
}

TfrxComponent* TfrxReport::FindHostComponent(std::string_view name) const {
    for (const auto& ref : hosts_)
        if (ref->Get() && SameTextAscii(ref->Get()->Name(), name))
            return ref->Get();
    return nullptr;
}

AnsiString TfrxReport::ErrorText() const {
    AnsiString text;
    for (const AnsiString& e : Errors) {
        if (!text.empty())
            text += "\r\n";
        text += e;
    }
    return text;
}

void TfrxReport::SetParentReport(const AnsiString& value) {
    parentReport_ = value;
    ParentTemplateCopy.reset();
    if (value.empty()) {
        FromParentTemplate = false;
        for (TfrxComponent* c : AllObjects())
            c->FromParentTemplate = false;
        return;
    }
    if (!BeingLoaded)
        return; // only a template read loads the parent
    AnsiString savedFile = LoadedFileName;
    TfrxXMLSerializer* savedSerializer = CurrentSerializer;
    std::set<AnsiString> savedErrors = Errors;
    if (OnLoadTemplate) {
        OnLoadTemplate(*this, value);
    } else {
        AnsiString path = value;
        if (path.size() > 1 && path[0] != kPathDelim && path[1] != ':') {
            AnsiString folder = Designing ? AnsiString(".") : ExecutablePath();
            if (!Designing) {
                auto slash = folder.rfind(kPathDelim);
                folder = slash == AnsiString::npos ? AnsiString(".") : folder.substr(0, slash);
            }
            path = folder + kPathDelim + path;
        }
        bool wasLoading = BeingLoaded;
        LoadFromFile(path);
        BeingLoaded = wasLoading;
    }
    for (const AnsiString& e : Errors)
        savedErrors.insert(e);
    Errors = savedErrors;
    LoadedFileName = savedFile;
    if (NameIndex) {
        // The reader of the child template finds the parent's objects by name.
        NameIndex->clear();
        for (TfrxComponent* c : AllObjects())
            if (!c->Name().empty())
                NameIndex->emplace(UpperAsciiName(c->Name()), c);
    }
    ParentTemplateCopy = std::make_unique<TfrxReport>();
    ParentTemplateCopy->AssignWithChildren(*this);
    for (TfrxComponent* c : ParentTemplateCopy->AllObjects())
        if (c->ClassType().InheritsFrom("TfrxReportPage") &&
            c->ClassType().FindProperty("PaperSize"))
            SetPropValue(*c, "PaperSize", Variant(256));
    FromParentTemplate = true;
    for (TfrxComponent* c : AllObjects())
        c->FromParentTemplate = true;
    parentReport_ = value;
    CurrentSerializer = savedSerializer;
}

void TfrxReport::Clear() {
    TfrxComponent::Clear();
    DataSets.Clear();
    Variables.Clear();
    StyleEntries.clear();
    if (ReadStyles)
        ReadStyles({});
    EngineOptions.Clear();
    PreviewOptions.Clear();
    PrintOptions.Clear();
    ReportOptions.Clear();
    DataSet.Set(nullptr);
    dataSetName_.clear();
    DotMatrixReport = false;
    SetParentReport("");
    ScriptLanguage = "PascalScript";
    ScriptText = {"begin", "", "end."};
    SystemVariableNames = {"Date",        "Time", "Page",  "Page#",    "TotalPages",
                           "TotalPages#", "Line", "Line#", "CopyName#"};
    OnRunDialogs.clear();
    OnStartReport.clear();
    OnStopReport.clear();
}

bool TfrxReport::LoadFromFile(const AnsiString& fileName, bool failIfMissing) {
    Clear();
    LoadedFileName.clear();
    bool exists = FileExists(fileName);
    if (exists || failIfMissing) {
        TFileStream stream(fileName, TFileStream::Mode::Read);
        LoadFromStream(stream);
        LoadedFileName = fileName;
    }
    return exists;
}

void TfrxReport::SaveToFile(const AnsiString& fileName) {
    TFileStream stream(fileName, TFileStream::Mode::Create);
    SaveToStream(stream, true, false);
}

void TfrxReport::ReportErrors() {
    if (Errors.empty())
        return;
    AnsiString text = frxGet("clErrors") + "\r\n" + ErrorText();
    switch (EngineOptions.NewSilentMode) {
    case TfrxSilentMode::simMessageBoxes:
        if (ErrorBox())
            ErrorBox()(frxGet("mbError"), text);
        break;
    case TfrxSilentMode::simSilent:
        break;
    case TfrxSilentMode::simReThrow:
        throw Exception(text);
    }
}

void TfrxReport::LoadFromStream(TStream& stream) {
    Errors.clear();
    TfrxEngineOptions engine;
    engine.Assign(EngineOptions);
    engine.EnableThreadSafe = EngineOptions.EnableThreadSafe;
    TfrxPreviewOptions preview = PreviewOptions;
    AnsiString iniFile = IniFile;
    TfrxComponent* previewRef = Preview.Get();
    bool oldStyle = OldStyleProgress, showProgress = ShowProgress, storeInDfm = StoreInDFM;

    try {
        TfrxComponent::LoadFromStream(stream);
    } catch (const Exception& e) {
        AddError(e.Message());
    } catch (const std::exception& e) {
        AddError(e.what());
    }

    // Every report has a data page; older templates keep their data
    // components elsewhere, and those move onto the new page.
    const auto& all = AllObjects();
    bool hasDataPage = std::any_of(all.begin(), all.end(), [](TfrxComponent* c) {
        return dynamic_cast<TfrxDataPage*>(c) != nullptr;
    });
    if (!hasDataPage) {
        std::vector<TfrxComponent*> dialogs;
        for (TfrxComponent* c : AllObjects())
            if (dynamic_cast<TfrxDialogComponent*>(c))
                dialogs.push_back(c);
        bool dataTaken = FindObject("Data") != nullptr;
        auto* page = Create<TfrxDataPage>(this);
        if (dataTaken)
            page->AssignUniqueName();
        else
            page->SetName("Data");
        MoveChild(page, 0);
        double left = 60;
        for (TfrxComponent* c : dialogs) {
            c->SetParent(page);
            c->SetTop(20);
            c->SetLeft(left);
            left += 64;
        }
    }

    bool convertNulls = EngineOptions.ConvertNulls, doublePass = EngineOptions.DoublePass;
    EngineOptions.Assign(engine);
    EngineOptions.EnableThreadSafe = engine.EnableThreadSafe;
    EngineOptions.ConvertNulls = convertNulls;
    EngineOptions.DoublePass = doublePass;
    TfrxPreviewOptions loaded = PreviewOptions;
    PreviewOptions = preview;
    PreviewOptions.OutlineVisible = loaded.OutlineVisible;
    PreviewOptions.OutlineWidth = loaded.OutlineWidth;
    PreviewOptions.OutlineExpand = loaded.OutlineExpand;
    PreviewOptions.PagesInCache = loaded.PagesInCache;
    IniFile = iniFile;
    Preview.Set(previewRef);
    OldStyleProgress = oldStyle;
    ShowProgress = showProgress;
    StoreInDFM = storeInDfm;
    ReportOptions.Password = DecodeReportPassword(ReportOptions.Password);

    if (!Reloading && !EngineOptions.EnableThreadSafe && !ReportOptions.Password.empty() &&
        ReportOptions.Password != acceptedPassword_) {
        std::optional<AnsiString> typed;
        if (PasswordPrompt())
            typed = PasswordPrompt()(*this);
        if (!typed || *typed != ReportOptions.Password) {
            AddError(frxGet("Invalid password"));
            ReportErrors();
            Clear();
            return;
        }
        acceptedPassword_ = *typed;
    }
    ReportErrors();
}

void TfrxReport::SaveToStream(TStream& stream, bool saveChildren, bool writeDefaults) {
    AnsiString password = ReportOptions.Password;
    TfrxComponent* preview = Preview.Get();
    ReportOptions.Password = EncodeReportPassword(password);
    Preview.Set(nullptr);
    try {
        TfrxComponent::SaveToStream(stream, saveChildren, writeDefaults);
    } catch (...) {
        ReportOptions.Password = password;
        Preview.Set(preview);
        throw;
    }
    ReportOptions.Password = password;
    Preview.Set(preview);
}

void TfrxReport::DefineBinaryProperties(TfrxBinaryWriter& writer) const {
    TfrxXMLSerializer attributes;
    attributes.Owner = const_cast<TfrxReport*>(this);
    auto writeList = [&](const char* name, const std::vector<AnsiString>& entries) {
        writer.WriteName(name);
        writer.WriteListBegin();
        for (const AnsiString& e : entries) {
            writer.WriteListBegin();
            writer.WriteLString(e);
            writer.WriteListEnd();
        }
        writer.WriteListEnd();
    };
    std::vector<AnsiString> datasets;
    for (int i = 0; i < DataSets.Count(); ++i)
        datasets.push_back(attributes.AttributesOf(&DataSets.Items(i), "", nullptr));
    writeList("Datasets", datasets);
    writeList("Variables", Variables.Entries());
    writeList("Style", WriteStyles ? WriteStyles() : StyleEntries);
}

bool TfrxReport::ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) {
    if (name == "Datasets") {
        DataSets.Clear();
        for (const AnsiString& entry : reader.ReadCollection()) {
            TfrxDataSetItem& item = DataSets.Add();
            // Its references are resolved with the rest of the template.
            if (TfrxXMLSerializer* s = CurrentSerializer ? CurrentSerializer : reader.Serializer)
                s->ApplyAttributes(entry, item);
        }
        return true;
    }
    if (name == "Variables") {
        Variables.ReadEntries(reader.ReadCollection());
        return true;
    }
    if (name == "Style") {
        StyleEntries = reader.ReadCollection();
        if (ReadStyles)
            ReadStyles(StyleEntries);
        return true;
    }
    if (name == "Left" || name == "Top") {
        reader.SkipValue(); // the designer position of the host component
        return true;
    }
    return false;
}

} // namespace kanvo
