#pragma once

#include "devices/tkxdeviceqxslavecls.h"

class TkxParBoolField;
class TkxParLong;

// One chiller unit behind the control panel of the plant (TkxDeviceVelmoLcd, which makes and
// owns eight of them on its own setup and definitions). It reads its state from the group
// "SlaveState" once a second when enabled; its standard transactions all start disabled and the
// application enables what it shows. Its measured values are read-only.
class TkxDeviceVelmoCieco : public TkxDeviceQXSlave {
public:
    static constexpr int StateRepeatTime = 10;

    TkxDeviceVelmoCieco(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                        TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // Whether the unit's compressor runs on an inverter; set by the application from the
    // plant's configuration.
    bool IsInverter = false;

    TkxRegister* RegSlaveStatus = nullptr;
    TkxParValue* ParEvapTemp = nullptr;
    TkxParValue* ParCondTemp = nullptr;
    TkxParValue* ParSuctionPressure = nullptr;
    TkxParValue* ParDischargePressure = nullptr;
    TkxParValue* ParWaterInTemp = nullptr;
    TkxParValue* ParWaterOutTemp = nullptr;
    TkxParValue* ParSlaveAnalogIn1 = nullptr;
    TkxParValue* ParSlaveAnalogIn2 = nullptr;
    TkxParLong* ParCompressorHours = nullptr;
    TkxParBoolField* HwHighPressure = nullptr;
    TkxParBoolField* HwLowPressure = nullptr;
    TkxParBoolField* HwSlaveFlowSwitch = nullptr;
    TkxParBoolField* HwThermal = nullptr;
    TkxParBoolField* CmdCompressorOn = nullptr;
    TkxParBoolField* CmdPumpOn = nullptr;
    TkxParValue* ParCompressorSpeed = nullptr;
};
