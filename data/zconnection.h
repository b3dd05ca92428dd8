// The connection to the host system's MySQL server and the queries on it,
// directly on the MySQL C API (MariaDB Connector/C).
//
// Texts travel byte for byte: statements reach the server with exactly the
// bytes the program built, values reach the program with exactly the bytes
// the server sent; after "SET NAMES cp1250" both sides speak Windows-1250.
// Every failure raises an Exception with the message the job shows.
#pragma once

#include "platform/exception.h"
#include "platform/text_types.h"
#include "platform/variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

typedef struct st_mysql MYSQL;

namespace kanvo {

enum class TZControlsCodePage { cGET_ACP, cCP_UTF8, cCP_UTF16 };
enum class TZTransactIsolationLevel {
    tiNone,
    tiReadUncommitted,
    tiReadCommitted,
    tiRepeatableRead,
    tiSerializable
};

// Opens by itself when a query first needs the server. Setting a logon
// value only stores it; an open connection stays where it is.
class TZConnection {
public:
    TZConnection() = default;
    ~TZConnection();
    TZConnection(const TZConnection&) = delete;
    TZConnection& operator=(const TZConnection&) = delete;

    AnsiString HostName;
    int32_t Port = 3306; // 0 stands for 3306
    AnsiString Database;
    AnsiString User;
    AnsiString Password;
    AnsiString Protocol = "mysql-4.1";
    // "key=value" lines; keys compare without regard to case.
    std::vector<AnsiString> Properties{"Compress=yes", "Codepage=cp1250"};
    TZControlsCodePage ControlsCodePage = TZControlsCodePage::cGET_ACP;
    bool AutoEncodeStrings = false;
    bool AutoCommit = true;
    TZTransactIsolationLevel TransactIsolationLevel = TZTransactIsolationLevel::tiNone;
    bool LoginPrompt = false;
    bool UseMetadata = true;

    bool Connected() const { return handle_ != nullptr; }
    // Opens the connection when it is closed; raises "SQL Error: %s" or
    // "Cannot connect to SQL server". A failed attempt leaves it closed.
    void EnsureConnected();
    void Disconnect();

    // The value of a property ("" when missing) and its Boolean reading.
    AnsiString Property(std::string_view key) const;
    static bool PropertyIsTrue(std::string_view value);

    // The client library's escaping of a text for a quoted literal (opens
    // the connection when needed).
    AnsiString EscapeString(std::string_view text);

    // Sends one statement; raises "SQL Error: %s" when the server refuses it.
    void ExecuteStatement(std::string_view sql);
    // Every statement sent, in order (for tests and diagnostics).
    const std::vector<AnsiString>& StatementLog() const { return log_; }

    MYSQL* Handle() { return handle_; }

private:
    MYSQL* handle_ = nullptr;
    std::vector<AnsiString> log_;
};

// Field kinds the rest of the system distinguishes.
enum class TFieldType {
    ftString,   // CHAR, VARCHAR, ENUM, SET (and other short texts)
    ftBytes,    // the same with the binary character set
    ftMemo,     // text large objects
    ftBlob,     // binary large objects, GEOMETRY
    ftInteger,  // integers up to 32 bits, BIT, YEAR
    ftLargeint, // BIGINT, DECIMAL without decimals
    ftFloat,    // FLOAT, DOUBLE
    ftBCD,      // DECIMAL with decimals (currency, four decimals)
    ftDate,
    ftTime,
    ftDateTime,
};

class TZQuery;

// One column of an open result. A large-object column is a TBlobField.
class TField {
public:
    virtual ~TField() = default;

    const AnsiString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    bool IsBlob() const { return type_ == TFieldType::ftMemo || type_ == TFieldType::ftBlob; }
    // The column as the table names it, and the table ("" for computed ones).
    const AnsiString& OriginalName() const { return originalName_; }
    const AnsiString& TableName() const { return table_; }
    size_t Index() const { return index_; }
    // Characters a display of the column needs (its declared length).
    int DisplayWidth() const { return displayWidth_; }

