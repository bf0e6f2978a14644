#include "app/ui/BrandResources.h"

#include "platform/system/Resources.h"

namespace app::ui {

QPixmap BrandPixmap(int type, int id) {
    QPixmap pixmap;
    if (auto bytes = platform::system::FindResource(type, id)) {
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<uint>(bytes->size()), "PNG");
    }
    return pixmap;
}

QString BrandString(int id) {
    return QString::fromStdString(platform::system::LoadString(id));
}

QByteArray DialogTemplate(int id) {
    auto bytes = platform::system::FindResource(BRAND_RT_DIALOG, id);
    return bytes ? QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())) : QByteArray();
}

} // namespace app::ui
