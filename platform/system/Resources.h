/*
 * Resource lookup, in the manner of FindResource/LoadString: the program names one module (the
 * brand library's table) as the source of every resource at start-up, and looks strings,
 * images and layouts up by type and identifier.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_RESOURCES_H
#define TALLYVOL_PLATFORM_SYSTEM_RESOURCES_H

#include "brand/Brand.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform::system {

// Makes the table the source of every resource.
void SetResourceModule(const BrandResource* table, std::size_t count);

// The bytes of the resource; nothing when no source is set or it holds no such resource.
std::optional<std::string_view> FindResource(int type, int id);

// The string resource, empty when missing.
std::string LoadString(int id);

} // namespace platform::system

#endif
