/*
 * The base of the database configuration wizard's pages: a wizard page built from a
 * brand-library template (the layout is loaded into the page itself, the shared look applied),
 * with the property-page handlers the wizard calls: OnSetActive each time the page becomes the
 * current one, in either direction, and OnWizardNext when Next (or Finish) is pressed, which
 * keeps the page when it returns false. Owned by its ConfigureDBSheet. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_TEMPLATEWIZARDPAGE_H
#define TALLYVOL_DBCONFIG_UI_TEMPLATEWIZARDPAGE_H

#include "app/ui/TemplateDialog.h"

#include <QWizardPage>

namespace dbconfig::ui {

class ConfigureDBSheet;

class TemplateWizardPage : public QWizardPage {
    Q_OBJECT
public:
    // Loads template `templateId`; throws app::ui::MissingControl when it cannot be loaded.
    TemplateWizardPage(int templateId, ConfigureDBSheet& sheet);

    int TemplateId() const { return m_templateId; }

    template <typename T> T* FindControl(int id) const { return app::ui::FindTemplateControl<T>(*this, id); }
    // Throws app::ui::MissingControl when the template lacks the control.
    template <typename T> T* Control(int id) const {
        return app::ui::TemplateControl<T>(*this, m_templateId, id);
    }

    virtual void OnSetActive() {}
    // False keeps the wizard on the page.
    virtual bool OnWizardNext() { return true; }

    virtual void readControls() {}
    virtual void pushControls() {}

    // Next and Finish reach the page here; a failure inside stays on the page.
    bool validatePage() override;

protected:
    ConfigureDBSheet& Sheet() const { return m_sheet; }

private:
    int m_templateId;
    ConfigureDBSheet& m_sheet;
};

} // namespace dbconfig::ui

#endif
