// The subcommands of pruh. Each area registers its commands from its own
// pruh_<area>.cpp file with a static PruhCommand object:
//
//   static PruhCommand xmlCopy{"xml-copy", "IN OUT", "load an XML document and save it again",
//                              [](const std::vector<std::string>& args) { ...; return 0; }};
//
// A command gets its arguments after the command name and returns the exit
// status (0 success, 1 failure, 2 wrong usage).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kanvo::pruh {

using CommandFunction = std::function<int(const std::vector<std::string>& args)>;

struct PruhCommand {
    PruhCommand(std::string name, std::string usage, std::string summary, CommandFunction run);
};

struct CommandInfo {
    std::string name;
    std::string usage;
    std::string summary;
    CommandFunction run;
};

// Every registered command, sorted by name.
const std::vector<CommandInfo>& Commands();

// Prints "usage: pruh NAME USAGE" on standard error and returns 2.
int UsageError(const std::string& name);

} // namespace kanvo::pruh
