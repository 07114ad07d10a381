#include "devices/tkxversionrecordcls.h"
#include "registers/tkxregdefslistcmp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The input is the "Versions" value of a definition file. Splitting it and trying every
// pattern against a few device versions must never crash, and every item must come from the
// text: an item can never be longer than the text it was split from.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string versions(reinterpret_cast<const char*>(data), size);
    for (const auto& item : SplitCommaText(versions)) {
        if (item.size() > versions.size()) {
            std::abort();
        }
    }
    TkxRegDefsList list;
    list.SetText("[Versions]\nVersions=" + versions + "\n");
    static const TkxVersionRecord devices[] = {TkxVersionRecord("QX440v123"),
                                               TkxVersionRecord("QXP610_QX430-2Av321-ST"),
                                               TkxVersionRecord("QX460- 2v400")};
    for (const auto& device : devices) {
        list.SupportsVersion(&device);
    }
    return 0;
}
