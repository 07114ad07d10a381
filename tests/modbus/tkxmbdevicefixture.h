#pragma once

// A device laid out from a small definition text, and a scripted line to run its transactions
// on by hand: the test plays the communication thread and calls Transact itself.

#include "devices/tkxdevicesetupcls.h"
#include "devices/tkxdeviceslavecls.h"
#include "modbus/tkxmbcancelcls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "registers/tkxregdefslistcmp.h"
#include "support/tkxmbscriptedservercls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A definition text of plain registers at the given addresses, named R<address>.
inline std::string PlainRegisters(const std::vector<int>& addresses, int maxBufferSize) {
    std::string text = "[DataModel]\nMaxBufferSize=" + std::to_string(maxBufferSize) + "\n";
    for (const int address : addresses) {
        text += "[" + std::to_string(address) + "]\nName=R" + std::to_string(address) + "\n";
    }
    return text;
}

inline std::vector<int> AddressRange(int first, int count) {
    std::vector<int> addresses(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        addresses[static_cast<std::size_t>(i)] = first + i;
    }
    return addresses;
}

class TkxMBDeviceFixture : public ::testing::Test {
protected:
    // Lays the device out; call once per test before making transactions.
    void MakeDevice(const std::string& definitions, std::uint8_t address = 1) {
        FSetup.SetDeviceName("drive");
        FSetup.SetDeviceAddr(address);
        FDefs.SetText(definitions);
        FDefs.Build();
        const TkxVersionRecord version("QX440v123");
        FDevice = std::make_unique<TkxDeviceSlave>(&FSetup, &version, &FDefs);
        bool ok = false;
        FServer.OpenConnection("test", 1, ok);
        FServer.Set_Retries(0);
        bool connected = false;
        FServer.Connect(connected);
    }
    void TearDown() override { FDevice.reset(); }

    std::vector<std::uint8_t> Stored(int address, int bytes) {
        TkxThreadBuffer::Reader reader(*FDevice->Buffer());
        const int offset = FDefs.OffsetOf(address);
        return {reader.Data() + offset, reader.Data() + offset + bytes};
    }
    void Store(int address, const std::vector<std::uint8_t>& bytes) {
        TkxThreadBuffer::Writer writer(*FDevice->Buffer());
        std::copy(bytes.begin(), bytes.end(), writer.Data() + FDefs.OffsetOf(address));
    }
    void Reply(std::vector<std::uint8_t> response, std::int32_t result = 0) {
        FScript->Push({result, std::move(response), {}});
    }
    std::vector<std::vector<std::uint8_t>> Sent() const { return FScript->Queries(); }

    TkxDeviceSetup FSetup;
    TkxRegDefsList FDefs;
    std::unique_ptr<TkxDeviceSlave> FDevice;
    std::shared_ptr<TkxMBScript> FScript = std::make_shared<TkxMBScript>();
    TkxMBCancel FCancel;
    TkxMBScriptedServer FServer{FScript, FCancel};
};
