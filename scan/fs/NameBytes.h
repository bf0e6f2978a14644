/*
 * File names are bytes; the store's texts are UTF-8 (a MariaDB or SQL Server column refuses
 * anything else, and refusing one path once cost the whole scan). A stored path or extension
 * therefore writes each byte that is not part of a valid UTF-8 character as one character of
 * the private-use range U+EF80..U+EFFF (U+EF00 plus the byte, as MirBSD's OPTU-8 does). A real
 * character of that range is written as its three bytes escaped the same way, so the mapping
 * is one to one and decoding gives the exact bytes of the directory on disk back. Names that
 * are valid UTF-8 and hold no such character are unchanged. Pure functions; any thread.
 */
#ifndef TALLYVOL_SCAN_FS_NAMEBYTES_H
#define TALLYVOL_SCAN_FS_NAMEBYTES_H

#include <string>
#include <string_view>

namespace scan {

// Bytes of a name or path to the text the store keeps (always valid UTF-8).
std::string EncodeNonUtf8(std::string_view bytes);
// The store's text back to the bytes of the name or path.
std::string DecodeNonUtf8(std::string_view text);

} // namespace scan

#endif
