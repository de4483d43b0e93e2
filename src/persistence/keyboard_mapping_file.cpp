#include "persistence/keyboard_mapping_file.h"

#include <array>
#include <charconv>
#include <optional>

#include "persistence/tuning_file_text.h"

namespace kelvara {

namespace {

namespace text = tuning_text;

constexpr double kMaxReferenceFrequencyHz = 1'000'000.0;

Error refused(std::string detail, int32_t line) {
    return text::refusal(text::FileKind::KeyboardMapping, std::move(detail), line);
}

std::string frequency_text(double frequency_hz) {
    std::array<char, 400> buffer{};
    const auto as_float = static_cast<float>(frequency_hz);
    const auto written = static_cast<double>(as_float) == frequency_hz
                             ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), as_float,
                                             std::chars_format::fixed)
                             : std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                             frequency_hz, std::chars_format::fixed);
    std::string result(buffer.data(), written.ptr);
    if (result.find('.') == std::string::npos) result += ".0";
    return result;
}

// The fields of a mapping file in their order, each read from the next line with content.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : lines_(bytes) {}

    // The next line with content, or the error that the file ends before `what`.
    Result<text::Line> line_for(const std::string& what) {
        if (std::optional<text::Line> line = lines_.next_with_content()) return *line;
        return refused("the file ends before the " + what, lines_.end_line_number());
    }

    // A whole number within [min, max] from the next line.
    Result<int32_t> whole(const std::string& what, int32_t min, int32_t max,
                          int32_t* line_number = nullptr) {
        Result<text::Line> line = line_for(what);
        if (!line.ok()) return line.error();
        if (line_number) *line_number = line.value().number;
        const std::string_view word = text::first_word(line.value().text);
        const text::WholeNumber number = text::read_whole_number(word);
        if (number.status == text::NumberStatus::NotANumber)
            return refused("the " + what + " must be a whole number, not " + text::quoted(word),
                           line.value().number);
        if (number.status == text::NumberStatus::TooLarge || number.value < min ||
            number.value > max)
            return refused("the " + what + " must be within " + std::to_string(min) + ".." +
                               std::to_string(max) + ", not " + text::quoted(word),
                           line.value().number);
        return static_cast<int32_t>(number.value);
    }

    text::Lines& lines() { return lines_; }

private:
    text::Lines lines_;
};

}  // namespace

std::string write_keyboard_mapping(const KeyboardMapping& mapping, int32_t degrees_per_period) {
    const bool linear = mapping.pattern.empty();
    std::string file = "! Keyboard mapping written by Kelvara\n";
    file += "! Size of map (0: linear, each key the next degree):\n";
    file += std::to_string(mapping.pattern.size()) + "\n";
    file += "! First MIDI note number to retune:\n" + std::to_string(mapping.first_key) + "\n";
    file += "! Last MIDI note number to retune:\n" + std::to_string(mapping.last_key) + "\n";
    file += "! Middle note where the first entry of the mapping is mapped to:\n" +
            std::to_string(mapping.middle_key) + "\n";
    file += "! Reference note for which frequency is given:\n" +
            std::to_string(mapping.reference_key) + "\n";
    file += "! Frequency to tune the above note to (Hz):\n" +
            frequency_text(mapping.reference_frequency_hz) + "\n";
    file += "! Scale degree to consider as formal octave:\n" +
            std::to_string(linear ? degrees_per_period : mapping.formal_octave_degree) + "\n";
    file += "! Mapping (a degree, or x for a silent key):\n";
    for (const std::optional<int32_t>& degree : mapping.pattern)
        file += (degree ? std::to_string(*degree) : std::string("x")) + "\n";
    return file;
}

Result<KeyboardMapping> read_keyboard_mapping(std::string_view bytes) {
    if (bytes.size() > text::kMaxFileBytes)
        return refused("the file is larger than 1 MiB, far too large for a keyboard mapping", 0);
    if (const auto fault = text::encoding_fault(bytes)) return refused(*fault, 0);
    FieldReader fields(bytes);
    KeyboardMapping mapping;

    const Result<int32_t> size = fields.whole("map size", 0, kMaxMapPatternKeys);
    if (!size.ok()) return size.error();
    const auto first = fields.whole("first key to retune", kLowestMidiKey, kHighestMidiKey);
    if (!first.ok()) return first.error();
    int32_t last_line = 0;
    const auto last =
        fields.whole("last key to retune", kLowestMidiKey, kHighestMidiKey, &last_line);
    if (!last.ok()) return last.error();
    if (last.value() < first.value())
        return refused("the last key to retune, " + std::to_string(last.value()) +
                           ", is below the first, " + std::to_string(first.value()),
                       last_line);
    const auto middle = fields.whole("middle key", kLowestMidiKey, kHighestMidiKey);
    if (!middle.ok()) return middle.error();
    int32_t reference_line = 0;
    const auto reference =
        fields.whole("reference key", kLowestMidiKey, kHighestMidiKey, &reference_line);
    if (!reference.ok()) return reference.error();

    const Result<text::Line> frequency_line = fields.line_for("reference frequency");
    if (!frequency_line.ok()) return frequency_line.error();
    const std::string_view frequency_word = text::first_word(frequency_line.value().text);
    const text::DecimalNumber frequency =
        text::read_decimal_number(frequency_word, false, kMaxReferenceFrequencyHz);
    if (frequency.status != text::NumberStatus::Ok || !(frequency.value > 0.0))
        return refused(
            "the reference frequency must be a number of hertz above 0 and at most 1000000, "
            "not " +
                text::quoted(frequency_word),
            frequency_line.value().number);

    const auto octave = fields.whole("formal octave degree", 0, kMaxMappedDegree);
    if (!octave.ok()) return octave.error();

    mapping.first_key = first.value();
    mapping.last_key = last.value();
    mapping.middle_key = middle.value();
    mapping.reference_key = reference.value();
    mapping.reference_frequency_hz = frequency.value;
    mapping.formal_octave_degree = octave.value();
    // Entries left out at the end of the map are silent keys.
    mapping.pattern.assign(static_cast<size_t>(size.value()), std::nullopt);
    for (std::optional<int32_t>& entry : mapping.pattern) {
        const std::optional<text::Line> line = fields.lines().next_with_content();
        if (!line) break;
        const std::string_view word = text::first_word(line->text);
        if (word == "x" || word == "X") continue;
        const text::WholeNumber degree = text::read_whole_number(word);
        if (degree.status != text::NumberStatus::Ok || degree.value < 0 ||
            degree.value > kMaxMappedDegree)
            return refused("a map entry must be a degree from 0 to " +
                               std::to_string(kMaxMappedDegree) + " or x, not " +
                               text::quoted(word),
                           line->number);
        entry = static_cast<int32_t>(degree.value);
    }
    if (const std::optional<text::Line> extra = fields.lines().next_with_content())
        return refused("more map entries than the map size of " + std::to_string(size.value()),
                       extra->number);
    if (!is_usable(mapping))
        return refused("the reference key " + std::to_string(mapping.reference_key) +
                           " falls on a silent (x) entry of the map, so no key "
                           "sounds the reference frequency",
                       reference_line);
    return mapping;
}

Result<KeyboardMapping> read_keyboard_mapping_file(const std::filesystem::path& path) {
    return text::read_file<KeyboardMapping>(path, text::FileKind::KeyboardMapping,
                                            read_keyboard_mapping);
}

}  // namespace kelvara
