#include "devices/tkxdevicefactorycls.h"

#include "devices/tkxdeviceqx410cls.h"
#include "devices/tkxdeviceqx430stcls.h"
#include "devices/tkxdeviceqx440cls.h"
#include "devices/tkxdeviceqx450cls.h"
#include "devices/tkxdeviceqx510cls.h"
#include "devices/tkxdeviceqx520cls.h"
#include "devices/tkxdeviceqx550cls.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "devices/tkxdevicevelmolcdcls.h"
#include "devices/tkxversionrecordcls.h"
#include "registers/tkxregdefslistcmp.h"

#include <initializer_list>

namespace {

using TMaker = std::unique_ptr<TkxDeviceSlave> (*)(TkxDeviceSetup*, const TkxVersionRecord&,
                                                   TkxRegDefsList*);

template <typename Device>
std::unique_ptr<TkxDeviceSlave> Make(TkxDeviceSetup* setup, const TkxVersionRecord& version,
                                     TkxRegDefsList* defs) {
    return std::make_unique<Device>(setup, &version, defs);
}

struct TRow {
    std::initializer_list<std::string_view> Patterns;
    std::string_view ClassName;
    TMaker Maker;
};

// The identification table, in the order its rows are tried.
const TRow kRows[] = {
    {{"QX420v*", "QX410v*"}, "TkxDeviceQX410", Make<TkxDeviceQX410>},
    {{"QX450v*"}, "TkxDeviceQX450", Make<TkxDeviceQX450>},
    {{"QX460v*"}, "TkxDeviceQXDRV", Make<TkxDeviceQXDRV>},
    {{"QX470-*v*-*"}, "TkxDeviceQXDRV", Make<TkxDeviceQXDRV>},
    {{"QX440- 2v*", "QX440- 4v*", "QX440- 6v*", "QX440- 8v*", "QX440-10v*"},
     "TkxDeviceQXDRV",
     Make<TkxDeviceQXDRV>},
    {{"QX440-2v*", "QX440-4v*", "QX440-6v*", "QX440-8v*", "QX440-10v*"},
     "TkxDeviceQXDRV",
     Make<TkxDeviceQXDRV>},
    {{"QX440-VEv*", "QX440-IMv*", "QX440-MIv*"}, "TkxDeviceQXDRV", Make<TkxDeviceQXDRV>},
    {{"QXP610_QX430v*-ST"}, "TkxDeviceQX430ST", Make<TkxDeviceQX430ST>},
    {{"QX440v*"}, "TkxDeviceQX440", Make<TkxDeviceQX440>},
    {{"QXP620_QX510v*", "QXP620_QX510-Av*", "QX510v*"}, "TkxDeviceQX510", Make<TkxDeviceQX510>},
    {{"QX520v*", "QX530v*", "QX540v*"}, "TkxDeviceQX520", Make<TkxDeviceQX520>},
    {{"QX480-*v*-*", "QX550-*v*-*"}, "TkxDeviceQX550", Make<TkxDeviceQX550>},
};

const TRow kNoMatch = {{}, "TkxDeviceQXSlave", Make<TkxDeviceQXSlave>};

const TRow& RowFor(const TkxVersionRecord& version) {
    for (const TRow& row : kRows) {
        for (const std::string_view pattern : row.Patterns) {
            if (version.Matches(pattern)) {
                return row;
            }
        }
    }
    return kNoMatch;
}

} // namespace

std::string_view TkxDeviceFactory::ClassFor(const TkxVersionRecord& version) {
    return RowFor(version).ClassName;
}

std::unique_ptr<TkxDeviceSlave> TkxDeviceFactory::Create(TkxDeviceSetup* setup,
                                                         const TkxVersionRecord& version,
                                                         TkxRegDefsList* defs) {
    return RowFor(version).Maker(setup, version, defs);
}

std::unique_ptr<TkxDeviceSlave> TkxDeviceFactory::CreateDefault(TkxDeviceSetup* setup,
                                                                const TkxVersionRecord& version,
                                                                TkxRegDefsList* defs) {
    if (defs == nullptr || defs->GetVersions() != "DeviceVelmoLcd") {
        return nullptr;
    }
    return Make<TkxDeviceVelmoLcd>(setup, version, defs);
}
