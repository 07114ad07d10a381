#include "devices/tkxdeviceqxslavecls.h"

#include "base/tkxerror.h"
#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "params/tkxpar2dpointcls.h"
#include "params/tkxparbitfieldcls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfloatcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparlongcls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The standard transactions belong to the framework, not to the user.
constexpr int FrameworkKind = 1;
constexpr int StateRepeatTime = 1;
constexpr int AlarmRepeatTime = 10;
constexpr int SetupReadRepeatTime = 20;
constexpr int EEPromBlockDelayMs = 20;

// A number item of an entry read with the definition files' number syntax, within limit.
std::optional<std::uint32_t> NumberItem(const std::string& item, std::uint32_t limit) {
    std::uint32_t value = 0;
    if (!TextToInt(item, value) || value > limit) {
        return std::nullopt;
    }
    return value;
}

// An element item: a number that names an element the register has.
std::optional<std::uint8_t> ElementItem(const std::string& item, const TkxRegister* reg) {
    const auto element = NumberItem(item, 255);
    if (!element || (reg != nullptr && *element >= reg->Definition()->Length())) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*element);
}

// A bit item: a number that names a bit of one element of the register.
std::optional<std::uint8_t> BitItem(const std::string& item, const TkxRegister& reg) {
    const auto bits = static_cast<std::uint32_t>(reg.Definition()->ElementBytes() * 8);
    const auto bit = NumberItem(item, bits - 1);
    return bit ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*bit)) : std::nullopt;
}

// The parameter a "Parameters" entry makes for a property of the given class, by the number of
// its items: "register, element" for plain and encoded values; "register, second register,
// element" for the values over two registers and the point; "register, element, mask" for a
// bit field and "register, element, bit" for a boolean field. Any other shape, a number that
// does not read, an element or bit the register does not have, or a missing register makes
// none; only a point may lack its registers, whose coordinates it then keeps itself.
std::unique_ptr<TkxParValue> MakeParameter(TkxPropertyClass kind, std::string_view entry,
                                           const TkxRegDataBuffer& buffer) {
    const std::vector<std::string> items = SplitCommaText(entry);
    const auto registerItem = [&](std::size_t i) { return buffer.RegisterByName(items[i]); };
    using enum TkxPropertyClass;
    if (items.size() == 2 && (kind == ParValue || kind == ParEncoded)) {
        TkxRegister* reg = registerItem(0);
        const auto element = ElementItem(items[1], reg);
        if (reg == nullptr || !element) {
            return nullptr;
        }
        if (kind == ParEncoded) {
            return std::make_unique<TkxParEncoded>(reg, *element);
        }
        return std::make_unique<TkxParValue>(reg, *element);
    }
    if (items.size() != 3) {
        return nullptr;
    }
    TkxRegister* reg = registerItem(0);
    if (kind == Par2DPoint || kind == ParLong || kind == ParFloat || kind == ParFrac16) {
        TkxRegister* second = registerItem(1);
        const auto element = ElementItem(items[2], reg);
        if (!element || (reg == nullptr && kind != Par2DPoint)) {
            return nullptr;
        }
        switch (kind) {
        case Par2DPoint:
            return std::make_unique<TkxPar2DPoint>(reg, *element, second);
        case ParLong:
            return std::make_unique<TkxParLong>(reg, *element, second);
        case ParFloat:
            return std::make_unique<TkxParFloat>(reg, *element, second);
        default:
            return std::make_unique<TkxParFrac16>(reg, *element, second);
        }
    }
    if (reg == nullptr || (kind != ParBitField && kind != ParBoolField)) {
        return nullptr;
    }
    const auto element = ElementItem(items[1], reg);
    if (!element) {
        return nullptr;
    }
    if (kind == ParBitField) {
        const auto mask = NumberItem(items[2], UINT32_MAX);
        return mask ? std::make_unique<TkxParBitField>(reg, *mask, *element) : nullptr;
    }
    const auto bit = BitItem(items[2], *reg);
    return bit ? std::make_unique<TkxParBoolField>(reg, *bit, *element) : nullptr;
}

// Stores bytes into view under its write lock, as many as it holds.
void StoreBytes(TkxThreadBuffer& view, const std::vector<std::uint8_t>& bytes) {
    const TkxThreadBuffer::Writer writer(view);
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), view.Size()), writer.Data());
}

} // namespace

