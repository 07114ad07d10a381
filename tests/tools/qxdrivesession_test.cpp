// A drive of each shipped definition file on a session's line to the simulator serving the
// same file: the periodic reads, the setup read after connecting, and edit, send, reload and
// save with the simulator's EEPROM kept across a restart; and a save that the drive refuses.
#include "qxdrive/qxdrivesession.h"

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"

#include "base/tkxmbresultcodes.h"
#include "devices/tkxdeviceqxdrivecls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "modbus/tkxthreadbuffercls.h"
#include "params/tkxparvaluecls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregblockcls.h"
#include "registers/tkxregdefinitioncls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using qxdrive::MasterSession;
using qxsim::SimProcess;

std::string DataFile(const std::string& name) {
    return std::string(TKX_SOURCE_DIR) + "/data/" + name;
}

// A drive of the file on the line at link, made as the tool makes it, its events counted.
struct DriveOnLine {
    DriveOnLine(const std::string& file, const std::string& link) {
        Options.Port = link;
        Options.Defs = file;
        Options.TimeoutMs = 300;
        Options.Verbose = true; // every frame is kept in Frames
        Defs = qxdrive::LoadDefinitions(file, Collection);
        Session = std::make_unique<MasterSession>(Options, Frames);
        Session->Open();
        Drive = &Session->AddDevice<TkxDeviceQXDrive>(*Defs);
        Drive->OnActState = [this](TkxMBTransaction*) { ++ActReads; };
        Drive->OnFaultState = [this](TkxMBTransaction*) { ++FaultReads; };
        Drive->OnSetupRead = [this](TkxMBTransaction*) { ++SetupReads; };
        Drive->OnSetupSent = [this](TkxMBTransaction*) { ++Sends; };
        Drive->OnSetupSaved = [this](TkxMBTransaction*) { ++Saves; };
    }

    bool WaitFor(const std::function<bool()>& done) { return Session->WaitUntil(done, 10s); }
    // Until a transaction that runs once per enabling has handled its result.
    bool WaitForRun(const TkxMBTransaction* transaction) {
        return WaitFor([transaction] {
            return transaction->GetMessageCount() > 0 && !transaction->IsEnabled() &&
                   !transaction->IsPending();
        });
    }

    // The start addresses of the writes of several registers (function 16) sent so far.
    std::vector<int> WriteStarts() const {
        std::vector<int> starts;
        std::istringstream frames(Frames.str());
        std::string line;
        while (std::getline(frames, line)) {
            unsigned slave = 0, function = 0, high = 0, low = 0;
            if (std::sscanf(line.c_str(), "-> %x %x %x %x", &slave, &function, &high, &low) == 4 &&
                function == 0x10) {
                starts.push_back(static_cast<int>(high * 256 + low));
            }
        }
        return starts;
    }

    qxdrive::MasterOptions Options;
    TkxDMCollection Collection;
    std::unique_ptr<TkxRegDefsList> Defs;
    std::ostringstream Frames;
    std::unique_ptr<MasterSession> Session;
    TkxDeviceQXDrive* Drive = nullptr;
    int ActReads = 0;
    int FaultReads = 0;
    int SetupReads = 0;
    int Sends = 0;
    int Saves = 0;
};

std::vector<std::uint8_t> BytesOf(const TkxRegister& reg) {
    TkxThreadBuffer::Reader reader(*reg.Data());
    return {reader.Data(), reader.Data() + reg.Data()->Size()};
}

// Puts bytes into the register as a transfer from the drive would, which is no edit: what is
// read afterwards can only have come from the drive.
void PutBytes(const TkxRegister& reg, const std::vector<std::uint8_t>& bytes) {
    TkxThreadBuffer::Writer writer(*reg.Data());
    std::copy(bytes.begin(), bytes.end(), writer.Data());
}

