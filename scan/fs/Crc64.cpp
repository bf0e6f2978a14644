#include "scan/fs/Crc64.h"

#include <array>

namespace scan {

namespace {

constexpr std::uint64_t kPolynomial = 0x42F0E1EBA9EA3693ULL;

// Most-significant-bit first. Table k gives the effect of a byte followed by k zero bytes, so
// eight bytes are folded in at once.
using Tables = std::array<std::array<std::uint64_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint64_t byte = 0; byte < 256; ++byte) {
        std::uint64_t value = byte << 56;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & (std::uint64_t{1} << 63)) != 0 ? (value << 1) ^ kPolynomial : value << 1;
        }
        tables[0][byte] = value;
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            std::uint64_t previous = tables[k - 1][byte];
            tables[k][byte] = tables[0][previous >> 56] ^ (previous << 8);
        }
    }
    return tables;
}

constexpr Tables kTables = makeTables();

} // namespace

std::uint64_t Crc64Update(std::uint64_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size >= 8) {
        std::uint64_t block = crc;
        for (int i = 0; i < 8; ++i) {
            block ^= static_cast<std::uint64_t>(bytes[i]) << (56 - 8 * i);
        }
        crc = kTables[7][block >> 56] ^ kTables[6][(block >> 48) & 0xFF] ^ kTables[5][(block >> 40) & 0xFF] ^
              kTables[4][(block >> 32) & 0xFF] ^ kTables[3][(block >> 24) & 0xFF] ^ kTables[2][(block >> 16) & 0xFF] ^
              kTables[1][(block >> 8) & 0xFF] ^ kTables[0][block & 0xFF];
        bytes += 8;
        size -= 8;
    }
    for (std::size_t i = 0; i < size; ++i) {
        crc = kTables[0][((crc >> 56) ^ bytes[i]) & 0xFF] ^ (crc << 8);
    }
    return crc;
}

std::uint64_t Crc64(const void* data, std::size_t size) {
    return Crc64Finish(Crc64Update(kCrc64Initial, data, size));
}

} // namespace scan
