/*
 * The brand library: everything that names or presents the product (names, registry key names,
 * vendor addresses, default database names) and every resource the program shows (strings,
 * bitmaps, icons, dialog layouts, pages). The program links it at load time, reads its exported
 * constants by name and looks resources up in its table; a rebrand is a rebuild of this library
 * alone. It holds data only: nothing here is called, and nothing is thrown across it.
 *
 * Texts are UTF-8. Exports have C linkage so that their names are stable.
 */
#ifndef TALLYVOL_BRAND_H
#define TALLYVOL_BRAND_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Names and addresses ---- */
extern const char* const ProductName3218;
extern const char* const FullProductName;
extern const char* const CompanyName;
extern const char* const CompanyURL;
extern const char* const CompanyWebServer;
extern const char* const FeedbackURL;
extern const char* const HomePageURL;
extern const char* const SettingsPageFileName;
extern const char* const TALLYVOLTASKCREATOR;
extern const char* const GlobalRegKey;
extern const char* const GlobalProfileRegKey;
extern const char* const DefaultMDACPage;
extern const char* const DefaultDSNDesc;
extern const char* const DefaultDSNName;
extern const char* const DefaultDatabaseName;
extern const char* const DefaultMySQLDSNName;
extern const char* const AccessDBFile;
extern const char* const HelpFileName;
extern const char* const SupportEmailAddr;
extern const char* const SymbolicLinkDetectionLink;
extern const bool gbAllowVersionCheck;

/* The library's own module handle (its load address), set when the library is loaded. */
extern void* ghBitmapHInst;

/* ---- Resources ---- */

/* Resource types, numbered like the Windows resource types they stand for. */
enum BrandResourceType {
    BRAND_RT_BITMAP = 2,
    BRAND_RT_DIALOG = 5,
    BRAND_RT_STRING = 6,
    BRAND_RT_GROUP_CURSOR = 12,
    BRAND_RT_GROUP_ICON = 14,
    BRAND_RT_HTML = 23
};

struct BrandResource {
    int type;                  /* a BrandResourceType */
    int id;                    /* resource identifier */
    const unsigned char* data; /* raw bytes: PNG image, UTF-8 text, Qt Designer XML */
    size_t size;               /* number of bytes at data (no terminator counted) */
    const char* mediaType;     /* "image/png", "text/plain", "text/html", "application/x-designer" */
};

extern const struct BrandResource BrandResources[];
extern const size_t BrandResourceCount;

#ifdef __cplusplus
}
#endif

#endif
