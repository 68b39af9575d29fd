#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/DataElement.h"
#include "resources/ListDataElement.h"
#include "resources/SingleDataElement.h"

namespace Vesk {

// The front end of the descriptor language: cuts a file into statements, splits each into a
// tree of values and hands it to HandleCommand. Also keeps the defines, named values that the
// conversions below look up. Every failure goes through Error and makes the call answer false.
class DescParser {
public:
    // Statement endings: a ";" outside quotes, and a line that starts without white space.
    static constexpr int32_t kCmdSepSemicolon = 1;
    static constexpr int32_t kCmdSepNoIndent = 2;
    // Lists nest at most this deep; deeper input is refused rather than recursed into.
    static constexpr int32_t kMaxListDepth = 64;

    int32_t mCmdSep = kCmdSepSemicolon;
    std::string mError;
    // The line on which the current statement began.
    int32_t mCurrentLineNum = 0;
    // The text of the statement being run; empty between statements.
    std::string mCurrentLine;
    // Keyed by the upper-cased name.
    std::map<std::string, std::unique_ptr<DataElement>> mDefineMap;

    DescParser() = default;
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;
    virtual ~DescParser();

    // Stores the text; always false.
    virtual bool Error(const std::string& text);
    // Null when the name has no define.
    virtual DataElement* FindDefine(const std::string& name);
    // Element 0 is the command word, the rest its arguments.
    virtual bool HandleCommand(const ListDataElement& params) = 0;

    // Reads the file through the archive layer and runs it; false when it cannot be opened or a
    // statement failed.
    bool LoadDescriptor(const std::string& fileName);
    // The same over text already in memory.
    bool LoadDescriptorText(std::string_view text);

    // A literal (digit, "-", "+" or a quote first) rather than a define name.
    static bool IsImmediate(std::string_view text);
    // 'it''s' gives it's; text without a leading quote is returned as it is.
    static std::string Unquote(std::string_view text);
    // "(a, b, (c))" for a list of a, b and a list of c.
    static std::string DataElementToString(const DataElement* value);

    // Binds the upper-cased name to a copy of the value, replacing an earlier binding.
    void AddDefine(const std::string& name, const DataElement& value);

    bool DataToString(const DataElement* value, std::string* out);
    bool DataToStringVector(const DataElement* value, std::vector<std::string>* out);
    bool DataToIntVector(const DataElement* value, std::vector<int32_t>* out);
    bool DataToDoubleVector(const DataElement* value, std::vector<double>* out);
    // A list with every element that names a define replaced by a copy of it.
    bool DataToList(const DataElement* value, ListDataElement* out);

protected:
    bool ParseToList(std::string_view text, ListDataElement* list);
    bool HandleStatement();
    // A file read whole through the archive layer; nothing when it is missing, or with mError
    // set when it can't be read.
    std::optional<std::string> ReadWholeText(const std::string& fileName);

private:
    bool ParseList(std::string_view text, size_t& index, ListDataElement* list, int32_t depth);
};

}  // namespace Vesk