TkxDeviceQXSlave::TkxDeviceQXSlave(TkxDeviceSetup* setup, const TkxVersionRecord* version,
                                   TkxRegDefsList* defs)
    : TkxDeviceSlave(setup, version, defs) {
    BindProperties(ClassProperties());
    WatchSetupEdits("RamSetup");
    MakeStandardTransactions();
}

TkxDeviceQXSlave::~TkxDeviceQXSlave() {
    // Off the thread first: its last results must not reach hooks of a device half gone.
    SetThread(nullptr);
    for (TkxMBTransaction* transaction : {ReadState, ReadAlarm, ReadSetup, SendSetup, SaveEEProm}) {
        if (transaction != nullptr) {
            transaction->OnResponse = nullptr;
        }
    }
    for (int i = 0; i < RegisterCount(); ++i) {
        Registers(i)->OnChange = nullptr;
    }
}

const TkxPropertyTable& TkxDeviceQXSlave::ClassProperties() {
    static const TkxPropertyTable table(nullptr,
                                        {
                                            TKX_PUBLISH(TkxDeviceQXSlave, ParEEModBusBaudrate),
                                            TKX_PUBLISH(TkxDeviceQXSlave, ParEEModBusAddress),
                                            TKX_PUBLISH(TkxDeviceQXSlave, ParEECanBusBaudrate),
                                            TKX_PUBLISH(TkxDeviceQXSlave, ParEECanBusAddress),
                                            TKX_PUBLISH(TkxDeviceQXSlave, ParEEProfiBusAddress),
                                        });
    return table;
}

TkxParValue* TkxDeviceQXSlave::FindParameter(std::string_view name) const {
    const TkxProperty* property = Properties().Find(name);
    return property != nullptr && property->GetParameter != nullptr ? property->GetParameter(*this)
                                                                    : nullptr;
}

void TkxDeviceQXSlave::BindProperties(const TkxPropertyTable& table) {
    for (const TkxProperty& property : table.Own()) {
        BindProperty(property);
    }
}

void TkxDeviceQXSlave::BindProperty(const TkxProperty& property) {
    if (property.SetRegister != nullptr) {
        std::string_view name = property.Name;
        if (name.starts_with("Reg")) {
            name.remove_prefix(3);
        }
        property.SetRegister(*this, RegisterByName(name));
        return;
    }
    const std::string entry = Defs()->ReadString("Parameters", std::string(property.Name), "");
    std::unique_ptr<TkxParValue> parameter = MakeParameter(property.Class, entry, *this);
    TkxParValue* made = parameter.get();
    if (made != nullptr) {
        AdoptParameter(std::move(parameter));
    }
    property.SetParameter(*this, made);
}

void TkxDeviceQXSlave::AdoptParameter(std::unique_ptr<TkxParValue> parameter) {
    FBinding = true;
    try {
        parameter->SetDefault();
    } catch (const ETkxError&) {
        // A register whose type takes no default (a string) keeps what it holds.
    }
    FBinding = false;
    FParameters.push_back(std::move(parameter));
}

void TkxDeviceQXSlave::WatchSetupEdits(std::string_view group) {
    const std::unique_ptr<TkxRegBlock> blocks = Defs()->CategoryBlocks(group);
    ForEachRegister(blocks.get(), [this](TkxRegister& reg) {
        reg.OnChange = [this](TkxRegister* sender, bool changed) {
            SetupEditedBy(*sender, changed);
        };
    });
}

void TkxDeviceQXSlave::SetupEditedBy(TkxRegister& reg, bool changed) {
    if (FBinding) {
        return;
    }
    if (changed) {
        FSetupState = SetupEdited;
        KeepEditDuringRead(reg);
    }
    DoOnSetupEdited();
}

// The read is enabled from its start until the thread has run it to a good reply, and pending
// from the start of that run until its result has been handled here: one of the two holds all
// along.
bool TkxDeviceQXSlave::SetupReadUnderway() const {
    return ReadSetup != nullptr && (ReadSetup->IsEnabled() || ReadSetup->IsPending());
}

void TkxDeviceQXSlave::KeepEditDuringRead(TkxRegister& reg) {
    if (!SetupReadUnderway()) {
        FEditsDuringRead.clear();
        return;
    }
    if (reg.Data() == nullptr) {
        return;
    }
    std::vector<std::uint8_t> bytes = reg.Data()->Copy();
    const auto kept = std::find_if(FEditsDuringRead.begin(), FEditsDuringRead.end(),
                                   [&reg](const auto& edit) { return edit.first == &reg; });
    if (kept != FEditsDuringRead.end()) {
        kept->second = std::move(bytes);
    } else {
        FEditsDuringRead.emplace_back(&reg, std::move(bytes));
    }
}

