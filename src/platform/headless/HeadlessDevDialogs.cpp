#include "platform/headless/HeadlessDevDialogs.h"

namespace platform {

std::optional<size_t> HeadlessDevDialogs::ShowList(std::string_view title,
                                                   const std::vector<std::string>& items) {
    mLists.push_back(ListRecord{std::string(title), items});
    if (mListAnswers.empty()) {
        return std::nullopt;
    }
    const std::optional<size_t> answer = mListAnswers.front();
    mListAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessDevDialogs::ShowTextEntry(std::string_view title,
                                                             std::string_view initial) {
    mTexts.push_back(TextRecord{std::string(title), std::string(initial)});
    if (mTextAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = std::move(mTextAnswers.front());
    mTextAnswers.pop_front();
    return answer;
}

}  // namespace platform
