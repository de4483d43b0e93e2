// The rtsan build's zero reports mean something only if RealtimeSanitizer really watches the
// functions marked nonblocking: here an allocation and a sleep, calls the audio thread must
// never make, are made inside one, and must end the process with a report.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "base/nonblocking.h"

namespace {

volatile int sink = 0;

void allocate() noexcept KELVARA_NONBLOCKING {
    std::vector<int> block(size_t(sink) + 64);
    sink = block[size_t(sink)];
}

void sleep() noexcept KELVARA_NONBLOCKING {
    std::this_thread::sleep_for(std::chrono::microseconds(1));
}

struct UnsafeCall {
    const char* name;
    void (*call)();
    const char* reported;
};

TEST(RealtimeSanitizer, ReportsWhatTheAudioThreadMustNeverDo) {
#ifndef KELVARA_RTSAN
    GTEST_SKIP() << "RealtimeSanitizer watches only the rtsan build";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const UnsafeCall calls[] = {
        {"allocation", allocate, "`malloc` in real-time context"},
        {"sleep", sleep, "`nanosleep` in real-time context"},
    };
    for (const UnsafeCall& c : calls) {
        SCOPED_TRACE(c.name);
        EXPECT_DEATH(c.call(), c.reported);
    }
}

}  // namespace
