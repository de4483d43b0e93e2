#pragma once
// The key number of the last note-on received, handed from the MIDI receive thread to the
// user-interface thread. The receive thread stores the value and calls the notification with
// it; the window's notification only queues the update onto the user-interface thread (which
// may read `value()` there) and never touches a widget itself.
#include <atomic>
#include <functional>
#include <optional>

namespace kelvara::midi {

class LastPlayedKey {
public:
    // `notify` runs on the MIDI receive thread after every store; it may be empty. It is
    // fixed at construction, so no thread can see it change.
    explicit LastPlayedKey(std::function<void(int key)> notify = {}) : notify_(std::move(notify)) {}

    // Receive thread.
    void store(int key) {
        value_.store(key, std::memory_order_release);
        if (notify_) notify_(key);
    }
    // Any thread: the last key stored, or nothing before the first note-on.
    std::optional<int> value() const {
        const int key = value_.load(std::memory_order_acquire);
        if (key == kNone) return std::nullopt;
        return key;
    }

private:
    static constexpr int kNone = -1;
    std::atomic<int> value_{kNone};
    const std::function<void(int key)> notify_;
};

}  // namespace kelvara::midi
