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
    ParMainsVoltage = MakeOn<TkxParValue>("MainsVoltage", FirstElement);
    ParMotorINom = MakeOn<TkxParValue>("MotorINom", FirstElement);
    ParMotorIMax = MakeOn<TkxParValue>("MotorIMax", FirstElement);
    ParMotorTMax = MakeOn<TkxParValue>("MotorTMax", FirstElement);
    ParVoltStart = MakeOn<TkxParValue>("VoltStart", FirstElement);
    ParVoltBoost = MakeOn<TkxParValue>("VoltBoost", FirstElement);
    ParVoltBase = MakeOn<TkxParValue>("VoltBase", FirstElement);
    ParOmegaBoost = MakeOn<TkxParValue>("OmegaBoost", FirstElement);
    ParOmegaBase = MakeOn<TkxParValue>("OmegaBase", FirstElement);
    ParOmegaMinMotor = MakeOn<TkxParValue>("OmegaMinMotor", FirstElement);
    ParOmegaMaxMotor = MakeOn<TkxParValue>("OmegaMaxMotor", FirstElement);
    ParOmegaRef = MakeOn<TkxParValue>("OmegaRef", FirstElement);
    ParAccel = MakeOn<TkxParValue>("Accel", FirstElement);
    ParDecel = MakeOn<TkxParValue>("Decel", FirstElement);
    UserOption = MakeBitsOn("UserOption");
    ParPwmFreq = MakeOn<TkxParEncoded>("PwmFreq", FirstElement);
    Input = MakeBitsOn("Input");
    VirtualInput = MakeBitsOn("VirtualInput");
    ParComTimer = MakeOn<TkxParValue>("ComTimer", FirstElement);
    ParPrevFaultState = MakeOn<TkxParValue>("PrevFaultState", FirstElement);
    ParActFaultState = MakeOn<TkxParValue>("ActFaultState", FirstElement);
    ParApplicationMode = MakeOn<TkxParEncoded>("ApplicationMode", FirstElement);
    ParHWLimitVolt = MakeOn<TkxParValue>("HWLimitVolt", FirstElement);
    for (std::size_t i = 0; i < HardwareType.size(); ++i) {
        HardwareType[i] =
            MakeOn<TkxParBitField>("HardwareType", HardwareTypeMasks[i], FirstElement);
    }
    ParU_dc_busV = MakeOn<TkxParFrac16>("u_dc_busV", FirstElement, nullptr);
    ParOmegaAct = MakeOn<TkxParFrac16>("OmegaAct", FirstElement, nullptr);
    ParVoltAct = MakeOn<TkxParFrac16>("VoltAct", FirstElement, nullptr);
    ParI_phase_filt = MakeOn<TkxParFrac16>("i_phase_filt", FirstElement, nullptr);
    ParARef1 = MakeOn<TkxParFrac16>("ARef1", FirstElement, nullptr);
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
