#include "app/ui/CGetClusterSize.h"

#include "app/FixedClusterSizes.h"
#include "app/base/DiagnosticLog.h"
#include "app/ui/NumberField.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

namespace app::ui {

namespace ui = platform::ui;

CGetClusterSize::CGetClusterSize(QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_list(Control<QTreeWidget>(kList)), m_pathEdit(Control<QLineEdit>(kPath)),
      m_sizeEdit(Control<QLineEdit>(kSize)) {
    // A dialog unit across is a quarter of the font's average character width.
    m_list->setColumnWidth(0, kTabStopDialogUnits * QFontMetrics(m_list->font()).averageCharWidth() / 4);
    m_list->header()->setStretchLastSection(true);
    connect(Control<QAbstractButton>(kAdd), &QAbstractButton::clicked, this, &CGetClusterSize::OnAdd);
    connect(Control<QAbstractButton>(kRemove), &QAbstractButton::clicked, this, &CGetClusterSize::OnRemove);
    OnInitDialog();
}

void CGetClusterSize::OnInitDialog() {
    try {
        m_lines = FixedClusterSizes::ReadLines();
        pushControls();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CGetClusterSize::OnInitDialog\n");
    }
}

bool CGetClusterSize::ReadFields() {
    m_path = m_pathEdit->text().toStdString();
    long long size = 0;
    if (!ReadNumberField(*m_sizeEdit, FixedClusterSizes::kMinSize, FixedClusterSizes::kMaxSize, &size)) {
        return false;
    }
    m_size = static_cast<unsigned>(size);
    return true;
}

void CGetClusterSize::pushControls() {
    int selected = selectedLine();
    m_list->clear();
    for (const std::string& line : m_lines) {
        QString text = QString::fromStdString(line);
        qsizetype tab = text.lastIndexOf(QLatin1Char('\t'));
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, text.left(tab));
        item->setText(1, tab < 0 ? QString() : text.mid(tab + 1));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (selected >= 0 && selected < m_list->topLevelItemCount()) {
        m_list->setCurrentItem(m_list->topLevelItem(selected));
    }
}

int CGetClusterSize::selectedLine() const {
    QTreeWidgetItem* item = m_list->currentItem();
    return item != nullptr && item->isSelected() ? m_list->indexOfTopLevelItem(item) : -1;
}

void CGetClusterSize::OnAdd() {
    try {
        if (!ReadFields()) {
            return;
        }
        if (m_path.empty()) {
            ui::UI().MessageBox("Please fill in a directory path for which you are specifying the cluster size.",
                                "No Directory", ui::MB_OK);
            m_pathEdit->setFocus();
            return;
        }
        m_lines.push_back(FixedClusterSizes::Line(m_path, m_size));
        pushControls();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CGetClusterSize::OnAdd\n");
    }
}

void CGetClusterSize::OnRemove() {
    try {
        int selected = selectedLine();
        if (selected < 0) {
            ui::UI().MessageBox("Select a directory-cluster setting to remove and try again.", "No Selection", ui::MB_OK);
            return;
        }
        m_lines.erase(m_lines.begin() + selected);
        m_list->setCurrentItem(nullptr);
        pushControls();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CGetClusterSize::OnRemove\n");
    }
}

void CGetClusterSize::OnOK() {
    try {
        if (!FixedClusterSizes::ReplaceWithLines(m_lines)) {
            TV_DEBUG_LOG("The cluster size overrides could not be stored");
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CGetClusterSize::OnOK\n");
    }
    TemplateDialog::OnOK();
}

} // namespace app::ui
