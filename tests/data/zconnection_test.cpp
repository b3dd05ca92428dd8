// The connection and queries against the real test server. Every test works
// on tables of its own, so tests may run side by side.
#include "data/zconnection.h"
#include "tests/data/db_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class ZQueryTest : public ::testing::Test {
protected:
    void SetUp() override { test::ConfigureTestConnection(connection_); }

    // Runs a statement and returns the query, open.
    std::unique_ptr<TZQuery> Select(const std::string& sql, const std::string& name = "") {
        auto q = std::make_unique<TZQuery>(connection_, name);
        q->SQL = {sql};
        q->Open();
        return q;
    }
    size_t StatementsSent() const { return connection_.StatementLog().size(); }

    TZConnection connection_;
};

TEST_F(ZQueryTest, OpensOnFirstUseAndSpeaksWindows1250) {
    EXPECT_FALSE(connection_.Connected());
    auto q = Select("select nazevpodni, sidlo from adresar where ico = '12345678'");
    EXPECT_TRUE(connection_.Connected());
    EXPECT_EQ(connection_.StatementLog().front(), "SET NAMES cp1250");
    EXPECT_EQ(q->FieldNamed("NAZEVPODNI").AsText(), "Stavebn\xED firma Nov\xE1k");
    EXPECT_EQ(q->FieldNamed("sidlo").AsText(), "Brno");
}

struct KindCase {
    const char* column;
    TFieldType kind;
    bool blob;
};

TEST_F(ZQueryTest, FieldKindsFollowTheColumnTypes) {
    test::ExecSql("drop table if exists t_kinds;"
                  "create table t_kinds (c char(3), v varchar(9), e enum('a','b'), vb varbinary(4),"
                  " tx text, bl longblob, i int, bi bigint, d0 decimal(9,0), d2 decimal(9,2),"
                  " f double, dt date, tm time, ts datetime, j json, u uuid, ip inet6, y year)"
                  " default charset=cp1250;"
                  "insert into t_kinds values ('abc','v','b',x'00FF','memo',x'0102',-5,9000000000,"
                  " 12, 3.25, 1.5, '2024-07-02', '12:30:00', '2024-07-02 12:00:00', '{\"a\":1}',"
                  " '123e4567-e89b-12d3-a456-426614174000', '::1', 2024)");
    auto q = Select("select * from t_kinds");
    const KindCase cases[] = {
        {"c", TFieldType::ftString, false},    {"v", TFieldType::ftString, false},
        {"e", TFieldType::ftString, false},    {"vb", TFieldType::ftBytes, false},
        {"tx", TFieldType::ftMemo, true},      {"bl", TFieldType::ftBlob, true},
        {"i", TFieldType::ftInteger, false},   {"bi", TFieldType::ftLargeint, false},
        {"d0", TFieldType::ftLargeint, false}, {"d2", TFieldType::ftBCD, false},
        {"f", TFieldType::ftFloat, false},     {"dt", TFieldType::ftDate, false},
        {"tm", TFieldType::ftTime, false},     {"ts", TFieldType::ftDateTime, false},
        {"j", TFieldType::ftMemo, true},       {"u", TFieldType::ftString, false},
        {"ip", TFieldType::ftString, false},   {"y", TFieldType::ftInteger, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        TField& f = q->FieldNamed(c.column);
        EXPECT_EQ(f.DataType(), c.kind);
        EXPECT_EQ(f.IsBlob(), c.blob);
        EXPECT_EQ(dynamic_cast<TBlobField*>(&f) != nullptr, c.blob);
    }
    EXPECT_EQ(q->FieldNamed("i").Value(), Variant(-5));
    EXPECT_EQ(q->FieldNamed("bi").Value().Type(), VarType::Int64);
    EXPECT_EQ(q->FieldNamed("d2").Value().Type(), VarType::Currency);
    EXPECT_EQ(q->FieldNamed("d2").Value().ToCurrency().Scaled, 32500);
    EXPECT_EQ(q->FieldNamed("dt").Value().Type(), VarType::Date);
    EXPECT_EQ(q->FieldNamed("dt").Value().ToDouble(), 45475.0);
    EXPECT_EQ(q->FieldNamed("ts").Value().ToDouble(), 45475.5);
    EXPECT_EQ(q->FieldNamed("vb").Raw(), std::string("\x00\xFF", 2));
}

TEST_F(ZQueryTest, NullValuesAndMissingFields) {
    auto q = Select("select dic, telefon from adresar where ico = '11223344'", "ZQuery1");
    EXPECT_TRUE(q->FieldNamed("dic").IsNull());
    EXPECT_TRUE(q->FieldNamed("dic").Value().IsNull());
    EXPECT_EQ(q->FieldNamed("dic").AsText(), "");
    try {
        q->FieldNamed("fak_ico");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "ZQuery1: Field 'fak_ico' not found");
    }
    TZQuery unnamed(connection_);
    unnamed.SQL = {"select 1 as a"};
    unnamed.Open();
    try {
        unnamed.FieldNamed("obsah");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Field 'obsah' not found");
    }
    try {
        AsBlobField(unnamed.FieldNamed("a"));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid class typecast");
    }
}

