// Paths between the user, the store and the disk: normalisation, the parent rule, the stored
// form of local and network directories and the way back, the old stores' drive-letter paths,
// and the mount table they are read from.
#include "app/base/DiagnosticLog.h"
#include "platform/system/SystemInfo.h"
#include "scan/fs/MountTable.h"
#include "scan/fs/NameBytes.h"
#include "scan/fs/StoredPath.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>
#include <unistd.h>

using namespace scan;
using testsupport::IsolatedEnvironment;

namespace {

const char* const kMountinfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard\n"
    "50 27 0:50 / /mnt/nfs rw,relatime shared:1 master:2 - nfs4 srv:/export rw,vers=4.2\n"
    "51 27 0:51 / /mnt/share rw - cifs //srv/share rw\n"
    "52 27 0:52 / /mnt/with\\040blank rw - cifs //srv/Data\\040Set rw\n"
    "53 50 254:0 /local /mnt/nfs/local rw - ext4 /dev/vda rw\n"
    "54 27 0:54 / /home/u/remote rw - fuse.sshfs user@host:/srv/x rw\n"
    "55 27 0:55 / /mnt/ssh2 rw - fuse.sshfs host: rw\n"
    "56 27 0:56 / /mnt/whole rw - nfs srv2:/ rw\n"
    "57 27 0:57 / /mnt/v6 rw - nfs [fe80::1]:/exp rw\n"
    "58 27 0:58 / /mnt/9p rw - 9p hostshare rw\n"
    "59 27 0:59 / /mnt/win rw - smb3 \\\\winsrv\\Share rw\n"
    "60 27 0:60 / /mnt/stacked rw - ext4 /dev/vdb rw\n"
    "61 27 0:61 / /mnt/stacked rw - nfs srv3:/top rw\n"
    "garbage line\n"
    "70 27 0:70 / relative - ext4 x rw\n";

} // namespace

TEST(MountTable, ParsesFieldsEscapesAndOptionalTags) {
    MountTable table = MountTable::Parse(kMountinfo);
    ASSERT_EQ(table.Entries().size(), 14u); // the garbage and the relative mount point are dropped
    const MountEntry& nfs = table.Entries()[2];
    EXPECT_EQ(nfs.mountPoint, "/mnt/nfs");
    EXPECT_EQ(nfs.fileSystemType, "nfs4");
    EXPECT_EQ(nfs.source, "srv:/export");
    EXPECT_EQ(nfs.device, makedev(0, 50));
    EXPECT_EQ(table.Entries()[4].mountPoint, "/mnt/with blank");
    EXPECT_EQ(table.Entries()[4].source, "//srv/Data Set");
}

TEST(MountTable, TheMountHoldingAPathIsTheLongestThenTheLatest) {
    MountTable table = MountTable::Parse(kMountinfo);
    EXPECT_EQ(table.MountHolding("/mnt/nfs/local/x")->fileSystemType, "ext4");
    EXPECT_EQ(table.MountHolding("/mnt/nfs/localx")->fileSystemType, "nfs4");
    EXPECT_EQ(table.MountHolding("/mnt/nfs")->fileSystemType, "nfs4");
    EXPECT_EQ(table.MountHolding("/mnt/nfsx")->mountPoint, "/");
    EXPECT_EQ(table.MountHolding("/mnt/stacked/a")->fileSystemType, "nfs");
    EXPECT_TRUE(IsPseudoFileSystem("proc") && IsPseudoFileSystem("autofs") && !IsPseudoFileSystem("tmpfs"));
    EXPECT_TRUE(IsNetworkFileSystem("fuse.sshfs") && !IsNetworkFileSystem("fuse"));
}

TEST(MountTable, NetworkSourcesBecomeServerPaths) {
    EXPECT_EQ(UniversalSource("//srv/share"), "//srv/share");
    EXPECT_EQ(UniversalSource("//srv/share/"), "//srv/share");
    EXPECT_EQ(UniversalSource("\\\\winsrv\\Share"), "//winsrv/Share");
    EXPECT_EQ(UniversalSource("srv:/export"), "//srv/export");
    EXPECT_EQ(UniversalSource("srv:/export//deep/"), "//srv/export/deep");
    EXPECT_EQ(UniversalSource("srv2:/"), "//srv2");
    EXPECT_EQ(UniversalSource("[fe80::1]:/exp"), "//[fe80::1]/exp");
    EXPECT_EQ(UniversalSource("user@host:/srv/x"), "//user@host/srv/x");
    EXPECT_EQ(UniversalSource("host:"), "//host");
    EXPECT_EQ(UniversalSource("host:dir"), "//host/dir");
    EXPECT_EQ(UniversalSource("mon1:6789,mon2:6789:/cephdir"), "//mon1:6789,mon2:6789/cephdir");
    EXPECT_EQ(UniversalSource("hostshare"), "//hostshare");
}

