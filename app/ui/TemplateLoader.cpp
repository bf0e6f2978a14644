#include "app/ui/TemplateLoader.h"

#include "app/ui/BrandResources.h"
#include "app/ui/CStaticLink.h"
#include "app/ui/DrawButton.h"
#include "grid/CGrid.h"

#include <QBuffer>

namespace app::ui {

TemplateLoader::TemplateLoader(QWidget& root) : m_root(root) {}

QWidget* TemplateLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    QWidget* widget = nullptr;
    if (parent == nullptr && !m_rootGiven) {
        m_rootGiven = true;
        widget = &m_root;
    } else if (className == QLatin1String("DrawButton")) {
        widget = new DrawButton(parent);
    } else if (className == QLatin1String("CStaticLink")) {
        widget = new CStaticLink(parent);
    } else if (className == QLatin1String("CGrid")) {
        widget = new grid::CGrid(parent);
    } else {
        return QUiLoader::createWidget(className, parent, name);
    }
    widget->setObjectName(name);
    return widget;
}

bool TemplateLoader::Load(int id, QString* error) {
    QByteArray bytes = DialogTemplate(id);
    if (bytes.isEmpty()) {
        if (error != nullptr) {
            *error = QStringLiteral("dialog template %1 is missing from the brand library").arg(id);
        }
        return false;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QWidget* loaded = load(&buffer, nullptr);
    if (loaded != &m_root) {
        delete loaded;
        if (error != nullptr) {
            *error = QStringLiteral("dialog template %1 cannot be read: %2").arg(id).arg(errorString());
        }
        return false;
    }
    return true;
}

} // namespace app::ui
