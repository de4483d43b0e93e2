#include "engine/adaptive_tuning.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <optional>
#include <string>

#include "engine/curve_definition.h"
#include "engine/roughness_terms.h"

// The search is block coordinate descent. A block is one note, or a set of notes whose
// partials coincide at the current tuning (moving one of them alone would break the
// coincidence, so they also move together). Along a block the dissonance is a function of one
// offset t in cents, smooth between the offsets where a partial of the block meets one outside
// it (the cusps, known exactly). The 1-D search walks downhill from cusp to cusp, stops on a
// cusp where the one-sided slopes change sign, and finds a smooth minimum between two cusps by
// bisecting the slope, so a cusp is reached exactly and never approached by small steps. A
// minimum that a small rise separates from a deeper one is passed over (min_prominence).
// Sweeps repeat until no block moves.

namespace kelvara {
namespace {

namespace rt = roughness_terms;

constexpr double kCentsPerOctave = 1200.0;
constexpr double kLnTwoPerCent = std::numbers::ln2 / kCentsPerOctave;
// Two partials closer than this are the same cusp: far below any pitch anyone hears, far
// above the rounding of a frequency computed from cents.
constexpr double kCoincidentCents = 1e-7;
// Pairs that stay below this fraction of the strongest pair's greatest roughness cannot move
// a minimum by anything anyone hears.
constexpr double kNegligibleShare = 1e-12;
// The greatest value of e^(−3.5 s) − e^(−5.75 s), at s = ln(5.75/3.5)/2.25.
constexpr double kPeakTerm = 0.18098;
constexpr double kCoincidentRatio = kCoincidentCents * kLnTwoPerCent;
constexpr int32_t kMaxRootSteps = 100;
constexpr int32_t kMaxSweeps = 200;
constexpr double kSettledCents = 1e-9;
// Offsets from a minimum at which a deeper one is looked for, in cents.
constexpr double kProbeCents[] = {0.25, 0.5, 1, 2, 4, 7, 11, 16, 22, 30, 40, 55, 75, 100};

double cents_between(double from_hz, double to_hz) {
    return kCentsPerOctave * std::log2(to_hz / from_hz);
}

struct Sounding {
    double nominal_hz;
    double amplitude;
    int32_t note;  // the note it belongs to, or -1 for a context tone
};

// The notes that move together along one offset, and how far they may.
struct Block {
    std::vector<bool> member;  // by note
    double lowest = 0.0;       // offsets allowed
    double highest = 0.0;
};

// The changing part of the dissonance along a block at one offset, and its slopes from below
// and from above, which differ only at a cusp.
struct AlongPoint {
    double value = 0.0;
    double slope_below = 0.0;
    double slope_above = 0.0;
    double slope(int side) const { return side > 0 ? slope_above : slope_below; }
};

// e^(−3.5 s) − e^(−5.75 s) and its derivative from one exponential: the rates are 14 and 23
// quarters, so both factors are powers of e^(−s/4). A few ulps from the two-exponential form,
// far below a thousandth of a cent, at half the cost in the descent's inner loop.
roughness_terms::Term term_from_powers(double s) {
    const double u = std::exp(-0.25 * s);
    const double u2 = u * u, u4 = u2 * u2, u8 = u4 * u4, u16 = u8 * u8;
    const double first = u8 * u4 * u2;        // u^14
    const double second = u16 * u4 * u2 * u;  // u^23
    return {first - second, 5.75 * second - 3.5 * first};
}

// The pairs whose roughness changes when a block moves: a partial of the block (at its
// current pitch, scaled by the move) against one outside it or another of the block's. Pairs
// that stay negligible over the whole range the block may move are left out.
class BlockPairs {
public:
    struct Pair {
        double mover_hz;
        double other_hz;
        double weight;
        bool other_moves;
    };

    BlockPairs(std::vector<Pair> pairs, const Block& block) : pairs_(std::move(pairs)) {
        for (const Pair& pair : pairs_) {
            if (pair.other_moves) continue;
            const double offset = cents_between(pair.mover_hz, pair.other_hz);
            if (offset >= block.lowest && offset <= block.highest) cusps_.push_back(offset);
        }
        std::sort(cusps_.begin(), cusps_.end());
        cusps_.erase(std::unique(cusps_.begin(), cusps_.end(),
                                 [](double a, double b) { return b - a < kCoincidentCents; }),
                     cusps_.end());
    }

