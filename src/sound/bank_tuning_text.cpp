#include "sound/bank_tuning_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kelvara::sound {
namespace {

constexpr std::string_view kHeader = "kelvara-bank-tuning";
constexpr std::array<std::string_view, 3> kVerdictNames{"corrected", "unpitched", "out-of-bounds"};
// More zones than any preset can have (a voice cache holds at most 65536 voices).
constexpr size_t kMaxZones = 65536;
// More points than the track of the longest attack followed holds.
constexpr size_t kMaxTrackPoints = 1 << 16;

void append_number(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "nan";  // whatever its sign bit
        return;
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

void append_number(std::string& out, float value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

void append_number(std::string& out, long value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

// Reads the text line by line and field by field; every read fails once anything failed.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool ok() const { return ok_; }

    bool next_line() {
        if (!ok_ || text_.empty()) return ok_ = false;
        const size_t end = text_.find('\n');
        line_ = text_.substr(0, end);
        text_ = end == std::string_view::npos ? std::string_view() : text_.substr(end + 1);
        return true;
    }
    bool at_end() const { return ok_ && text_.empty(); }

    std::string_view word() {
        const size_t end = line_.find(' ');
        const std::string_view word = line_.substr(0, end);
        line_ = end == std::string_view::npos ? std::string_view() : line_.substr(end + 1);
        if (word.empty()) ok_ = false;
        return word;
    }
    std::string_view rest() {
        const std::string_view rest = line_;
        line_ = {};
        return rest;
    }
    bool line_done() const { return line_.empty(); }

    template <class T>
    T number(T low, T high) {
        const std::string_view text = word();
        T value{};
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size()) ok_ = false;
        if (value < low || value > high) ok_ = false;  // a NaN passes: it means "not measured"
        return value;
    }
    void expect(std::string_view wanted) {
        if (word() != wanted) ok_ = false;
    }
    void fail() { ok_ = false; }

private:
    std::string_view text_;
    std::string_view line_;
    bool ok_ = true;
};

bool read_zone(Reader& in, ZoneTuning& zone) {
    if (!in.next_line()) return false;
    in.expect("zone");
    zone.voice = in.number<uint32_t>(0, kMaxZones);
    zone.key_low = in.number(0, 127);
    zone.key_high = in.number(zone.key_low, 127);
    zone.velocity_low = in.number(0, 127);
    zone.velocity_high = in.number(zone.velocity_low, 127);
    zone.root_key = in.number(0, 127);
    zone.cents_per_key = in.number(0.0, 1200.0);
    zone.sample_frames = in.number<uint32_t>(0, UINT32_MAX);
    zone.reference_key = in.number(0, 127);
    zone.declared_hz = in.number(0.0, 1e6);
    zone.measured_hz = in.number(0.0, 1e6);
    zone.confidence = in.number(0.0, 1.0);
    zone.error_cents = in.number(-1200.0, 1200.0);
    zone.correction_cents = in.number(-1200.0, 1200.0);
    zone.attack_hz = in.number(0.0, 1e6);
    zone.loop_hz = in.number(0.0, 1e6);
    zone.retuned_loop_frames = in.number(0.0, double(UINT32_MAX));
    zone.attack_wander_cents = in.number(0.0, 1200.0);
    zone.flattened_attack.step_frames = in.number<uint32_t>(0, UINT32_MAX);
    zone.flattened_attack.period_frames = in.number(0.0, 1e9);
    zone.flattened_attack.cents.resize(in.number<size_t>(0, kMaxTrackPoints));
    for (float& cents : zone.flattened_attack.cents) {
        cents = in.number(-1200.0f, 1200.0f);
        if (!std::isfinite(cents)) in.fail();
    }
    if (!zone.flattened_attack.empty() &&
        (zone.flattened_attack.step_frames == 0 || !(zone.flattened_attack.period_frames > 1.0)))
        in.fail();
    const std::string_view verdict = in.word();
    const auto found = std::find(kVerdictNames.begin(), kVerdictNames.end(), verdict);
    if (found == kVerdictNames.end() || !in.line_done() || !std::isfinite(zone.declared_hz) ||
        !std::isfinite(zone.confidence) || !std::isfinite(zone.correction_cents) ||
        !std::isfinite(zone.cents_per_key) || !std::isfinite(zone.retuned_loop_frames))
        in.fail();
    zone.verdict = ZoneVerdict(found - kVerdictNames.begin());
    return in.ok();
}

}  // namespace

std::string bank_tuning_to_text(const BankTuning& tuning) {
    std::string out(kHeader);
    out += ' ';
    append_number(out, long(kBankTuningFormat));
    out += '\n';
    for (const PresetTuning& preset : tuning.presets) {
        out += "preset ";
        append_number(out, long(preset.bank));
        out += ' ';
        append_number(out, long(preset.program));
        out += ' ';
        append_number(out, long(preset.zones.size()));
        out += ' ';
        for (const char c : preset.name) out += c == '\n' || c == '\r' ? ' ' : c;
        out += '\n';
        for (const ZoneTuning& z : preset.zones) {
            out += "zone";
            for (const long value :
                 {long(z.voice), long(z.key_low), long(z.key_high), long(z.velocity_low),
                  long(z.velocity_high), long(z.root_key)}) {
                out += ' ';
                append_number(out, value);
            }
            out += ' ';
            append_number(out, z.cents_per_key);
            for (const long value : {long(z.sample_frames), long(z.reference_key)}) {
                out += ' ';
                append_number(out, value);
            }
            for (const double value :
                 {z.declared_hz, z.measured_hz, z.confidence, z.error_cents, z.correction_cents,
                  z.attack_hz, z.loop_hz, z.retuned_loop_frames, z.attack_wander_cents}) {
                out += ' ';
                append_number(out, value);
            }
            out += ' ';
            append_number(out, long(z.flattened_attack.step_frames));
            out += ' ';
            append_number(out, z.flattened_attack.period_frames);
            out += ' ';
            append_number(out, long(z.flattened_attack.cents.size()));
            for (const float cents : z.flattened_attack.cents) {
                out += ' ';
                append_number(out, cents);
            }
            out += ' ';
            out += kVerdictNames[size_t(z.verdict)];
            out += '\n';
        }
    }
    out += "end\n";
    return out;
}

std::optional<BankTuning> bank_tuning_from_text(std::string_view text) {
    Reader in(text);
    in.next_line();
    in.expect(kHeader);
    if (in.number(0, INT32_MAX) != kBankTuningFormat || !in.line_done()) return std::nullopt;
    BankTuning tuning;
    while (in.next_line()) {
        const std::string_view kind = in.word();
        if (kind == "end" && in.line_done() && in.at_end()) return tuning;
        if (kind != "preset") return std::nullopt;
        PresetTuning preset;
        preset.bank = in.number(0, INT32_MAX);
        preset.program = in.number(0, 127);
        const auto zones = in.number<size_t>(0, kMaxZones);
        preset.name = std::string(in.rest());
        if (!in.ok()) return std::nullopt;
        preset.zones.resize(zones);
        for (ZoneTuning& zone : preset.zones)
            if (!read_zone(in, zone)) return std::nullopt;
        tuning.presets.push_back(std::move(preset));
    }
    return std::nullopt;  // no end line
}

}  // namespace kelvara::sound
