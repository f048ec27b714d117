#pragma once
// The commands, each stated once in one table: its name, its operands, its
// help and what runs it.
#include "map/CommandLine.h"
#include "map/Options.h"
#include "mapping/ormMapping.h"

#include <cstddef>
#include <string>
#include <vector>

namespace MapTool {

// What a command runs on: the command line as read and the mapping it describes.
struct TRequest
{
    const TCommandLine& Line;
    const TMapping& Mapping;
    // "10 (LambertConformal)", as messages name the kind.
    std::string KindName;
    // argv[0], for the application that reads and paints images.
    const char* Program;
};

struct TCommandSpec
{
    const char* Name;
    TCommandSet Bit;
    // In --help: the operands after the name, and lines of what it does.
    const char* Operands;
    const char* Help;
    size_t MinOperands, MaxOperands;
    // What fewer than MinOperands lack, in "grid needs IN and OUT".
    const char* Needs;
    // A usage error this command finds in the request before anything is
    // reported or read; empty: none. nullptr: it finds none.
    std::string (*Refuses)(const TRequest& Request);
    // The exit status.
    int (*Run)(const TRequest& Request);
};

// In the order --help lists them, each Bit the next.
const std::vector<TCommandSpec>& CommandTable();
// The command named exactly Name; nullptr: none.
const TCommandSpec* FindCommand(const std::string& Name);
// The commands of Set as "a, b or c" (Last " or ") or "b and c" (Last " and ").
std::string CommandNames(TCommandSet Set, const char* Last);

}  // namespace MapTool