// A value for the parameter other than the one it holds, inside its limits.
double OtherValue(const TkxParValue& parameter) {
    const double now = parameter.GetValueDouble();
    const double wanted = now + 1.0 <= parameter.GetMax() ? now + 1.0 : now - 1.0;
    return wanted;
}

class DriveCycle : public ::testing::TestWithParam<const char*> {};

TEST_P(DriveCycle, ReadEditSendReloadSaveAndTheEEPromKeepsItAcrossARestart) {
    const std::string file = DataFile(GetParam());
    TkxTempFolder folder;
    const std::vector<std::string> simArgs = {
        "--defs", file, "--link", folder.PathOf("drive"), "--state", folder.PathOf("drive.nv")};
    std::int32_t saved = 0;
    {
        SimProcess sim(simArgs);
        ASSERT_TRUE(sim.Started()) << sim.Banner();
        DriveOnLine line(file, folder.PathOf("drive"));
        TkxDeviceQXDrive& drive = *line.Drive;
        ASSERT_TRUE(line.WaitFor([&] {
            return line.ActReads >= 2 && line.FaultReads >= 1 && line.SetupReads >= 1;
        })) << line.ActReads
            << " " << line.FaultReads << " " << line.SetupReads;
        EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupLoaded);
        EXPECT_FALSE(drive.ReadSetup->IsEnabled()) << "read once after connecting";

        ASSERT_NE(drive.ParMotorAccel, nullptr);
        const TkxRegister& accel = *drive.ParMotorAccel->Register();
        const std::vector<std::uint8_t> asRead = BytesOf(accel);
        drive.ParMotorAccel->SetValueDouble(OtherValue(*drive.ParMotorAccel));
        saved = accel.GetValueInteger(0);
        EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);

        drive.SendToDrive();
        ASSERT_TRUE(line.WaitFor([&] { return line.Sends == 1; }));
        EXPECT_EQ(drive.SendSetup->GetLastError(), TkxMBResult::Ok);
        EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);

        PutBytes(accel, asRead);
        drive.ReloadSetup();
        ASSERT_TRUE(line.WaitFor([&] { return line.SetupReads == 2; }));
        EXPECT_EQ(accel.GetValueInteger(0), saved) << "the drive's RAM holds what was sent";
        EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved);

        const TkxRegister* copy = drive.RegisterAt(accel.Definition()->EEPromCopy());
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, &accel);
        const std::vector<std::uint8_t> copyBefore = BytesOf(*copy);
        drive.SaveToDrive();
        ASSERT_TRUE(line.WaitFor([&] { return line.Saves == 1; }));
        EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupLoaded);
        EXPECT_EQ(line.Sends, 1) << "the send of a save is not reported as a send";
        PutBytes(*copy, copyBefore);
        ASSERT_EQ(drive.ReadRegister(*copy, true), TkxMBResult::Ok);
        EXPECT_EQ(copy->GetValueInteger(0), saved);
    }
    SimProcess sim(simArgs);
    ASSERT_TRUE(sim.Started()) << sim.Banner();
    DriveOnLine line(file, folder.PathOf("drive"));
    ASSERT_TRUE(line.WaitFor([&] { return line.SetupReads >= 1; }));
    EXPECT_EQ(line.Drive->ParMotorAccel->Register()->GetValueInteger(0), saved)
        << "the drive starts with the saved setup";
    const TkxRegister* copy =
        line.Drive->RegisterAt(line.Drive->ParMotorAccel->Register()->Definition()->EEPromCopy());
    ASSERT_EQ(line.Drive->ReadRegister(*copy, true), TkxMBResult::Ok);
    EXPECT_EQ(copy->GetValueInteger(0), saved);
}

INSTANTIATE_TEST_SUITE_P(ShippedFiles, DriveCycle,
                         ::testing::Values("qx440v30x.par", "qx440v32x.par", "qx460v3xx.par",
                                           "qx460v4xx.par", "qx470v3xx.par", "qx470v4xx.par"),
                         [](const auto& file) {
                             const std::string name = file.param;
                             return name.substr(0, name.find('.'));
                         });

