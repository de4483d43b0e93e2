#include "engine/adaptive_tuning.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <optional>
#include <string>

#include "engine/curve_definition.h"
#include "engine/equal_temperament.h"
#include "engine/moving_pair_sums.h"
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
//
// The search finds its way on a guide and then lands on the model. The guide is the model
// summed in 32-bit floats, eight pairs at a time, without the pairs below a ten-thousandth of
// the strongest pair's weight: a fraction of the cost per point, and the search asks for a
// hundred points or so. From where the guide's search stopped, the model's own walks downhill
// (no probing for deeper minima: the guide did that) land on the exact cusp or smooth
// minimum. Compared over 280 random chords of 2 to 10 notes, every timbre type and anchor,
// the two steps and a search on the model throughout reached the same tuning to a thousandth
// of a cent in all but one (ten notes, keys repeated, a spring), where the two steps found a
// deeper minimum.

namespace kelvara {
namespace {

namespace mps = moving_pair_sums;

constexpr double kCentsPerOctave = 1200.0;
constexpr double kLnTwoPerCent = std::numbers::ln2 / kCentsPerOctave;
// Two partials closer than this are the same cusp: far below any pitch anyone hears, far
// above the rounding of a frequency computed from cents.
constexpr double kCoincidentCents = 1e-7;
// A pair whose roughness stays below this fraction of the strongest pair's weight is left
// out: thousands of them together move a minimum by less than a millionth of a cent.
constexpr double kNegligibleShare = 1e-9;
// The guide leaves out more: it only has to lead to the minimum the model lands on. At a
// ten-thousandth it led to the same minima as at a millionth over the random chords above;
// at a thousandth it no longer did in 5 chords of 210.
constexpr double kGuideNegligibleShare = 1e-4;
constexpr double kCoincidentRatio = kCoincidentCents * kLnTwoPerCent;
constexpr int32_t kMaxRootSteps = 100;
constexpr int32_t kMaxSweeps = 200;
// Deeper minima one walk moves on to at most: far more than a note's range holds.
constexpr int32_t kMaxProbeRounds = 64;
constexpr double kSettledCents = 1e-9;
// Offsets from a minimum at which a deeper one is looked for, in cents.
constexpr double kProbeCents[] = {0.25, 0.5, 1, 2, 4, 7, 11, 16, 22, 30, 40, 55, 75, 100};

struct Sounding {
    double nominal_hz;
    double amplitude;
    int32_t note;  // the note it belongs to, or -1 for a context tone
    double hz;     // at the current tuning
    double reach;  // moving_pair_sums::reach(hz)
    // The separation s* past which its pairs with any partial of the chord are below the
    // negligible level (-1: none ever reaches it).
    double negligible_separation = -1.0;
};

// How a chord model sums its pairs: the guide or the model itself.
enum class Summing { Guide, Exact };

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
    double roughness = 0.0;  // the value without the spring's pull
    double slope_below = 0.0;
    double slope_above = 0.0;
    double slope(int side) const { return side > 0 ? slope_above : slope_below; }
};

// A block's partials split into those that move and those that stay, and the offsets where
// one of the first meets one of the second.
struct BlockPairs {
    mps::MovingSet set;
    std::vector<double> cusps;  // ascending, within the block's range
};

// The chord's partials at the current tuning, kept in ascending order of frequency so that
// any subset of them is a column in order without sorting.
class ChordModel {
public:
    ChordModel(const ChordToAdapt& chord, Summing summing)
        : model_(chord.model), summing_(summing), cents_(chord.nominal_hz.size(), 0.0) {
        for (size_t n = 0; n < chord.nominal_hz.size(); ++n)
            add_tone(chord, chord.nominal_hz[n], int32_t(n));
        for (const double hz : chord.context_hz) add_tone(chord, hz, -1);
        // Tone by tone the partials are far from their order: a stable sort puts them in it
        // as keep_in_order would (equal frequencies in the order given), without its
        // quadratic number of swaps.
        std::stable_sort(partials_.begin(), partials_.end(),
                         [](const Sounding& a, const Sounding& b) { return a.hz < b.hz; });
        double loudest = 0.0;
        for (const Sounding& a : partials_) loudest = std::max(loudest, a.amplitude);
        const double share = summing == Summing::Guide ? kGuideNegligibleShare : kNegligibleShare;
        negligible_weight_ = share * pair_weight(loudest, loudest, model_);
        // Against the loudest partial, the bound of its pairs with any other.
        for (Sounding& a : partials_)
            a.negligible_separation =
                negligible_separation(pair_weight(a.amplitude, loudest, model_)).value_or(-1.0);
    }

