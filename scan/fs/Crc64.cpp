#include "scan/fs/Crc64.h"

#include <array>

namespace scan {

namespace {

constexpr std::uint64_t kPolynomial = 0x42F0E1EBA9EA3693ULL;

// Most-significant-bit first, one table entry per leading byte.
constexpr std::array<std::uint64_t, 256> makeTable() {
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t byte = 0; byte < 256; ++byte) {
        std::uint64_t value = byte << 56;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & (std::uint64_t{1} << 63)) != 0 ? (value << 1) ^ kPolynomial : value << 1;
        }
        table[byte] = value;
    }
    return table;
}

constexpr std::array<std::uint64_t, 256> kTable = makeTable();

} // namespace

std::uint64_t Crc64Update(std::uint64_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        crc = kTable[((crc >> 56) ^ bytes[i]) & 0xFF] ^ (crc << 8);
    }
    return crc;
}

std::uint64_t Crc64(const void* data, std::size_t size) {
    return Crc64Finish(Crc64Update(kCrc64Initial, data, size));
}

} // namespace scan