// The address of a register of the file and of its EEPROM copy, by name.
std::pair<int, int> AddressAndCopy(const std::string& file, const std::string& name) {
    TkxDMCollection collection;
    const auto defs = qxdrive::LoadDefinitions(file, collection);
    for (int i = 0; i < defs->Count(); ++i) {
        if (defs->Items(i)->Name() == name) {
            return {defs->Items(i)->Address(), defs->Items(i)->EEPromCopy()};
        }
    }
    return {-1, -1};
}

class DriveSaveRefused : public ::testing::Test {
protected:
    // The simulator answers every request covering the register with exception 2.
    void StartSimulator(int refusedAddress) {
        Sim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--defs", File, "--link", Folder.PathOf("drive"), "--fault",
                                     std::to_string(refusedAddress) + "=exception:2"});
        ASSERT_TRUE(Sim->Started()) << Sim->Banner();
        Line = std::make_unique<DriveOnLine>(File, Folder.PathOf("drive"));
    }

    const std::string File = DataFile("qx460v4xx.par");
    const std::pair<int, int> Accel = AddressAndCopy(File, "MotorAccel");
    TkxTempFolder Folder;
    std::unique_ptr<SimProcess> Sim;
    std::unique_ptr<DriveOnLine> Line;
};

TEST_F(DriveSaveRefused, AFailedSendNeverWritesTheEEProm) {
    ASSERT_GT(Accel.first, 0);
    StartSimulator(Accel.first);
    TkxDeviceQXDrive& drive = *Line->Drive;
    drive.ParMotorAccel->SetValueDouble(OtherValue(*drive.ParMotorAccel));
    drive.SaveToDrive();
    ASSERT_TRUE(Line->WaitForRun(drive.SendSetup));
    EXPECT_EQ(drive.SendSetup->GetLastError(), TkxMBResult::IllegalAddress);
    EXPECT_FALSE(drive.SaveEEProm->IsEnabled());
    EXPECT_EQ(drive.SaveEEProm->GetMessageCount(), 0);
    EXPECT_EQ(Line->Saves, 0);
    EXPECT_EQ(Line->Sends, 0);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupEdited);

    // Nothing went to the EEPROM copies.
    const std::unique_ptr<TkxRegBlock> eeprom = Line->Defs->CategoryBlocks("EEPromSetup");
    ASSERT_NE(eeprom, nullptr);
    const std::vector<int> starts = Line->WriteStarts();
    EXPECT_FALSE(starts.empty()) << "the send went out";
    for (const int start : starts) {
        for (const TkxRegBlock* b = eeprom.get(); b != nullptr; b = b->Next()) {
            EXPECT_FALSE(start >= b->Start() && start < b->Start() + b->Count()) << start;
        }
    }
}

TEST_F(DriveSaveRefused, AFailedEEPromWriteIsNeverReportedSaved) {
    ASSERT_NE(Accel.second, Accel.first);
    StartSimulator(Accel.second);
    TkxDeviceQXDrive& drive = *Line->Drive;
    ASSERT_TRUE(Line->WaitFor([&] { return Line->SetupReads >= 1; }));
    drive.ParMotorAccel->SetValueDouble(OtherValue(*drive.ParMotorAccel));
    drive.SaveToDrive();
    ASSERT_TRUE(Line->WaitForRun(drive.SaveEEProm));
    EXPECT_EQ(drive.SendSetup->GetLastError(), TkxMBResult::Ok);
    EXPECT_EQ(drive.SaveEEProm->GetLastError(), TkxMBResult::IllegalAddress);
    EXPECT_EQ(Line->Saves, 0);
    EXPECT_EQ(drive.SetupState(), TkxDeviceQXSlave::SetupSentNotSaved)
        << "sent to the RAM, not saved";
}

} // namespace
