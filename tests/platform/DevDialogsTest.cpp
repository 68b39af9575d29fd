#include "platform/DevDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/HeadlessDevDialogs.h"

namespace platform {
namespace {

TEST(DevDialogs, ScriptedAnswersAreRecordedAndChecked) {
    HeadlessDevDialogs dialogs;
    const std::vector<std::string> items = {"a (00:00:10)", "b (00:00:05)"};
    dialogs.QueueListAnswer(1);
    dialogs.QueueListAnswer(2);  // not an item of a two-item list
    dialogs.QueueListAnswer(std::nullopt);

    EXPECT_EQ(dialogs.ChooseFromList("Marker List", items), std::optional<size_t>(1));
    EXPECT_EQ(dialogs.ChooseFromList("Marker List", items), std::nullopt);
    EXPECT_EQ(dialogs.ChooseFromList("Marker List", items), std::nullopt);
    // Unscripted: closed.
    EXPECT_EQ(dialogs.ChooseFromList("Marker List", {}), std::nullopt);
    ASSERT_EQ(dialogs.Lists().size(), 4u);
    EXPECT_EQ(dialogs.Lists()[0].title, "Marker List");
    EXPECT_EQ(dialogs.Lists()[0].items, items);
    EXPECT_TRUE(dialogs.Lists()[3].items.empty());

    dialogs.QueueTextAnswer(std::string("1:00"));
    dialogs.QueueTextAnswer(std::nullopt);
    EXPECT_EQ(dialogs.AskText("Jump To Time", "0:30"), std::optional<std::string>("1:00"));
    EXPECT_EQ(dialogs.AskText("Jump To Time", ""), std::nullopt);
    EXPECT_EQ(dialogs.AskText("Jump To Time", ""), std::nullopt);
    ASSERT_EQ(dialogs.Texts().size(), 3u);
    EXPECT_EQ(dialogs.Texts()[0].title, "Jump To Time");
    EXPECT_EQ(dialogs.Texts()[0].initial, "0:30");
}

TEST(DevDialogs, SetDialogsOverrideEveryBackend) {
    HeadlessDevDialogs mine;
    SetDevDialogs(&mine);
    EXPECT_EQ(&GetDevDialogs(BackendKind::Headless), &mine);
    EXPECT_EQ(&GetDevDialogs(BackendKind::Sdl), &mine);
    SetDevDialogs(nullptr);
    DevDialogs& headless = GetDevDialogs(BackendKind::Headless);
    EXPECT_NE(&headless, &mine);
    EXPECT_EQ(&GetDevDialogs(BackendKind::Headless), &headless);
    EXPECT_NE(dynamic_cast<HeadlessDevDialogs*>(MakeDevDialogs(BackendKind::Headless).get()),
              nullptr);
}

}  // namespace
}  // namespace platform
