// Single-register writes of a drive whose periodic state read covers the same register, against
// the simulator: every value written reaches the drive and stays shown, even when a state read
// lands between the write's start and its turn on the line.
#include "support/tkxsimdrivenetwork.h"

#include "base/tkxstatescale.h"
#include "devices/tkxdeviceqxdrvcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparvaluecls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TkxWriteWhilePolling, EveryWrittenValueOfAPolledRegisterReachesTheDrive) {
    TkxSimDriveNetwork net({});
    ASSERT_TRUE(net.Started()) << net.Problem();
    net.SetOnLine(true);
    const auto drive = [&] { return dynamic_cast<TkxDeviceQXDRV*>(net.Drive()); };
    ASSERT_TRUE(net.WaitUntil([&] {
        return drive() != nullptr && drive()->ReadState->GetMessageCount() > 0;
    })) << "state "
        << net.DriveState();
    TkxParValue* reference = drive()->ParPrimaryRef;
    ASSERT_NE(reference, nullptr);

    for (int value = 1; value <= 40; ++value) {
        SCOPED_TRACE("value " + std::to_string(value));
        reference->SetValueDouble(value);
        const double written = reference->GetValueDouble();
        ASSERT_EQ(reference->WriteToDevice(), 0);
        // A state read that was on the line meanwhile does not show the old value afterwards,
        // so a step made from the value shown starts from the value written.
        ASSERT_EQ(reference->GetValueDouble(), written) << "the old value came back";
        // Two state reads after the write: the second one started after the write was done,
        // so what it shows is what the drive holds.
        const int reads = drive()->ReadState->GetMessageCount();
        ASSERT_TRUE(
            net.WaitUntil([&] { return drive()->ReadState->GetMessageCount() > reads + 1; }));
        ASSERT_EQ(reference->GetValueDouble(), written) << "the drive did not get the value";
    }
}

} // namespace
