#include "app/ui/CAboutDlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "app/ui/BrandResources.h"
#include "app/ui/CStaticLink.h"
#include "app/ui/WindowHooks.h"
#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/SystemInfo.h"

#include <QAbstractButton>
#include <QLabel>

namespace app::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(kTemplate, parent) {
    platform::system::ProgramVersion version = platform::system::GetProgramVersion();
    Control<QLabel>(kPicture)->setPixmap(BrandPixmap(BRAND_RT_BITMAP, kSplashBitmap));
    Control<QLabel>(kVersion)->setText(QString::fromStdString(platform::system::StringPrintf(
        "%s Version %d.%d (Build %d)", ProductName3218, version.major, version.minor, version.build)));
    Control<QLabel>(kEmail)->setText(QString::fromStdString(GetSetting(settings::EMailAddr)));
    auto* homePage = Control<CStaticLink>(kHomePage);
    homePage->setText(QString::fromStdString(GetSetting(settings::HomePage)));
    connect(Control<QAbstractButton>(kUpdateCheck), &QAbstractButton::clicked, this, &CAboutDlg::OnUpdateCheck);
}

void CAboutDlg::Show(QWidget* parent) {
    try {
        CAboutDlg about(parent);
        about.Exec();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CAboutDlg\n");
    }
}

void CAboutDlg::OnUpdateCheck() {
    if (WindowHooks::Instance().aboutUpdateCheck) {
        WindowHooks::Instance().aboutUpdateCheck(*this);
    }
}

} // namespace app::ui
