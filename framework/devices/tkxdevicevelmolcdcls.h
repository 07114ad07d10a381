#pragma once

#include "devices/tkxdeviceqxslavecls.h"

#include <array>
#include <memory>

class TkxDeviceVelmoBoiler;
class TkxDeviceVelmoCieco;
class TkxParBitField;
class TkxParBoolField;
class TkxParLong;

// The control panel of a chiller plant, and the device through which the plant's eight chiller
// units and its boiler are reached: it makes them on its own setup, version and definitions,
// owns them and attaches them to its thread with itself. Its state comes from the group
// "MasterState" and its setup from "MasterSetup", whose edits count as edits of the setup; all
// its standard transactions start disabled and the application enables what it shows. The
// cooling and heating set points stay within their limits, and each low limit stays at or
// below its high limit.
class TkxDeviceVelmoLcd : public TkxDeviceQXSlave {
public:
    static constexpr int SlaveCount = 8;
    static constexpr int StateRepeatTime = 10;
    static constexpr int AlarmRepeatTime = 10;

    TkxDeviceVelmoLcd(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);
    ~TkxDeviceVelmoLcd() override;

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // Attaches the panel, its chiller units and its boiler to thread (detaches them with null).
    void SetThread(TkxMBThread* thread) override;

    // The chiller units and the boiler, owned by the panel.
    std::array<TkxDeviceVelmoCieco*, SlaveCount> Slave{};
    TkxDeviceVelmoBoiler* Boiler = nullptr;

    // Whether the plant has a single chiller unit; set by the application from the plant's
    // configuration.
    bool IsMono = false;
    // The default of the fresh-water minimum flow as the definitions give it, kept before any
    // setup read overwrites the value; 0 without that parameter.
    double MinFluxH2ODolceDflt = 0.0;

    TkxRegister* RegMasterStatus = nullptr;
    TkxParValue* ParCoolingSetPoint = nullptr;
    TkxParValue* ParCoolingLowLimit = nullptr;
    TkxParValue* ParCoolingHighLimit = nullptr;
    TkxParValue* ParHeatingSetPoint = nullptr;
    TkxParValue* ParHeatingLowLimit = nullptr;
    TkxParValue* ParHeatingHighLimit = nullptr;
    TkxParValue* ParMinFluxH2ODolce = nullptr;
    TkxParBitField* CfgPlantMode = nullptr;
    TkxParBoolField* CmdPlantOn = nullptr;

    TkxParValue* ParH2OInTemp = nullptr;
    TkxParValue* ParH2OOutTemp = nullptr;
    TkxParValue* ParSeaWaterTemp = nullptr;
    TkxParValue* ParAmbientTemp = nullptr;
    TkxParValue* ParFluxH2ODolce = nullptr;
    TkxParValue* ParAnalogIn1 = nullptr;
    TkxParValue* ParAnalogIn2 = nullptr;
    TkxParLong* ParPlantHours = nullptr;
    TkxParBoolField* HwFlowSwitch = nullptr;
    TkxParBoolField* HwRemoteOnOff = nullptr;
    TkxParBoolField* HwAlarmIn = nullptr;

private:
    std::array<std::unique_ptr<TkxDeviceVelmoCieco>, SlaveCount> FSlaves;
    std::unique_ptr<TkxDeviceVelmoBoiler> FBoiler;
};