    const std::vector<double>& cents() const { return cents_; }
    // The spring's pull on each note: this times the square of its move in cents.
    void set_spring(double per_cent2) { spring_per_cent2_ = per_cent2; }
    // Every note at `cents` from its key's pitch.
    void move_to(const std::vector<double>& cents) {
        for (Sounding& s : partials_)
            if (s.note >= 0) {
                s.hz = s.nominal_hz * std::exp2(cents[size_t(s.note)] / kCentsPerOctave);
                s.reach = mps::reach(s.hz);
            }
        cents_ = cents;
        keep_in_order();
    }
    void move(const Block& block, double offset) {
        std::vector<double> scale(cents_.size(), 1.0);
        for (size_t n = 0; n < cents_.size(); ++n)
            if (block.member[n]) {
                cents_[n] += offset;
                scale[n] = std::exp2(cents_[n] / kCentsPerOctave);
            }
        for (Sounding& s : partials_)
            if (s.note >= 0 && block.member[size_t(s.note)]) {
                s.hz = s.nominal_hz * scale[size_t(s.note)];
                s.reach = mps::reach(s.hz);
            }
        keep_in_order();
    }

    // Every ordered pair of partials at the current tuning, but those too far apart to matter.
    double total() const {
        const auto everything_moves = [](const Sounding&) { return true; };
        mps::MovingSet everything;
        everything.model = model_;
        columns_of(everything_moves, everything.movers);
        everything.stills = mps::make_columns({});
        everything.first_still.assign(everything.movers.hz.size(), 0);
        everything.last_still.assign(everything.movers.hz.size(), 0);
        movers_reached(everything.movers, separations_of(everything_moves), 1.0,
                       everything.last_mover);
        return mps::sum_moving_value(everything, 0.0);
    }

    // The pairs of one block at a time: they are rebuilt in the same storage for each block
    // the search walks, so that a walk allocates nothing once the first has run.
    const BlockPairs& pairs_of(const Block& block) const {
        BlockPairs& pairs = scratch_;
        mps::MovingSet& set = pairs.set;
        set.model = model_;
        std::vector<double>& separations = separations_;
        split_columns(block, set.movers, set.stills, separations);
        set.first_still.clear();
        set.last_still.clear();
        pairs.cusps.clear();
        const std::vector<double>& still_hz = set.stills.hz;
        const auto still_end = still_hz.end() - mps::kPadding;
        const double low = std::exp2(block.lowest / kCentsPerOctave);
        const double high = std::exp2(block.highest / kCentsPerOctave);
        // The movers ascend, so each bound is looked for from where the last one was.
        const int32_t stills = set.stills.size();
        int32_t first_at = 0, last_at = 0, cusps_at = 0;
        set.first_still.reserve(size_t(set.movers.size()));
        set.last_still.reserve(size_t(set.movers.size()));
        for (int32_t i = 0; i < set.movers.size(); ++i) {
            const double m = set.movers.hz[size_t(i)];
            const auto [first, last] = reached_hz(m * low, m * high, separations[size_t(i)]);
            set.first_still.push_back(first_at =
                                          lower_bound_from(still_hz, stills, first_at, first));
            set.last_still.push_back(last_at = upper_bound_from(still_hz, stills, last_at, last));
            // The cusps: still partials the mover reaches within the block's range.
            cusps_at = lower_bound_from(still_hz, stills, cusps_at, m * low);
            for (auto it = still_hz.begin() + cusps_at; it != still_end && *it <= m * high; ++it) {
                const size_t j = size_t(it - still_hz.begin());
                if (pair_weight(set.movers.amplitude[size_t(i)], set.stills.amplitude[j], model_) >
                    negligible_weight_)
                    pairs.cusps.push_back(
                        std::clamp(cents_between(m, *it), block.lowest, block.highest));
            }
        }
        movers_reached(set.movers, separations, low, set.last_mover);
        std::sort(pairs.cusps.begin(), pairs.cusps.end());
        pairs.cusps.erase(std::unique(pairs.cusps.begin(), pairs.cusps.end(),
                                      [](double a, double b) { return b - a < kCoincidentCents; }),
                          pairs.cusps.end());
        return pairs;
    }

