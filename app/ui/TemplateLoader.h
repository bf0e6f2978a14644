/*
 * Builds a dialog from its layout in the brand library: the Qt Designer file of the template
 * is read from memory, the root object becomes the dialog the caller already made (so a class
 * of ours owns the controls) and the program's own control classes (DrawButton, CStaticLink,
 * CGrid) are made where the layout names them. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_TEMPLATELOADER_H
#define TALLYVOL_APP_UI_TEMPLATELOADER_H

#include <QUiLoader>

namespace app::ui {

class TemplateLoader : public QUiLoader {
public:
    // `root` receives the template's root properties (geometry, title) and its controls.
    explicit TemplateLoader(QWidget& root);

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override;

    // Loads dialog template `id` into the root; false with a reason when it is missing or broken.
    bool Load(int id, QString* error);

private:
    QWidget& m_root;
    bool m_rootGiven = false;
};

} // namespace app::ui

#endif
