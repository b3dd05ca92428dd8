// Report data sources: the report never talks to a query directly; it walks
// rows and reads fields through a TfrxDataSet. TfrxDBDataset binds one to a
// TZQuery of the data-access layer.
//
// Every data source joins one process-wide list while it lives (guarded by a
// lock) so that templates and expressions find it by its UserName.
#pragma once

#include "data/zconnection.h"
#include "report/model/component.h"

#include <functional>
#include <map>

namespace kanvo {

class TfrxReport;

enum class TfrxRangeBegin { rbFirst, rbCurrent };
enum class TfrxRangeEnd { reLast, reCurrent, reCount };
enum class TfrxFieldType { fftNumeric, fftString, fftBoolean };

class TfrxDataSet : public TfrxDialogComponent {
public:
    TfrxDataSet();
    ~TfrxDataSet() override;
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    bool Enabled = true;
    TfrxRangeBegin RangeBegin = TfrxRangeBegin::rbFirst;
    TfrxRangeEnd RangeEnd = TfrxRangeEnd::reLast;
    int RangeEndCount = 0;
    const AnsiString& UserName() const { return userName_; }
    // A blank name raises the "prInvProp" text.
    void SetUserName(const AnsiString& name);
    // Renames the component; UserName follows when it was empty or the old name.
    void Rename(const AnsiString& name);
    AnsiString OnCheckEOF, OnFirst, OnNext, OnPrior;

    // The report whose run uses the data source (set before Initialize).
    TfrxReport* ReportLink = nullptr;
    int RecNo = 0;

    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Open() {}
    virtual void Close() {}
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount() { return 0; }
    virtual bool IsBlobField(const AnsiString&) { return false; }
    virtual int RecordCount();
    virtual Variant Value(const AnsiString&) { return Variant::Null(); }
    virtual AnsiString DisplayText(const AnsiString&) { return ""; }
    virtual int DisplayWidth(const AnsiString&) { return 10; }
    virtual TfrxFieldType FieldType(const AnsiString&) { return TfrxFieldType::fftNumeric; }
    // The content of a large-object field as bytes (empty when not one).
    virtual std::string CopyBlobTo(const AnsiString&) { return {}; }
    virtual std::vector<AnsiString> GetFieldList() { return {}; }
    bool HasField(const AnsiString& name);

    // Script hooks for the events (the engine installs them).
    std::function<void(TfrxDataSet&, const AnsiString& event)> FireEvent;
    std::function<void(TfrxDataSet&, bool& end)> CheckEOF;

protected:
    void Fire(const AnsiString& handler) {
        if (FireEvent && !handler.empty())
            FireEvent(*this, handler);
    }
    bool endFlag_ = false;

private:
    AnsiString userName_;
};

class TfrxCustomDBDataSet : public TfrxDataSet {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    bool CloseDataSource = false;
    bool OpenDataSource = true;
    // "field=alias" lines; a field part starting with "-" hides the field.
    std::vector<AnsiString> FieldAliases;
    AnsiString OnOpen, OnClose;

    // The field name an alias stands for.
    AnsiString FieldNameOf(const AnsiString& alias) const;
};

class TfrxDBDataset : public TfrxCustomDBDataSet {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    TZQuery* DataSet = nullptr;

    void Initialize() override;
    void Finalize() override;
    void Open() override;
    void Close() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    int FieldsCount() override;
    bool IsBlobField(const AnsiString& name) override;
    int RecordCount() override;
    Variant Value(const AnsiString& name) override;
    AnsiString DisplayText(const AnsiString& name) override;
    int DisplayWidth(const AnsiString& name) override;
    TfrxFieldType FieldType(const AnsiString& name) override;
    std::string CopyBlobTo(const AnsiString& name) override;
    std::vector<AnsiString> GetFieldList() override;

    bool Initialized() const { return initialized_; }

private:
    void RebuildFieldList();
    // The query field of a field-list name; nullptr when unknown (and the
    // report's error list gets the "dbFldNotFound" text).
    TField* Lookup(const AnsiString& name, bool report);
    AnsiString NotFoundText(const AnsiString& name) const;
    void EnsureOpen() {
        if (!initialized_)
            Open();
    }

    bool initialized_ = false;
    bool ownEnd_ = false;
    std::optional<TZQuery::Bookmark> bookmark_;
    int afterOpenHook_ = 0, beforeCloseHook_ = 0;
    std::map<AnsiString, TField*> fields_; // upper-case name -> query field
};

// A data source whose owner gives the values: its rows end after
// RangeEndCount records when RangeEnd is reCount (the data bands' rows
// without a dataset), and OnGetValue answers the fields.
class TfrxUserDataSet : public TfrxDataSet {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    std::vector<AnsiString> Fields;
    std::function<Variant(const AnsiString& field)> OnGetValue;

    int FieldsCount() override { return static_cast<int>(Fields.size()); }
    std::vector<AnsiString> GetFieldList() override { return Fields; }
    Variant Value(const AnsiString& name) override;
    AnsiString DisplayText(const AnsiString& name) override { return VarToStr(Value(name)); }
    // Ends by its count or its script's end test; a source with neither
    // could never end and counts as having no rows.
    bool Eof() override;
};

// The first data source whose UserName equals `name` (letter case ignored),
// skipping those of another report when `owner` is given; nullptr for "".
TfrxDataSet* FindDataSetByUserName(std::string_view name, const TfrxReport* owner = nullptr);

} // namespace kanvo
