#include "report/model/dataset.h"

#include "platform/code_page.h"
#include "report/model/report.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace kanvo {
namespace {

std::mutex& ListLock() {
    static std::mutex lock;
    return lock;
}
std::vector<TfrxDataSet*>& DataSetList() {
    static std::vector<TfrxDataSet*> list;
    return list;
}

} // namespace

// ---- TfrxDataSet ---------------------------------------------------------

TfrxDataSet::TfrxDataSet() {
    std::lock_guard guard(ListLock());
    DataSetList().push_back(this);
}

TfrxDataSet::~TfrxDataSet() {
    std::lock_guard guard(ListLock());
    auto& list = DataSetList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

const ClassInfo& TfrxDataSet::StaticClass() {
    using T = TfrxDataSet;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxDataSet", &TfrxDialogComponent::StaticClass())
            .Bool("Enabled", prop::Field(&T::Enabled), prop::SetField(&T::Enabled), true)
            .Enum(
                "RangeBegin", {"rbFirst", "rbCurrent"},
                [](const T& o) { return static_cast<int64_t>(o.RangeBegin); },
                [](T& o, int64_t v) { o.RangeBegin = static_cast<TfrxRangeBegin>(v); }, 0)
            .Enum(
                "RangeEnd", {"reLast", "reCurrent", "reCount"},
                [](const T& o) { return static_cast<int64_t>(o.RangeEnd); },
                [](T& o, int64_t v) { o.RangeEnd = static_cast<TfrxRangeEnd>(v); }, 0)
            .Int("RangeEndCount", prop::Field(&T::RangeEndCount), prop::SetField(&T::RangeEndCount),
                 0)
            .Str("UserName", &T::UserName, &T::SetUserName)
            .Event("OnCheckEOF", &T::OnCheckEOF)
            .Event("OnFirst", &T::OnFirst)
            .Event("OnNext", &T::OnNext)
            .Event("OnPrior", &T::OnPrior));
    return info;
}

void TfrxDataSet::SetUserName(const AnsiString& name) {
    if (TrimBlanks(name).empty())
        throw Exception(frxGet("prInvProp"));
    userName_ = name;
}

void TfrxDataSet::Rename(const AnsiString& name) {
    AnsiString old = Name();
    SetName(name);
    if (userName_.empty() || userName_ == old)
        userName_ = name;
}

void TfrxDataSet::First() {
    RecNo = 0;
    endFlag_ = false;
    Fire(OnFirst);
}

void TfrxDataSet::Next() {
    endFlag_ = false;
    ++RecNo;
    if (RangeEnd == TfrxRangeEnd::reCount && RecNo >= RangeEndCount) {
        RecNo = RangeEndCount - 1;
        endFlag_ = true;
        return;
    }
    Fire(OnNext);
}

void TfrxDataSet::Prior() {
    --RecNo;
    Fire(OnPrior);
}

bool TfrxDataSet::Eof() {
    bool end = RangeEnd == TfrxRangeEnd::reCount && (RecNo >= RangeEndCount || endFlag_);
    if (CheckEOF && !OnCheckEOF.empty())
        CheckEOF(*this, end);
    return end;
}

int TfrxDataSet::RecordCount() {
    return RangeBegin == TfrxRangeBegin::rbFirst && RangeEnd == TfrxRangeEnd::reCount
               ? RangeEndCount
               : 0;
}

bool TfrxDataSet::HasField(const AnsiString& name) {
    for (const auto& f : GetFieldList())
        if (AnsiSameText(f, name))
            return true;
    return false;
}

const ClassInfo& TfrxUserDataSet::StaticClass() {
    using T = TfrxUserDataSet;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxUserDataSet", &TfrxDataSet::StaticClass())
                          .StrList(
                              "Fields",
                              [](const T& o) {
                                  AnsiString text;
                                  for (size_t i = 0; i < o.Fields.size(); ++i)
                                      text.append(i ? "\r\n" : "").append(o.Fields[i]);
                                  return text;
                              },
                              [](T& o, const AnsiString& text) {
                                  o.Fields.clear();
                                  for (const WideString& line : SplitWideLines(AnsiToWide(text)))
                                      o.Fields.push_back(WideToAnsi(line));
                              }));
    return info;
}

bool TfrxUserDataSet::Eof() {
    if (RangeEnd != TfrxRangeEnd::reCount && OnCheckEOF.empty())
        return true;
    return TfrxDataSet::Eof();
}

Variant TfrxUserDataSet::Value(const AnsiString& name) {
    return OnGetValue ? OnGetValue(name) : Variant::Null();
}