TEST(StoredPath, PathsOnNetworkMountsAreNamedByTheirServerAndBack) {
    MountTable table = MountTable::Parse(kMountinfo);
    struct Case {
        const char* local;
        const char* universal;
    };
    for (const Case& c : {Case{"/mnt/nfs/x/y", "//srv/export/x/y"}, Case{"/mnt/nfs", "//srv/export"},
                          Case{"/mnt/share/Docs", "//srv/share/Docs"}, Case{"/mnt/with blank/a", "//srv/Data Set/a"},
                          Case{"/home/u/remote/p", "//user@host/srv/x/p"}, Case{"/mnt/ssh2/q", "//host/q"},
                          Case{"/mnt/whole/data", "//srv2/data"}, Case{"/mnt/v6/z", "//[fe80::1]/exp/z"},
                          Case{"/mnt/9p/t", "//hostshare/t"}, Case{"/mnt/win/A", "//winsrv/Share/A"},
                          Case{"/mnt/stacked/s", "//srv3/top/s"}}) {
        EXPECT_EQ(UniversalNameFromTable(c.local, table), c.universal);
        EXPECT_EQ(LocalPathFromStoredWith(c.universal, table, "thishost"), c.local);
    }
    EXPECT_EQ(UniversalNameFromTable("/mnt/nfs/local/x", table), "/mnt/nfs/local/x"); // a local mount on top
    EXPECT_EQ(UniversalNameFromTable("/srv/data", table), "/srv/data");
    EXPECT_EQ(LocalPathFromStoredWith("//srv/exportx/a", table, "thishost"), "//srv/exportx/a");
    EXPECT_EQ(LocalPathFromStoredWith("//THISHOST/srv/data", table, "thishost"), "/srv/data");
    EXPECT_EQ(LocalPathFromStoredWith("//thishost", table, "thishost"), "/");
    EXPECT_EQ(LocalPathFromStoredWith("/already/local", table, "thishost"), "/already/local");
}

TEST(StoredPath, LocalDirectoriesCarryTheHostAndKeepTheirCase) {
    const std::string host = platform::system::ComputerName();
    EXPECT_EQ(MakeStoredPath("/Data/x/", false), "//" + host + "/Data/x");
    EXPECT_EQ(MakeStoredPath("/data//X/./y", true), "//" + host + "/data/X/y");
    EXPECT_EQ(MakeStoredPath("/", false), "//" + host);
    EXPECT_EQ(MakeStoredPath("//srv/share/", false), "//srv/share");
    EXPECT_EQ(MakeStoredPath("", false), "");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(MakeStoredPath("rel/dir", false), "//" + host + (std::string(cwd) == "/" ? "" : cwd) + "/rel/dir");
    EXPECT_EQ(LocalPathFromStored("//" + host + "/Data/x"), "/Data/x");
    EXPECT_EQ(LocalPathFromStored("//" + host), "/");
    EXPECT_EQ(LocalPathFromStored("//no-such-server-here/x"), "//no-such-server-here/x");
}

TEST(StoredPath, GetUniversalNameLeavesLocalAndRelativePathsAlone) {
    IsolatedEnvironment env;
    app::EnableDebugLog();
    ClearUniversalNameCache();
    testsupport::TempDirectory temp;
    EXPECT_EQ(GetUniversalName(temp.Path(), false), temp.Path());
    EXPECT_EQ(GetUniversalName(temp.Path(), true), temp.Path());
    EXPECT_EQ(GetUniversalName(temp.Path(), true), temp.Path());
    EXPECT_EQ(GetUniversalName("relative/x", false), "relative/x");
    EXPECT_EQ(GetUniversalName("//srv/share", false), "//srv/share");
    EXPECT_NE(testsupport::ReadFile(env.LogFile()).find("GetUniversalName End missing /"), std::string::npos);
    ClearUniversalNameCache();
}

