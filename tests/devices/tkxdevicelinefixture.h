#pragma once

// A device setup on a connection of a fake network whose line is scripted: the connection's
// real communication thread runs the device's transactions against the script's responder.

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbfakenetwork.h"
#include "modbus/tkxmbfakes.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

class TkxDeviceLineFixture : public ::testing::Test, public ScriptedLineFixture {
protected:
    // Lays the definitions out from a text, or from a file of the test data folder.
    void UseDefinitions(const std::string& text) {
        FDefs.SetText(text);
        FDefs.Build();
    }
    void UseDefinitionFile(const std::string& fileName) {
        FDefs.LoadFromFile(std::string(TKX_TEST_DATA_DIR) + "/" + fileName);
        FDefs.Build();
    }
    // A definition file the program ships (data/), reaching the built-in definitions as the
    // data-model collection's lists do.
    void UseShippedFile(const std::string& fileName) {
        FDefs.Chain(&FCollection.Predefined());
        FDefs.LoadFromFile(std::string(TKX_SOURCE_DIR) + "/data/" + fileName);
        FDefs.Build();
    }

    void SetUp() override {
        FConnection = FNetwork.AddConnection("line");
        auto setup = std::make_unique<TkxDeviceSetup>();
        setup->SetDeviceName("drive");
        FSetup = setup.get();
        ASSERT_TRUE(FConnection->AddDeviceSetup(setup));
    }
    void TearDown() override {
        // The handlers point into the finished test; taking the network down fires them.
        FSetup->OnSetupAdd = nullptr;
        FSetup->OnSetupDel = nullptr;
        FSetup->OnDeviceVersion = nullptr;
        FConnection->OnSetupAdd = nullptr;
        if (TkxDeviceSlave* device = FSetup->Device()) {
            device->OnStateChange = nullptr;
            device->OnTransaAdd = nullptr;
            device->OnTransaDel = nullptr;
        }
        FNetwork.ResetAll();
    }

    bool StartLine() {
        FConnection->SetOnLine(true);
        FConnection->SetEnabled(true);
        return PumpUntil([&] { return FConnection->GetState() == 3; });
    }
    // A device of class Device made for the setup as identification would make it.
    template <typename Device = TkxDeviceSlave>
    Device& Identify(const char* versionText = "QX440v123") {
        const TkxVersionRecord version(versionText);
        auto device = std::make_unique<Device>(FSetup, &version, &FDefs);
        Device& made = *device;
        FSetup->SetDevice(std::move(device));
        return made;
    }
    // A new device made by hand, then the setup enabled and the line started: with the device
    // already there the line asks for no identification.
    template <typename Device = TkxDeviceSlave>
    Device& ReadyDevice(const char* versionText = "QX440v123") {
        Device& device = Identify<Device>(versionText);
        FSetup->SetEnabled(true);
        EXPECT_TRUE(StartLine());
        device.SetThread(FSetup->GetConnectionThread());
        return device;
    }

    // How many queries of a function the line has carried for a start address.
    int QueriesFor(std::uint8_t function, int address) const {
        const auto queries = Script->Queries();
        return static_cast<int>(std::count_if(queries.begin(), queries.end(), [&](const auto& q) {
            return q.size() >= 4 && q[1] == function && (q[2] << 8 | q[3]) == address;
        }));
    }

    TkxDMCollection FCollection;
    TkxRegDefsList FDefs;
    TkxFakeNetwork FNetwork{Context};
    TkxMBThreadSetup* FConnection = nullptr;
    TkxDeviceSetup* FSetup = nullptr;
};
