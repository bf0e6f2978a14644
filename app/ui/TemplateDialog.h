/*
 * The base of every dialog built from a brand-library template: the layout is loaded into the
 * dialog itself, the shared look applied, and controls are found by their template identifier.
 * Buttons "id1" (OK) and "id2" (Cancel) end the dialog through OnOK and OnCancel, which a
 * dialog may override; Exec returns the Windows result (IDOK, IDCANCEL).
 *
 * readControls ("read the controls into the members") and pushControls ("push the members into
 * the controls") are each dialog's data exchange. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_TEMPLATEDIALOG_H
#define TALLYVOL_APP_UI_TEMPLATEDIALOG_H

#include <QDialog>

#include <stdexcept>

namespace app::ui {

// A control a dialog needs is missing from its template (a broken brand library).
class MissingControl : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowMissingControl(int templateId, int id);

// The control "id<id>" that a template loaded below `owner`, or null.
template <typename T> T* FindTemplateControl(const QObject& owner, int id) {
    return owner.findChild<T*>(QStringLiteral("id%1").arg(id));
}
// The same; throws MissingControl naming the template when it lacks the control.
template <typename T> T* TemplateControl(const QObject& owner, int templateId, int id) {
    T* control = FindTemplateControl<T>(owner, id);
    if (control == nullptr) {
        ThrowMissingControl(templateId, id);
    }
    return control;
}

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    // Loads template `templateId`; throws MissingControl when it cannot be loaded.
    explicit TemplateDialog(int templateId, QWidget* parent = nullptr);

    int TemplateId() const { return m_templateId; }

    // The control with the identifier, or null.
    template <typename T> T* FindControl(int id) const { return FindTemplateControl<T>(*this, id); }
    // The control with the identifier; throws MissingControl when the template lacks it.
    template <typename T> T* Control(int id) const { return TemplateControl<T>(*this, m_templateId, id); }

    // Runs the dialog modally (through RunModal, so tests can answer it): IDOK or IDCANCEL.
    int Exec();

    virtual void readControls() {}
    virtual void pushControls() {}

protected slots:
    virtual void OnOK();
    virtual void OnCancel();

protected:
    void reject() override; // Escape and the window's close button are Cancel

private:
    int m_templateId;
};

} // namespace app::ui

#endif
