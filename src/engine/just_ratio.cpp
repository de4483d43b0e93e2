#include "engine/just_ratio.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kelvara {
namespace {

constexpr int64_t kLargestNumerator = std::numeric_limits<int32_t>::max();

struct Fraction {
    int64_t p = 0;
    int64_t q = 1;
};

Fraction mediant(Fraction left, Fraction right, int64_t times = 1) {
    return {left.p + times * right.p, left.q + times * right.q};
}

double value_of(Fraction f) {
    return static_cast<double>(f.p) / static_cast<double>(f.q);
}

// Never past the bounds of numerator and denominator: a walk stops there anyway.
int64_t bounded_steps(double steps) {
    const double limit = static_cast<double>(kLargestNumerator) + 1.0;
    return static_cast<int64_t>(std::clamp(std::isfinite(steps) ? steps : limit, 1.0, limit));
}

// A window [low, high] of the Stern–Brocot tree and the jumps of a walk toward it.
struct SternBrocotWindow {
    double low;
    double high;

    // How far the left end can move toward `right` at once and stay below the window (at
    // least 1, as the mediant itself lies below it): the continued-fraction term of its edge.
    int64_t steps_below(Fraction left, Fraction right) const {
        const double whole = (low * left.q - left.p) / (right.p - low * right.q);
        int64_t k = bounded_steps(std::ceil(whole) - 1.0);
        while (k > 1 && value_of(mediant(left, right, k)) >= low) --k;
        return k;
    }

    int64_t steps_above(Fraction right, Fraction left) const {
        const double whole = (right.p - high * right.q) / (high * left.q - left.p);
        int64_t k = bounded_steps(std::ceil(whole) - 1.0);
        while (k > 1 && value_of(mediant(right, left, k)) <= high) --k;
        return k;
    }
};

// Every fraction in the window within the bounds, in order of value: below a node every
// fraction has a larger numerator and denominator, so a node past a bound ends its subtree.
class SternBrocotListing {
public:
    SternBrocotListing(SternBrocotWindow window, int64_t max_height, const JustNaming& naming)
        : window_(window),
          max_height_(max_height),
          max_q_(std::min(naming.max_denominator, kMaxJustDenominator)),
          odd_limit_(std::min(naming.odd_limit, kMaxJustOddLimit)) {}

    std::vector<JustFraction> all() {
        collect({0, 1}, {1, 0});
        return std::move(found_);
    }

private:
    void collect(Fraction left, Fraction right) {
        for (;;) {
            const Fraction m = mediant(left, right);
            if (m.q > max_q_ || m.p > kLargestNumerator || m.p * m.q > max_height_) return;
            if (value_of(m) < window_.low) {
                left = mediant(left, right, window_.steps_below(left, right));
            } else if (value_of(m) > window_.high) {
                right = mediant(right, left, window_.steps_above(right, left));
            } else {
                collect(left, m);
                if (odd_limit_ == 0 || odd_limit_of(m.p, m.q) <= odd_limit_)
                    found_.push_back({static_cast<int32_t>(m.p), static_cast<int32_t>(m.q)});
                collect(m, right);
                return;
            }
        }
    }

    SternBrocotWindow window_;
    int64_t max_height_;
    int64_t max_q_;
    int64_t odd_limit_;
    std::vector<JustFraction> found_;
};

class SternBrocotSearch {
public:
    SternBrocotSearch(double ratio, double low, double high, const JustNaming& naming)
        : ratio_(ratio),
          window_{low, high},
          max_q_(std::min(naming.max_denominator, kMaxJustDenominator)),
          odd_limit_(std::min(naming.odd_limit, kMaxJustOddLimit)) {}

    std::optional<Fraction> best() {
        descend({0, 1}, {1, 0});
        return best_;
    }

private:
    // The subtree of the open interval between two neighbours of the tree.
    void descend(Fraction left, Fraction right) {
        for (;;) {
            const Fraction m = mediant(left, right);
            if (m.q > max_q_ || m.p > kLargestNumerator || !could_improve(m)) return;
            if (value_of(m) < window_.low) {
                left = mediant(left, right, window_.steps_below(left, right));
            } else if (value_of(m) > window_.high) {
                right = mediant(right, left, window_.steps_above(right, left));
            } else {
                consider(m);
                descend(left, m);
                descend(m, right);
                return;
            }
        }
    }

