#include "sound/bank_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "base/regular_file.h"

namespace kelvara::sound {
namespace {

constexpr const char* kBankKinds = "Kelvara plays SoundFont (.sf2, .sf3) and DLS (.dls) banks.";
constexpr const char* kGetItAgain = "Copy or download the bank again.";
constexpr uint64_t kRiffHeaderBytes = 12;
constexpr uint64_t kChunkHeaderBytes = 8;
// Banks have a handful of top-level chunks; past this many the walk stops looking.
constexpr int kMaxChunksWalked = 100000;

uint32_t little_endian_32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

bool is_chunk_name(const unsigned char* name) {
    for (int i = 0; i < 4; ++i)
        if (name[i] < 0x20 || name[i] > 0x7E) return false;
    return true;
}

// Four bytes as text, with anything unprintable as a dot.
std::string shown_name(const unsigned char* name) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += name[i] >= 0x20 && name[i] <= 0x7E ? char(name[i]) : '.';
    return "\"" + text + "\"";
}

// A bank open for reading: a regular file, opened without waiting (base/regular_file.h).
class OpenFile {
public:
    explicit OpenFile(FileDescriptor fd) : fd_(std::move(fd)) {}

    // The file's size; -1 (errno set) when it cannot be told.
    int64_t size() const {
        struct stat info {};
        return ::fstat(fd_.get(), &info) == 0 ? int64_t(info.st_size) : -1;
    }
    // Reads exactly `count` bytes at `offset`.
    bool read_at(uint64_t offset, unsigned char* into, size_t count) const {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_.get(), into + done, count - done, off_t(offset + done));
            if (n <= 0) return false;
            done += size_t(n);
        }
        return true;
    }

private:
    FileDescriptor fd_;
};

// The preset tables of a SoundFont (its "pdta" list) are arrays of fixed-size records, each
// ended by a terminal record. A table whose size is no whole number of records, or a preset,
// instrument or sample table without a single entry before its terminal one, leaves presets
// that cannot sound: FluidSynth loads such a bank, complains about every zone and plays
// silence. The bytes of each record as SoundFont 2.01 lays them out.
struct PresetTable {
    const char* name;
    uint32_t record_bytes;
    uint32_t min_records;  // the terminal record included
};
constexpr std::array<PresetTable, 9> kPresetTables{{{"phdr", 38, 2},
                                                    {"pbag", 4, 1},
                                                    {"pmod", 10, 0},
                                                    {"pgen", 4, 0},
                                                    {"inst", 22, 2},
                                                    {"ibag", 4, 1},
                                                    {"imod", 10, 0},
                                                    {"igen", 4, 0},
                                                    {"shdr", 46, 2}}};

// What is wrong with the table chunk `name` of `size` bytes, if anything.
std::optional<std::string> preset_table_fault(const unsigned char* name, uint32_t size) {
    for (const PresetTable& table : kPresetTables) {
        if (std::memcmp(name, table.name, 4) != 0) continue;
        const std::string which = shown_name(name);
        if (size % table.record_bytes != 0)
            return "chunk " + which + " holds " + std::to_string(size) +
                   " bytes, not a whole number of its " + std::to_string(table.record_bytes) +
                   "-byte records";
        if (size / table.record_bytes < table.min_records)
            return "chunk " + which + " has no entry before its terminal record";
        return std::nullopt;
    }
    return std::nullopt;
}

// Walks the SoundFont list chunk from `at` to `end` when it is the "pdta" list.
template <typename Refuse>
Result<void> check_preset_tables(const OpenFile& file, uint64_t at, uint64_t end,
                                 const Refuse& refuse) {
    std::array<unsigned char, kChunkHeaderBytes + 4> list{};
    if (end - at < list.size() || !file.read_at(at, list.data(), list.size())) return {};
    if (std::memcmp(list.data() + kChunkHeaderBytes, "pdta", 4) != 0) return {};
    const std::string silent =
        std::string("The bank's presets cannot sound: its preset tables are damaged. ") +
        kGetItAgain;
    at += list.size();
    for (int walked = 0; at + kChunkHeaderBytes <= end && walked < kMaxChunksWalked; ++walked) {
        std::array<unsigned char, kChunkHeaderBytes> chunk{};
        if (!file.read_at(at, chunk.data(), chunk.size())) return {};
        const uint32_t size = little_endian_32(chunk.data() + 4);
        if (const auto fault = preset_table_fault(chunk.data(), size))
            return refuse(silent, *fault, at);
        const uint64_t next = at + kChunkHeaderBytes + size;
        at = next + (next & 1);
    }
    return {};
}

// A DLS instrument sounds through its regions, each of which links (its "wlnk" chunk) to an
// entry of the pool table ("ptbl"), which points at a wave. A bank none of whose regions links
// to an entry of the table loads, lists its instruments and plays silence, so it is refused.
struct DlsLinks {
    std::optional<uint32_t> lowest_link;  // the least table index any region links to
    std::optional<uint32_t> pool_entries;
};

constexpr uint64_t kWaveLinkIndexAt = 8;  // after options, phase group and channel
constexpr int kMaxListDepth = 4;          // lins > ins > lrgn > rgn > wlnk

