#include "make_data/ToolArguments.h"

#include <filesystem>
#include <system_error>

namespace make_data {

ToolArguments ParseToolArguments(const std::vector<std::string>& args) {
    ToolArguments result;
    if (args.size() != 1 || args[0].empty()) {
        return result;
    }
    const std::string& arg = args[0];
    if (arg == "--help" || arg == "-h") {
        result.request = ToolRequest::Help;
        return result;
    }
    // A file named like an option is never what was meant.
    if (arg[0] == '-') {
        return result;
    }
    std::error_code ignored;
    result.request = ToolRequest::Make;
    result.pakPath = arg.back() == '/' || std::filesystem::is_directory(arg, ignored)
                         ? (std::filesystem::path(arg) / kPakName).string()
                         : arg;
    return result;
}

}  // namespace make_data
