#pragma once

#include <span>
#include <string_view>

namespace tkx {

// A text compiled into the program from the source tree's resource folder.
struct RawResource {
    int Id;
    std::string_view Name;
    std::string_view Data;
};

// All resources of the program, in file-name order.
std::span<const RawResource> EmbeddedResources();

// The resource with that number or name, or null.
const RawResource* FindRawResource(int id);
const RawResource* FindRawResource(std::string_view name);

} // namespace tkx
