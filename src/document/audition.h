#pragma once
// Audition: the window's sound without a keyboard. A press in the graph plays the interval
// under the pointer (the base tone and the tone at base × ratio, both with the document's
// timbre) until the button is let go, and a drag glides the upper tone; a chord-map or scale
// row plays its chord the same way. One thing sounds at a time: starting another ends the
// one before.
//
// Threads: the user-interface thread.
#include <cstdint>
#include <vector>

#include "document/instruments.h"

namespace kelvara {

class Audition {
public:
    // `instruments` must outlive the audition.
    explicit Audition(Instruments& instruments) : instruments_(instruments) {}
    ~Audition() { release(); }
    Audition(const Audition&) = delete;
    Audition& operator=(const Audition&) = delete;

    // The base tone at `base_hz` and the interval's upper tone at base_hz × ratio. A ratio
    // or base that gives no playable frequency plays what it can.
    void press(double base_hz, double ratio);
    // Glides the interval's upper tone to base_hz × ratio (the base of the press).
    void move(double ratio);
    // Tones at these frequencies (a chord); nothing glides.
    void play(const std::vector<float>& frequencies_hz);
    // Silences what sounds.
    void release();
    bool sounding() const { return !ids_.empty(); }

private:
    Instruments& instruments_;
    std::vector<int32_t> ids_;
    double base_hz_ = 0.0;
    float upper_started_hz_ = 0.0f;  // 0: nothing to glide
};

}  // namespace kelvara
