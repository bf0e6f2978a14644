#include "alerts/ui/windows/NotificationType.h"

#include "alerts/DeliverAlert.h"
#include "app/base/DiagnosticLog.h"
#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>

#include <map>
#include <vector>

namespace alerts::ui {

namespace pui = platform::ui;
using platform::system::StringPrintf;

namespace {

struct Means {
    int type;
    int button;
    const char* proposal;    // the description proposed for the means
    std::vector<int> fields; // the edits (and their labels' buddies) the means uses
};

const std::vector<Means>& allMeans() {
    static const std::vector<Means> kMeans = {
        {kMessageBox, NotificationType::kMessageBoxButton, "Message Box", {}},
        {kRunProgram, NotificationType::kRunButton, "Run <fill in>",
         {NotificationType::kCommandLine, NotificationType::kCommandNote}},
        {kEMail, NotificationType::kEMailButton, "Email for <fill in>",
         {NotificationType::kTo, NotificationType::kServer, NotificationType::kFrom}},
        {kEventLog, NotificationType::kEventLogButton, "Event Log Error", {}},
        {kPage, NotificationType::kPagerButton, "Page <fill in>",
         {NotificationType::kPagerID, NotificationType::kPagingServer}},
    };
    return kMeans;
}

// The labels in front of the edits, which follow their edit's state.
const std::map<int, const char*>& fieldLabels() {
    static const std::map<int, const char*> kLabels = {
        {NotificationType::kCommandLine, "label165command"},
        {NotificationType::kTo, "label165to"},
        {NotificationType::kFrom, "label165from"},
        {NotificationType::kServer, "label165server"},
        {NotificationType::kPagerID, "label165pager"},
        {NotificationType::kPagingServer, "label165pagingServer"},
    };
    return kLabels;
}

// The "|"-separated pieces of an e-mail profile's Str1, empty ones skipped.
std::vector<std::string> addressPieces(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t bar = text.find('|', start);
        std::string piece = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (!piece.empty()) {
            pieces.push_back(piece);
        }
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    return pieces;
}

} // namespace

NotificationType::NotificationType(QWidget* parent) : TemplateDialog(kTemplate, parent) {
    OnInitDialog(true);
}

NotificationType::NotificationType(int pid, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_profile(pid) {
    OnInitDialog(false);
}

void NotificationType::OnInitDialog(bool newProfile) {
    if (!newProfile) {
        m_description = m_profile.Description;
        if (m_profile.Type == kRunProgram) {
            m_commandLine = m_profile.Str1;
        } else if (m_profile.Type == kEMail) {
            std::vector<std::string> pieces = addressPieces(m_profile.Str1);
            m_to = pieces.size() > 0 ? pieces[0] : std::string();
            m_from = pieces.size() > 1 ? pieces[1] : std::string();
            m_server = m_profile.Str2;
        } else if (m_profile.Type == kPage) {
            m_pagerID = m_profile.Str1;
            m_pagingServer = m_profile.Str2;
        }
    }
    pushControls();

    const std::pair<int, void (NotificationType::*)()> handlers[] = {
        {kMessageBoxButton, &NotificationType::OnMessageBox}, {kRunButton, &NotificationType::OnRun},
        {kEMailButton, &NotificationType::OnEMail},           {kEventLogButton, &NotificationType::OnEventLog},
        {kPagerButton, &NotificationType::OnPager}};
    for (const auto& [id, handler] : handlers) {
        connect(Control<QRadioButton>(id), &QRadioButton::clicked, this, handler);
    }
    connect(Control<QAbstractButton>(kSendTest), &QAbstractButton::clicked, this,
            &NotificationType::OnSendTest);

    // The system log is there on every Linux system: its button stays enabled.
    int type = m_profile.Type;
    for (const Means& means : allMeans()) {
        if (means.type == type) {
            Control<QRadioButton>(means.button)->setChecked(true);
        }
    }
    selectType(type);
}

void NotificationType::readControls() {
    auto text = [this](int id) { return Control<QLineEdit>(id)->text().toStdString(); };
    m_description = text(kDescription);
    m_commandLine = text(kCommandLine);
    m_to = text(kTo);
    m_server = text(kServer);
    m_from = text(kFrom);
    m_pagerID = text(kPagerID);
    m_pagingServer = text(kPagingServer);
}

void NotificationType::pushControls() {
    auto set = [this](int id, const std::string& value) {
        Control<QLineEdit>(id)->setText(QString::fromStdString(value));
    };
    set(kDescription, m_description);
    set(kCommandLine, m_commandLine);
    set(kTo, m_to);
    set(kServer, m_server);
    set(kFrom, m_from);
    set(kPagerID, m_pagerID);
    set(kPagingServer, m_pagingServer);
}

void NotificationType::selectType(int type) {
    m_profile.Type = type;
    auto* description = Control<QLineEdit>(kDescription);
    std::string current = description->text().toStdString();
    bool proposed = current.empty();
    for (const Means& means : allMeans()) {
        proposed = proposed || current == means.proposal;
    }
    for (const Means& means : allMeans()) {
        for (int field : means.fields) {
            Control<QWidget>(field)->setEnabled(means.type == type);
            auto label = fieldLabels().find(field);
            if (label != fieldLabels().end()) {
                if (auto* widget = findChild<QWidget*>(QString::fromLatin1(label->second))) {
                    widget->setEnabled(means.type == type);
                }
            }
        }
        if (means.type == type && proposed) {
            description->setText(QString::fromUtf8(means.proposal));
        }
    }
}

void NotificationType::OnMessageBox() {
    selectType(kMessageBox);
}

void NotificationType::OnRun() {
    selectType(kRunProgram);
}

void NotificationType::OnEMail() {
    selectType(kEMail);
}

void NotificationType::OnEventLog() {
    selectType(kEventLog);
}

void NotificationType::OnPager() {
    selectType(kPage);
}

void NotificationType::store() {
    readControls();
    switch (m_profile.Type) {
    case kRunProgram:
        m_profile.Str1 = m_commandLine;
        break;
    case kEMail:
        m_profile.Str1 = m_from.empty() ? m_to : m_to + "|" + m_from;
        m_profile.Str2 = m_server;
        break;
    case kPage:
        m_profile.Str1 = m_pagerID;
        m_profile.Str2 = m_pagingServer;
        break;
    default:
        break; // a message box and the system log need neither text
    }
    m_profile.Description = m_description;
    m_profile.Save();
}

void NotificationType::OnSendTest() {
    try {
        store();
        // No wait cursor: a fallback's message box may open inside the delivery.
        DeliverAlert(m_profile, kTestDirectory, StringPrintf(kTestMessage, m_profile.Description.c_str()),
                     kTestSize);
        pui::UI().MessageBox("Notification Sent", StringPrintf("%s Notification Profiles", ProductName3218),
                             pui::MB_OK);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnSendTest\n");
    }
}

void NotificationType::OnOK() {
    try {
        readControls();
        if (m_description.empty()) {
            pui::UI().MessageBox("Please enter a description for this notification", "No Description", pui::MB_OK);
            Control<QLineEdit>(kDescription)->setFocus();
            return;
        }
        store();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in NotificationType::OnOK\n");
        return;
    }
    TemplateDialog::OnOK();
}

} // namespace alerts::ui
