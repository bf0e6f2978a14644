// Exported constants of the brand library; the resource table is generated at build time.
#include "brand/Brand.h"

#include <dlfcn.h>


extern "C" {

const char* const ProductName3218 = "Tallyvol";
const char* const FullProductName = "Tallyvol Disk Space Tracker";
const char* const CompanyName = "Corvane LLC";
const char* const CompanyURL = "https://www.corvane.example";
const char* const CompanyWebServer = "www.corvane.example";
const char* const FeedbackURL = "https://www.corvane.example/contact.aspx";
const char* const HomePageURL = "https://www.corvane.example/tallyvol";
const char* const SettingsPageFileName = "settings2.asp";
const char* const TALLYVOLTASKCREATOR = "Tallyvol";
const char* const GlobalRegKey = "software\\Tallyvol";
const char* const GlobalProfileRegKey = "software\\CorvaneTallyvol\\%s";
const char* const DefaultMDACPage = "https://www.corvane.example/Tallyvol/MDAC.aspx";
const char* const DefaultDSNDesc = "Corvane Tallyvol";
const char* const DefaultDSNName = "CVTallyvol";
const char* const DefaultDatabaseName = "Tallyvol";
const char* const DefaultMySQLDSNName = "CVTallyvol_MySQL";
// The included store is an SQLite file on this platform, so its name says so.
const char* const AccessDBFile = "tallyvol3.db";
// The help is an HTML document on this platform.
const char* const HelpFileName = "tallyvol help.html";
const char* const SupportEmailAddr = "support@corvane.example";
const char* const SymbolicLinkDetectionLink = "https://www.corvane.example/help/TVSymLinks.aspx";
const bool gbAllowVersionCheck = true;

void* ghBitmapHInst = nullptr;

} // extern "C"


namespace {

// Records the library's load address as its module handle, the way a Windows DLL learns its
// instance handle when it is attached to the process.
__attribute__((constructor)) void attachBrandLibrary() {
    // A function's address, not an exported object's: a program that references the exported
    // objects may hold copies of them in its own image.
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&attachBrandLibrary), &info) != 0) {
        ghBitmapHInst = info.dli_fbase;
    }
}

} // namespace
