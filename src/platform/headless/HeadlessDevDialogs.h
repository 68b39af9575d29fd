#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DevDialogs.h"

namespace platform {

// Dialogs that nobody sees: each one is recorded and answered from a script. An unscripted
// dialog is closed without an answer.
class HeadlessDevDialogs : public DevDialogs {
public:
    struct ListRecord {
        std::string title;
        std::vector<std::string> items;
    };

    struct TextRecord {
        std::string title;
        std::string initial;
    };

    // Answers of the next dialogs of each kind, in order; none closes the dialog.
    void QueueListAnswer(std::optional<size_t> index) { mListAnswers.push_back(index); }
    void QueueTextAnswer(std::optional<std::string> text) {
        mTextAnswers.push_back(std::move(text));
    }

    const std::vector<ListRecord>& Lists() const { return mLists; }
    const std::vector<TextRecord>& Texts() const { return mTexts; }

protected:
    std::optional<size_t> ShowList(std::string_view title,
                                   const std::vector<std::string>& items) override;
    std::optional<std::string> ShowTextEntry(std::string_view title,
                                             std::string_view initial) override;

private:
    std::deque<std::optional<size_t>> mListAnswers;
    std::deque<std::optional<std::string>> mTextAnswers;
    std::vector<ListRecord> mLists;
    std::vector<TextRecord> mTexts;
};

}  // namespace platform