    // The offsets within the block's range where one of its partials meets one outside it.
    const std::vector<double>& cusps() const { return cusps_; }

    AlongPoint at(double t) const {
        const double scale = std::exp2(t / kCentsPerOctave);
        double value = 0.0, below = 0.0, above = 0.0;
        for (const Pair& pair : pairs_) {
            const double mover = pair.mover_hz * scale;
            const double other = pair.other_moves ? pair.other_hz * scale : pair.other_hz;
            const bool mover_lower = mover < other;
            const double lower = std::min(mover, other);
            const double upper = std::max(mover, other);
            const double gap = upper - lower;
            const double bandwidth = rt::kBandwidthSlope * lower + rt::kBandwidthOffset;
            const double per_bandwidth = 1.0 / bandwidth;
            const rt::Term term = term_from_powers(rt::kNumerator * gap * per_bandwidth);
            value += pair.weight * term.value;
            // d s/d t for the ordering the frequencies have, and, where the two partials
            // coincide, for the other one: the two sides of the cusp are exactly its branches.
            const auto slope_of = [&](bool lower_moves, bool upper_moves) {
                const double lower_per_t = lower_moves ? lower * kLnTwoPerCent : 0.0;
                const double upper_per_t = upper_moves ? upper * kLnTwoPerCent : 0.0;
                return pair.weight * term.slope * rt::kNumerator *
                       ((upper_per_t - lower_per_t) * bandwidth -
                        gap * rt::kBandwidthSlope * lower_per_t) *
                       per_bandwidth * per_bandwidth;
            };
            if (pair.other_moves) {
                const double both = slope_of(true, true);
                below += both, above += both;
            } else if (gap < upper * kCoincidentRatio) {
                below += slope_of(true, false);  // coming from below, the mover is lower
                above += slope_of(false, true);
            } else {
                const double one = slope_of(mover_lower, !mover_lower);
                below += one, above += one;
            }
        }
        return {2.0 * value, 2.0 * below, 2.0 * above};
    }

private:
    std::vector<Pair> pairs_;
    std::vector<double> cusps_;
};

class ChordModel {
public:
    ChordModel(const ChordToAdapt& chord, const AdaptationSettings& settings)
        : model_(chord.model), cents_(chord.nominal_hz.size(), 0.0) {
        for (size_t n = 0; n < chord.nominal_hz.size(); ++n)
            add_tone(chord, chord.nominal_hz[n], int32_t(n));
        for (const double hz : chord.context_hz) add_tone(chord, hz, -1);
        double strongest = 0.0;
        for (const Sounding& a : partials_)
            strongest = std::max(strongest, pair_weight(a.amplitude, a.amplitude, model_));
        negligible_ = kNegligibleShare * kPeakTerm * strongest;
        nominal_total_ = total();
        spring_per_cent2_ = settings.anchor == TuningAnchor::Spring
                                ? settings.spring_weight * nominal_total_ / (100.0 * 100.0)
                                : 0.0;
    }

    const std::vector<double>& cents() const { return cents_; }
    // The dissonance of all partials at the keys' own pitches.
    double nominal_total() const { return nominal_total_; }
    void move(const Block& block, double offset) {
        for (size_t n = 0; n < cents_.size(); ++n)
            if (block.member[n]) cents_[n] += offset;
    }

    // Every ordered pair of partials at the current tuning.
    double total() const {
        const std::vector<double> now = current_hz();
        double sum = 0.0;
        for (size_t p = 0; p < partials_.size(); ++p)
            for (size_t q = p + 1; q < partials_.size(); ++q) {
                const double lower = std::min(now[p], now[q]), upper = std::max(now[p], now[q]);
                sum += 2.0 * weight(p, q) *
                       rt::term(std::max(0.0, rt::separation(lower, upper))).value;
            }
        return sum;
    }