TEST(NormalizePath, AbsoluteHomeExpandedAndSlashesTidiedButLinksKept) {
    IsolatedEnvironment env;
    env.Set("HOME", "/home/someone");
    EXPECT_EQ(NormalizePath("~"), "/home/someone");
    EXPECT_EQ(NormalizePath("~/a//b/./c/"), "/home/someone/a/b/c");
    EXPECT_EQ(NormalizePath("~root/x"), "/root/x");
    EXPECT_EQ(NormalizePath("/a/../b/"), "/a/../b");
    EXPECT_EQ(NormalizePath("////"), "/");
    EXPECT_EQ(NormalizePath("/."), "/");
    EXPECT_EQ(NormalizePath("/srv/./data/."), "/srv/data");
    EXPECT_EQ(NormalizePath(""), "");
    testsupport::TempDirectory temp;
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(temp.Path().c_str()), 0);
    std::string relative = NormalizePath("sub/dir/");
    std::string dot = NormalizePath(".");
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(relative, temp.Path() + "/sub/dir");
    EXPECT_EQ(dot, temp.Path());
}

TEST(ParentDirectory, OneLevelUpAndTheRootStays) {
    EXPECT_EQ(ParentDirectory("/a/b"), "/a");
    EXPECT_EQ(ParentDirectory("/a/b/"), "/a");
    EXPECT_EQ(ParentDirectory("/a"), "/");
    EXPECT_EQ(ParentDirectory("/"), "/");
    EXPECT_EQ(ParentDirectory("/a//b//"), "/a");
}

TEST(ConvertDriveLetterPath, OldDrivePathsBecomePathsOfThisHost) {
    const std::string host = platform::system::ComputerName();
    EXPECT_EQ(ConvertDriveLetterPath("C:\\DATA\\X"), "//" + host + "/C:/DATA/X");
    EXPECT_EQ(ConvertDriveLetterPath("C:\\DATA\\X\\"), "//" + host + "/C:/DATA/X");
    EXPECT_EQ(ConvertDriveLetterPath("d:\\Mixed Case\\it's"), "//" + host + "/d:/Mixed Case/it's");
    EXPECT_EQ(ConvertDriveLetterPath("C:\\"), "//" + host + "/C:");
    EXPECT_EQ(ConvertDriveLetterPath("C:"), "//" + host + "/C:");
    EXPECT_NE(ConvertDriveLetterPath("C:\\A"), ConvertDriveLetterPath("D:\\A"));
    EXPECT_EQ(ConvertDriveLetterPath("/already/local"), "//" + host + "/already/local");
}

// Names are bytes; the stored form is UTF-8 whatever they hold, and leads back to them.
TEST(StoredPath, NamesThatAreNotUtf8RoundTripThroughTheStoredForm) {
    struct Case {
        const char* name;
        std::string bytes;
        bool unchanged; // valid UTF-8 without characters of the escape range
    };
    const Case cases[] = {
        {"ascii", "plain/dir", true},
        {"valid UTF-8", "\xc3\x9c" "n" "\xc3\xaf" "c" "\xc3\xb8" "d" "\xc3\xa9 \xf0\x9f\x98\x80", true},
        {"Latin-1 bytes", "bad\xff\xfeutf8", false},
        {"cut-off sequence", "end\xc3", false},
        {"overlong slash", "\xc0\xaf", false},
        {"surrogate", "\xed\xa0\x80", false},
        {"above U+10FFFF", "\xf4\x90\x80\x80", false},
        {"a real escape-range character", "\xee\xbe\x80", false},
        {"escape character next to the byte it stands for", "\xee\xbf\xbf\xff", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::string stored = EncodeNonUtf8(test.bytes);
        EXPECT_EQ(DecodeNonUtf8(stored), test.bytes);
        EXPECT_EQ(stored == test.bytes, test.unchanged);
        // What the store keeps is valid UTF-8: encoding it again changes nothing but escapes.
        EXPECT_EQ(EncodeNonUtf8(stored).find_first_of("\xff\xfe\xc0\xed\xf4"), std::string::npos);
    }
    EXPECT_NE(EncodeNonUtf8("\xff"), EncodeNonUtf8("\xee\xbf\xbf")) << "a byte and a real character stay apart";

    // Through the stored form of a real directory and back.
    testsupport::TempDirectory directory;
    std::string local = directory / "bad\xff\xfeutf8";
    testsupport::MakeDirectories(local + "/sub");
    std::string stored = MakeStoredPath(local + "/sub", false);
    EXPECT_EQ(stored, "//" + platform::system::ComputerName() + EncodeNonUtf8(local) + "/sub");
    EXPECT_EQ(LocalPathFromStored(stored), local + "/sub");
    EXPECT_EQ(StoredPathBelow(MakeStoredPath(directory.Path(), false), directory.Path(), local),
              MakeStoredPath(local, false));
}
