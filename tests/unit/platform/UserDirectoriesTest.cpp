// The documents directory as the desktop's user-dirs file names it.
#include "platform/system/UserDirectories.h"

#include <gtest/gtest.h>

using platform::system::UserDirectoryEntry;

TEST(UserDirectories, EntriesAreReadAsTheShellWouldSourceThem) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n",
         "/home/u/Documents"},
        {"XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n", "/srv/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\" \\$x\"\n", "/home/u/My \"Docs\" $x"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"\n",
         "/home/u/b"}, // the last one counts
        {"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "/home/u"},
        {"XDG_DOCUMENTS_DIR=\"relative/dir\"\n", ""},
        {"XDG_DOCUMENTS_DIR=$HOME/unquoted\n", ""},
        {"XDG_DOCUMENTS_DIRX=\"$HOME/x\"\nMY_XDG_DOCUMENTS_DIR=\"/y\"\n", ""},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserDirectoryEntry(c.text, "XDG_DOCUMENTS_DIR", "/home/u"), c.expected) << c.text;
    }
}
