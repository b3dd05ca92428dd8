#include "tests/data/db_fixture.h"

#include "tests/support/test_support.h"

#include <cstdlib>
#include <stdexcept>

namespace kanvo::test {

int TestDbPort() {
    const char* dir = std::getenv("KANVO_TEST_DB_DIR");
    if (!dir)
        throw std::runtime_error("KANVO_TEST_DB_DIR is not set");
    std::string text = ReadFile(std::filesystem::path(dir) / "port");
    return std::stoi(text);
}

void ConfigureTestConnection(TZConnection& connection) {
    connection.HostName = "127.0.0.1";
    connection.Port = TestDbPort();
    connection.User = "kanvo";
    connection.Password = "kanvo";
    connection.Database = "mervik";
}

void ExecSql(const std::string& sql) {
    TZConnection connection;
    ConfigureTestConnection(connection);
    size_t start = 0;
    while (start < sql.size()) {
        size_t end = sql.find(';', start);
        std::string statement =
            sql.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (statement.find_first_not_of(" \r\n\t") != std::string::npos)
            connection.ExecuteStatement(statement);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

} // namespace kanvo::test