    bool could_improve(Fraction f) const {
        if (!best_) return true;
        // Below f every fraction has a larger Tenney height; with an odd limit, a smaller odd
        // limit may still lie there, but never both a smaller height and a smaller limit.
        if (odd_limit_ == 0) return f.p * f.q < best_->p * best_->q;
        return f.p * f.q < best_->p * best_->q || odd_limit_of(best_->p, best_->q) > 1;
    }

    void consider(Fraction f) {
        if (odd_limit_ > 0 && odd_limit_of(f.p, f.q) > odd_limit_) return;
        if (!best_ || better(f, *best_)) best_ = f;
    }

    bool better(Fraction a, Fraction b) const {
        if (odd_limit_ > 0) {
            const int64_t limit_a = odd_limit_of(a.p, a.q), limit_b = odd_limit_of(b.p, b.q);
            if (limit_a != limit_b) return limit_a < limit_b;
        }
        if (a.p * a.q != b.p * b.q) return a.p * a.q < b.p * b.q;
        return distance(a) < distance(b);
    }

    double distance(Fraction f) const {
        return std::fabs(
            ratio_to_cents(ratio_ * static_cast<double>(f.q) / static_cast<double>(f.p)));
    }

    double ratio_;
    SternBrocotWindow window_;
    int64_t max_q_;
    int64_t odd_limit_;
    std::optional<Fraction> best_;
};

std::optional<JustRatio> named_within(double ratio, double cents, const JustNaming& naming) {
    const double low = ratio * std::exp2(-cents / 1200.0);
    const double high = ratio * std::exp2(cents / 1200.0);
    const std::optional<Fraction> f = SternBrocotSearch(ratio, low, high, naming).best();
    if (!f) return std::nullopt;
    const double off =
        ratio_to_cents(ratio * static_cast<double>(f->q) / static_cast<double>(f->p));
    // The window's edges are rounded: the tolerance itself decides, inclusively.
    if (!(std::fabs(off) <= cents)) return std::nullopt;
    return JustRatio{static_cast<int32_t>(f->p), static_cast<int32_t>(f->q), off};
}

}  // namespace

double ratio_to_cents(double ratio) {
    return 1200.0 * std::log2(ratio);
}

int64_t odd_limit_of(int64_t numerator, int64_t denominator) {
    const auto odd_part = [](int64_t n) {
        while (n > 0 && n % 2 == 0) n /= 2;
        return n;
    };
    return std::max(odd_part(numerator), odd_part(denominator));
}

bool simpler_just_fraction(JustFraction a, JustFraction b, int32_t odd_limit) {
    if (odd_limit > 0) {
        const int64_t limit_a = odd_limit_of(a.numerator, a.denominator);
        const int64_t limit_b = odd_limit_of(b.numerator, b.denominator);
        if (limit_a != limit_b) return limit_a < limit_b;
    }
    return a.tenney_height() < b.tenney_height();
}

std::vector<JustFraction> just_fractions_between(double low, double high, int64_t max_height,
                                                 const JustNaming& naming) {
    if (!std::isfinite(low) || !std::isfinite(high) || low < 0.0 || high < low ||
        naming.max_denominator < 1 || naming.odd_limit < 0)
        return {};
    return SternBrocotListing({low, high}, max_height, naming).all();
}

std::optional<JustRatio> name_just_ratio(double ratio, const JustNaming& naming) {
    if (!std::isfinite(ratio) || ratio <= 0.0 || !(naming.tolerance_cents >= 0.0) ||
        naming.max_denominator < 1 || naming.odd_limit < 0)
        return std::nullopt;
    if (ratio >= static_cast<double>(kLargestNumerator)) return std::nullopt;
    const double exact = std::min(kExactJustMatchCents, naming.tolerance_cents);
    if (auto match = named_within(ratio, exact, naming)) return match;
    return named_within(ratio, naming.tolerance_cents, naming);
}

}  // namespace kelvara