    // The changing part of the dissonance along the block, with the spring's pull.
    AlongPoint along(const Block& block, const BlockPairs& pairs, double t) const {
        const mps::Sums sums = summing_ == Summing::Guide ? mps::sum_moving_single(pairs.set, t)
                                                          : mps::sum_moving(pairs.set, t);
        AlongPoint point{sums.value, sums.value, sums.slope_below, sums.slope_above};
        for (size_t n = 0; n < cents_.size(); ++n) {
            if (!block.member[n]) continue;
            const double c = cents_[n] + t;
            point.value += spring_per_cent2_ * c * c;
            point.slope_below += spring_per_cent2_ * 2.0 * c;
            point.slope_above += spring_per_cent2_ * 2.0 * c;
        }
        return point;
    }
    // along(...).value alone, summed in the same order and so the same to the last bit.
    double along_value(const Block& block, const BlockPairs& pairs, double t) const {
        double value = summing_ == Summing::Guide ? mps::sum_moving_value_single(pairs.set, t)
                                                  : mps::sum_moving_value(pairs.set, t);
        for (size_t n = 0; n < cents_.size(); ++n) {
            if (!block.member[n]) continue;
            const double c = cents_[n] + t;
            value += spring_per_cent2_ * c * c;
        }
        return value;
    }

