// The brand library as the program sees it: exported constants, its module handle and its
// resources.
#include "brand/Brand.h"
#include "platform/system/Resources.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

struct PngSize {
    unsigned width = 0;
    unsigned height = 0;
};

// Reads the image size from the PNG signature and IHDR chunk.
PngSize pngSize(std::string_view bytes) {
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 24 || std::memcmp(bytes.data(), signature, 8) != 0 || bytes.substr(12, 4) != "IHDR") {
        return {};
    }
    auto be32 = [&bytes](std::size_t at) {
        auto b = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
        return (unsigned(b[0]) << 24) | (unsigned(b[1]) << 16) | (unsigned(b[2]) << 8) | unsigned(b[3]);
    };
    return {be32(16), be32(20)};
}

} // namespace

TEST(Brand, ExportsCarryTheProductValues) {
    EXPECT_STREQ(ProductName3218, "Tallyvol");
    EXPECT_STREQ(FullProductName, "Tallyvol Disk Space Tracker");
    EXPECT_STREQ(GlobalRegKey, "software\\Tallyvol");
    EXPECT_STREQ(DefaultDSNName, "CVTallyvol");
    EXPECT_STREQ(SettingsPageFileName, "settings2.asp");
    EXPECT_STREQ(HomePageURL, "https://www.corvane.example/tallyvol");
    EXPECT_STREQ(FeedbackURL, "https://www.corvane.example/contact.aspx");
    EXPECT_STREQ(DefaultMDACPage, "https://www.corvane.example/Tallyvol/MDAC.aspx");
    EXPECT_STREQ(SymbolicLinkDetectionLink, "https://www.corvane.example/help/TVSymLinks.aspx");
    EXPECT_STREQ(SupportEmailAddr, "support@corvane.example");
    EXPECT_TRUE(gbAllowVersionCheck);
}

TEST(Brand, ExportsHaveCLinkageAndTheHandleIsTheLibrarysOwn) {
    EXPECT_NE(dlsym(RTLD_DEFAULT, "ProductName3218"), nullptr);
    EXPECT_NE(dlsym(RTLD_DEFAULT, "BrandResources"), nullptr);
    ASSERT_NE(ghBitmapHInst, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(ghBitmapHInst, &info), 0);
    EXPECT_NE(std::string(info.dli_fname).find("libbrand.so"), std::string::npos) << info.dli_fname;
    EXPECT_EQ(ghBitmapHInst, info.dli_fbase);
}

TEST(Brand, StringsAndPagesAreFoundByIdentifier) {
    platform::system::SetResourceModule(BrandResources, BrandResourceCount);
    EXPECT_EQ(platform::system::LoadString(101), "&About Tallyvol...");
    EXPECT_EQ(platform::system::LoadString(104), "Scanning ...");
    EXPECT_EQ(platform::system::LoadString(109), "Tallyvol Scan Progress");
    EXPECT_EQ(platform::system::LoadString(99999), "");
    auto page = platform::system::FindResource(BRAND_RT_HTML, 110);
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("id=\"DirExploreDlg\""), std::string_view::npos);
}

TEST(Brand, BitmapsAndIconsArePngImagesOfTheRightSize) {
    platform::system::SetResourceModule(BrandResources, BrandResourceCount);
    struct Expected {
        int type, id;
        unsigned width, height;
    };
    for (Expected e : {Expected{BRAND_RT_BITMAP, 154, 280, 100}, Expected{BRAND_RT_BITMAP, 1009, 1600, 36},
                       Expected{BRAND_RT_BITMAP, 190, 562, 418}, Expected{BRAND_RT_GROUP_ICON, 128, 64, 64},
                       Expected{BRAND_RT_GROUP_ICON, 195, 64, 64}, Expected{BRAND_RT_GROUP_ICON, 196, 64, 64},
                       Expected{BRAND_RT_GROUP_ICON, 197, 64, 64}}) {
        auto image = platform::system::FindResource(e.type, e.id);
        ASSERT_TRUE(image) << e.id;
        PngSize size = pngSize(*image);
        EXPECT_EQ(size.width, e.width) << e.id;
        EXPECT_EQ(size.height, e.height) << e.id;
    }
}
