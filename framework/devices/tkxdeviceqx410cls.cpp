#include "devices/tkxdeviceqx410cls.h"

#include "devices/tkxlinkedlimits.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregistercls.h"

namespace {

constexpr std::uint8_t FirstElement = 0;
constexpr std::size_t CurrentRangeField = 1;
constexpr std::size_t FrequencyRangeField = 2;

} // namespace

TkxDeviceQX410::TkxDeviceQX410(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                               TkxRegDefsList* defs)
    : TkxDeviceQXSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    MakeParameters();
    LinkLimits();
}

const TkxPropertyTable& TkxDeviceQX410::ClassProperties() {
    static const TkxPropertyTable table(&TkxDeviceQXSlave::ClassProperties(), {});
    return table;
}

std::vector<TkxParBoolField*> TkxDeviceQX410::MakeBitsOn(std::string_view registerName) {
    std::vector<TkxParBoolField*> bits;
    TkxRegister* reg = RegisterByName(registerName);
    const TkxRegDefinition* definition = reg != nullptr ? reg->Definition() : nullptr;
    if (definition == nullptr || definition->IsString() || definition->IsDate() ||
        definition->IsTime()) {
        return bits;
    }
    const int count = definition->ElementBytes() * 8;
    bits.reserve(static_cast<std::size_t>(count));
    for (int bit = 0; bit < count; ++bit) {
        bits.push_back(
            AddParameter<TkxParBoolField>(reg, static_cast<std::uint8_t>(bit), FirstElement));
    }
    return bits;
}

void TkxDeviceQX410::MakeParameters() {
    ParMainsVoltage = AddParameterOn<TkxParValue>("MainsVoltage", FirstElement);
    ParMotorINom = AddParameterOn<TkxParValue>("MotorINom", FirstElement);
    ParMotorIMax = AddParameterOn<TkxParValue>("MotorIMax", FirstElement);
    ParMotorTMax = AddParameterOn<TkxParValue>("MotorTMax", FirstElement);
    ParVoltStart = AddParameterOn<TkxParValue>("VoltStart", FirstElement);
    ParVoltBoost = AddParameterOn<TkxParValue>("VoltBoost", FirstElement);
    ParVoltBase = AddParameterOn<TkxParValue>("VoltBase", FirstElement);
    ParOmegaBoost = AddParameterOn<TkxParValue>("OmegaBoost", FirstElement);
    ParOmegaBase = AddParameterOn<TkxParValue>("OmegaBase", FirstElement);
    ParOmegaMinMotor = AddParameterOn<TkxParValue>("OmegaMinMotor", FirstElement);
    ParOmegaMaxMotor = AddParameterOn<TkxParValue>("OmegaMaxMotor", FirstElement);
    ParOmegaRef = AddParameterOn<TkxParValue>("OmegaRef", FirstElement);
    ParAccel = AddParameterOn<TkxParValue>("Accel", FirstElement);
    ParDecel = AddParameterOn<TkxParValue>("Decel", FirstElement);
    UserOption = MakeBitsOn("UserOption");
    ParPwmFreq = AddParameterOn<TkxParEncoded>("PwmFreq", FirstElement);
    Input = MakeBitsOn("Input");
    VirtualInput = MakeBitsOn("VirtualInput");
    ParComTimer = AddParameterOn<TkxParValue>("ComTimer", FirstElement);
    ParPrevFaultState = AddParameterOn<TkxParValue>("PrevFaultState", FirstElement);
    ParActFaultState = AddParameterOn<TkxParValue>("ActFaultState", FirstElement);
    ParApplicationMode = AddParameterOn<TkxParEncoded>("ApplicationMode", FirstElement);
    ParHWLimitVolt = AddParameterOn<TkxParValue>("HWLimitVolt", FirstElement);
    for (std::size_t i = 0; i < HardwareType.size(); ++i) {
        HardwareType[i] =
            AddParameterOn<TkxParBitField>("HardwareType", HardwareTypeMasks[i], FirstElement);
    }
    ParU_dc_busV = AddParameterOn<TkxParFrac16>("u_dc_busV", FirstElement, nullptr);
    ParOmegaAct = AddParameterOn<TkxParFrac16>("OmegaAct", FirstElement, nullptr);
    ParVoltAct = AddParameterOn<TkxParFrac16>("VoltAct", FirstElement, nullptr);
    ParI_phase_filt = AddParameterOn<TkxParFrac16>("i_phase_filt", FirstElement, nullptr);
    ParARef1 = AddParameterOn<TkxParFrac16>("ARef1", FirstElement, nullptr);
}

// Each link in the order given; a bound follows one register, so where two links set the same
// bound the later one holds: the motor's minimum frequency ends up below its maximum, and the
// reference between the two.
void TkxDeviceQX410::LinkLimits() {
    const auto reg = [this](std::string_view name) { return RegisterByName(name); };
    TkxLinkedLimits::MaxFollows(reg("MainsVoltage"), reg("HWLimitVolt"));
    TkxLinkedLimits::Ascending({reg("MotorINom"), reg("MotorIMax")});
    TkxLinkedLimits::Ascending({reg("VoltStart"), reg("VoltBoost"), reg("VoltBase")});
    TkxLinkedLimits::Ascending({reg("OmegaBoost"), reg("OmegaBase")});
    TkxLinkedLimits::Ascending({reg("OmegaMinMotor"), reg("OmegaRef"), reg("OmegaMaxMotor")});
    TkxLinkedLimits::Ascending({reg("OmegaMinMotor"), reg("OmegaMaxMotor")});
}

void TkxDeviceQX410::DoOnSetupLoaded() {
    if (const TkxParBitField* current = HardwareType[CurrentRangeField]) {
        const int range = current->GetField();
        if (range == 0 || range == 1) {
            TkxLinkedLimits::SetMaxValue(RegisterByName("MotorIMax"), range == 0 ? 12.0 : 25.0);
        }
    }
    if (const TkxParBitField* frequency = HardwareType[FrequencyRangeField]) {
        const int range = frequency->GetField();
        if (range == 0 || range == 1) {
            TkxLinkedLimits::SetMinValue(RegisterByName("OmegaMaxMotor"),
                                         range == 0 ? 128.0 : 400.0);
        }
    }
}
