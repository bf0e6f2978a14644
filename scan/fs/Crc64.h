/*
 * CRC-64/WE (polynomial 0x42F0E1EBA9EA3693, initial value and final XOR all ones, not
 * reflected): the checksum behind the directory fingerprints of the loop check. Pure
 * functions, any thread.
 */
#ifndef TALLYVOL_SCAN_FS_CRC64_H
#define TALLYVOL_SCAN_FS_CRC64_H

#include <cstddef>
#include <cstdint>

namespace scan {

// Feeds bytes into a running register. Start from kCrc64Initial and finish with Crc64Finish.
std::uint64_t Crc64Update(std::uint64_t crc, const void* data, std::size_t size);

inline constexpr std::uint64_t kCrc64Initial = ~std::uint64_t{0};
inline std::uint64_t Crc64Finish(std::uint64_t crc) { return crc ^ ~std::uint64_t{0}; }

// The checksum of one buffer.
std::uint64_t Crc64(const void* data, std::size_t size);

} // namespace scan

#endif