TfrxDataSet* FindDataSetByUserName(std::string_view name, const TfrxReport* owner) {
    if (name.empty())
        return nullptr;
    std::lock_guard guard(ListLock());
    for (TfrxDataSet* ds : DataSetList()) {
        if (owner) {
            const TfrxReport* own = ds->RootReport();
            if (own && own != owner)
                continue;
        }
        if (AnsiSameText(ds->UserName(), name))
            return ds;
    }
    return nullptr;
}

// ---- TfrxCustomDBDataSet -------------------------------------------------

const ClassInfo& TfrxCustomDBDataSet::StaticClass() {
    using T = TfrxCustomDBDataSet;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxCustomDBDataSet", &TfrxDataSet::StaticClass())
                          .Bool("CloseDataSource", prop::Field(&T::CloseDataSource),
                                prop::SetField(&T::CloseDataSource), false)
                          .StrList(
                              "FieldAliases",
                              [](const T& o) {
                                  AnsiString text;
                                  for (size_t i = 0; i < o.FieldAliases.size(); ++i)
                                      text += (i ? "\r\n" : "") + o.FieldAliases[i];
                                  return text;
                              },
                              [](T& o, const AnsiString& text) {
                                  o.FieldAliases.clear();
                                  size_t start = 0;
                                  while (start < text.size()) {
                                      size_t end = text.find_first_of("\r\n", start);
                                      o.FieldAliases.push_back(text.substr(start, end - start));
                                      if (end == AnsiString::npos)
                                          break;
                                      start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
                                  }
                              })
                          .Bool("OpenDataSource", prop::Field(&T::OpenDataSource),
                                prop::SetField(&T::OpenDataSource), true)
                          .Event("OnClose", &T::OnClose)
                          .Event("OnOpen", &T::OnOpen));
    return info;
}

AnsiString TfrxCustomDBDataSet::FieldNameOf(const AnsiString& alias) const {
    for (const AnsiString& line : FieldAliases) {
        size_t eq = line.find('=');
        if (eq != AnsiString::npos && AnsiSameText(line.substr(eq + 1), alias))
            return line.substr(0, eq);
    }
    return alias;
}

// ---- TfrxDBDataset -------------------------------------------------------

const ClassInfo& TfrxDBDataset::StaticClass() {
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<TfrxDBDataset>("TfrxDBDataset", &TfrxCustomDBDataSet::StaticClass()));
    return info;
}

void TfrxDBDataset::Initialize() {
    if (!DataSet)
        throw Exception(Format(frxGet("dbNotConn"), {Name()}));
    if (!afterOpenHook_) {
        afterOpenHook_ = DataSet->AddAfterOpen([this](TZQuery&) { RebuildFieldList(); });
        beforeCloseHook_ = DataSet->AddBeforeClose([this](TZQuery&) {
            bookmark_.reset();
            initialized_ = false;
            fields_.clear();
        });
    }
    ownEnd_ = false;
    initialized_ = false;
}

void TfrxDBDataset::Finalize() {
    if (!DataSet)
        return;
    if (bookmark_) {
        DataSet->GotoBookmark(*bookmark_);
        bookmark_.reset();
    }
    if (CloseDataSource)
        Close();
    DataSet->RemoveListener(afterOpenHook_);
    DataSet->RemoveListener(beforeCloseHook_);
    afterOpenHook_ = beforeCloseHook_ = 0;
    initialized_ = false;
}

void TfrxDBDataset::Open() {
    if (initialized_)
        return;
    if (!DataSet)
        throw Exception(Format(frxGet("dbNotConn"), {Name()}));
    initialized_ = true;
    DataSet->Open();
    RebuildFieldList();
    if (RangeBegin == TfrxRangeBegin::rbCurrent || RangeEnd == TfrxRangeEnd::reCurrent)
        bookmark_ = DataSet->GetBookmark();
    else
        bookmark_.reset();
    Fire(OnOpen);
}

void TfrxDBDataset::Close() {
    Fire(OnClose);
    bookmark_.reset();
    initialized_ = false;
    if (DataSet)
        DataSet->Close();
}

void TfrxDBDataset::RebuildFieldList() {
    fields_.clear();
    if (!DataSet || !DataSet->Active())
        return;
    for (const AnsiString& name : GetFieldList())
        fields_.emplace(AnsiUpperCase(name), DataSet->FindField(FieldNameOf(name)));
}

