#pragma once
// The tag bytes and constants of the typed-stream format, shared by its encoder and decoder.
#include <cstdint>
#include <string_view>

namespace kelvara::typedstream::format {

inline constexpr uint8_t kStreamerVersion = 4;
// The signature names the writer's byte order.
inline constexpr std::string_view kLittleEndianSignature = "streamtyped";
inline constexpr std::string_view kBigEndianSignature = "typedstream";
inline constexpr int64_t kSystemVersion = 1000;

inline constexpr uint8_t kInt16Tag = 0x81;
inline constexpr uint8_t kInt32Tag = 0x82;
inline constexpr uint8_t kRealTag = 0x83;
inline constexpr uint8_t kNewTag = 0x84;
inline constexpr uint8_t kNilTag = 0x85;
inline constexpr uint8_t kEndTag = 0x86;
inline constexpr uint8_t kInt64Tag = 0x87;

// Integers from -110 to 127 are written as the single byte itself.
inline constexpr int64_t kSmallestOneByteInt = -110;
inline constexpr int64_t kLargestOneByteInt = 127;
inline constexpr int64_t kLargestInt16 = 32767;  // the 2-byte form is symmetric
// A reference to table entry i is written as the integer i + kReferenceBase (0 -> 0x92).
inline constexpr int64_t kReferenceBase = -110;

}  // namespace kelvara::typedstream::format
