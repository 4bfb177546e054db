#pragma once

#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace kalvora::bench {

// The status of a command line a tool cannot use (EX_USAGE).
constexpr int kExitUsage = 64;

// An option a tool knows: a flag, or one that takes the next argument as its value.
struct ToolOption {
    std::string name;
    bool takesValue = false;
};

struct ToolArguments {
    std::vector<std::string> positional;
    // The options given, by name; a flag's value is empty.
    std::map<std::string, std::string> options;

    bool has(const std::string& name) const { return options.count(name) != 0; }
};

// Prints the usage on stderr and ends the tool with the usage status.
[[noreturn]] inline void exitWithUsage(const std::string& usage)
{
    std::cerr << usage;
    std::exit(kExitUsage);
}

// Splits the command line into the known options and the positional
// arguments. --help prints the usage on stdout and ends the tool with 0; an
// unknown option, an option without its value, or fewer than minPositional
// or more than maxPositional positional arguments end it through
// exitWithUsage. Every word that starts with '-' (but '-' alone) is an option.
inline ToolArguments parseToolArguments(int argc, char** argv, const std::string& usage,
                                        std::initializer_list<ToolOption> known, size_t minPositional,
                                        size_t maxPositional)
{
    ToolArguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help") {
            std::cout << usage;
            std::exit(0);
        }
        if (word.size() < 2 || word[0] != '-') {
            args.positional.push_back(word);
            continue;
        }
        const ToolOption* option = nullptr;
        for (const ToolOption& o : known)
            if (o.name == word) option = &o;
        if (!option) exitWithUsage("unknown option " + word + "\n" + usage);
        if (option->takesValue && i + 1 >= argc) exitWithUsage(word + " needs a value\n" + usage);
        args.options[word] = option->takesValue ? argv[++i] : "";
    }
    if (args.positional.size() < minPositional || args.positional.size() > maxPositional) exitWithUsage(usage);
    return args;
}

}  // namespace kalvora::bench
