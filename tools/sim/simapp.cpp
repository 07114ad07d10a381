#include "sim/simapp.h"

#include "sim/simcommands.h"
#include "sim/simcontrolchannel.h"
#include "sim/simdemo.h"
#include "sim/simdrive.h"
#include "sim/simdrivemodel.h"
#include "sim/simmodelrunner.h"
#include "sim/simregistermemory.h"
#include "sim/simserver.h"

#include "base/tkxerror.h"
#include "devices/tkxversionrecordcls.h"
#include "registers/tkxdmcollectioncmp.h"
#include "registers/tkxregdefslistcmp.h"

#include <memory>

namespace qxsim {
namespace {

// The version reply data: board, model, option letters, version number and suffix letters,
// each 16-bit value high byte first and each letter pair second letter first.
SimDrive::VersionBytes VersionReply(const TkxVersionRecord& version) {
    const std::uint16_t number = version.GetNumber();
    return {static_cast<std::uint8_t>(version.BoardCode >> 8),
            static_cast<std::uint8_t>(version.BoardCode & 0xFF),
            static_cast<std::uint8_t>(version.Model >> 8),
            static_cast<std::uint8_t>(version.Model & 0xFF),
            version.Option[1],
            version.Option[0],
            static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number & 0xFF),
            version.Suffix[1],
            version.Suffix[0]};
}

bool LoadDefinitions(const std::string& fileName, TkxDMCollection& collection, TkxRegDefsList& defs,
                     std::ostream& err) {
    try {
        defs.LoadFromFile(fileName);
    } catch (const ETkxError& e) {
        err << "qxdrive-sim: " << e.what() << "\n";
        return false;
    }
    defs.Chain(&collection.Predefined());
    defs.Build();
    if (defs.Count() == 0) {
        err << "qxdrive-sim: " << fileName << " defines no registers\n";
        return false;
    }
    return true;
}

} // namespace

int RunSimulator(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        out << SimUsage();
        return 0;
    }
    if (!args.empty() && (args[0] == "--version" || args[0] == "-V")) {
        out << "qxdrive-sim " << TKX_VERSION_TEXT << "\n";
        return 0;
    }
    std::string error;
    auto options = ParseSimOptions(args, error);
    if (!options) {
        err << "qxdrive-sim: " << error << "\n" << SimUsage();
        return 2;
    }
    if (options->DefsFile.empty()) {
        options->DefsFile = SimDemoDefsFile();
    }
    TkxVersionRecord version;
    // The parser skips whatever precedes "QX", so a text without a model is no version either.
    if (!version.Parse(options->Version) || version.Model == 0) {
        err << "qxdrive-sim: '" << options->Version << "' is no version text such as QX440v123\n";
        return 2;
    }
    TkxDMCollection collection;
    TkxRegDefsList defs;
    if (!LoadDefinitions(options->DefsFile, collection, defs, err)) {
        return 1;
    }
    std::unique_ptr<SimNvState> state;
    if (!options->StateFile.empty()) {
        state = std::make_unique<SimNvState>(options->StateFile);
        if (!state->Load(error)) {
            err << "qxdrive-sim: " << error << "\n";
            return 1;
        }
    }
    SimRegisterMemory memory(defs, state.get(), err);
    // A stored setup wins over the demo's motor.
    if (options->Demo && (!state || state->Count() == 0)) {
        SimApplyDemoSetup(defs, memory);
    }
    const std::unique_ptr<SimDriveModel> model = SimDriveModel::Create(defs, memory);
    if (!model && (options->Demo || !options->Control.empty())) {
        err << "qxdrive-sim: " << options->DefsFile
            << " names none of a drive's commands and measured values; "
            << (options->Demo ? "--demo" : "--control") << " needs them\n";
        return 1;
    }
    SimDrive drive(memory, VersionReply(version));
    try {
        SimServer server(*options, drive, out);
        std::unique_ptr<SimModelRunner> runner;
        std::unique_ptr<SimCommands> commands;
        std::unique_ptr<SimControlChannel> control;
        if (model) {
            runner = std::make_unique<SimModelRunner>(*model, options->Speedup);
            server.Add(*runner);
        }
        if (!options->Control.empty()) {
            commands = std::make_unique<SimCommands>(*model);
            control = std::make_unique<SimControlChannel>(options->Control, *commands, out);
            server.Add(*control);
        }
        out << "qxdrive-sim: " << version.GetText() << " slave " << options->Slave << ", "
            << defs.Count() << " registers, "
            << (options->Transport == SimTransport::Tcp ? "TCP"
                                                        : (options->Ascii ? "ASCII" : "RTU"))
            << " on " << server.Address() << "\n";
        if (model) {
            out << "qxdrive-sim: drive model running, " << SimDriveModel::kStep.count()
                << " ms steps";
            if (options->Speedup > 1) {
                out << " " << options->Speedup << " times faster than real time";
            }
            out << (control ? ", control on " + control->Address() : std::string()) << "\n";
        }
        out << std::flush;
        return server.Run();
    } catch (const std::runtime_error& e) {
        err << "qxdrive-sim: " << e.what() << "\n";
        return 1;
    }
}

} // namespace qxsim
