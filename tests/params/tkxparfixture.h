#pragma once

#include "registers/tkxregdatabuffercls.h"
#include "registers/tkxregdefslistcmp.h"
#include "registers/tkxregistercls.h"
#include "registers/tkxtextresourcecls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A register buffer laid out from one definition file of the test data folder, which reaches
// the built-in definitions and formats as a device's definitions do.
class TkxParFixture : public ::testing::Test {
protected:
    explicit TkxParFixture(const std::string& fileName)
        : FBuiltIn(28673) {
        FBuiltIn.AppendResourceID(28672);
        FBuiltIn.AppendResourceID(28674);
        FDefs.Chain(&FBuiltIn);
        FDefs.LoadFromFile(std::string(TKX_TEST_DATA_DIR) + "/" + fileName);
        FDefs.Build();
        FBuffer = std::make_unique<TkxRegDataBuffer>(&FDefs);
    }

    TkxRegister* Reg(const char* name) const {
        TkxRegister* reg = FBuffer->RegisterByName(name);
        EXPECT_NE(reg, nullptr) << "no register " << name;
        return reg;
    }

    // The integer value of an element, as the register holds it.
    int Raw(const char* name, int element = 0) const { return Reg(name)->GetValueInteger(element); }

    TkxTextResource FBuiltIn;
    TkxRegDefsList FDefs;
    std::unique_ptr<TkxRegDataBuffer> FBuffer;
};
