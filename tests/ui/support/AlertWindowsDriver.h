/*
 * What the tests of the alert windows share: reading a list control's lines, pressing a button,
 * selecting a line, filling the alert editor, and storing a notification profile. Header-only;
 * GUI thread.
 */
#ifndef TALLYVOL_TESTS_UI_SUPPORT_ALERTWINDOWSDRIVER_H
#define TALLYVOL_TESTS_UI_SUPPORT_ALERTWINDOWSDRIVER_H

#include "alerts/Notification.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <algorithm>
#include <string>
#include <vector>

namespace uitest {

inline QStringList Lines(const QWidget& window, int list) {
    QStringList texts;
    auto* widget = ControlOf<QListWidget>(window, list);
    for (int row = 0; row < widget->count(); ++row) {
        texts.append(widget->item(row)->text());
    }
    return texts;
}

inline void Click(const QWidget& window, int id) {
    ControlOf<QAbstractButton>(window, id)->click();
}

inline void Select(const QWidget& window, int list, int row) {
    ControlOf<QListWidget>(window, list)->setCurrentRow(row);
}

// Fills the alert editor: directory, type (-1 leaves the buttons), value, and ticks exactly the
// profile lines of these identifiers.
inline void FillAlertEditor(QWidget& editor, const QString& directory, int type, const QString& value,
                            const std::vector<int>& pids) {
    using alerts::ui::CreateAlertDlg;
    ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->setCurrentText(directory);
    if (type >= 0) {
        ControlOf<QRadioButton>(editor, CreateAlertDlg::kTypeButtons[static_cast<std::size_t>(type)])->click();
    }
    ControlOf<QLineEdit>(editor, CreateAlertDlg::kValue)->setText(value);
    auto* profiles = ControlOf<QListWidget>(editor, CreateAlertDlg::kProfiles);
    for (int row = 0; row < profiles->count(); ++row) {
        int pid = profiles->item(row)->data(Qt::UserRole).toInt();
        bool tick = std::find(pids.begin(), pids.end(), pid) != pids.end();
        profiles->item(row)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
}

// Stores a new profile in PROFILES.INI; returns its identifier.
inline int SaveProfile(const std::string& description, int type, const std::string& str1 = {},
                       const std::string& str2 = {}) {
    alerts::Notification created;
    created.Description = description;
    created.Type = type;
    created.Str1 = str1;
    created.Str2 = str2;
    created.Save();
    return created.PID;
}

} // namespace uitest

#endif