// Gathers the wave links of the lists nested in [at, end) (the instrument list's contents).
void gather_wave_links(const OpenFile& file, uint64_t at, uint64_t end, int depth, int& walked,
                       DlsLinks& links) {
    while (at + kChunkHeaderBytes <= end && ++walked < kMaxChunksWalked) {
        std::array<unsigned char, kChunkHeaderBytes + 4> chunk{};
        if (!file.read_at(at, chunk.data(), chunk.size())) return;
        const uint64_t next = at + kChunkHeaderBytes + little_endian_32(chunk.data() + 4);
        if (next > end) return;
        if (std::memcmp(chunk.data(), "LIST", 4) == 0 && depth < kMaxListDepth) {
            gather_wave_links(file, at + chunk.size(), next, depth + 1, walked, links);
        } else if (std::memcmp(chunk.data(), "wlnk", 4) == 0 &&
                   next >= at + kChunkHeaderBytes + kWaveLinkIndexAt + 4) {
            std::array<unsigned char, 4> index{};
            if (!file.read_at(at + kChunkHeaderBytes + kWaveLinkIndexAt, index.data(), 4)) return;
            const uint32_t link = little_endian_32(index.data());
            links.lowest_link = std::min(links.lowest_link.value_or(link), link);
        }
        at = next + (next & 1);
    }
}

// Reads what a top-level DLS chunk at `at` adds to `links`.
void gather_dls_chunk(const OpenFile& file, uint64_t at, uint64_t next, DlsLinks& links) {
    std::array<unsigned char, kChunkHeaderBytes + 8> chunk{};
    if (next - at < chunk.size() || !file.read_at(at, chunk.data(), chunk.size())) return;
    if (std::memcmp(chunk.data(), "ptbl", 4) == 0) {
        links.pool_entries = little_endian_32(chunk.data() + kChunkHeaderBytes + 4);
    } else if (std::memcmp(chunk.data(), "LIST", 4) == 0 &&
               std::memcmp(chunk.data() + kChunkHeaderBytes, "lins", 4) == 0) {
        int walked = 0;
        gather_wave_links(file, at + kChunkHeaderBytes + 4, next, 1, walked, links);
    }
}

// What is wrong with the links, if anything: every region links past the pool table.
std::optional<std::string> wave_link_fault(const DlsLinks& links) {
    if (!links.pool_entries || !links.lowest_link) return std::nullopt;
    if (*links.lowest_link < *links.pool_entries) return std::nullopt;
    return "every region links to wave " + std::to_string(*links.lowest_link) +
           " or later, and the pool table holds " + std::to_string(*links.pool_entries);
}

}  // namespace

Result<void> check_bank_file(const std::string& path, const std::string& description) {
    const auto refuse = [&](const std::string& reason, std::string detail,
                            std::optional<size_t> offset = std::nullopt) {
        Error refused{ErrorKind::Refused, 0, description, reason, std::move(detail), {}};
        refused.where.file = path;
        refused.where.offset = offset;
        return refused;
    };
    Result<FileDescriptor> opened = open_regular_file_for_reading(path, description);
    if (!opened) return opened.error();
    const OpenFile file(std::move(*opened));
    const int64_t size = file.size();
    if (size < 0) return system_error(errno, description, path);
    if (size == 0) return refuse(std::string("The file is empty. ") + kBankKinds, "0 bytes");

    std::array<unsigned char, kRiffHeaderBytes> header{};
    const bool whole_header =
        uint64_t(size) >= kRiffHeaderBytes && file.read_at(0, header.data(), header.size());
    const std::string not_a_bank = std::string("The file is not a sound bank. ") + kBankKinds;
    if (!whole_header || std::memcmp(header.data(), "RIFF", 4) != 0)
        return refuse(not_a_bank, whole_header ? "it begins with " + shown_name(header.data()) +
                                                     ", where a bank begins with \"RIFF\""
                                               : "too short for a bank's header");
    const std::string form(reinterpret_cast<const char*>(header.data() + 8), 4);
    if (form != "sfbk" && form != "DLS ")
        return refuse(
            "The file is a RIFF file of another kind, not a sound bank. " + std::string(kBankKinds),
            "RIFF form " + shown_name(header.data() + 8) +
                ", where a bank has \"sfbk\" or \"DLS \"");

    // The header counts the bytes after its first eight.
    const uint64_t end = kChunkHeaderBytes + little_endian_32(header.data() + 4);
    if (end > uint64_t(size))
        return refuse(
            "The file is incomplete: it ends before the bank does. " + std::string(kGetItAgain),
            "the header announces " + std::to_string(end) + " bytes, the file has " +
                std::to_string(size));
    uint64_t at = kRiffHeaderBytes;
    DlsLinks links;
    for (int walked = 0; at + kChunkHeaderBytes <= end && walked < kMaxChunksWalked; ++walked) {
        std::array<unsigned char, kChunkHeaderBytes> chunk{};
        if (!file.read_at(at, chunk.data(), chunk.size()))
            return system_error(errno == 0 ? EIO : errno, description, path);
        const std::string damaged = std::string("The file is damaged. ") + kGetItAgain;
        if (!is_chunk_name(chunk.data()))
            return refuse(damaged, "no chunk name here, but " + shown_name(chunk.data()), at);
        const uint64_t next = at + kChunkHeaderBytes + little_endian_32(chunk.data() + 4);
        if (next > end)
            return refuse(damaged,
                          "chunk " + shown_name(chunk.data()) + " runs past the bank's end, byte " +
                              std::to_string(end),
                          at);
        if (form == "sfbk" && std::memcmp(chunk.data(), "LIST", 4) == 0) {
            if (Result<void> tables = check_preset_tables(file, at, next, refuse); !tables)
                return tables;
        }
        if (form == "DLS ") gather_dls_chunk(file, at, next, links);
        at = next + (next & 1);  // chunks start on even bytes
    }
    if (const auto fault = wave_link_fault(links))
        return refuse(std::string("The bank's instruments cannot sound: none of them reaches a "
                                  "wave of the bank. ") +
                          kGetItAgain,
                      *fault);
    return {};
}

}  // namespace kelvara::sound
