#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "concurrency/Handoff.h"
#include "concurrency/Worker.h"
#include "io/MessageError.h"
#include "support/TestHelpers.h"

using concurrency::Route;

namespace {

// Hands 1..count over to a consumer on a helper that takes each item until
// `failAt` (0: never fails); what the consumer saw, and what put and drain
// answered, as one line.
std::string handOff(int count, int failAt) {
    concurrency::Handoff<int> handoff;
    std::vector<int> seen;
    concurrency::Worker consumer;
    if (!consumer.start(Route::Helped, [&] {
            handoff.serve([&](int& item) {
                seen.push_back(item);
                return item != failAt;
            });
        })) {
        return "no thread";
    }
    std::string refused;
    for (int i = 1; i <= count; ++i) {
        int item = i;
        if (!handoff.put(item)) {
            refused = " refused from " + std::to_string(i);
            break;
        }
    }
    const bool drained = handoff.drain();
    handoff.close();
    consumer.join();
    std::string line;
    for (const int item : seen) line += std::to_string(item) + ",";
    return line + refused + (drained ? " drained" : " failed");
}

// The consumer holds item 1 until the hand-off is closed, with item 2
// waiting in the slot: what the consumer saw.
std::string closeWithAnItemQueued() {
    concurrency::Handoff<int> handoff;
    std::atomic<bool> closed{false};
    std::string seen;
    seen.reserve(16);
    concurrency::Worker consumer;
    if (!consumer.start(Route::Helped, [&] {
            handoff.serve([&](int& item) {
                while (!closed.load()) std::this_thread::yield();
                seen += std::to_string(item) + ",";
                return true;
            });
        })) {
        return "no thread";
    }
    int first = 1, second = 2;
    (void)handoff.put(first);
    (void)handoff.put(second); // taken only once the consumer is done with 1
    handoff.close();
    closed = true;
    consumer.join();
    return seen;
}

} // namespace

TEST(Concurrency, HelpersAndTheHandOff) {
    if (!tests::helperThreadsRun()) GTEST_SKIP() << "no helper thread here: the Windows build runs on one thread";
    struct Row {
        std::string label;
        std::function<std::string()> run;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"a join raises what the work raised",
         [] {
             concurrency::Worker worker;
             if (!worker.start(Route::Helped, [] { throw io::MessageError("from the helper"); })) return std::string();
             return tests::failureText([&] { worker.join(); });
         },
         "from the helper"},
        {"the one-thread route starts nothing, and the work has not run",
         [] {
             bool ran = false;
             concurrency::Worker worker;
             const bool started = worker.start(Route::OneThread, [&] { ran = true; });
             worker.join();
             return std::string(started ? "started" : "not started") + (ran ? ", ran" : "");
         },
         "not started"},
        {"closing with an item queued delivers it", [] { return closeWithAnItemQueued(); }, "1,2,"},
        {"the hand-off keeps order", [] { return handOff(50, 0); },
         "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,"
         "38,39,40,41,42,43,44,45,46,47,48,49,50, drained"},
        // The consumer fails at 3: at most one item more is taken (and dropped
        // unseen), then putting is refused and draining reports the failure.
        {"a failing consumer ends it cleanly",
         [] {
             const std::string line = handOff(50, 3);
             return line.rfind("1,2,3, refused from ", 0) == 0 && line.size() < 30 ? line.substr(line.size() - 7)
                                                                                   : line;
         },
         " failed"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.run(), row.expected) << row.label;
}
