// The counting rules of a scan (size on disk, extension keys, exclusion filters) and the
// checksum the loop check is built on.
#include "scan/fs/Crc64.h"
#include "scan/fs/ScanRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using scan::ExclusionFilters;
using scan::ExtensionKey;
using scan::SizeOnDisk;

TEST(SizeOnDisk, EveryNonEmptyFileCountsOneUnitMoreThanItFills) {
    EXPECT_EQ(SizeOnDisk(0), 0u);
    EXPECT_EQ(SizeOnDisk(1), 4096u);
    EXPECT_EQ(SizeOnDisk(4095), 4096u);
    EXPECT_EQ(SizeOnDisk(4096), 8192u);
    EXPECT_EQ(SizeOnDisk(4097), 8192u);
    EXPECT_EQ(SizeOnDisk(8191), 8192u);
    EXPECT_EQ(SizeOnDisk(8192), 12288u);
    EXPECT_EQ(SizeOnDisk(5ULL << 30), (5ULL << 30) + 4096);
    EXPECT_EQ(SizeOnDisk((5ULL << 30) + 1), (5ULL << 30) + 4096);
}

TEST(ExtensionKey, TheLastDotToTheEndUpperCased) {
    EXPECT_EQ(ExtensionKey("archive.TAR.gz"), ".GZ");
    EXPECT_EQ(ExtensionKey("README"), "<NONE>");
    EXPECT_EQ(ExtensionKey(".profile"), ".PROFILE");
    EXPECT_EQ(ExtensionKey("Photo.JpG"), ".JPG");
    EXPECT_EQ(ExtensionKey("ends with dot."), ".");
    EXPECT_EQ(ExtensionKey("two words.a b"), ".A B");
    EXPECT_EQ(ExtensionKey("report.txt   "), ".TXT");
    EXPECT_EQ(ExtensionKey("x.   "), ".");
    EXPECT_EQ(ExtensionKey("no dot but blanks  "), "<NONE>");
}

TEST(ExtensionKey, LongKeysAreCutToNineteenCharactersAndAStar) {
    EXPECT_EQ(ExtensionKey("a.abcdefghijklmnopqrs"), ".ABCDEFGHIJKLMNOPQRS"); // 20: kept
    EXPECT_EQ(ExtensionKey("a.abcdefghijklmnopqrst"), ".ABCDEFGHIJKLMNOPQR*"); // 21: cut
    EXPECT_EQ(ExtensionKey("a.abcdefghijklmnopqrs   "), ".ABCDEFGHIJKLMNOPQRS"); // blanks go first
}

TEST(ExtensionKey, OnlyAsciiLettersChangeAndCharactersAreNeverSplit) {
    EXPECT_EQ(ExtensionKey("photo.jpëg"), ".JPëG");
    std::string umlauts;
    for (int i = 0; i < 20; ++i) {
        umlauts += "ä";
    }
    std::string expected = ".";
    for (int i = 0; i < 18; ++i) {
        expected += "ä";
    }
    EXPECT_EQ(ExtensionKey("x." + umlauts), expected + "*");
    std::string emoji;
    for (int i = 0; i < 19; ++i) {
        emoji += "\xF0\x9F\x98\x80";
    }
    EXPECT_EQ(ExtensionKey("x." + emoji), "." + emoji); // 20 characters, 77 bytes: kept whole
    EXPECT_EQ(ExtensionKey("x." + emoji + "\xF0\x9F\x98\x80"), "." + emoji.substr(0, 18 * 4) + "*");
    // Bytes that are no UTF-8 at all still end in a bounded key.
    std::string junk(200, '\x80');
    EXPECT_LE(ExtensionKey("x." + junk).size(), scan::kMaxExtensionKeyBytes);
}

TEST(ExclusionFilters, AFragmentMatchesAnywhereInTheLowerCasedPathPlusSlash) {
    ExclusionFilters temp = ExclusionFilters::FromText("temp");
    EXPECT_TRUE(temp.Excludes("/temp"));
    EXPECT_TRUE(temp.Excludes("/data/temporary"));
    EXPECT_TRUE(temp.Excludes("/mytemp"));
    EXPECT_FALSE(temp.Excludes("/data/tmp"));

    ExclusionFilters whole = ExclusionFilters::FromText("/TEMP/");
    EXPECT_TRUE(whole.Excludes("/temp"));
    EXPECT_TRUE(whole.Excludes("/WINNT/temp"));
    EXPECT_TRUE(whole.Excludes("/WINNT/TEMP/sub"));
    EXPECT_FALSE(whole.Excludes("/WINNT/temporary files"));

    ExclusionFilters prefix = ExclusionFilters::FromText("/TEMP");
    EXPECT_TRUE(prefix.Excludes("/temp"));
    EXPECT_TRUE(prefix.Excludes("/WINNT/temp"));
    EXPECT_TRUE(prefix.Excludes("/WINNT/temporary files"));
}

TEST(ExclusionFilters, LinesAreFragmentsAndEmptyLinesAreNone) {
    ExclusionFilters filters = ExclusionFilters::FromText("\r\n\r\nCache\r\n\n with blanks \nlast");
    EXPECT_EQ(filters.Fragments(), (std::vector<std::string>{"cache", " with blanks ", "last"}));
    EXPECT_TRUE(filters.Excludes("/home/u/.cache"));
    EXPECT_TRUE(filters.Excludes("/a/x with blanks y"));
    EXPECT_FALSE(filters.Excludes("/a/withblanks"));
    EXPECT_TRUE(ExclusionFilters::FromText("").Empty());
    EXPECT_TRUE(ExclusionFilters::FromText("\r\n\n\r").Empty());
    EXPECT_FALSE(ExclusionFilters::FromText("\r\n\n\r").Excludes("/anything"));
}

namespace {

std::uint64_t bitwiseCrc(const std::string& bytes) {
    std::uint64_t crc = ~0ULL;
    for (unsigned char byte : bytes) {
        crc ^= static_cast<std::uint64_t>(byte) << 56;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 63) != 0 ? (crc << 1) ^ 0x42F0E1EBA9EA3693ULL : crc << 1;
        }
    }
    return ~crc;
}

} // namespace

TEST(Crc64, AgreesWithABitwiseReckoningForEveryLengthAndSplit) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) {
        bytes += static_cast<char>(i * 37 + 11);
    }
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        std::string part = bytes.substr(0, length);
        EXPECT_EQ(scan::Crc64(part.data(), part.size()), bitwiseCrc(part)) << length;
        std::size_t split = length / 3;
        std::uint64_t running = scan::Crc64Update(scan::kCrc64Initial, part.data(), split);
        running = scan::Crc64Update(running, part.data() + split, length - split);
        EXPECT_EQ(scan::Crc64Finish(running), bitwiseCrc(part)) << length;
    }
}

TEST(Crc64, MatchesTheStandardCheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(scan::Crc64(check.data(), check.size()), 0x62EC59E3F1A4F00AULL);
    std::uint64_t running = scan::Crc64Update(scan::kCrc64Initial, check.data(), 4);
    running = scan::Crc64Update(running, check.data() + 4, check.size() - 4);
    EXPECT_EQ(scan::Crc64Finish(running), 0x62EC59E3F1A4F00AULL);
    EXPECT_EQ(scan::Crc64("", 0), 0u);
}
