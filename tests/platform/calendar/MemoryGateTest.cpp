#include "platform/files/MemoryGate.h"

#include <QElapsedTimer>
#include <barrier>
#include <future>
#include <gtest/gtest.h>
#include <vector>

using namespace platform;

namespace {

constexpr auto longestWait = std::chrono::minutes(5);

// A process of `budget` bytes whose parses use what the test says they use, as the kernel would count it.
struct Process
{
    explicit Process(qint64 budget)
        : budget(budget)
    { }

    const qint64 budget;
    std::atomic<qint64> used = 0;
    std::atomic<bool> abandoned = false;
    std::atomic<int> measures = 0;
    MemoryGate gate { [this] {
        ++measures;
        return std::optional(budget - used.load());
    } };
};

// A parse as a calendar file's read goes: a first share for its text, then the whole once the text tells it, and
// when the whole does not fit beside the others, its text freed and all of it waited for, holding nothing.
MemoryGate::Answer parse(Process& process, qint64 first, qint64 text, qint64 whole, std::barrier<>& allRead)
{
    MemoryGate::Answer answer = process.gate.reserve(first, &process.abandoned);
    if (answer != MemoryGate::Answer::reserved) {
        allRead.arrive_and_drop();
        return answer;
    }
    process.used += text;
    allRead.arrive_and_wait();
    if (!process.gate.resize(first, whole)) {
        process.used -= text;
        process.gate.release(first);
        answer = process.gate.reserve(whole, &process.abandoned);
        if (answer != MemoryGate::Answer::reserved)
            return answer;
        process.used += text;
        EXPECT_TRUE(process.gate.resize(whole, whole));
    }
    process.used += whole - text;
    process.used -= whole;
    process.gate.release(whole);
    return answer;
}

} // namespace

// Parses that each fit alone but not side by side take turns: while any of them holds memory, none of them is told
// that it cannot fit even alone, and none waits for another that waits too.
TEST(MemoryGateTest, ParsesThatFitOnlyAloneTakeTurns)
{
    const struct
    {
        const char* name;
        qint64 budget;
        int parses;
        qint64 whole;
        MemoryGate::Answer answer;
    } rows[] = {
        // With the texts of the others still in memory, no whole parse would fit.
        { "each fits alone", 1000, 3, 800, MemoryGate::Answer::reserved },
        { "many fit alone", 2000, 8, 1500, MemoryGate::Answer::reserved },
        { "none fits alone", 700, 3, 800, MemoryGate::Answer::tooLarge },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Process process(row.budget);
        // Every parse holds its first share and its text before any grows: the grows meet at once.
        std::barrier allRead(row.parses);
        std::vector<std::future<MemoryGate::Answer>> parses;
        for (int i = 0; i < row.parses; ++i) {
            parses.push_back(
                std::async(std::launch::async, [&] { return parse(process, 150, 100, row.whole, allRead); }));
        }
        for (auto& parse : parses) {
            if (parse.wait_for(longestWait) != std::future_status::ready) {
                ADD_FAILURE() << "a parse waits for good";
                process.abandoned = true;
                process.gate.interrupt();
            }
        }
        for (auto& parse : parses)
            EXPECT_EQ(parse.get(), row.answer);
        EXPECT_EQ(process.used, 0);
    }
}

// However much is free, a large parse waits for the one under way; small ones go on beside it.
TEST(MemoryGateTest, LargeParsesTakeTurnsWithPlentyFree)
{
    Process process(qint64(1) << 40);
    ASSERT_EQ(process.gate.reserve(MemoryGate::largeParse), MemoryGate::Answer::reserved);
    EXPECT_EQ(process.gate.reserve(MemoryGate::largeParse, nullptr, QDeadlineTimer(0)), MemoryGate::Answer::later);
    EXPECT_EQ(process.gate.reserve(1024, nullptr, QDeadlineTimer(0)), MemoryGate::Answer::reserved);
    EXPECT_FALSE(process.gate.resize(1024, MemoryGate::largeParse));
    process.gate.release(MemoryGate::largeParse);
    EXPECT_EQ(process.gate.reserve(MemoryGate::largeParse, nullptr, QDeadlineTimer(0)), MemoryGate::Answer::reserved);
}

// A read of thousands of small files does not open the control group's files for each: one figure stands for a
// while, and a read starts with a fresh one.
TEST(MemoryGateTest, MeasuresAtMostEveryTenthOfASecond)
{
    Process process(1000);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(process.gate.reserve(10), MemoryGate::Answer::reserved);
        process.gate.release(10);
    }
    EXPECT_LE(process.measures, 1 + elapsed.elapsed() / 100);

    const int before = process.measures;
    process.gate.measureAgain();
    ASSERT_EQ(process.gate.reserve(10), MemoryGate::Answer::reserved);
    EXPECT_EQ(process.measures, before + 1);
}

// A parse that waits for memory another holds waits until it is released, and stops as soon as it is abandoned.
TEST(MemoryGateTest, AWaitEndsWithARelease)
{
    const struct
    {
        const char* name;
        qint64 cost;
        bool abandon;
        bool mustRead;
        MemoryGate::Answer answer;
    } rows[] = {
        { "fits once released", 600, false, false, MemoryGate::Answer::reserved },
        { "cannot fit even then", 1200, false, false, MemoryGate::Answer::tooLarge },
        { "abandoned", 600, true, false, MemoryGate::Answer::abandoned },
        // Our own device file: it goes, and every other parse waits for it.
        { "must be read though it cannot fit", 1200, false, true, MemoryGate::Answer::reserved },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Process process(1000);
        ASSERT_EQ(process.gate.reserve(500, nullptr), MemoryGate::Answer::reserved);
        auto waiting = std::async(std::launch::async, [&] {
            return row.mustRead ? process.gate.reserveEvenAlone(row.cost, &process.abandoned)
                                : process.gate.reserve(row.cost, &process.abandoned);
        });
        if (row.abandon) {
            process.abandoned = true;
            process.gate.interrupt();
        } else {
            process.gate.release(500);
        }
        ASSERT_EQ(waiting.wait_for(longestWait), std::future_status::ready);
        EXPECT_EQ(waiting.get(), row.answer);
        if (row.mustRead) {
            EXPECT_EQ(process.gate.reserve(1, nullptr, QDeadlineTimer(0)), MemoryGate::Answer::later);
        }
    }
}
