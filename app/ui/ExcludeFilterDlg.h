/*
 * The exclusion filters of one scan root (template 182): the explanation of how filters work
 * and a multi-line box of at most 254 characters, one fragment per line. OK stores the text
 * with the scan engine's SetFilters; Cancel stores nothing. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_EXCLUDEFILTERDLG_H
#define TALLYVOL_APP_UI_EXCLUDEFILTERDLG_H

#include "app/ui/TemplateDialog.h"

#include <string>

class QPlainTextEdit;

namespace scan {
class CScanInfo;
}

namespace app::ui {

class ExcludeFilterDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 182;
    static constexpr int kFilters = 1232;
    static constexpr int kMaxCharacters = 254;

    ExcludeFilterDlg(scan::CScanInfo& scanInfo, std::string path, QWidget* parent);

    void readControls() override;
    void pushControls() override;

    std::string m_filters;

protected slots:
    void OnOK() override;

private:
    void limitText();

    scan::CScanInfo& m_scanInfo;
    std::string m_path;
    QPlainTextEdit* m_edit;
};

} // namespace app::ui

#endif
