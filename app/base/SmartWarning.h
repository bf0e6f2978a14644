/*
 * A warning the user can silence: it carries a key, and once "Don't show this message again"
 * was ticked for that key (per-user section "WarningDlg") it is never shown again.
 */
#ifndef TALLYVOL_APP_BASE_SMARTWARNING_H
#define TALLYVOL_APP_BASE_SMARTWARNING_H

#include <string>

namespace app {

class SmartWarning {
public:
    SmartWarning(std::string text, std::string key) : m_text(std::move(text)), m_key(std::move(key)) {}

    // 0 at once when the warning is silenced; otherwise the window's result (IDOK or IDCANCEL),
    // after storing the state of its check box under the key.
    int DoModal();

private:
    std::string m_text;
    std::string m_key;
};

} // namespace app

#endif