    // Notes whose partials coincide now, joined: each set of two or more is a block candidate.
    // Coinciding partials are neighbours in the chord's order.
    std::vector<std::vector<bool>> locked_sets() const {
        std::vector<const Sounding*> placed;
        for (const Sounding& s : partials_)
            if (s.note >= 0) placed.push_back(&s);
        const size_t notes = cents_.size();
        std::vector<size_t> root(notes);
        std::iota(root.begin(), root.end(), size_t{0});
        const auto find = [&](size_t n) {
            while (root[n] != n) n = root[n] = root[root[n]];
            return n;
        };
        for (size_t p = 0; p < placed.size(); ++p)
            for (size_t q = p + 1; q < placed.size() &&
                                   placed[q]->hz - placed[p]->hz < placed[q]->hz * kCoincidentRatio;
                 ++q)
                if (placed[p]->note != placed[q]->note &&
                    pair_weight(placed[p]->amplitude, placed[q]->amplitude, model_) >
                        negligible_weight_)
                    root[find(size_t(placed[p]->note))] = find(size_t(placed[q]->note));
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
            if (p.amplitude > 0.0) {
                const double hz = fundamental_hz * p.ratio;
                partials_.push_back({hz, p.amplitude, note, hz, mps::reach(hz)});
            }
    }
    // A move shifts a few notes by a few cents: the order changes little, and insertion
    // sorting restores it in about one pass.
    void keep_in_order() {
        for (size_t k = 1; k < partials_.size(); ++k)
            for (size_t j = k; j > 0 && partials_[j].hz < partials_[j - 1].hz; --j)
                std::swap(partials_[j], partials_[j - 1]);
    }
    bool moves(const Sounding& s, const Block& block) const {
        return s.note >= 0 && block.member[size_t(s.note)];
    }
    // The separation s* = ln(weight / negligible) / 3.5 past which a pair of this weight is
    // below the negligible level, or none for a pair that never reaches it.
    std::optional<double> negligible_separation(double weight) const {
        if (!(weight > negligible_weight_)) return std::nullopt;
        return std::log(weight / negligible_weight_) / roughness_terms::kFirstRate;
    }
    // The still frequencies a partial moving between lowest_hz and highest_hz can pair with
    // at a roughness above the negligible level, given its pairs' s* (negative: none does):
    // outside them the separation stays above s* wherever the partial is (it is least at the
    // end of the range nearest the still one).
    static std::pair<double, double> reached_hz(double lowest_hz, double highest_hz, double s) {
        namespace rt = roughness_terms;
        if (s < 0.0) return {INFINITY, -INFINITY};
        const double below = (lowest_hz - s * rt::kBandwidthOffset / rt::kNumerator) /
                             (1.0 + s * rt::kBandwidthSlope / rt::kNumerator);
        return {below, highest_hz + s / mps::reach(highest_hz)};
    }
    // The first of hz[0, count) not below `x`, or above it for upper_bound_from, looked for
    // from `from` in either direction.
    static int32_t lower_bound_from(const std::vector<double>& hz, int32_t count, int32_t from,
                                    double x) {
        while (from > 0 && hz[size_t(from - 1)] >= x) --from;
        while (from < count && hz[size_t(from)] < x) ++from;
        return from;
    }
    static int32_t upper_bound_from(const std::vector<double>& hz, int32_t count, int32_t from,
                                    double x) {
        while (from > 0 && hz[size_t(from - 1)] > x) --from;
        while (from < count && hz[size_t(from)] <= x) ++from;
        return from;
    }
    // For each mover, the end of the movers above it that it pairs with above the negligible
    // level anywhere from `low` times its pitch up: transposed together, a pair's separation
    // (o − m)·scale·reach(m·scale) is least at the lowest scale.
    static void movers_reached(const mps::Columns& movers, const std::vector<double>& separations,
                               double low, std::vector<int32_t>& last) {
        last.clear();
        int32_t at = 0;
        for (int32_t i = 0; i < movers.size(); ++i) {
            const double m = movers.hz[size_t(i)];
            const double s = separations[size_t(i)];
            const double highest = s >= 0.0 ? m + s / (low * mps::reach(m * low)) : m;
            at = std::max(i + 1, upper_bound_from(movers.hz, movers.size(), at, highest));
            last.push_back(at);
        }
    }
    // The s* of the partials `keep` chooses, in the order of their columns.
    template <typename Keep>
    std::vector<double> separations_of(Keep&& keep) const {
        std::vector<double> chosen;
        for (const Sounding& s : partials_)
            if (keep(s)) chosen.push_back(s.negligible_separation);
        return chosen;
    }
    // The partials of the block's notes as movers, with their s*, and the others as stills.
    void split_columns(const Block& block, mps::Columns& movers, mps::Columns& stills,
                       std::vector<double>& separations) const {
        moving_.resize(partials_.size());
        size_t moving = 0;
        for (size_t k = 0; k < partials_.size(); ++k)
            moving += moving_[k] = moves(partials_[k], block);
        mps::make_silent(movers, moving);
        mps::make_silent(stills, partials_.size() - moving);
        separations.clear();
        size_t m = 0, o = 0;
        for (size_t k = 0; k < partials_.size(); ++k) {
            const Sounding& s = partials_[k];
            if (moving_[k]) {
                mps::set_partial(movers, m++, s.hz, s.reach, s.amplitude);
                separations.push_back(s.negligible_separation);
            } else {
                mps::set_partial(stills, o++, s.hz, s.reach, s.amplitude);
            }
        }
    }
    template <typename Keep>
    void columns_of(Keep&& keep, mps::Columns& columns) const {
        const size_t count = size_t(std::count_if(partials_.begin(), partials_.end(), keep));
        mps::make_silent(columns, count);
        size_t k = 0;
        for (const Sounding& s : partials_)
            if (keep(s)) mps::set_partial(columns, k++, s.hz, s.reach, s.amplitude);
    }

