/*
 * The brand library's resources as Qt needs them: images, strings and dialog layouts looked up
 * by identifier in the table the program made its resource source at start-up. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_BRANDRESOURCES_H
#define TALLYVOL_APP_UI_BRANDRESOURCES_H

#include <QByteArray>
#include <QPixmap>
#include <QString>

namespace app::ui {

// Resource identifiers of the brand library used by the windows.
inline constexpr int kSplashBitmap = 154;
inline constexpr int kBannerBitmap = 1009;
inline constexpr int kMainIcon = 128;
inline constexpr int kAboutMenuString = 101;
inline constexpr int kScanningString = 104;

// An image resource (a bitmap or an icon); a null pixmap when missing.
QPixmap BrandPixmap(int type, int id);
// A string resource; empty when missing.
QString BrandString(int id);
// The bytes of a dialog layout; empty when missing.
QByteArray DialogTemplate(int id);

} // namespace app::ui

#endif
