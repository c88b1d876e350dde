#include <thread>

#include <gtest/gtest.h>

#include "isolated_home.h"
#include "start_up.h"
#include "thread_priority.h"

namespace trimora::app {
namespace {

struct SwitchCase {
    const char* CommandLine;
    StartSwitch Expected;
    friend void PrintTo(const SwitchCase& c, std::ostream* out) { *out << '"' << c.CommandLine << '"'; }
};

class StartSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(StartSwitches, AreSubstringTestsOnTheWholeCommandLine) {
    EXPECT_EQ(FindStartSwitch(GetParam().CommandLine), GetParam().Expected) << GetParam().CommandLine;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, StartSwitches,
                         testing::Values(SwitchCase{"/usr/bin/trimora", StartSwitch::None},
                                         SwitchCase{"/usr/bin/trimora list.lst /c", StartSwitch::None},
                                         SwitchCase{"/usr/bin/trimora /restore", StartSwitch::Restore},
                                         SwitchCase{"/usr/bin/trimora /RESTORE", StartSwitch::Restore},
                                         SwitchCase{"/usr/bin/trimora /Restore", StartSwitch::Restore},
                                         SwitchCase{"/usr/bin/trimora x/restorex", StartSwitch::Restore},
                                         SwitchCase{"/usr/bin/trimora /restore /RESET", StartSwitch::RestoreReset},
                                         SwitchCase{"/usr/bin/trimora /reset /restore", StartSwitch::RestoreReset},
                                         SwitchCase{"/usr/bin/trimora /reset", StartSwitch::None},
                                         SwitchCase{"/usr/bin/trimora Author", StartSwitch::Author},
                                         SwitchCase{"/usr/bin/trimora author", StartSwitch::None},
                                         SwitchCase{"/usr/bin/trimora AUTHOR", StartSwitch::None},
                                         SwitchCase{"/home/Authors/trimora", StartSwitch::Author},
                                         SwitchCase{"/usr/bin/trimora /restore /reset Author", StartSwitch::Author}));

TEST(InstanceLock, ASecondInstanceStartsAllTheSame) {
    test::IsolatedHome home;
    auto first = std::make_unique<InstanceLock>();
    EXPECT_TRUE(first->Held());
    EXPECT_EQ(first->Path().toStdString(), home / "runtime/Trimora.lock");
    InstanceLock second;
    EXPECT_FALSE(second.Held());
    first.reset();
    InstanceLock third;
    EXPECT_TRUE(third.Held());
}

TEST(ThreadPriority, ANiceValueSetElsewhereReadsAsTheNearestLevel) {
    const std::pair<int, int> table[] = {{19, -15}, {17, -15}, {14, -2}, {3, -1}, {0, 0}, {-8, 2}, {-18, 15}};
    for (const auto& [nice, level] : table) EXPECT_EQ(LevelOfNiceValue(nice), level) << nice;
}

TEST(ThreadPriority, AppliesToTheCallingThreadOnly) {
    const int before = CurrentThreadPriority();
    if (before == -15 && !test::RunningAsRoot()) GTEST_SKIP() << "started at idle priority: cannot go back up";
    int lowered = 99, afterUnknown = 99, afterRaise = 99;
    bool unknownApplied = true;
    std::thread worker([&] {
        ASSERT_TRUE(ApplyThreadPriority(-2));
        lowered = CurrentThreadPriority();
        unknownApplied = ApplyThreadPriority(7);
        afterUnknown = CurrentThreadPriority();
        // Raising needs privileges; without them it fails without a word.
        const bool raised = ApplyThreadPriority(15);
        afterRaise = CurrentThreadPriority();
        EXPECT_EQ(afterRaise, raised ? 15 : -2);
    });
    worker.join();
    EXPECT_EQ(lowered, -2);
    EXPECT_FALSE(unknownApplied);
    EXPECT_EQ(afterUnknown, -2);
    EXPECT_EQ(CurrentThreadPriority(), before);
}

}  // namespace
}  // namespace trimora::app