    bool IsNull() const;
    // The current row's value as text ("" for NULL).
    AnsiString AsText() const;
    // Null for NULL; texts as AnsiString; integers, floats, currency, dates.
    Variant Value() const;
    // The raw bytes of the current row (nothing for NULL).
    const std::optional<std::string>& Raw() const;

protected:
    friend class TZQuery;
    TField(TZQuery& query, size_t index, AnsiString name, TFieldType type)
        : query_(query), index_(index), name_(std::move(name)), type_(type) {}

    TZQuery& query_;
    size_t index_;
    AnsiString name_;
    TFieldType type_;
    AnsiString originalName_;
    AnsiString table_;
    AnsiString database_;
    int displayWidth_ = 0;
    bool searchable_ = true;
};

class TBlobField : public TField {
public:
    // The field's new value is the whole file; raises
    // "Cannot open file \"%s\". %s". Needs the editing state.
    void LoadFromFile(const AnsiString& path);
    void LoadFromBytes(std::string bytes);

private:
    friend class TZQuery;
    using TField::TField;
};

// Casts a field to a BLOB field; raises "Invalid class typecast".
TBlobField& AsBlobField(TField& field);

enum class TQueryState { Closed, Browsing, Editing };

class TZQuery {
public:
    TZQuery(TZConnection& connection, AnsiString name = "");
    ~TZQuery();
    TZQuery(const TZQuery&) = delete;
    TZQuery& operator=(const TZQuery&) = delete;

    const AnsiString Name;
    TZConnection& Connection;
    std::vector<AnsiString> SQL;

    // The statement: the SQL lines joined by line ends.
    AnsiString StatementText() const;

    // Sends the statement and reads the whole result; the first row is
    // current. Raises "SQL Query is empty" for an empty statement.
    void Open();
    void Close();
    // Closes the query, sends the statement, expects no result.
    void Execute();
    bool Active() const { return state_ != TQueryState::Closed; }
    TQueryState State() const { return state_; }
    bool HasNoRows() const { return rows_.empty(); }
    int64_t RowsAffected() const { return rowsAffected_; }

    size_t FieldCount() const { return fields_.size(); }
    TField& Field(size_t index) { return *fields_.at(index); }
    TField* FindField(std::string_view name);
    // Raises "Field '%s' not found", preceded by "<Name>: " when named.
    TField& FieldNamed(std::string_view name);

    // Navigation over the rows read.
    void First();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int64_t RecNo() const { return rows_.empty() ? 0 : static_cast<int64_t>(current_) + 1; }
    int64_t RecordCount() const { return static_cast<int64_t>(rows_.size()); }
    using Bookmark = size_t;
    Bookmark GetBookmark() const { return current_; }
    void GotoBookmark(Bookmark bookmark);

    // Editing the current row: the values now are the old row.
    void BeginEdit();
    // Writes the changed columns with one UPDATE and returns to browsing.
    // With no change nothing is sent.
    void SaveRow();
    // The UPDATE SaveRow would send ("" when nothing changed).
    AnsiString BuildUpdateStatement();

    // Notifications around the result's life; several listeners may watch.
    using Listener = std::function<void(TZQuery&)>;
    int AddAfterOpen(Listener listener);
    int AddBeforeClose(Listener listener);
    void RemoveListener(int id);

private:
    friend class TField;
    friend class TBlobField;
    using Row = std::vector<std::optional<std::string>>;

    const Row& CurrentRow() const;
    void SetEditedValue(size_t index, std::optional<std::string> value);
    AnsiString Literal(const TField& field, const std::optional<std::string>& value);
    std::vector<const TField*> KeyFields(const AnsiString& database, const AnsiString& table);
    void Notify(std::vector<std::pair<int, Listener>>& listeners);

    TQueryState state_ = TQueryState::Closed;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<Row> rows_;
    size_t current_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    Row oldRow_;
    Row editRow_;
    int64_t rowsAffected_ = 0;
    int nextListener_ = 1;
    std::vector<std::pair<int, Listener>> afterOpen_;
    std::vector<std::pair<int, Listener>> beforeClose_;
};

} // namespace kanvo