bool TkxDeviceQXSlave::PutBackEditsDuringRead() {
    if (FEditsDuringRead.empty()) {
        return false;
    }
    for (const auto& [reg, bytes] : FEditsDuringRead) {
        StoreBytes(*reg->Data(), bytes);
    }
    if (!ReadSetup->IsEnabled()) {
        FEditsDuringRead.clear();
    }
    return true;
}

void TkxDeviceQXSlave::PerformTransaError(TkxMBTransaction* transaction) {
    if (transaction != nullptr && transaction == ReadSetup) {
        PutBackEditsDuringRead();
        StartSendAfterRead();
    }
    TkxDeviceSlave::PerformTransaError(transaction);
}

TkxMBChainedTransa* TkxDeviceQXSlave::MakeGroupTransa(std::string_view group, bool forWriting,
                                                      const std::string& name,
                                                      const std::string& comment) {
    auto* transaction = Adopt(std::make_unique<TkxMBChainedTransa>(this, FrameworkKind));
    transaction->SetSlaveAddress(GetSetup().DeviceAddr());
    transaction->SetRepeatTime(GetSetup().RepeatTime());
    transaction->SetTerminateReasons({});
    if (forWriting) {
        transaction->SetWriteBlocksText(group);
    } else {
        transaction->SetReadBlocksText(group);
    }
    transaction->SetTransaName(name);
    transaction->SetComment(comment);
    return transaction;
}

void TkxDeviceQXSlave::MakeStandardTransactions() {
    using TkxMBTransaction::Always;
    using TkxMBTransaction::Response;
    const auto once = [](TkxMBTransaction::TerminateReason reason) {
        TkxMBTransaction::TerminateSet reasons;
        reasons.set(reason);
        return reasons;
    };

    ReadState =
        MakeGroupTransa("ActState", false, "ReadActState", "Periodic read of actual state.");
    ReadState->SetRepeatTime(StateRepeatTime);
    ReadState->OnResponse = [this](TkxMBTransaction* sender) { Fire(OnActState, sender); };
    ReadState->SetEnabled(true);

    ReadAlarm =
        MakeGroupTransa("FaultState", false, "ReadFaultState", "Periodic read of fault condition.");
    ReadAlarm->SetRepeatTime(AlarmRepeatTime);
    ReadAlarm->OnResponse = [this](TkxMBTransaction* sender) {
        DoOnFaultState();
        Fire(OnFaultState, sender);
    };
    ReadAlarm->SetEnabled(true);

    ReadSetup =
        MakeGroupTransa("RamSetup", false, "ReadRamSetup", "Load actual setup from device.");
    ReadSetup->SetRepeatTime(SetupReadRepeatTime);
    ReadSetup->SetTerminateReasons(once(Response));
    ReadSetup->OnResponse = [this](TkxMBTransaction* sender) { SetupRead(sender); };
    ReadSetup->SetEnabled(true);

    SendSetup = MakeGroupTransa("RamSetup", true, "SendRamSetup", "Send new setup to device.");
    SendSetup->SetTerminateReasons(once(Always));
    SendSetup->OnResponse = [this](TkxMBTransaction* sender) { SetupSent(sender); };

    SaveEEProm = MakeGroupTransa("EEPromSetup", true, "SaveEEPromSetup", "Save setup to EEProm.");
    SaveEEProm->SetTerminateReasons(once(Always));
    SaveEEProm->SetBlockDelay(EEPromBlockDelayMs);
    SaveEEProm->OnResponse = [this](TkxMBTransaction* sender) { SetupSaved(sender); };
}

void TkxDeviceQXSlave::SetupRead(TkxMBTransaction* sender) {
    // Edits made while the read was underway are newer than what it brought: they stay, and
    // the setup stays edited, so that a send or a close still sees them.
    if (PutBackEditsDuringRead()) {
        FSetupState = SetupEdited;
    } else if (FSetupState != SetupSentNotSaved) {
        FSetupState = SetupLoaded;
    }
    // A read enabled again meanwhile runs before a send would.
    if (!ReadSetup->IsEnabled()) {
        StartSendAfterRead();
    }
    DoOnSetupLoaded();
    Fire(OnSetupRead, sender);
}

