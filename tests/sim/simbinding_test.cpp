#include "sim/simbinding.h"

#include "sim/simregistermemory.h"

#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace qxsim {
namespace {

// Entries of every shape the drive classes read, and some they would not bind.
const std::string kFile =
    std::string("[Versions]\n"
                "Versions=QX460v4*\n"
                "[Parameters]\n"
                "ParRef=Ref,0\n"
                "ParPos=PosLo,PosHi,0\n"
                "CfgMode=Config,0,0x0070\n"
                "CfgFlag=Config,0,15\n"
                "ParMissing=Nowhere,0\n"
                "ParBadElement=Ref,1\n"
                "ParTooMany=Ref,0,1,2\n"
                "CfgBadBit=Config,0,16\n"
                "ParText=Name,0\n"
                "ParHuge=Huge,0\n"
                "[100]\nName=Ref\nType=\"signed short\"\nFormatNorm=10\n"
                "[101]\nName=PosLo\nType=\"unsigned short\"\n"
                "[102]\nName=PosHi\nType=\"signed short\"\n"
                "[103]\nName=Config\nType=\"unsigned short\"\nDfltValue=32769\n"
                "[104]\nName=Name\nType=\"string\"\nLength=4\n"
                "[108]\nName=Huge\nType=\"signed short\"\nFormatNorm=0.") +
    std::string(305, '0') + "1\n";

class SimBindingTest : public ::testing::Test {
protected:
    SimBindingTest() {
        FDefs.SetText(kFile);
        FDefs.Chain(&FCollection.Predefined());
        FDefs.Build();
        FMemory = std::make_unique<SimRegisterMemory>(FDefs, nullptr, FLog);
    }
    SimBinding Bind(const char* name, SimBindingKind kind) { return {FDefs, name, kind}; }
    std::vector<std::uint8_t> Words(int start, int count) { return FMemory->Read(start, count); }

    TkxDMCollection FCollection;
    TkxRegDefsList FDefs;
    std::ostringstream FLog;
    std::unique_ptr<SimRegisterMemory> FMemory;
};

TEST_F(SimBindingTest, EntriesOfAnotherShapeOrWithoutTheirRegisterStayUnbound) {
    EXPECT_TRUE(Bind("ParRef", SimBindingKind::Value).Bound());
    EXPECT_TRUE(Bind("ParPos", SimBindingKind::Long).Bound());
    EXPECT_FALSE(Bind("ParPos", SimBindingKind::Value).Bound());
    EXPECT_FALSE(Bind("ParRef", SimBindingKind::Flag).Bound());
    for (const char* name : {"ParMissing", "ParBadElement", "ParTooMany", "ParText", "Absent"}) {
        EXPECT_FALSE(Bind(name, SimBindingKind::Value).Bound()) << name;
    }
    EXPECT_FALSE(Bind("CfgBadBit", SimBindingKind::Flag).Bound());

    const SimBinding unbound = Bind("ParMissing", SimBindingKind::Value);
    EXPECT_EQ(unbound.Get(*FMemory, 7.5), 7.5);
    const auto before = Words(100, 5);
    unbound.Set(*FMemory, 3);
    EXPECT_EQ(Words(100, 5), before);
}

TEST_F(SimBindingTest, ValuesAreScaledRoundedAndClampedToTheirType) {
    const SimBinding ref = Bind("ParRef", SimBindingKind::Value);
    ref.Set(*FMemory, -12.34);
    EXPECT_EQ(Words(100, 1), (std::vector<std::uint8_t>{0xFF, 0x85})); // -123
    EXPECT_DOUBLE_EQ(ref.Get(*FMemory), -12.3);
    ref.Set(*FMemory, 1e9);
    EXPECT_EQ(Words(100, 1), (std::vector<std::uint8_t>{0x7F, 0xFF}));
    ref.Set(*FMemory, std::nan(""));
    EXPECT_EQ(Words(100, 1), (std::vector<std::uint8_t>{0x7F, 0xFF}));

    // A scale that makes the value overflow gives the fallback, never an infinity.
    const std::uint8_t most[] = {0x7F, 0xFF};
    FMemory->Write(108, 1, most);
    EXPECT_EQ(Bind("ParHuge", SimBindingKind::Value).Get(*FMemory, 4), 4);
}

TEST_F(SimBindingTest, LongsSpanTheirLowAndHighRegister) {
    const SimBinding pos = Bind("ParPos", SimBindingKind::Long);
    pos.Set(*FMemory, -5000);
    EXPECT_EQ(Words(101, 2), (std::vector<std::uint8_t>{0xEC, 0x78, 0xFF, 0xFF}));
    EXPECT_EQ(pos.Get(*FMemory), -5000);
    pos.Set(*FMemory, 4e10);
    EXPECT_EQ(pos.Get(*FMemory), 2147483647);
}

TEST_F(SimBindingTest, FieldsChangeOnlyTheirBits) {
    const SimBinding mode = Bind("CfgMode", SimBindingKind::Bits);
    const SimBinding flag = Bind("CfgFlag", SimBindingKind::Flag);
    EXPECT_EQ(mode.Get(*FMemory), 0);
    EXPECT_TRUE(flag.On(*FMemory));
    mode.Set(*FMemory, 5);
    EXPECT_EQ(Words(103, 1), (std::vector<std::uint8_t>{0x80, 0x51}));
    mode.Set(*FMemory, 9); // wider than the mask: only the bits under it
    EXPECT_EQ(mode.Get(*FMemory), 1);
    flag.Set(*FMemory, 0);
    EXPECT_EQ(Words(103, 1), (std::vector<std::uint8_t>{0x00, 0x11}));
}

} // namespace
} // namespace qxsim