std::vector<AnsiString> TfrxDBDataset::GetFieldList() {
    std::vector<AnsiString> names;
    if (!FieldAliases.empty()) {
        for (const AnsiString& line : FieldAliases) {
            size_t eq = line.find('=');
            if (eq == AnsiString::npos || (eq > 0 && line[0] == '-'))
                continue;
            names.push_back(line.substr(eq + 1));
        }
    } else if (DataSet && DataSet->Active()) {
        for (size_t i = 0; i < DataSet->FieldCount(); ++i)
            names.push_back(DataSet->Field(i).FieldName());
    }
    // Sorted, duplicates (letter case ignored) dropped.
    std::sort(names.begin(), names.end(),
              [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
    names.erase(
        std::unique(names.begin(), names.end(),
                    [](const AnsiString& a, const AnsiString& b) { return AnsiSameText(a, b); }),
        names.end());
    return names;
}

void TfrxDBDataset::First() {
    EnsureOpen();
    if (RangeBegin == TfrxRangeBegin::rbCurrent && bookmark_)
        DataSet->GotoBookmark(*bookmark_);
    else
        DataSet->First();
    ownEnd_ = false;
    TfrxDataSet::First();
}

void TfrxDBDataset::Next() {
    EnsureOpen();
    ownEnd_ = false;
    if (RangeEnd == TfrxRangeEnd::reCurrent && bookmark_ && DataSet->GetBookmark() == *bookmark_) {
        ownEnd_ = true;
        return;
    }
    DataSet->Next();
    TfrxDataSet::Next();
}

void TfrxDBDataset::Prior() {
    EnsureOpen();
    DataSet->Prior();
    TfrxDataSet::Prior();
}

bool TfrxDBDataset::Eof() {
    EnsureOpen();
    bool end = TfrxDataSet::Eof();
    return end || DataSet->Eof() || ownEnd_;
}

int TfrxDBDataset::FieldsCount() {
    EnsureOpen();
    return static_cast<int>(GetFieldList().size());
}

int TfrxDBDataset::RecordCount() {
    EnsureOpen();
    return static_cast<int>(DataSet->RecordCount());
}

AnsiString TfrxDBDataset::NotFoundText(const AnsiString& name) const {
    return frxGet("dbFldNotFound") + " " + UserName() + ".\"" + name + "\"";
}

TField* TfrxDBDataset::Lookup(const AnsiString& name, bool report) {
    auto it = fields_.find(AnsiUpperCase(name));
    // An alias that names a column the query lacks counts as unknown.
    if (it != fields_.end() && it->second)
        return it->second;
    if (report && ReportLink)
        ReportLink->AddError(ReportLink->CurrentObjectName + ": " + NotFoundText(name));
    return nullptr;
}

Variant TfrxDBDataset::Value(const AnsiString& name) {
    EnsureOpen();
    TField* field = Lookup(name, true);
    return field ? field->Value() : Variant::Null();
}

AnsiString TfrxDBDataset::DisplayText(const AnsiString& name) {
    EnsureOpen();
    if (!DataSet->Active())
        return UserName() + ".\"" + name + "\"";
    if (fields_.empty())
        return DataSet->FieldNamed(name).AsText();
    TField* field = Lookup(name, true);
    if (!field)
        return NotFoundText(name);
    if (field->IsBlob()) {
        AnsiString kind = field->DataType() == TFieldType::ftMemo ? "(Memo)" : "(Blob)";
        return field->IsNull() ? kind : AnsiUpperCase(kind);
    }
    return field->AsText();
}

int TfrxDBDataset::DisplayWidth(const AnsiString& name) {
    EnsureOpen();
    TField* field = DataSet->FindField(FieldNameOf(name));
    if (!field)
        return 10;
    switch (field->DataType()) {
    case TFieldType::ftDateTime:
        return 20;
    case TFieldType::ftLargeint:
        return 15;
    default:
        return field->DisplayWidth() > 0 ? field->DisplayWidth() : 10;
    }
}

TfrxFieldType TfrxDBDataset::FieldType(const AnsiString& name) {
    EnsureOpen();
    TField* field = DataSet->FindField(FieldNameOf(name));
    if (!field)
        return TfrxFieldType::fftNumeric;
    switch (field->DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftBytes:
        return TfrxFieldType::fftString;
    default:
        return TfrxFieldType::fftNumeric;
    }
}

bool TfrxDBDataset::IsBlobField(const AnsiString& name) {
    EnsureOpen();
    TField* field = Lookup(name, false);
    return field && field->IsBlob();
}

std::string TfrxDBDataset::CopyBlobTo(const AnsiString& name) {
    EnsureOpen();
    TField* field = Lookup(name, true);
    if (!field || !field->IsBlob() || field->IsNull())
        return {};
    return *field->Raw();
}

} // namespace kanvo
