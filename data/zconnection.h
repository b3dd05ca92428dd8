// The connection to the host system's MySQL server.
//
// For now the component holds its settings only; opening, statements and
// queries come with the data-access layer. Setting a value only stores it:
// the values are used when the connection opens.
#pragma once

#include "platform/text_types.h"

#include <cstdint>
#include <vector>

namespace kanvo {

enum class TZControlsCodePage { cGET_ACP, cCP_UTF8, cCP_UTF16 };
enum class TZTransactIsolationLevel {
    tiNone,
    tiReadUncommitted,
    tiReadCommitted,
    tiRepeatableRead,
    tiSerializable
};

class TZConnection {
public:
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

    bool Connected() const { return false; }
};

} // namespace kanvo
