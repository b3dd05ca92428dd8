#include "data/zconnection.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/files.h"
#include "platform/format_settings.h"

#include <algorithm>
#include <cstring>
#include <mysql.h>

namespace kanvo {
namespace {

AnsiString Trimmed(const char* text) {
    std::string_view s(text ? text : "");
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return AnsiString(s);
}

[[noreturn]] void RaiseSqlError(MYSQL* handle) {
    throw Exception(Format("SQL Error: %s", {Trimmed(mysql_error(handle))}));
}

constexpr unsigned kBinaryCharset = 63;

// The field kind of a column; nothing for a type outside the table.
std::optional<TFieldType> KindOf(const MYSQL_FIELD& f) {
    bool binary = f.charsetnr == kBinaryCharset;
    switch (f.type) {
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
        return binary ? TFieldType::ftBytes : TFieldType::ftString;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
        return binary ? TFieldType::ftBlob : TFieldType::ftMemo;
    case MYSQL_TYPE_JSON:
        return TFieldType::ftMemo;
    case MYSQL_TYPE_GEOMETRY:
        return TFieldType::ftBlob;
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
        return (f.type == MYSQL_TYPE_LONG && (f.flags & UNSIGNED_FLAG)) ? TFieldType::ftLargeint
                                                                        : TFieldType::ftInteger;
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_BIT:
        return TFieldType::ftLargeint;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return f.decimals == 0 ? TFieldType::ftLargeint : TFieldType::ftBCD;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return TFieldType::ftFloat;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return TFieldType::ftDate;
    case MYSQL_TYPE_TIME:
        return TFieldType::ftTime;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return TFieldType::ftDateTime;
    case MYSQL_TYPE_NULL:
        // A bare NULL column ("SELECT NULL AS x") carries no type: a text.
        return TFieldType::ftString;
    default:
        return std::nullopt;
    }
}

// "2026-12-01", "12:30:00", "2026-12-01 12:30:00[.ffffff]" as a day count.
std::optional<TDateTime> ParseSqlDateTime(std::string_view text, TFieldType type) {
    auto number = [&](size_t pos, size_t len) -> std::optional<int> {
        if (pos + len > text.size())
            return std::nullopt;
        int value = 0;
        for (size_t i = pos; i < pos + len; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    TDateTime result = 0;
    size_t timeAt = 0;
    if (type != TFieldType::ftTime) {
        auto y = number(0, 4), m = number(5, 2), d = number(8, 2);
        if (!y || !m || !d)
            return std::nullopt;
        auto date = TryEncodeDate(*y, *m, *d);
        if (!date)
            return std::nullopt; // zero dates ("0000-00-00") have no value
        result = *date;
        timeAt = 11;
        if (type == TFieldType::ftDate || text.size() < 19)
            return result;
    }
    auto h = number(timeAt, 2), n = number(timeAt + 3, 2), s = number(timeAt + 6, 2);
    if (!h || !n || !s)
        return std::nullopt;
    auto time = TryEncodeTime(*h % 24, *n, *s, 0);
    if (!time)
        return std::nullopt;
    return result + *time;
}

} // namespace

// ---- connection ---------------------------------------------------------

TZConnection::~TZConnection() {
    Disconnect();
}

void TZConnection::Disconnect() {
    if (handle_) {
        mysql_close(handle_);
        handle_ = nullptr;
    }
}

AnsiString TZConnection::Property(std::string_view key) const {
    for (const auto& line : Properties) {
        size_t eq = line.find('=');
        if (eq != AnsiString::npos && SameTextAscii(std::string_view(line).substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return "";
}

bool TZConnection::PropertyIsTrue(std::string_view value) {
    for (const char* yes : {"Y", "YES", "T", "TRUE"})
        if (SameTextAscii(value, yes))
            return true;
    auto number = TryStrToInt64(value);
    return number && *number != 0;
}

void TZConnection::EnsureConnected() {
    if (handle_)
        return;
    MYSQL* handle = mysql_init(nullptr);
    if (!handle)
        throw Exception("Cannot connect to SQL server");
    unsigned port = Port == 0 ? 3306u : static_cast<unsigned>(Port);
    AnsiString notedCharset = mysql_character_set_name(handle);
    if (PropertyIsTrue(Property("Compress")))
        mysql_options(handle, MYSQL_OPT_COMPRESS, nullptr);
    AnsiString timeout = Property("timeout");
    if (!timeout.empty()) {
        unsigned seconds = static_cast<unsigned>(TryStrToInt64(timeout).value_or(0));
        mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &seconds);
    }
    if (!mysql_real_connect(handle, HostName.c_str(), User.c_str(), Password.c_str(),
                            Database.c_str(), port, nullptr, 0)) {
        AnsiString reason = Trimmed(mysql_error(handle));
        mysql_close(handle);
        if (reason.empty())
            throw Exception("Cannot connect to SQL server");
        throw Exception(Format("SQL Error: %s", {reason}));
    }
    handle_ = handle;
    AnsiString codepage = Property("Codepage");
    if (!codepage.empty() && notedCharset != codepage) {
        // mysql_set_character_set sends "SET NAMES <codepage>" and also makes
        // the client's escaping work in that character set.
        log_.push_back(Format("SET NAMES %s", {codepage}));
        if (mysql_set_character_set(handle_, codepage.c_str()) != 0) {
            AnsiString reason = Trimmed(mysql_error(handle_));
            Disconnect();
            throw Exception(Format("SQL Error: %s", {reason}));
        }
    }
}

AnsiString TZConnection::EscapeString(std::string_view text) {
    EnsureConnected();
    std::string out(text.size() * 2 + 1, '\0');
    unsigned long n = mysql_real_escape_string(handle_, out.data(), text.data(),
                                               static_cast<unsigned long>(text.size()));
    out.resize(n);
    return out;
}

void TZConnection::ExecuteStatement(std::string_view sql) {
    EnsureConnected();
    log_.emplace_back(sql);
    if (mysql_real_query(handle_, sql.data(), static_cast<unsigned long>(sql.size())) != 0)
        RaiseSqlError(handle_);
}

// ---- fields --------------------------------------------------------------

const std::optional<std::string>& TField::Raw() const {
    return query_.CurrentRow()[index_];
}

bool TField::IsNull() const {
    return !Raw().has_value();
}

AnsiString TField::AsText() const {
    const auto& raw = Raw();
    if (!raw)
        return "";
    switch (type_) {
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
        Variant v = Value();
        return v.IsNull() ? AnsiString() : v.ToAnsi();
    }
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
        return Value().ToAnsi();
    default:
        return *raw;
    }
}

Variant TField::Value() const {
    const auto& raw = Raw();
    if (!raw)
        return Variant::Null();
    switch (type_) {
    case TFieldType::ftInteger:
        if (auto n = TryStrToInt64(*raw); n && *n >= INT32_MIN && *n <= INT32_MAX)
            return Variant(static_cast<int>(*n));
        return Variant(*raw);
    case TFieldType::ftLargeint:
        if (auto n = TryStrToInt64(*raw))
            return Variant(*n);
        return Variant(*raw);
    case TFieldType::ftFloat:
    case TFieldType::ftBCD: {
        FormatSettings point;
        point.DecimalSeparator = '.';
        auto d = TryStrToFloat(*raw, point);
        if (!d)
            return Variant(*raw);
        if (type_ == TFieldType::ftBCD)
            return Variant(Currency::FromDouble(*d));
        return Variant(*d);
    }
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
        auto dt = ParseSqlDateTime(*raw, type_);
        return dt ? Variant::FromDate(*dt) : Variant::Null();
    }
    default:
        return Variant(*raw);
    }
}

TBlobField& AsBlobField(TField& field) {
    auto* blob = dynamic_cast<TBlobField*>(&field);
    if (!blob)
        throw Exception("Invalid class typecast");
    return *blob;
}

void TBlobField::LoadFromFile(const AnsiString& path) {
    LoadFromBytes(ReadFileBytes(path));
}

void TBlobField::LoadFromBytes(std::string bytes) {
    query_.SetEditedValue(index_, std::move(bytes));
}

// ---- query ---------------------------------------------------------------

TZQuery::TZQuery(TZConnection& connection, AnsiString name)
    : Name(std::move(name)), Connection(connection) {}

TZQuery::~TZQuery() {
    try {
        Close();
    } catch (...) {
    }
}

AnsiString TZQuery::StatementText() const {
    AnsiString text;
    for (size_t i = 0; i < SQL.size(); ++i) {
        if (i)
            text += "\r\n";
        text += SQL[i];
    }
    return text;
}

void TZQuery::Open() {
    if (Active())
        return;
    AnsiString sql = StatementText();
    if (sql.find_first_not_of(" \t\r\n") == AnsiString::npos)
        throw Exception("SQL Query is empty");
    Connection.ExecuteStatement(sql);
    MYSQL* handle = Connection.Handle();
    MYSQL_RES* result = mysql_store_result(handle);
    if (!result) {
        if (mysql_errno(handle) != 0)
            RaiseSqlError(handle);
        throw Exception("Can not open a Resultset");
    }
    std::vector<std::unique_ptr<TField>> fields;
    std::vector<Row> rows;
    try {
        unsigned count = mysql_num_fields(result);
        MYSQL_FIELD* meta = mysql_fetch_fields(result);
        for (unsigned i = 0; i < count; ++i) {
            auto kind = KindOf(meta[i]);
            if (!kind)
                throw Exception("Unknown MySQL data type!");
            std::unique_ptr<TField> field;
            AnsiString name(meta[i].name, meta[i].name_length);
            if (*kind == TFieldType::ftMemo || *kind == TFieldType::ftBlob)
                field.reset(new TBlobField(*this, i, name, *kind));
            else
                field.reset(new TField(*this, i, name, *kind));
            field->originalName_.assign(meta[i].org_name, meta[i].org_name_length);
            field->table_.assign(meta[i].org_table, meta[i].org_table_length);
            field->database_.assign(meta[i].db, meta[i].db_length);
            field->displayWidth_ =
                static_cast<int>(std::min<unsigned long>(meta[i].length, 1 << 20));
            field->searchable_ = !field->IsBlob();
            fields.push_back(std::move(field));
        }
        while (MYSQL_ROW values = mysql_fetch_row(result)) {
            unsigned long* lengths = mysql_fetch_lengths(result);
            Row row(count);
            for (unsigned i = 0; i < count; ++i)
                if (values[i])
                    row[i] = std::string(values[i], lengths[i]);
            rows.push_back(std::move(row));
        }
    } catch (...) {
        mysql_free_result(result);
        throw;
    }
    mysql_free_result(result);
    fields_ = std::move(fields);
    rows_ = std::move(rows);
    state_ = TQueryState::Browsing;
    First();
    Notify(afterOpen_);
}

void TZQuery::Close() {
    if (!Active())
        return;
    Notify(beforeClose_);
    state_ = TQueryState::Closed;
    fields_.clear();
    rows_.clear();
    oldRow_.clear();
    editRow_.clear();
    current_ = 0;
    eof_ = bof_ = true;
}

void TZQuery::Execute() {
    Close();
    Connection.ExecuteStatement(StatementText());
    MYSQL* handle = Connection.Handle();
    if (MYSQL_RES* result = mysql_store_result(handle))
        mysql_free_result(result);
    rowsAffected_ = static_cast<int64_t>(mysql_affected_rows(handle));
}

TField* TZQuery::FindField(std::string_view name) {
    for (auto& f : fields_)
        if (SameTextAscii(f->FieldName(), name))
            return f.get();
    return nullptr;
}

TField& TZQuery::FieldNamed(std::string_view name) {
    if (TField* field = FindField(name))
        return *field;
    AnsiString message = Format("Field '%s' not found", {AnsiString(name)});
    throw Exception(Name.empty() ? message : Name + ": " + message);
}

void TZQuery::First() {
    current_ = 0;
    eof_ = rows_.empty();
    bof_ = true;
}

void TZQuery::Next() {
    if (rows_.empty() || current_ + 1 >= rows_.size()) {
        eof_ = true;
        return;
    }
    ++current_;
    bof_ = false;
}

void TZQuery::Prior() {
    if (current_ == 0) {
        bof_ = true;
        return;
    }
    --current_;
    eof_ = false;
}

void TZQuery::GotoBookmark(Bookmark bookmark) {
    if (bookmark < rows_.size()) {
        current_ = bookmark;
        eof_ = false;
        bof_ = bookmark == 0;
    }
}

const TZQuery::Row& TZQuery::CurrentRow() const {
    static const Row kEmpty;
    if (state_ == TQueryState::Editing)
        return editRow_;
    if (current_ >= rows_.size()) {
        // No current row: every field reads as NULL.
        static thread_local Row nulls;
        nulls.assign(fields_.size(), std::nullopt);
        return nulls;
    }
    return rows_[current_];
}

void TZQuery::BeginEdit() {
    if (state_ == TQueryState::Closed || rows_.empty())
        throw Exception("Cannot modify a read-only dataset");
    if (state_ == TQueryState::Editing)
        return;
    oldRow_ = rows_[current_];
    editRow_ = oldRow_;
    state_ = TQueryState::Editing;
}

void TZQuery::SetEditedValue(size_t index, std::optional<std::string> value) {
    if (state_ != TQueryState::Editing)
        throw Exception("Dataset not in edit or insert mode");
    // An empty large object is stored as NULL.
    if (value && value->empty() && fields_[index]->IsBlob())
        value.reset();
    editRow_[index] = std::move(value);
}

AnsiString TZQuery::Literal(const TField& field, const std::optional<std::string>& value) {
    if (!value)
        return "NULL";
    switch (field.DataType()) {
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
        return *value;
    case TFieldType::ftBlob:
    case TFieldType::ftBytes: {
        if (value->empty())
            return field.DataType() == TFieldType::ftBlob ? "NULL" : "''";
        static const char kHex[] = "0123456789ABCDEF";
        AnsiString out;
        out.reserve(value->size() * 2 + 3);
        out += "x'";
        for (unsigned char c : *value) {
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        out += '\'';
        return out;
    }
    case TFieldType::ftMemo:
        if (value->empty())
            return "NULL";
        [[fallthrough]];
    default:
        return "'" + Connection.EscapeString(*value) + "'";
    }
}

std::vector<const TField*> TZQuery::KeyFields(const AnsiString& database, const AnsiString& table) {
    std::vector<const TField*> keys;
    AnsiString db = database.empty() ? Connection.Database : database;
    Connection.ExecuteStatement(Format("SHOW KEYS FROM %s.%s", {db, table}));
    MYSQL* handle = Connection.Handle();
    MYSQL_RES* result = mysql_store_result(handle);
    bool allFound = true;
    if (result) {
        unsigned count = mysql_num_fields(result);
        MYSQL_FIELD* meta = mysql_fetch_fields(result);
        int keyName = -1, columnName = -1;
        for (unsigned i = 0; i < count; ++i) {
            if (SameTextAscii(meta[i].name, "Key_name"))
                keyName = static_cast<int>(i);
            if (SameTextAscii(meta[i].name, "Column_name"))
                columnName = static_cast<int>(i);
        }
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            if (keyName < 0 || columnName < 0 || !row[keyName] || !row[columnName])
                continue;
            if (std::strlen(row[keyName]) < 3 ||
                !SameTextAscii(std::string_view(row[keyName], 3), "PRI"))
                continue;
            const TField* found = nullptr;
            for (const auto& f : fields_)
                if (f->TableName() == table && SameTextAscii(f->OriginalName(), row[columnName]))
                    found = f.get();
            if (found)
                keys.push_back(found);
            else
                allFound = false;
        }
        mysql_free_result(result);
    }
    if (!keys.empty() && allFound)
        return keys;
    keys.clear();
    for (const auto& f : fields_)
        if (f->searchable_ && !f->TableName().empty())
            keys.push_back(f.get());
    if (keys.empty())
        for (const auto& f : fields_)
            keys.push_back(f.get());
    return keys;
}

AnsiString TZQuery::BuildUpdateStatement() {
    if (state_ != TQueryState::Editing)
        return "";
    AnsiString table, database;
    for (const auto& f : fields_) {
        if (f->TableName().empty())
            continue;
        if (table.empty()) {
            table = f->TableName();
            database = f->database_;
        } else if (f->TableName() != table) {
            throw Exception("Cannot update a complex query with more then one table");
        }
    }
    if (table.empty())
        throw Exception("Cannot update this query type");
    AnsiString set;
    for (const auto& f : fields_) {
        size_t i = f->Index();
        if (editRow_[i] == oldRow_[i] || f->TableName().empty())
            continue;
        if (!set.empty())
            set += ',';
        set += f->OriginalName() + "=" + Literal(*f, editRow_[i]);
    }
    if (set.empty())
        return "";
    AnsiString where;
    for (const TField* key : KeyFields(database, table)) {
        const auto& old = oldRow_[key->Index()];
        if (!where.empty())
            where += " AND ";
        const AnsiString& column =
            key->OriginalName().empty() ? key->FieldName() : key->OriginalName();
        if (!old)
            where += column + " IS NULL ";
        else
            where += column + "=" + Literal(*key, old);
    }
    return "UPDATE " + table + " SET " + set + " WHERE " + where;
}

void TZQuery::SaveRow() {
    if (state_ != TQueryState::Editing)
        return;
    AnsiString statement = BuildUpdateStatement();
    if (!statement.empty()) {
        Connection.ExecuteStatement(statement);
        rowsAffected_ = static_cast<int64_t>(mysql_affected_rows(Connection.Handle()));
    }
    rows_[current_] = editRow_;
    oldRow_.clear();
    editRow_.clear();
    state_ = TQueryState::Browsing;
}

int TZQuery::AddAfterOpen(Listener listener) {
    afterOpen_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

int TZQuery::AddBeforeClose(Listener listener) {
    beforeClose_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void TZQuery::RemoveListener(int id) {
    for (auto* list : {&afterOpen_, &beforeClose_})
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [id](const auto& entry) { return entry.first == id; }),
                    list->end());
}

void TZQuery::Notify(std::vector<std::pair<int, Listener>>& listeners) {
    auto copy = listeners; // a listener may remove itself
    for (auto& [id, listener] : copy)
        listener(*this);
}

} // namespace kanvo
