#pragma once

// A network document for tests: it makes connection and device setups from a layout, all on
// its context, counts its devices against a limit and records every notification that reaches
// it.

#include "devices/tkxdevicesetupcls.h"
#include "modbus/tkxmbcontextcls.h"
#include "modbus/tkxmbthreadsetupcls.h"
#include "modbus/tkxmbtransactioncls.h"
#include "registers/tkxtextresourcecls.h"
#include "registers/tkxxmlparsercmp.h"

#include <memory>
#include <string>
#include <vector>

class TkxFakeNetwork : public TkxXmlParser, public TkxMBNetworkLink {
public:
    explicit TkxFakeNetwork(
        std::shared_ptr<TkxMBContext> context = std::make_shared<TkxMBContext>())
        : Context(std::move(context)) {
        AddRoot(std::make_unique<TkxXmlElement>("modbus_network", ""));
    }
    ~TkxFakeNetwork() override { ResetAll(); }

    TkxMBThreadSetup* AddConnection(std::string_view name) {
        auto setup = std::make_unique<TkxMBThreadSetup>(Context);
        setup->SetThreadName(name);
        return static_cast<TkxMBThreadSetup*>(Root()->AddChild(std::move(setup)));
    }

    int DevMaxCount() const override { return NetDevMaxCount; }
    int GetDevCount() const override {
        return Root() != nullptr ? Root()->CountChildren("device", true) : 0;
    }
    void PerformSetupAdd(TkxObject* object) override { Record("add", object); }
    void PerformSetupDel(TkxObject* object) override { Record("del", object); }
    void PerformSetupChange(TkxObject* object) override { Record("change", object); }
    void PerformStateChange(TkxObject* object) override { Record("state", object); }
    void PerformOnDevMaxCount(TkxMBThreadSetup* setup) override { Record("max", setup); }
    TkxDMCollection* DataModels() const override { return Models; }
    void PerformTransaError(TkxMBTransaction* transaction) override {
        Seen.push_back("error:" + transaction->GetTransaName());
    }
    void PerformTransaResponse(TkxMBTransaction* transaction) override {
        Seen.push_back("response:" + transaction->GetTransaName());
    }

    const std::shared_ptr<TkxMBContext> Context;
    int NetDevMaxCount = 0;
    TkxDMCollection* Models = nullptr;
    std::vector<std::string> Seen;

protected:
    std::unique_ptr<TkxXmlElement> AllocXmlElement(TkxXmlElement*) override {
        if (AnsiSameText(ScannedName(), "modbus_connection"))
            return std::make_unique<TkxMBThreadSetup>(Context);
        if (AnsiSameText(ScannedName(), "device"))
            return std::make_unique<TkxDeviceSetup>();
        return std::make_unique<TkxXmlElement>();
    }

private:
    void Record(const std::string& what, TkxObject* object) {
        std::string name = "?";
        if (auto* connection = dynamic_cast<TkxMBThreadSetup*>(object))
            name = connection->ThreadName();
        else if (auto* device = dynamic_cast<TkxDeviceSetup*>(object))
            name = device->DeviceName();
        Seen.push_back(what + ":" + name);
    }
};