void TkxDeviceQXSlave::SetupSent(TkxMBTransaction* sender) {
    if (FSetupState == SetupEdited) {
        FSetupState = SetupSentNotSaved;
    }
    const bool save = FSaveAfterSend;
    FSaveAfterSend = false;
    if (save) {
        SaveEEProm->SetEnabled(true);
    } else {
        Fire(OnSetupSent, sender);
    }
}

void TkxDeviceQXSlave::SetupSaved(TkxMBTransaction* sender) {
    FSetupState = SetupLoaded;
    Fire(OnSetupSaved, sender);
}

void TkxDeviceQXSlave::Fire(const SetupEvent& event, TkxMBTransaction* sender) {
    if (event) {
        event(sender);
    }
}

// Edits made before the reload are dropped: the user asked for the device's values.
void TkxDeviceQXSlave::ReloadSetup() {
    FEditsDuringRead.clear();
    ReadSetup->SetEnabled(true);
}

void TkxDeviceQXSlave::SendToDrive() {
    FSaveAfterSend = false;
    StartSend();
}

void TkxDeviceQXSlave::SaveToDrive() {
    CopySetupToEEProm();
    FSaveAfterSend = true;
    StartSend();
}

// The thread runs the read before the send: a send started while edits are kept for a read
// underway would carry the values the read brings in place of the edits. It waits for them to
// be put back.
void TkxDeviceQXSlave::StartSend() {
    if (!FEditsDuringRead.empty() && SetupReadUnderway()) {
        FSendAfterRead = true;
        return;
    }
    SendSetup->SetEnabled(true);
}

void TkxDeviceQXSlave::StartSendAfterRead() {
    if (!FSendAfterRead) {
        return;
    }
    FSendAfterRead = false;
    if (FSaveAfterSend) {
        CopySetupToEEProm();
    }
    SendSetup->SetEnabled(true);
}

// Each register's bytes are read under the device lock's read side, which is released before
// the write side is taken for its copy: both views share the one lock of the device buffer.
void TkxDeviceQXSlave::CopySetupToEEProm() {
    CopyToEEProm(SendSetup->WriteBlocks());
}

void TkxDeviceQXSlave::CopyToEEProm(const TkxRegBlock* chain) {
    ForEachRegister(chain, [this](TkxRegister& reg) { CopyRegisterToEEProm(reg); });
}

TkxRegister* TkxDeviceQXSlave::CopyRegisterToEEProm(const TkxRegister& reg) {
    const TkxRegDefinition& definition = *reg.Definition();
    TkxRegister* copy = definition.EEPromCopy() != definition.Address()
                            ? RegisterAt(definition.EEPromCopy())
                            : nullptr;
    if (copy == nullptr || copy == &reg || reg.Data() == nullptr || copy->Data() == nullptr) {
        return nullptr;
    }
    StoreBytes(*copy->Data(), reg.Data()->Copy());
    return copy;
}

void TkxDeviceQXSlave::ListProperties(std::vector<std::string>& strings) {
    for (const TkxParValue* parameter : std::initializer_list<const TkxParValue*>{
             ParEEModBusBaudrate, ParEEModBusAddress, ParEECanBusBaudrate, ParEECanBusAddress,
             ParEEProfiBusAddress}) {
        ListParameter(parameter, strings);
    }
}

void TkxDeviceQXSlave::ListParameter(const TkxParValue* parameter,
                                     std::vector<std::string>& strings) {
    if (parameter != nullptr && parameter->Visible() && parameter->Enabled()) {
        parameter->AddToList(strings);
    }
}

void TkxDeviceQXSlave::ExportSetup(std::string_view section, TkxTextResource* resource) const {
    const std::unique_ptr<TkxRegBlock> group = Defs()->CategoryBlocks("ImportExport");
    if (resource != nullptr && group != nullptr) {
        SaveBlocks(group.get(), section, resource);
    }
}

std::string TkxDeviceQXSlave::ImportSetup(std::string_view section, TkxTextResource* resource) {
    const std::unique_ptr<TkxRegBlock> group = Defs()->CategoryBlocks("ImportExport");
    if (resource == nullptr || group == nullptr) {
        return "";
    }
    return LoadFromSection(section, resource, group.get());
}
