#pragma once

#include "devices/tkxdeviceslavecls.h"
#include "devices/tkxpropertytablecls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TkxMBChainedTransa;
class TkxParEncoded;
class TkxParValue;
class TkxRegBlock;
class TkxTextResource;

// A device of the product family, driven by its definition file: its published properties are
// bound by name to the file's registers and "Parameters" entries, and five transactions read
// the actual state and the faults periodically and read, send and save the setup (the register
// groups "ActState", "FaultState", "RamSetup" and "EEPromSetup"). It tracks whether the setup
// the user sees differs from the device's RAM and EEPROM. Main thread only, as its base.
//
// Each class of the family declares its properties (ClassProperties, chained to its base's)
// and binds them in its constructor with BindProperties before its own constructor steps, so
// that a model finds its properties bound; the device owns the parameters made.
class TkxDeviceQXSlave : public TkxDeviceSlave {
public:
    using SetupEvent = std::function<void(TkxMBTransaction* sender)>;

    // SetupState values.
    static constexpr std::uint8_t SetupNotLoaded = 0;
    static constexpr std::uint8_t SetupLoaded = 1;
    static constexpr std::uint8_t SetupEdited = 2;
    static constexpr std::uint8_t SetupSentNotSaved = 3;

    TkxDeviceQXSlave(TkxDeviceSetup* setup, const TkxVersionRecord* version, TkxRegDefsList* defs);
    ~TkxDeviceQXSlave() override;

    // A failed setup read may have stored some of its blocks: the edits made while it was
    // underway go back over them, and a send waiting for them starts.
    void PerformTransaError(TkxMBTransaction* transaction) override;

    static const TkxPropertyTable& ClassProperties();
    // The table of the object's own class.
    virtual const TkxPropertyTable& Properties() const { return ClassProperties(); }
    // The parameter published under name by the object's class chain, or null.
    TkxParValue* FindParameter(std::string_view name) const;

    // The listing line of each communication parameter that is visible and enabled.
    void ListProperties(std::vector<std::string>& strings) override;

    // Hooks of the models: after a good fault read, after a good setup read, after any
    // change reported by a setup register.
    virtual void DoOnFaultState() {}
    virtual void DoOnSetupLoaded() {}
    virtual void DoOnSetupEdited() {}

    // Edits made while a setup read is underway outlive it: they are put back over what it
    // brought, and the setup stays edited. A reload drops the edits made before it.
    virtual void ReloadSetup();
    // A send (or save) asked for while such edits wait for the read's end starts after it, so
    // that it carries them.
    virtual void SendToDrive();
    // Copies the setup into its EEPROM copies, then sends it; a good send enables the save.
    virtual void SaveToDrive();
    // Copies the setup's write chain into its EEPROM copies (CopyToEEProm).
    virtual void CopySetupToEEProm();
    // Copies one register into the register its definition names as its EEPROM copy: that
    // copy, or null when it has none in the buffer (its own address included).
    TkxRegister* CopyRegisterToEEProm(const TkxRegister& reg);

    // Writes every register of the "ImportExport" group into section of resource.
    void ExportSetup(std::string_view section, TkxTextResource* resource) const;
    // Loads the "ImportExport" registers found in section; the report of what was found.
    std::string ImportSetup(std::string_view section, TkxTextResource* resource);

    std::uint8_t SetupState() const { return FSetupState; }
    bool SaveAfterSend() const { return FSaveAfterSend; }

    TkxParEncoded* ParEEModBusBaudrate = nullptr;
    TkxParValue* ParEEModBusAddress = nullptr;
    TkxParEncoded* ParEECanBusBaudrate = nullptr;
    TkxParValue* ParEECanBusAddress = nullptr;
    TkxParValue* ParEEProfiBusAddress = nullptr;

    TkxMBChainedTransa* ReadState = nullptr;
    TkxMBChainedTransa* ReadAlarm = nullptr;
    TkxMBChainedTransa* ReadSetup = nullptr;
    TkxMBChainedTransa* SendSetup = nullptr;
    TkxMBChainedTransa* SaveEEProm = nullptr;

    SetupEvent OnFaultState;
    SetupEvent OnActState;
    SetupEvent OnSetupRead;
    SetupEvent OnSetupSent;
    SetupEvent OnSetupSaved;

protected:
    // Binds the properties a class declares itself (not its base's) by name; each property
    // is bound on its own and stays null when nothing in the file matches. Parameters made are
    // set to their default without counting as an edit of the setup.
    void BindProperties(const TkxPropertyTable& table);
    // The listing line of parameter when it exists and is visible and enabled.
    static void ListParameter(const TkxParValue* parameter, std::vector<std::string>& strings);
    // Makes a parameter in code as binding makes one from an entry: owned by the device and set
    // to its default without counting as an edit of the setup.
    template <typename Par, typename... Args>
    Par* AddParameter(Args&&... args) {
        auto parameter = std::make_unique<Par>(std::forward<Args>(args)...);
        Par* made = parameter.get();
        AdoptParameter(std::move(parameter));
        return made;
    }
    // The same on the register of that name; null when the buffer has none.
    template <typename Par, typename... Args>
    Par* AddParameterOn(std::string_view registerName, Args&&... args) {
        TkxRegister* reg = RegisterByName(registerName);
        return reg != nullptr ? AddParameter<Par>(reg, std::forward<Args>(args)...) : nullptr;
    }
    // Copies each register of the chain into the register its definition names as its EEPROM
    // copy, when that is another register of the buffer.
    void CopyToEEProm(const TkxRegBlock* chain);
    static void Fire(const SetupEvent& event, TkxMBTransaction* sender);
    // Changes reported by the registers of group count as edits of the setup.
    void WatchSetupEdits(std::string_view group);
    // A transaction of the device on a register group, made as the standard ones are.
    TkxMBChainedTransa* MakeGroupTransa(std::string_view group, bool forWriting,
                                        const std::string& name, const std::string& comment);

private:
    void BindProperty(const TkxProperty& property);
    void AdoptParameter(std::unique_ptr<TkxParValue> parameter);
    void MakeStandardTransactions();
    void SetupEditedBy(TkxRegister& reg, bool changed);
    // Whether a setup read has been started and its result not yet handled.
    bool SetupReadUnderway() const;
    // Keeps the bytes an edit left in reg while a setup read is underway; with none underway,
    // drops what was kept, which no read will overwrite any more.
    void KeepEditDuringRead(TkxRegister& reg);
    // Puts the kept edits back over the values a read brought; whether there were any. They
    // are kept on while the read stays enabled for another run (a retry, a new reload).
    bool PutBackEditsDuringRead();
    // Enables the send, or leaves it for the end of the read underway (StartSendAfterRead).
    void StartSend();
    void StartSendAfterRead();
    void SetupRead(TkxMBTransaction* sender);
    void SetupSent(TkxMBTransaction* sender);
    void SetupSaved(TkxMBTransaction* sender);

    std::vector<std::unique_ptr<TkxParValue>> FParameters;
    std::uint8_t FSetupState = SetupNotLoaded;
    bool FSaveAfterSend = false;
    // While a new parameter takes its default, the change is no edit.
    bool FBinding = false;
    // The edits made since the setup read underway was started: each register edited with its
    // bytes as the last edit left them. The read's reply lands in the buffer on the
    // communication thread and would overwrite them; they go back when its result is handled.
    std::vector<std::pair<TkxRegister*, std::vector<std::uint8_t>>> FEditsDuringRead;
    // A send or save asked for while edits were kept, started once they are back.
    bool FSendAfterRead = false;
};
