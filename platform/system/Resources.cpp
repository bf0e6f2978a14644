#include "platform/system/Resources.h"

namespace platform::system {

namespace {
const BrandResource* g_table = nullptr;
std::size_t g_count = 0;
} // namespace

void SetResourceModule(const BrandResource* table, std::size_t count) {
    g_table = table;
    g_count = count;
}

std::optional<std::string_view> FindResource(int type, int id) {
    for (std::size_t i = 0; i < g_count; ++i) {
        if (g_table[i].type == type && g_table[i].id == id) {
            return std::string_view(reinterpret_cast<const char*>(g_table[i].data), g_table[i].size);
        }
    }
    return std::nullopt;
}

std::string LoadString(int id) {
    auto resource = FindResource(BRAND_RT_STRING, id);
    return resource ? std::string(*resource) : std::string();
}

} // namespace platform::system
