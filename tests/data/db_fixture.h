// Access to the test database started by the kanvo_db test fixture.
#pragma once

#include "data/zconnection.h"

#include <string>

namespace kanvo::test {

int TestDbPort();
// A connection with the logon of the test server (not yet open).
void ConfigureTestConnection(TZConnection& connection);
// Runs statements as the kanvo user (for setting up and checking rows).
void ExecSql(const std::string& sql);

} // namespace kanvo::test
