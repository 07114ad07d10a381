#pragma once

#include "devices/tkxdeviceqxslavecls.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

class TkxParBitField;
class TkxParBoolField;
class TkxParFrac16;
class TkxRegister;

// The V/f inverter. It has no "Parameters" entries of its own: its parameters are made in
// code on registers named by the device, each one only when the file defines its register.
// Limits follow other registers by name: the mains voltage stays at or below the hardware
// voltage limit, the nominal current at or below the maximum current, the start, boost and
// base voltages and the boost and base frequencies ascend, and the reference frequency lies
// between the motor's minimum and maximum. The hardware type read with the setup sets the
// maximum current's upper bound and the maximum frequency's lower bound.
class TkxDeviceQX410 : public TkxDeviceQXSlave {
public:
    // The masks of the hardware type's three fields: the variant, the current range and the
    // frequency range.
    static constexpr std::array<std::uint32_t, 3> HardwareTypeMasks = {0x000F, 0x00F0, 0x0F00};

    TkxDeviceQX410(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);

    static const TkxPropertyTable& ClassProperties();
    const TkxPropertyTable& Properties() const override { return ClassProperties(); }

    // Current range 0 and 1: the maximum current up to 12 A and 25 A; frequency range 0 and 1:
    // the maximum frequency's lower bound value 128 Hz and 400 Hz. Other codes keep the bounds.
    void DoOnSetupLoaded() override;

    TkxParValue* ParMainsVoltage = nullptr;
    TkxParValue* ParMotorINom = nullptr;
    TkxParValue* ParMotorIMax = nullptr;
    TkxParValue* ParMotorTMax = nullptr;
    TkxParValue* ParVoltStart = nullptr;
    TkxParValue* ParVoltBoost = nullptr;
    TkxParValue* ParVoltBase = nullptr;
    TkxParValue* ParOmegaBoost = nullptr;
    TkxParValue* ParOmegaBase = nullptr;
    TkxParValue* ParOmegaMinMotor = nullptr;
    TkxParValue* ParOmegaMaxMotor = nullptr;
    TkxParValue* ParOmegaRef = nullptr;
    TkxParValue* ParAccel = nullptr;
    TkxParValue* ParDecel = nullptr;
    // One boolean field per bit of the register's element, bit 0 first; empty without it.
    std::vector<TkxParBoolField*> UserOption;
    TkxParEncoded* ParPwmFreq = nullptr;
    std::vector<TkxParBoolField*> Input;
    std::vector<TkxParBoolField*> VirtualInput;
    TkxParValue* ParComTimer = nullptr;
    TkxParValue* ParPrevFaultState = nullptr;
    TkxParValue* ParActFaultState = nullptr;
    TkxParEncoded* ParApplicationMode = nullptr;
    TkxParValue* ParHWLimitVolt = nullptr;
    // The fields of HardwareTypeMasks, in that order.
    std::array<TkxParBitField*, 3> HardwareType{};
    TkxParFrac16* ParU_dc_busV = nullptr;
    TkxParFrac16* ParOmegaAct = nullptr;
    TkxParFrac16* ParVoltAct = nullptr;
    TkxParFrac16* ParI_phase_filt = nullptr;
    TkxParFrac16* ParARef1 = nullptr;

private:
    std::vector<TkxParBoolField*> MakeBitsOn(std::string_view registerName);
    void MakeParameters();
    void LinkLimits();
};