    BlockPairs pairs_of(const Block& block) const {
        const std::vector<double> now = current_hz();
        std::vector<BlockPairs::Pair> pairs;
        const double low = std::exp2(block.lowest / kCentsPerOctave);
        const double high = std::exp2(block.highest / kCentsPerOctave);
        for (size_t p = 0; p < partials_.size(); ++p) {
            if (!moves(p, block)) continue;
            for (size_t q = 0; q < partials_.size(); ++q) {
                const bool q_moves = moves(q, block);
                if (q == p || (q_moves && q < p)) continue;
                const BlockPairs::Pair pair{now[p], now[q], weight(p, q), q_moves};
                if (!negligible(pair, low, high)) pairs.push_back(pair);
            }
        }
        return BlockPairs(std::move(pairs), block);
    }

    // The changing part of the dissonance along the block, with the spring's pull.
    AlongPoint along(const Block& block, const BlockPairs& pairs, double t) const {
        AlongPoint point = pairs.at(t);
        for (size_t n = 0; n < cents_.size(); ++n) {
            if (!block.member[n]) continue;
            const double c = cents_[n] + t;
            point.value += spring_per_cent2_ * c * c;
            point.slope_below += spring_per_cent2_ * 2.0 * c;
            point.slope_above += spring_per_cent2_ * 2.0 * c;
        }
        return point;
    }

    // Notes whose partials coincide now, joined: each set of two or more is a block candidate.
    std::vector<std::vector<bool>> locked_sets() const {
        const std::vector<double> now = current_hz();
        const size_t notes = cents_.size();
        std::vector<size_t> root(notes);
        std::iota(root.begin(), root.end(), size_t{0});
        const auto find = [&](size_t n) {
            while (root[n] != n) n = root[n] = root[root[n]];
            return n;
        };
        for (size_t p = 0; p < partials_.size(); ++p)
            for (size_t q = p + 1; q < partials_.size(); ++q) {
                const int32_t a = partials_[p].note, b = partials_[q].note;
                if (a < 0 || b < 0 || a == b || weight(p, q) <= negligible_) continue;
                if (std::fabs(now[p] - now[q]) < now[q] * kCoincidentRatio)
                    root[find(size_t(a))] = find(size_t(b));
            }
        std::vector<std::vector<bool>> sets;
        for (size_t r = 0; r < notes; ++r) {
            std::vector<bool> member(notes, false);
            size_t count = 0;
            for (size_t n = 0; n < notes; ++n)
                if (find(n) == r) member[n] = true, ++count;
            if (count >= 2) sets.push_back(std::move(member));
        }
        return sets;
    }

private:
    void add_tone(const ChordToAdapt& chord, double fundamental_hz, int32_t note) {
        for (const Partial& p : chord.partials)
            if (p.amplitude > 0.0)
                partials_.push_back({fundamental_hz * p.ratio, p.amplitude, note});
    }
    bool moves(size_t p, const Block& block) const {
        return partials_[p].note >= 0 && block.member[size_t(partials_[p].note)];
    }
    double weight(size_t p, size_t q) const {
        return pair_weight(partials_[p].amplitude, partials_[q].amplitude, model_);
    }
    std::vector<double> current_hz() const {
        std::vector<double> hz(partials_.size());
        for (size_t p = 0; p < partials_.size(); ++p) {
            const Sounding& s = partials_[p];
            const double cents = s.note >= 0 ? cents_[size_t(s.note)] : 0.0;
            hz[p] = s.nominal_hz * std::exp2(cents / kCentsPerOctave);
        }
        return hz;
    }
    // Whether the pair stays below the negligible level wherever the block may move: its
    // separation is monotonic in the move, so it is least at an end of the range unless the
    // partials cross inside it.
    bool negligible(const BlockPairs::Pair& pair, double low, double high) const {
        if (pair.weight * kPeakTerm <= negligible_) return true;
        const auto separation_at = [&](double scale) {
            const double mover = pair.mover_hz * scale;
            const double other = pair.other_moves ? pair.other_hz * scale : pair.other_hz;
            return rt::separation(std::min(mover, other), std::max(mover, other));
        };
        if (!pair.other_moves &&
            (pair.mover_hz * low - pair.other_hz) * (pair.mover_hz * high - pair.other_hz) <= 0.0)
            return false;
        const double least = std::min(separation_at(low), separation_at(high));
        return pair.weight * rt::term(least).value <= negligible_;
    }