    RoughnessModel model_;
    Summing summing_;
    std::vector<Sounding> partials_;  // ascending in frequency
    std::vector<double> cents_;
    double negligible_weight_ = 0.0;
    double spring_per_cent2_ = 0.0;
    mutable BlockPairs scratch_;
    mutable std::vector<double> separations_;
    mutable std::vector<uint8_t> moving_;  // by partial, for split_columns
};

// The points along one block the search asks for; the last one is kept, since the walk asks
// for both sides of a cusp in turn and the probes start where the walk stopped.
class BlockWalk {
public:
    BlockWalk(const ChordModel& chord, const Block& block)
        : chord_(chord), block_(block), pairs_(chord.pairs_of(block)) {}
    // One walk of a chord at a time: the next one rebuilds its pairs in their storage.
    const Block& block() const { return block_; }
    const std::vector<double>& cusps() const { return pairs_.cusps; }
    const AlongPoint& at(double t) {
        if (!(t == last_t_)) last_ = chord_.along(block_, pairs_, t), last_t_ = t;
        return last_;
    }
    // The value alone, for the probes, which never ask for a slope.
    double value_at(double t) const {
        return t == last_t_ ? last_.value : chord_.along_value(block_, pairs_, t);
    }

private:
    const ChordModel& chord_;
    const Block& block_;
    const BlockPairs& pairs_;
    double last_t_ = NAN;
    AlongPoint last_;
};

// The zero of the slope between a and b (a cusp or the range's end), where the curve is
// smooth; ga < 0 ≤ gb are the slopes there, signed along `direction`.
double smooth_minimum(BlockWalk& walk, int direction, double a, double ga, double b, double gb) {
    int kept_side = 0;
    for (int i = 0; i < kMaxRootSteps && std::fabs(b - a) > kSettledCents; ++i) {
        const double c = b - gb * (b - a) / (gb - ga);
        const double gc = direction * walk.at(c).slope(direction);
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

// The local minimum along the block reached by walking downhill from offset t.
double descend(BlockWalk& walk, double t) {
    const Block& block = walk.block();
    const std::vector<double>& cusps = walk.cusps();
    const auto slope = [&](double u, int side) { return walk.at(u).slope(side); };
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
        const double ga = direction * slope(t, direction);
        const double arriving = direction * slope(next, -direction);
        if (arriving < 0.0) {
            t = next;  // still downhill on arriving there
            continue;
        }
        // The slope turns between two cusps, where the curve is smooth: find its zero by
        // regula falsi with the Illinois step, which keeps the bracket and converges fast.
        return smooth_minimum(walk, direction, t, ga, next, arriving);
    }
}

// The minimum reached from offset 0, passing over those too shallow to hear.
// Probing for a deeper minimum costs most of the search, so a block that its descent left
// where it was is probed only on the first sweep: later sweeps change its surroundings by
// the small moves of the others.
// Never: the guide has probed. Always: on a chord's first sweep. WhenMoved: later sweeps.
enum class Probing { Never, Always, WhenMoved };

double settle(const ChordModel& chord, const Block& block, double min_prominence, Probing probing) {
    BlockWalk walk(chord, block);
    // Shallow against the roughness the block takes part in where it starts: a note among
    // eight is held by its own pairs, not by the whole chord's.
    const double shallow = min_prominence * walk.at(0.0).value;
    double t = descend(walk, 0.0);
    if (probing == Probing::Never || (t == 0.0 && probing == Probing::WhenMoved)) return t;
    for (int32_t round = 0; round < kMaxProbeRounds; ++round) {
        const double here = walk.at(t).value;
        std::optional<double> deeper;
        double deepest = here;
        for (const int side : {-1, +1}) {
            double rise = 0.0;
            for (const double d : kProbeCents) {
                const double u = t + side * d;
                if (u < block.lowest || u > block.highest) break;
                const double value = walk.value_at(u);
                rise = std::max(rise, value - here);
                if (rise >= shallow) break;  // whatever lies beyond is not shallow
                if (value < deepest) deeper = u, deepest = value;
                if (value < here) break;
            }
        }
        if (!deeper) return t;
        // A descent moves from cusp to cusp while the slope arriving is downhill, so it can pass
        // over a rise between two cusps and end higher than the probe it began at: then the
        // minimum here stands. Each round ends lower than the last, so two minima are never
        // walked between for ever.
        const double reached = descend(walk, *deeper);
        if (!(walk.at(reached).value < here)) return t;
        t = reached;
    }
    return t;
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

// The blocks that have settled since the chord last changed. The search ends with a sweep
// that moves nothing, and in it a block that settled after the last move would walk the same
// curve over the same range from where it stands, and stay: it is not walked again.
class SettledBlocks {
public:
    bool holds(const std::vector<bool>& set) const {
        const auto it = find(set);
        return it != settled_.end() && it->second == moves_;
    }
    // `walked` moved by `offset` and is `now`. A walk that stopped at the end of a range that
    // moves with the block (max_move from where it started) may go on from there.
    void record(const Block& walked, double offset, const Block& now) {
        if (offset != 0.0) ++moves_;
        const bool same_range = std::fabs(now.lowest - (walked.lowest - offset)) < kSettledCents &&
                                std::fabs(now.highest - (walked.highest - offset)) < kSettledCents;
        const int64_t stamp = same_range ? moves_ : -1;
        if (const auto it = find(walked.member); it != settled_.end())
            it->second = stamp;
        else
            settled_.emplace_back(walked.member, stamp);
    }

private:
    using Entries = std::vector<std::pair<std::vector<bool>, int64_t>>;
    Entries::const_iterator find(const std::vector<bool>& set) const {
        return std::find_if(settled_.begin(), settled_.end(),
                            [&](const auto& entry) { return entry.first == set; });
    }
    Entries::iterator find(const std::vector<bool>& set) {
        return std::find_if(settled_.begin(), settled_.end(),
                            [&](const auto& entry) { return entry.first == set; });
    }

    int64_t moves_ = 0;  // the moves made so far
    Entries settled_;    // each block walked, with moves_ as it settled (-1: walk it again)
};

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

// Sweeps of every block until none moves; with `probing` Never, walks downhill only.
void search(ChordModel& model, const AdaptationSettings& settings, bool anchored, size_t lowest,
            Probing probing) {
    const size_t notes = model.cents().size();
    SettledBlocks settled;
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
        const Probing now = probing == Probing::Never ? probing
                            : sweep == 0              ? Probing::Always
                                                      : Probing::WhenMoved;
        double moved = 0.0;
        for (const std::vector<bool>& set : sets) {
            if (settled.holds(set)) continue;
            const Block block = block_of(model, set, settings.max_move_cents);
            const double offset = settle(model, block, settings.min_prominence, now);
            model.move(block, offset);
            settled.record(block, offset, block_of(model, set, settings.max_move_cents));
            moved = std::max(moved, std::fabs(offset));
        }
        if (moved < kSettledCents) break;
    }
}

}  // namespace

double chord_dissonance(const std::vector<double>& hz, const std::vector<Partial>& partials,
                        RoughnessModel model) {
    std::vector<std::pair<double, double>> sounding;
    for (const double f : hz)
        for (const Partial& p : partials)
            if (p.amplitude > 0.0) sounding.emplace_back(f * p.ratio, p.amplitude);
    moving_pair_sums::MovingSet everything;
    everything.model = model;
    everything.movers = moving_pair_sums::make_columns(std::move(sounding));
    everything.stills = moving_pair_sums::make_columns({});
    const size_t count = everything.movers.hz.size();
    everything.first_still.assign(count, 0);
    everything.last_still.assign(count, 0);
    everything.last_mover.assign(count, everything.movers.size());
    return moving_pair_sums::sum_moving(everything, 0.0).value;
}

Result<AdaptedChord> adapt_chord(const ChordToAdapt& chord, const AdaptationSettings& settings) {
    if (auto reason = refusal(chord, settings))
        return Error{ErrorKind::Refused, 0, "The chord cannot be tuned.", *reason, {}, {}};
    ChordModel model(chord, Summing::Exact);
    const size_t notes = chord.nominal_hz.size();
    const size_t lowest =
        size_t(std::min_element(chord.nominal_hz.begin(), chord.nominal_hz.end()) -
               chord.nominal_hz.begin());
    // Context tones never move, so they hold the chord's pitch themselves: with them the
    // lowest note is free to settle against them, and no shift to the mean is made.
    const bool has_context = !chord.context_hz.empty();
    const bool anchored = settings.anchor != TuningAnchor::Spring && !has_context;
    AdaptedChord adapted;
    adapted.dissonance_before = model.total();
    const double spring = settings.anchor == TuningAnchor::Spring
                              ? settings.spring_weight * adapted.dissonance_before / (100.0 * 100.0)
                              : 0.0;
    ChordModel guide(chord, Summing::Guide);
    guide.set_spring(spring);
    search(guide, settings, anchored, lowest, Probing::Always);
    model.set_spring(spring);
    model.move_to(guide.cents());
    search(model, settings, anchored, lowest, Probing::Never);
    if (settings.anchor == TuningAnchor::MeanPitch && !has_context) {
        // The intervals found with the lowest note held, shifted as a whole so that the mean
        // log-pitch is the keys' own.
        const std::vector<double>& moved = model.cents();
        const double mean = std::accumulate(moved.begin(), moved.end(), 0.0) / double(notes);
        model.move(Block{std::vector<bool>(notes, true), 0.0, 0.0}, -mean);
    }
    adapted.moved_cents = model.cents();
    for (size_t n = 0; n < notes; ++n)
        adapted.adapted_hz.push_back(chord.nominal_hz[n] *
                                     std::exp2(adapted.moved_cents[n] / kCentsPerOctave));
    adapted.dissonance_after = model.total();
    return adapted;
}

}  // namespace kelvara