TEST_F(ZQueryTest, StatementErrors) {
    struct Case {
        const char* sql;
        const char* prefix;
    } cases[] = {
        {"select * from no_such_table", "SQL Error: Table 'mervik.no_such_table' doesn't exist"},
        {"selec 1", "SQL Error: You have an error in your SQL syntax"},
        {"", "SQL Query is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        TZQuery q(connection_);
        q.SQL = {c.sql};
        try {
            q.Open();
            FAIL();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().rfind(c.prefix, 0), 0u) << e.Message();
        }
        EXPECT_FALSE(q.Active());
    }
}

TEST_F(ZQueryTest, ConnectFailuresAreSqlErrorsAndRetried) {
    connection_.Password = "wrong";
    TZQuery q(connection_);
    q.SQL = {"select 1"};
    try {
        q.Open();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("SQL Error: Access denied for user 'kanvo'", 0), 0u)
            << e.Message();
    }
    EXPECT_FALSE(connection_.Connected());
    connection_.Password = "kanvo";
    q.Open(); // the next use tries again
    EXPECT_TRUE(q.Active());
}

TEST_F(ZQueryTest, ChangingHostNameAfterConnectKeepsTheConnection) {
    auto q = Select("select 1");
    connection_.HostName = "127.0.0.2";
    connection_.Port = 1;
    q->Close();
    q->Open();
    EXPECT_TRUE(q->Active());
}

TEST_F(ZQueryTest, NavigationAndNotifications) {
    auto q = std::make_unique<TZQuery>(connection_);
    int opened = 0, closed = 0;
    q->AddAfterOpen([&](TZQuery&) { ++opened; });
    int id = q->AddBeforeClose([&](TZQuery&) { ++closed; });
    q->SQL = {"select dispozice, predmet from obj where dispozice = '1001' order by id"};
    q->Open();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(q->RecNo(), 1);
    EXPECT_FALSE(q->Eof());
    auto mark = q->GetBookmark();
    q->Next();
    EXPECT_EQ(q->FieldNamed("predmet").AsText(), "Malta");
    q->Next();
    EXPECT_TRUE(q->Eof());
    q->GotoBookmark(mark);
    EXPECT_EQ(q->FieldNamed("predmet").AsText(), "Dod\xE1vka cihel");
    q->Close();
    EXPECT_EQ(closed, 1);
    q->RemoveListener(id);
    q->Open();
    q->Close();
    EXPECT_EQ(closed, 1);
}

class ZQueryEditTest : public ZQueryTest {};

