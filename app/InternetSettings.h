/*
 * The internet settings page: a small text page on the vendor's web site whose lines announce
 * the newest version numbers, set settings remotely and carry one-time messages for users of
 * given versions. DownloadInternetSettings fetches the page (address: HomePage with its last
 * segment replaced by PageName3) into the temporary download file and applies every line;
 * ProcessInternetLineSetting applies one:
 *
 *   REG<any character><name>-<value>   a setting: machine store when the name is one of the
 *                                       migrated machine settings, else the per-user "Settings";
 *                                       an integer when "%d" of its leading integer gives back
 *                                       the value text exactly, else a string
 *   MSG_<op>_<major>.<minor>.<build>_<number>:<text>
 *                                       a message for programs whose version is below ("<"),
 *                                       equal to ("=") or above (">") the one named, shown once
 *                                       (its number must pass HighestMsgNum)
 *
 * The page comes from outside, so it is handled as hostile: a page over 1 MiB counts as a
 * failed download; lines over 4096 bytes, lines that are not clean UTF-8 text, and setting
 * names that are empty, over 255 bytes or hold "[", "]" or control characters are ignored;
 * at most 100 settings and 10 messages are taken from one page.
 *
 * Runs on the thread of its caller (the update check's worker, or the GUI thread); messages go
 * through the owner.
 */
#ifndef TALLYVOL_APP_INTERNETSETTINGS_H
#define TALLYVOL_APP_INTERNETSETTINGS_H

#include "app/IUpdateCheckOwner.h"
#include "app/UpdateStatus.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace app {

class InternetSettings {
public:
    static constexpr std::size_t kMaxPageBytes = 1 << 20;
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::size_t kMaxNameBytes = 255;
    static constexpr int kMaxSettingsPerPage = 100;
    static constexpr int kMaxMessagesPerPage = 10;
    static constexpr long kConnectTimeoutMilliseconds = 5000;
    static constexpr long kTotalTimeoutMilliseconds = 8000;

    // `cancelled`, when given, stops the download and any message not yet shown.
    explicit InternetSettings(IUpdateCheckOwner& owner, ProgramVersion own = OwnProgramVersion(),
                              std::function<bool()> cancelled = {});

    // Downloads the page and applies its lines. True when a page was downloaded. Any exception
    // sets LatestMajor, LatestMinor and LatestBuild to 0 (the state becomes "cannot tell").
    bool Download();
    // Applies one line of the page.
    void ProcessLine(const std::string& line);

    // The page's address: everything from the home page address's last "/" on gives way to "/"
    // and the page name.
    static std::string PageAddress(const std::string& homePage, const std::string& pageName);
    // The page's non-empty lines, split at carriage returns and line feeds.
    static std::vector<std::string> SplitLines(const std::string& page);
    // The value as an integer when "%d" of its leading integer gives back exactly the text.
    static bool IntegerValue(const std::string& text, int* value);

private:
    void processSetting(const std::string& line);
    void processMessage(const std::string& line);

    IUpdateCheckOwner& m_owner;
    ProgramVersion m_own;
    std::function<bool()> m_cancelled;
    int m_settingsTaken = 0;
    int m_messagesShown = 0;
};

// Downloads the internet settings page and applies it (one InternetSettings per call).
void DownloadInternetSettings(IUpdateCheckOwner& owner, const std::function<bool()>& cancelled = {});
// Applies one line on its own.
void ProcessInternetLineSetting(const std::string& line, IUpdateCheckOwner& owner);

} // namespace app

#endif
