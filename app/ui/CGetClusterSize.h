/*
 * The cluster-size overrides (template 155): a list of "<directory>\t<size in bytes>" lines shown
 * in two columns, a directory and a size field with Add and Remove. The list is read from the
 * machine settings when the window opens and stored, replacing the whole previous list, on OK;
 * Cancel stores nothing. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CGETCLUSTERSIZE_H
#define TALLYVOL_APP_UI_CGETCLUSTERSIZE_H

#include "app/ui/TemplateDialog.h"

#include <string>
#include <vector>

class QLineEdit;
class QTreeWidget;

namespace app::ui {

class CGetClusterSize : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 155;
    static constexpr int kList = 1199;
    static constexpr int kPath = 1081;
    static constexpr int kSize = 1150;
    static constexpr int kAdd = 1201;
    static constexpr int kRemove = 1203;
    // The list's tab stop, 200 dialog units, in pixels of the dialog's font.
    static constexpr int kTabStopDialogUnits = 200;

    explicit CGetClusterSize(QWidget* parent);

    // Reads the fields; false (after the range prompt) when the size is not 1 to 99999999.
    bool ReadFields();
    void readControls() override { ReadFields(); }
    void pushControls() override;

    const std::vector<std::string>& Lines() const { return m_lines; }

    std::string m_path;
    unsigned m_size = 0;

private slots:
    void OnAdd();
    void OnRemove();

protected slots:
    void OnOK() override;

private:
    void OnInitDialog();
    int selectedLine() const;

    std::vector<std::string> m_lines;
    QTreeWidget* m_list;
    QLineEdit* m_pathEdit;
    QLineEdit* m_sizeEdit;
};

} // namespace app::ui

#endif
