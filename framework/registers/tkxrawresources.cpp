#include "registers/tkxrawresources.h"

#include <algorithm>

namespace tkx {

const RawResource* FindRawResource(int id) {
    const auto all = EmbeddedResources();
    const auto it =
        std::find_if(all.begin(), all.end(), [id](const auto& r) { return r.Id == id; });
    return it == all.end() ? nullptr : &*it;
}

const RawResource* FindRawResource(std::string_view name) {
    const auto all = EmbeddedResources();
    const auto it =
        std::find_if(all.begin(), all.end(), [name](const auto& r) { return r.Name == name; });
    return it == all.end() ? nullptr : &*it;
}

} // namespace tkx
