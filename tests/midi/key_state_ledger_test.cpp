// What a JACK input delivers after its ring filled: exactly the messages that bring the keys
// and controllers from what it delivered to what the sender left.
#include "midi/key_state_ledger.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvara::midi {
namespace {

using Message = KeyStateLedger::Message;

struct Step {
    Message message;
    enum { Delivered, Lost, Unseen } fate;  // Unseen: lost before it could be recorded
};

struct LedgerCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<Message> reconciled;
};

TEST(KeyStateLedger, DeliversTheStateTheSenderLeftAfterMessagesWereLost) {
    const LedgerCase cases[] = {
        {"a lost release is delivered, on the last channel too",
         {{{0x9F, 60, 100}, Step::Delivered}, {{0x8F, 60, 0}, Step::Lost}},
         {{0x8F, 60, 0}}},
        {"a note-on of velocity 0 is a release",
         {{{0x92, 60, 100}, Step::Delivered}, {{0x92, 60, 0}, Step::Lost}},
         {{0x82, 60, 0}}},
        {"a key struck and still held sounds at its last velocity",
         {{{0x90, 61, 90}, Step::Lost}, {{0x80, 61, 0}, Step::Lost}, {{0x90, 61, 30}, Step::Lost}},
         {{0x90, 61, 30}}},
        {"struck and released while lost: nothing",
         {{{0x90, 62, 90}, Step::Lost}, {{0x80, 62, 0}, Step::Lost}},
         {}},
        {"a controller takes its last value",
         {{{0xB0, 64, 127}, Step::Delivered}, {{0xB0, 64, 0}, Step::Lost}},
         {{0xB0, 64, 0}}},
        {"after messages lost unseen every key held is released",
         {{{0x90, 60, 100}, Step::Delivered},
          {{0xB0, 7, 90}, Step::Delivered},
          {{0x91, 61, 80}, Step::Delivered},
          {{}, Step::Unseen}},
         {{0x80, 60, 0}, {0x81, 61, 0}}},
    };
    for (const LedgerCase& c : cases) {
        SCOPED_TRACE(c.name);
        KeyStateLedger ledger;
        uint64_t lost = 0;
        for (const Step& step : c.steps) {
            if (step.fate == Step::Unseen) {
                ledger.release_held_keys();
                continue;
            }
            ledger.record(step.message);
            if (step.fate == Step::Lost) {
                ledger.lost();
                ++lost;
            } else {
                ledger.delivered(step.message);
            }
        }
        EXPECT_EQ(ledger.reconcile(), c.reconciled);
        EXPECT_EQ(ledger.merged(), lost);
        EXPECT_TRUE(ledger.reconcile().empty()) << "the state was already delivered";
    }
}

}  // namespace
}  // namespace kelvara::midi
