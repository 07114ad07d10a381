#include "devices/tkxconfigfilecls.h"
#include "devices/tkxdevicefactorycls.h"
#include "devices/tkxdeviceqxslavecls.h"
#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxversionrecordcls.h"
#include "fuzzbuffer.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::uint8_t> BytesOf(const TkxRegister& reg) {
    return Snapshot(*reg.Data());
}

// An offline QX460 drive of the shipped file, made once; each input starts from its defaults.
struct Drive {
    Drive() {
        Collection.SetFilePath(std::string(TKX_SOURCE_DIR) + "/data");
        Version.Parse("QX460v400");
        Device = TkxDeviceFactory::Create(&Setup, Version, Collection.FindRegDefsListFor(&Version));
        Qx = dynamic_cast<TkxDeviceQXSlave*>(Device.get());
        if (Qx == nullptr) {
            std::abort();
        }
        Defaults = Snapshot(*Qx->Buffer());
        const std::unique_ptr<TkxRegBlock> group = Qx->Defs()->CategoryBlocks("ImportExport");
        std::set<const TkxRegister*> inGroup;
        Qx->ForEachRegister(group.get(), [&](const TkxRegister& reg) { inGroup.insert(&reg); });
        for (int i = 0; i < Qx->Defs()->Count(); ++i) {
            const TkxRegister* reg = Qx->RegisterAt(Qx->Defs()->Items(i)->Address());
            if (reg != nullptr && reg->Data() != nullptr && !inGroup.contains(reg)) {
                Outside.push_back(reg);
                OutsideBytes.push_back(BytesOf(*reg));
            }
        }
    }

    void Restore() {
        TkxThreadBuffer::Writer writer(*Qx->Buffer());
        std::copy(Defaults.begin(), Defaults.end(), writer.Data());
    }

    TkxDMCollection Collection;
    TkxVersionRecord Version;
    TkxDeviceSetup Setup;
    std::unique_ptr<TkxDeviceSlave> Device;
    TkxDeviceQXSlave* Qx = nullptr;
    std::vector<std::uint8_t> Defaults;
    std::vector<const TkxRegister*> Outside;
    std::vector<std::vector<std::uint8_t>> OutsideBytes;
};

std::size_t LineCount(const std::string& text) {
    std::size_t lines = 0;
    for (std::size_t pos = text.find("\r\n"); pos != std::string::npos;
         pos = text.find("\r\n", pos + 2)) {
        ++lines;
    }
    return lines;
}

} // namespace

// The input is a configuration file read into an offline drive. Nothing outside the
// "ImportExport" group may change, every entry of the section is reported once, and what the
// import left in the drive survives an export and a new import unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Drive drive;
    drive.Restore();
    TkxTextResource file;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TkxConfigFile::SetFileText(file, bytes);
    const TkxImportReport report = TkxConfigFile::Import(*drive.Qx, file, "fuzz.460");

    for (std::size_t i = 0; i < drive.Outside.size(); ++i) {
        if (BytesOf(*drive.Outside[i]) != drive.OutsideBytes[i]) {
            std::abort();
        }
    }
    const std::size_t reported = report.Found.size() + report.Unknown.size() +
                                 report.Excluded.size() + report.NotFound.size();
    if (reported != LineCount(report.Text)) {
        std::abort();
    }

    const std::vector<TkxSetupValue> imported = TkxConfigFile::Snapshot(*drive.Qx);
    TkxTextResource exported;
    TkxConfigFile::Write(*drive.Qx, exported, TkxConfigHeader{});
    const TkxImportReport again = TkxConfigFile::Import(*drive.Qx, exported, "again.460");
    if (!TkxConfigFile::Differences(imported, TkxConfigFile::Snapshot(*drive.Qx)).empty() ||
        !again.Adjusted.empty() || !again.Unknown.empty()) {
        std::abort();
    }
    return 0;
}
