// pruh: command-line access to the report engine's parts, for people and tests.
#include "platform/code_page.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintHelp(std::FILE* out) {
    std::fputs("usage: pruh COMMAND [ARGS]\n"
               "\n"
               "commands:\n"
               "  help                 this text\n"
               "  version              the program version\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    std::string command = argv[1];
    if (command == "help" || command == "--help" || command == "-h") {
        PrintHelp(stdout);
        return 0;
    }
    if (command == "version" || command == "--version") {
        std::puts("pruh 0.1");
        return 0;
    }
    std::fprintf(stderr, "pruh: unknown command '%s'\n", command.c_str());
    PrintHelp(stderr);
    return 2;
}