TEST_F(ZQueryEditTest, UpdateStatementHoldsOnlyChangedColumnsAndThePrimaryKey) {
    test::ExecSql("drop table if exists t_edit;"
                  "create table t_edit (id int auto_increment primary key, name varchar(20),"
                  " data longblob, note text) default charset=cp1250;"
                  "insert into t_edit (name, data) values ('a''b', x'01'), ('c', NULL)");
    auto q = Select("select * from t_edit order by id");
    q->BeginEdit();
    size_t before = StatementsSent();
    q->SaveRow(); // no change: nothing is sent
    EXPECT_EQ(StatementsSent(), before);

    q->BeginEdit();
    AsBlobField(q->FieldNamed("data")).LoadFromBytes(std::string("\x00\xAB\xFF", 3));
    EXPECT_EQ(q->BuildUpdateStatement(), "UPDATE t_edit SET data=x'00ABFF' WHERE id=1");
    q->SaveRow();
    EXPECT_EQ(q->State(), TQueryState::Browsing);
    auto check = Select("select hex(data) h, (select count(*) from t_edit where data is null) n "
                        "from t_edit where id = 1");
    EXPECT_EQ(check->FieldNamed("h").AsText(), "00ABFF");
    EXPECT_EQ(check->FieldNamed("n").AsText(), "1"); // the second row is untouched

    q->BeginEdit();
    AsBlobField(q->FieldNamed("data")).LoadFromBytes("");
    AsBlobField(q->FieldNamed("note")).LoadFromBytes("p\xF8\xEDli\x9A 'x'");
    EXPECT_EQ(q->BuildUpdateStatement(),
              "UPDATE t_edit SET data=NULL,note='p\xF8\xEDli\x9A \\'x\\'' WHERE id=1");
    q->SaveRow();
    auto after = Select("select data, note from t_edit where id = 1");
    EXPECT_TRUE(after->FieldNamed("data").IsNull()); // empty file -> NULL
    EXPECT_EQ(after->FieldNamed("note").AsText(), "p\xF8\xEDli\x9A 'x'");
}

TEST_F(ZQueryEditTest, WithoutPrimaryKeyEveryEqualRowChanges) {
    test::ExecSql(
        "drop table if exists t_nokey;"
        "create table t_nokey (a varchar(5), b int, c longblob) default charset=cp1250;"
        "insert into t_nokey values ('x', NULL, NULL), ('x', NULL, NULL), ('y', 1, NULL)");
    auto q = Select("select * from t_nokey");
    q->BeginEdit();
    AsBlobField(q->FieldNamed("c")).LoadFromBytes("Z");
    EXPECT_EQ(q->BuildUpdateStatement(), "UPDATE t_nokey SET c=x'5A' WHERE a='x' AND b IS NULL ");
    q->SaveRow();
    auto check = Select("select count(*) n from t_nokey where c = 'Z'");
    EXPECT_EQ(check->FieldNamed("n").AsText(), "2");
}

TEST_F(ZQueryEditTest, QueriesThatCannotBeUpdated) {
    test::ExecSql("drop table if exists t_one; drop table if exists t_two;"
                  "create table t_one (id int primary key, x longblob);"
                  "create table t_two (id int primary key, y int);"
                  "insert into t_one values (1, NULL); insert into t_two values (1, 2)");
    auto joined = Select("select t_one.x, t_two.y from t_one, t_two");
    joined->BeginEdit();
    AsBlobField(joined->FieldNamed("x")).LoadFromBytes("a");
    try {
        joined->SaveRow();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot update a complex query with more then one table");
    }
    auto computed = Select("select repeat('a', 300) as x");
    computed->BeginEdit();
    try {
        computed->SaveRow();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot update this query type");
    }
}

TEST_F(ZQueryTest, EscapingKeepsQuotesInsideTheLiteral) {
    const std::string key = "1\" or \"1\"=\"1";
    auto q =
        Select("select * from obj where dispozice = \"" + connection_.EscapeString(key) + "\"");
    EXPECT_TRUE(q->HasNoRows());
}

} // namespace
} // namespace kanvo
