// pruh: command-line access to the report engine's parts, for people and tests.
#include "tools/pruh_commands.h"

#include <algorithm>
#include <cstdio>

namespace kanvo::pruh {
namespace {

std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

void PrintHelp(std::FILE* out) {
    std::fputs("usage: pruh COMMAND [ARGS]\n\ncommands:\n", out);
    for (const auto& c : Commands())
        std::fprintf(out, "  %s %s\n      %s\n", c.name.c_str(), c.usage.c_str(),
                     c.summary.c_str());
}

PruhCommand help{"help", "", "this text", [](const std::vector<std::string>&) {
                     PrintHelp(stdout);
                     return 0;
                 }};
PruhCommand version{"version", "", "the program version", [](const std::vector<std::string>&) {
                        std::puts("pruh 0.1");
                        return 0;
                    }};

} // namespace

PruhCommand::PruhCommand(std::string name, std::string usage, std::string summary,
                         CommandFunction run) {
    auto& commands = Registry();
    commands.push_back({std::move(name), std::move(usage), std::move(summary), std::move(run)});
    std::sort(commands.begin(), commands.end(),
              [](const CommandInfo& a, const CommandInfo& b) { return a.name < b.name; });
}

const std::vector<CommandInfo>& Commands() {
    return Registry();
}

int UsageError(const std::string& name) {
    for (const auto& c : Commands())
        if (c.name == name)
            std::fprintf(stderr, "usage: pruh %s %s\n", c.name.c_str(), c.usage.c_str());
    return 2;
}

} // namespace kanvo::pruh

int main(int argc, char** argv) {
    using namespace kanvo::pruh;
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h")
        name = "help";
    if (name == "--version")
        name = "version";
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : Commands())
        if (c.name == name) {
            try {
                return c.run(args);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "pruh %s: %s\n", name.c_str(), error.what());
                return 1;
            }
        }
    std::fprintf(stderr, "pruh: unknown command '%s'\n", name.c_str());
    PrintHelp(stderr);
    return 2;
}