    RoughnessModel model_;
    std::vector<Sounding> partials_;
    std::vector<double> cents_;
    double negligible_ = 0.0;
    double spring_per_cent2_ = 0.0;
    double nominal_total_ = 0.0;
};

// The local minimum along the block reached by walking downhill from offset t.
double descend(const ChordModel& chord, const Block& block, const BlockPairs& pairs, double t) {
    const std::vector<double>& cusps = pairs.cusps();
    // The walk asks for both sides of a cusp in turn: the last point is kept.
    double last_t = NAN;
    AlongPoint last;
    const auto slope = [&](double u, int side) {
        if (!(u == last_t)) last = chord.along(block, pairs, u), last_t = u;
        return last.slope(side);
    };
    for (;;) {
        int direction = 0;
        if (t < block.highest && slope(t, +1) < 0.0)
            direction = +1;
        else if (t > block.lowest && slope(t, -1) > 0.0)
            direction = -1;
        if (direction == 0) return t;
        // The next cusp (or end of the range) in that direction.
        double next = direction > 0 ? block.highest : block.lowest;
        if (direction > 0) {
            const auto it = std::upper_bound(cusps.begin(), cusps.end(), t + kCoincidentCents);
            if (it != cusps.end()) next = std::min(next, *it);
        } else {
            const auto it = std::lower_bound(cusps.begin(), cusps.end(), t - kCoincidentCents);
            if (it != cusps.begin()) next = std::max(next, *std::prev(it));
        }
        const double arriving = direction * slope(next, -direction);
        if (arriving < 0.0) {
            t = next;  // still downhill on arriving there
            continue;
        }
        // The slope turns between two cusps, where the curve is smooth: find its zero by
        // regula falsi with the Illinois step, which keeps the bracket and converges fast.
        double a = t, b = next;
        double ga = direction * slope(t, direction), gb = arriving;
        int kept_side = 0;
        for (int i = 0; i < kMaxRootSteps && std::fabs(b - a) > kSettledCents; ++i) {
            const double c = b - gb * (b - a) / (gb - ga);
            const double gc = direction * slope(c, direction);
            if (gc < 0.0) {
                a = c, ga = gc;
                if (kept_side == -1) gb *= 0.5;
                kept_side = -1;
            } else {
                b = c, gb = gc;
                if (kept_side == +1) ga *= 0.5;
                kept_side = +1;
            }
            if (gc == 0.0) return c;
        }
        return 0.5 * (a + b);
    }
}

// The minimum reached from offset 0, passing over those too shallow to hear.
double settle(const ChordModel& chord, const Block& block, double shallow) {
    const BlockPairs pairs = chord.pairs_of(block);
    const auto value = [&](double u) { return chord.along(block, pairs, u).value; };
    double t = descend(chord, block, pairs, 0.0);
    for (;;) {
        const double here = value(t);
        std::optional<double> deeper;
        double deepest = here;
        for (const int side : {-1, +1}) {
            double rise = 0.0;
            for (const double d : kProbeCents) {
                const double u = t + side * d;
                if (u < block.lowest || u > block.highest) break;
                const double at = value(u);
                rise = std::max(rise, at - here);
                if (rise >= shallow) break;  // whatever lies beyond is not shallow
                if (at < deepest) deeper = u, deepest = at;
                if (at < here) break;
            }
        }
        if (!deeper) return t;
        t = descend(chord, block, pairs, *deeper);
    }
}

Block block_of(const ChordModel& chord, std::vector<bool> member, double max_move) {
    Block block{std::move(member), -max_move, max_move};
    for (size_t n = 0; n < block.member.size(); ++n)
        if (block.member[n]) {
            block.lowest = std::max(block.lowest, -max_move - chord.cents()[n]);
            block.highest = std::min(block.highest, max_move - chord.cents()[n]);
        }
    return block;
}

std::optional<std::string> refusal(const ChordToAdapt& chord, const AdaptationSettings& s) {
    const auto bad_hz = [](double hz) {
        return !std::isfinite(hz) || hz <= 0.0 || hz > kMaxCurveBaseHz;
    };
    if (chord.nominal_hz.empty()) return "There are no notes to tune.";
    if (chord.nominal_hz.size() > size_t(kMaxAdaptedNotes))
        return "At most " + std::to_string(kMaxAdaptedNotes) + " notes can be tuned together.";
    if (chord.context_hz.size() > size_t(kMaxCurveFixedTones))
        return "At most " + std::to_string(kMaxCurveFixedTones) + " context tones can sound.";
    if (std::any_of(chord.nominal_hz.begin(), chord.nominal_hz.end(), bad_hz) ||
        std::any_of(chord.context_hz.begin(), chord.context_hz.end(), bad_hz))
        return "A note's frequency must be a number above 0 Hz.";
    CurveDefinition timbre;
    timbre.partials = chord.partials;
    if (auto checked = check_curve_definition(timbre); !checked) return checked.error().reason;
    if (!(s.max_move_cents > 0.0 && s.max_move_cents <= kCentsPerOctave))
        return "The largest move must be above 0 and at most 1200 cents.";
    if (!(s.min_prominence >= 0.0 && s.min_prominence <= 1.0))
        return "The prominence must be from 0 to 1 of the chord's dissonance.";
    if (!(s.spring_weight >= 0.0 && std::isfinite(s.spring_weight)))
        return "The spring's weight must be a number from 0 up.";
    return std::nullopt;
}

}  // namespace

double chord_dissonance(const std::vector<double>& hz, const std::vector<Partial>& partials,
                        RoughnessModel model) {
    return ChordModel({hz, partials, model, {}}, {}).total();
}

Result<AdaptedChord> adapt_chord(const ChordToAdapt& chord, const AdaptationSettings& settings) {
    if (auto reason = refusal(chord, settings))
        return Error{ErrorKind::Refused, 0, "The chord cannot be tuned.", *reason, {}, {}};
    ChordModel model(chord, settings);
    const size_t notes = chord.nominal_hz.size();
    const size_t lowest =
        size_t(std::min_element(chord.nominal_hz.begin(), chord.nominal_hz.end()) -
               chord.nominal_hz.begin());
    // Context tones never move, so they hold the chord's pitch themselves: with them the
    // lowest note is free to settle against them, and no shift to the mean is made.
    const bool has_context = !chord.context_hz.empty();
    const bool anchored = settings.anchor != TuningAnchor::Spring && !has_context;
    AdaptedChord adapted;
    adapted.dissonance_before = model.nominal_total();
    // Shallow is measured against the chord as played, so it does not change as it settles.
    const double shallow = settings.min_prominence * adapted.dissonance_before;
    for (int32_t sweep = 0; sweep < kMaxSweeps; ++sweep) {
        std::vector<std::vector<bool>> sets;
        for (size_t n = 0; n < notes; ++n)
            if (!(anchored && n == lowest)) {
                std::vector<bool> one(notes, false);
                one[n] = true;
                sets.push_back(std::move(one));
            }
        for (auto& locked : model.locked_sets())
            if (!(anchored && locked[lowest])) sets.push_back(std::move(locked));
        double moved = 0.0;
        for (const std::vector<bool>& set : sets) {
            const Block block = block_of(model, set, settings.max_move_cents);
            const double offset = settle(model, block, shallow);
            model.move(block, offset);
            moved = std::max(moved, std::fabs(offset));
        }
        if (moved < kSettledCents) break;
    }
    adapted.moved_cents = model.cents();
    if (settings.anchor == TuningAnchor::MeanPitch && !has_context) {
        // The intervals found with the lowest note held, shifted as a whole so that the mean
        // log-pitch is the keys' own.
        const double mean =
            std::accumulate(adapted.moved_cents.begin(), adapted.moved_cents.end(), 0.0) /
            double(notes);
        for (double& c : adapted.moved_cents) c -= mean;
    }
    for (size_t n = 0; n < notes; ++n)
        adapted.adapted_hz.push_back(chord.nominal_hz[n] *
                                     std::exp2(adapted.moved_cents[n] / kCentsPerOctave));
    adapted.dissonance_after = chord_dissonance(
        [&] {
            std::vector<double> all = adapted.adapted_hz;
            all.insert(all.end(), chord.context_hz.begin(), chord.context_hz.end());
            return all;
        }(),
        chord.partials, chord.model);
    return adapted;
}

}  // namespace kelvara
