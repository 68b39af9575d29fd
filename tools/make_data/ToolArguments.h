#pragma once

#include <string>
#include <vector>

// The data tool's command line.
namespace make_data {

inline constexpr const char* kPakName = "vorns.pak";

inline constexpr const char* kUsage =
    "usage: make_data OUT.pak\n"
    "       make_data FOLDER\n"
    "Makes the game's default data set into OUT.pak, or into FOLDER/vorns.pak, with the images'\n"
    "contact sheet (contact-sheet.png) and the desktop icon (vorns-icon.png) beside it.\n";

enum class ToolRequest { Make, Help, Wrong };

struct ToolArguments {
    ToolRequest request = ToolRequest::Wrong;
    // Where the archive goes when the request is Make.
    std::string pakPath;
};

// The arguments after the program's name. "--help" or "-h" asks for the usage; an existing
// folder, or a path ending in '/', gets "vorns.pak" inside it; any other option, or a count
// other than one, is wrong.
ToolArguments ParseToolArguments(const std::vector<std::string>& args);

}  // namespace make_data
