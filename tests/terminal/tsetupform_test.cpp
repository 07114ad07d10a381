#include "tmainform.h"
#include "tnetworkcmp.h"
#include "tsetupform.h"
#include "tterminalcls.h"

#include "support/simprocess.h"
#include "support/tkxtempfolder.h"
#include "ui/tkxparrows.h"
#include "ui/tkxprintrtfdoccmp.h"
#include "ui/tkxqtconvert.h"
#include "ui/tkxradiogroupctrl.h"
#include "ui/tkxuitest.h"
#include "ui/tkxuserinterfaceutilscmp.h"

#include "devices/tkxdeviceqxdrvcls.h"
#include "modbus/tkxmbchainedtransacls.h"
#include "params/tkxparboolfieldcls.h"
#include "params/tkxparencodedcls.h"
#include "params/tkxparfrac16cls.h"
#include "params/tkxparlongcls.h"
#include "registers/tkxregboundcls.h"
#include "registers/tkxregistercls.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kShipped = std::string(TKX_BINARY_DIR) + "/tools/";
constexpr int kWaitMs = 20000;

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The terminal offline with a drive of the version given, the setup window bound to it.
class Offline {
public:
    // definitions: a definition file's text put in the start folder, where the terminal looks
    // first; empty for the shipped files.
    explicit Offline(const std::string& version, const std::string& definitions = "") {
        if (!definitions.empty()) {
            FFolder.Write("own.par", definitions);
        }
        FTerminal = std::make_unique<TTerminal>(FFolder.Dir(), kShipped);
        Form().ShowError = [this](const QString& message) { Errors << message; };
        Form().ConfirmWarning = [this](const QString& message) {
            Warnings << message;
            return Answer;
        };
        Ok = FTerminal->Network().OpenOffline(0, 1, version);
        FTerminal->MainForm().UpdateActions();
    }

    TSetupForm& Form() const { return FTerminal->SetupForm(); }
    TkxDeviceQXDRV& Drive() const { return *FTerminal->Network().GetDrive(); }
    TTerminal& Terminal() const { return *FTerminal; }
    const TkxTempFolder& Folder() const { return FFolder; }
    QStringList Log() const { return FTerminal->MainForm().LogLines(); }
    void Refresh() const { Form().kxInterface->RefreshData(); }

    bool Ok = false;
    bool Answer = false;
    QStringList Errors;
    QStringList Warnings;

private:
    TkxTempFolder FFolder;
    std::unique_ptr<TTerminal> FTerminal;
};

// The parameters of a list's rows in order; null for a separator.
std::vector<TkxParValue*> Rows(const QTreeWidget* view) {
    std::vector<TkxParValue*> rows;
    for (int row = 0; row < view->topLevelItemCount(); ++row) {
        rows.push_back(TkxParOfItem(view->topLevelItem(row)));
    }
    return rows;
}

// The texts a field parameter offers to pick from.
std::vector<std::string> Choices(const TkxParValue& par) {
    TkxParItems items;
    par.FillItems(&items, false);
    std::vector<std::string> texts;
    for (const TkxParItem& item : items) {
        texts.push_back(item.Text);
    }
    return texts;
}

QStringList TabTexts(const QTabWidget* tabs) {
    QStringList texts;
    for (int index = 0; index < tabs->count(); ++index) {
        texts << tabs->tabText(index);
    }
    return texts;
}

// A session against the simulated drive, whose EEPROM is kept in a file across restarts.
class SimSession {
public:
    explicit SimSession(const TkxTempFolder& folder) {
        FSim = std::make_unique<qxsim::SimProcess>(
            std::vector<std::string>{"--demo", "--link", folder.PathOf("drive"), "--state",
                                     folder.PathOf("eeprom"), "--speedup", "10"});
        folder.Write("QX_DRIVE_ConfigTerm.ini",
                     "[Ports]\r\nCOM1=" + folder.PathOf("drive") + "\r\n[Setup]\r\nLastPort=1\r\n");
        FTerminal = std::make_unique<TTerminal>(folder.Dir(), kShipped);
        Setup().ConfirmWarning = [this](const QString& message) {
            Warnings << message;
            return Answer;
        };
    }
    ~SimSession() {
        // The connection goes before the drive it talks to.
        FTerminal.reset();
    }

    bool Started() const { return FSim->Started(); }
    QString Problem() const { return QString::fromStdString(FSim->Banner()); }
    TMainForm& Main() const { return FTerminal->MainForm(); }
    TSetupForm& Setup() const { return FTerminal->SetupForm(); }
    TkxDeviceQXDRV* Drive() const { return FTerminal->Network().GetDrive(); }
    bool Logged(const QString& line, qsizetype from = 0) const {
        return Main().LogLines().indexOf(line, from) >= 0;
    }
    bool WaitLogged(const QString& line, qsizetype from = 0) const {
        return QTest::qWaitFor([&] { return Logged(line, from); }, kWaitMs);
    }
    qsizetype LogSize() const { return Main().LogLines().size(); }

    bool Answer = false;
    QStringList Warnings;

private:
    std::unique_ptr<qxsim::SimProcess> FSim;
    std::unique_ptr<TTerminal> FTerminal;
};

QString ValueOfRow(const QTreeWidget* list, const TkxParValue* par) {
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (TkxParOfItem(list->topLevelItem(row)) == par) {
            for (int column = 0; column < list->columnCount(); ++column) {
                if (TkxUserInterfaceUtils::ColumnTag(list, column) == ckValue) {
                    return list->topLevelItem(row)->text(column);
                }
            }
        }
    }
    return {};
}

} // namespace

// The whole round of a setup against the simulated drive: edit, send, save, and the drive's
// memory after a restart; the questions on closing with work not sent or not saved.
class TSetupSessionTest : public QObject {
    Q_OBJECT
private slots:
    void EditSendSaveAndFindItAfterARestart() {
        TkxTempFolder folder;
        QString edited;
        double accel = 0;
        {
            SimSession session(folder);
            QVERIFY2(session.Started(), qPrintable(session.Problem()));
            session.Main().acOpenConnection->trigger();
            // The first setup read opens the window.
            QVERIFY(session.WaitLogged(QStringLiteral("Setup dowloaded, data refreshed.")));
            QVERIFY(QTest::qWaitFor([&] { return session.Setup().isVisible(); }, kWaitMs));
            TSetupForm& form = session.Setup();
            TkxDeviceQXDRV* drive = session.Drive();
            QVERIFY(drive != nullptr);
            session.Main().UpdateActions();
            QVERIFY(form.acSend->isEnabled());
            // Opened on the setup just read, the window reads nothing more: no read lands on
            // the edit.
            QVERIFY(QTest::qWaitFor(
                [&] { return !drive->ReadSetup->IsEnabled() && !drive->ReadSetup->IsPending(); },
                kWaitMs));
            QCOMPARE(drive->SetupState(), TkxDeviceQXSlave::SetupLoaded);

            // An edit, as the list's editor stores it.
            TkxParValue* par = drive->ParMotorAccel;
            accel = par->GetValueDouble() == par->GetMin() ? par->GetMin() + 1 : par->GetMin();
            par->SetValueDouble(accel);
            form.kxInterface->DoOnEdited(par);
            edited = TkxQString(par->GetValueString());
            QCOMPARE(drive->SetupState(), TkxDeviceQXSlave::SetupEdited);

            // Closing now asks; No keeps the window, and the program.
            QVERIFY(!form.close());
            QVERIFY(form.isVisible());
            QCOMPARE(session.Warnings.size(), 1);
            QVERIFY(session.Warnings[0].startsWith(
                QStringLiteral("Setup has been modified but not sent nor saved.")));
            QVERIFY(!session.Main().close());
            QCOMPARE(session.Warnings.size(), 2);
            QVERIFY(session.Drive() != nullptr);

            // Shown again, the window keeps the edit rather than read the drive over it.
            form.hide();
            form.show();
            QVERIFY(!drive->ReadSetup->IsEnabled());
            QCOMPARE(TkxQString(par->GetValueString()), edited);

            qsizetype from = session.LogSize();
            form.acSend->trigger();
            QVERIFY(session.Logged(QStringLiteral("Sending setup..."), from));
            QVERIFY(session.WaitLogged(QStringLiteral("Setup sent!"), from));
            // The reload afterwards shows what was sent.
            QVERIFY(session.WaitLogged(
                QStringLiteral("Setup dowloaded, data refreshed."),
                session.Main().LogLines().indexOf(QStringLiteral("Setup sent!"), from)));
            QCOMPARE(TkxQString(par->GetValueString()), edited);
            QVERIFY2(drive->SetupState() == TkxDeviceQXSlave::SetupSentNotSaved,
                     qPrintable(session.Main().LogLines().join(QLatin1Char('\n'))));
            QVERIFY(!form.close());
            QCOMPARE(session.Warnings.size(), 3);
            QVERIFY(session.Warnings[2].startsWith(
                QStringLiteral("Program has been modified and sent but not saved permanently.")));

            from = session.LogSize();
            form.acSave->trigger();
            QVERIFY(session.Logged(QStringLiteral("Saving setup..."), from));
            QVERIFY(session.WaitLogged(QStringLiteral("Setup saved!"), from));
            QVERIFY(QTest::qWaitFor(
                [&] { return drive->SetupState() == TkxDeviceQXSlave::SetupLoaded; }, kWaitMs));
            // Nothing to lose now: it closes without a question.
            QVERIFY(form.close());
            QCOMPARE(session.Warnings.size(), 3);
            session.Main().acCloseConnection->trigger();
            QVERIFY(session.WaitLogged(QStringLiteral("Connection closed.")));
        }
        // The drive starts again from its memory.
        SimSession again(folder);
        QVERIFY2(again.Started(), qPrintable(again.Problem()));
        again.Main().acOpenConnection->trigger();
        QVERIFY(again.WaitLogged(QStringLiteral("Setup dowloaded, data refreshed.")));
        QVERIFY(again.Drive() != nullptr);
        QCOMPARE(TkxQString(again.Drive()->ParMotorAccel->GetValueString()), edited);
        QVERIFY(QTest::qWaitFor([&] { return again.Setup().isVisible(); }, kWaitMs));
        again.Setup().pcSetup->setCurrentIndex(3);
        again.Setup().pcControlMode->setCurrentIndex(3);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return ValueOfRow(again.Setup().lvRampSetup, again.Drive()->ParMotorAccel) ==
                       edited;
            },
            kWaitMs));
    }
};

// The setup window on offline drives: pages, bindings and the rules between them.
class TSetupFormTest : public QObject {
    Q_OBJECT
private slots:
    void PagesAndActionsAreThoseOfTheSetup() {
        Offline offline("QX440v32x");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Drive Setup"));
        QCOMPARE(TabTexts(form.pcSetup),
                 QStringList({"Mains", "Motor setup", "Transducers", "Control mode", "Zeroing",
                              "Brake", "Limits", "Field Bus"}));
        QCOMPARE(TabTexts(form.pcTransducers),
                 QStringList({"Resolver", "Main Encoder", "Secondary Encoder", "Hall Effect"}));
        QCOMPARE(TabTexts(form.pcControlMode),
                 QStringList({"Field Loop", "Current Loop", "Speed Loop", "Ramp", "Position Loop",
                              "El. Axis", "Position Target"}));
        QCOMPARE(form.acSend->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
        QCOMPARE(form.acSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(form.acClose->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
        QCOMPARE(form.acReload->toolTip(),
                 QStringLiteral("Refresh data from drive, overwriting actual values"));
        QCOMPARE(form.acImport->text(), QStringLiteral("From File ..."));
        // Offline: files and the report, nothing sent.
        QVERIFY(!form.acSend->isEnabled());
        QVERIFY(!form.acSave->isEnabled());
        QVERIFY(!form.acReload->isEnabled());
        QVERIFY(form.acImport->isEnabled());
        QVERIFY(form.acExport->isEnabled());
        QVERIFY(form.acPrint->isEnabled());
        QCOMPARE(form.sbtnSaveModBusSlave->toolTip(),
                 QStringLiteral("Save this value as new slave address for ModBus"));
        QCOMPARE(form.sbtnSaveCanBusBaudRate->toolTip(), QStringLiteral("Save this value"));
    }

    void ListsHoldTheirParametersInOrderWithSeparators() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        TkxDeviceQXDRV& d = offline.Drive();
        const std::vector<TkxParValue*> motor = Rows(form.lvMotor);
        QVERIFY(motor.size() >= 10);
        QCOMPARE(motor[0], d.ParMotorUrV);
        QCOMPARE(motor[1], nullptr);
        QCOMPARE(motor[2], d.ParMotorIpA);
        QCOMPARE(motor.back(), static_cast<TkxParValue*>(d.CfgUseAutoCalib));
        QCOMPARE(form.rgMotorType->Par(), d.ParMotorType);
        QCOMPARE(form.rgZeroDir->Par(), static_cast<TkxParEncoded*>(d.CfgZeroDirection));
        // The Hall list: eight options, a separator, the phase shift; two columns only.
        const std::vector<TkxParValue*> hall = Rows(form.lvHallEffect);
        QCOMPARE(hall.back(), d.ParHallEffectPhaseShift);
        QCOMPARE(hall[hall.size() - 2], nullptr);
        QCOMPARE(form.lvHallEffect->columnCount(), 2);
        QCOMPARE(form.lvMotor->columnCount(), 4);
        QCOMPARE(form.lvMotor->headerItem()->text(2), QStringLiteral("Min"));
        // The control mode list ends with a separator.
        QCOMPARE(Rows(form.lvControlMode).front(), static_cast<TkxParValue*>(d.CfgCtrlMode));
        QCOMPARE(Rows(form.lvControlMode).back(), nullptr);
        QCOMPARE(Rows(form.lvRxFrames).size(), std::size_t{4});
        QCOMPARE(Rows(form.lvTxFrames).front(), static_cast<TkxParValue*>(d.ParCyclicTx1));
        QCOMPARE(Rows(form.lvModBusSlave).front(), d.ParEEModBusAddress);
        // A frame field chooses among the registers of its group, or none.
        QCOMPARE(d.ParCyclicRx4->GetMax(), 1014.0);
        QCOMPARE(d.ParCyclicTx1->GetMax(), 1009.0);
        QCOMPARE(d.ParCyclicTx1->GetMin(), 0.0);
        // Each choice shows address, name and description in columns.
        const std::vector<std::string> choices = Choices(*d.ParCyclicTx1);
        QCOMPARE(choices.size(), std::size_t{11});
        QCOMPARE(choices.front(), std::string("000 -none-               | Disabled field"));
        QCOMPARE(choices[1], std::string("1000 U_Dc_BusV            | DC bus voltage"));
        QCOMPARE(Choices(*d.ParCyclicRx2).back(), Choices(*d.ParCyclicRx4).back());
        QCOMPARE(Choices(*d.ParCyclicRx2).size(), std::size_t{6});
    }

    void FrameFieldsWithoutTheirGroupOfferNoneOnly() {
        std::string text = ReadAll(kShipped + "qx460v4xx.par");
        const std::size_t at = text.find("CanRxRegs=");
        QVERIFY(at != std::string::npos);
        text.erase(at, text.find('\n', at) + 1 - at);
        Offline offline("QX460v400", text);
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        QCOMPARE(d.ParCyclicRx1->GetMax(), 0.0);
        QCOMPARE(d.ParCyclicRx4->GetMax(), 0.0);
        QCOMPARE(d.ParCyclicTx4->GetMax(), 1009.0);
        QCOMPARE(Choices(*d.ParCyclicRx2),
                 std::vector<std::string>{"000 -none-               | Disabled field"});
    }

    void FrameListsShowEveryRowAndChoiceWhole() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        form.show();
        form.pcSetup->setCurrentWidget(form.gbRxFrames->parentWidget());
        offline.Refresh();
        for (QTreeWidget* frames : {form.lvRxFrames, form.lvTxFrames}) {
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QVERIFY(frames->isVisible());
            QVERIFY(!frames->verticalScrollBar()->isVisible());
            QVERIFY(!frames->horizontalScrollBar()->isVisible());
            const QTreeWidgetItem* last = frames->topLevelItem(frames->topLevelItemCount() - 1);
            QVERIFY(frames->viewport()->rect().contains(frames->visualItemRect(last)));
        }
        form.close();
    }

    void PositionLoopRowsFollowTheFirmwareGeneration() {
        for (const char* version : {"QX440v30x", "QX460v400"}) {
            Offline offline(version);
            QVERIFY(offline.Ok);
            TkxDeviceQXDRV& d = offline.Drive();
            const std::vector<TkxParValue*> rows = Rows(offline.Form().lvPositionLoop);
            const bool ff = d.ParPosFFGain != nullptr;
            const bool sta = d.ParPosStaPGain != nullptr || d.ParPosStaIGain != nullptr ||
                             d.ParPosStaICorrection != nullptr || d.ParPosStaDGain != nullptr;
            QCOMPARE(rows.front(), ff ? static_cast<TkxParValue*>(d.ParPosFFGain)
                                      : static_cast<TkxParValue*>(d.ParPosPGain));
            QCOMPARE(rows.back(),
                     sta ? static_cast<TkxParValue*>(d.ParPosStaDGain) : d.ParPosWindow);
            // Five gains and the window, with a separator before the window, and the parts
            // of the generation that has them.
            QCOMPARE(rows.size(), std::size_t{6} + (ff ? 2 : 0) + (sta ? 5 : 0));
            // Rows of a generation without CAN protocol selection hide the standard IDs.
            offline.Refresh();
            if (d.CfgCanProtocolType == nullptr) {
                QVERIFY(offline.Form().sbtnSaveStdCanRxID->isHidden());
                QVERIFY(offline.Form().sbtnSaveStdCanTxID->isHidden());
            }
        }
    }

    void MotorTypeSwitchesMotorRowsAndTheGeneratorRange() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        TkxRegBound* max = d.ParPhaseGenMux->Register()->MaxBound();
        QVERIFY(max != nullptr);
        QVERIFY(d.ParMotorType->SetCode(2));
        offline.Refresh();
        QVERIFY(d.ParMotorImrA->Enabled());
        QVERIFY(d.ParMotorTrLR->Enabled());
        QVERIFY(d.ParSD_PGain->Enabled());
        QCOMPARE(max->Value(), 1.0);
        QVERIFY(d.ParMotorType->SetCode(3));
        offline.Refresh();
        QVERIFY(!d.ParMotorImrA->Enabled());
        QVERIFY(!d.ParMotorTrLR->Enabled());
        QVERIFY(!d.ParSD_PGain->Enabled());
        QVERIFY(!d.ParSD_IGain->Enabled());
        QVERIFY(!d.ParSD_ICorrection->Enabled());
        QVERIFY(d.ParSQ_PGain->Enabled());
        QCOMPARE(max->Value(), 2.0);
    }

    void FeedbackSelectorsSwitchTheTransducers() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        // Nothing selects the resolver or an encoder.
        const auto select = [&](int posInc, int posFeedback, int speedRef, int speedFeedback,
                                int phaseGen) {
            QVERIFY(d.ParPosIncRefMux->SetCode(posInc));
            QVERIFY(d.ParPosFeedbackMux->SetCode(posFeedback));
            QVERIFY(d.ParSpeedRefMux->SetCode(speedRef));
            QVERIFY(d.ParSpeedFeedbackMux->SetCode(speedFeedback));
            QVERIFY(d.ParPhaseGenMux->SetCode(phaseGen));
            offline.Refresh();
        };
        QVERIFY(d.ParMotorType->SetCode(0));
        // The position feedback on the secondary encoder, nothing else on a transducer.
        select(3, 2, 0, 3, 2);
        QCOMPARE(d.ParPosIncRefMux->GetCode(), 3);
        QVERIFY(!d.ParResolverPoles->Enabled());
        QVERIFY(!d.UseResolverReverse->Enabled());
        QVERIFY(!d.ParMainEncoderPulseRev->Enabled());
        QVERIFY(d.ParSecondaryEncoderPulseRev->Enabled());
        QVERIFY(d.UseSecondaryEncodeReverse->Enabled());
        QVERIFY(d.UseHallEffectReverse->Enabled());
        QVERIFY(d.ParHallEffectPhaseShift->Enabled());
        // Each source on its own switches its transducer on.
        select(3, 2, 7, 3, 2);
        QVERIFY(d.ParResolverPoles->Enabled());
        select(3, 2, 8, 3, 2);
        QVERIFY(!d.ParResolverPoles->Enabled());
        QVERIFY(d.ParMainEncoderPulseRev->Enabled());
        QVERIFY(d.UseMainEncodeReverse->Enabled());
        select(3, 2, 0, 3, 1);
        QVERIFY(d.ParMainEncoderPulseRev->Enabled());
        select(1, 2, 0, 3, 2);
        QVERIFY(d.ParMainEncoderPulseRev->Enabled());
        select(3, 1, 0, 3, 2);
        QVERIFY(d.ParMainEncoderPulseRev->Enabled());
        QVERIFY(!d.ParSecondaryEncoderPulseRev->Enabled());
        select(2, 1, 0, 3, 2);
        QVERIFY(d.ParSecondaryEncoderPulseRev->Enabled());
        select(3, 1, 9, 3, 2);
        QVERIFY(d.ParSecondaryEncoderPulseRev->Enabled());
        select(3, 0, 0, 3, 2);
        QVERIFY(d.ParResolverPoles->Enabled());
        QVERIFY(!d.ParSecondaryEncoderPulseRev->Enabled());
        // Hall sensors: never for motor type 2; the phase shift only for type 0 when a source
        // is selected.
        QVERIFY(d.ParMotorType->SetCode(2));
        select(3, 2, 0, 3, 1);
        QVERIFY(!d.UseHallEffectReverse->Enabled());
        QVERIFY(!d.UseHallEffectLevel->Enabled());
        QVERIFY(!d.UseHallEffectCommutation->Enabled());
        QVERIFY(!d.ParHallEffectPhaseShift->Enabled());
        // Leaving the induction motor widens the generator's range again.
        QVERIFY(d.ParMotorType->SetCode(1));
        QVERIFY(!d.ParPhaseGenMux->SetCode(2));
        offline.Refresh();
        select(0, 0, 7, 0, 2);
        // No source test holds: the generator decides, and motor type 1 is not 0.
        QVERIFY(d.UseHallEffectReverse->Enabled());
        QVERIFY(d.ParHallEffectPhaseShift->Enabled());
        select(0, 0, 7, 0, 0);
        QVERIFY(!d.UseHallEffectReverse->Enabled());
        QVERIFY(!d.ParHallEffectPhaseShift->Enabled());
        QVERIFY(d.ParResolverPoles->Enabled());
    }

    void ControlModeSwitchesPositioningAndTheTargets() {
        for (const char* version : {"QX440v32x", "QX460v400"}) {
            Offline offline(version);
            QVERIFY(offline.Ok);
            TkxDeviceQXDRV& d = offline.Drive();
            TSetupForm& form = offline.Form();
            const bool q440 = d.GetVersion().Model == 440;
            QVERIFY(d.CfgCtrlMode->SetCode(4));
            offline.Refresh();
            QVERIFY(!d.ParPosPktAccel->Enabled());
            QVERIFY(!d.ParPosPktTarget->Enabled());
            QVERIFY(d.CfgUseSyncSignal->Enabled());
            QCOMPARE(form.acTarget->isEnabled(), q440);
            QCOMPARE(form.btnSetTarget->isEnabled(), q440);
            QVERIFY(d.CfgCtrlMode->SetCode(3));
            offline.Refresh();
            QVERIFY(d.ParPosPktAccel->Enabled());
            QVERIFY(d.ParPosPktDecel->Enabled());
            QVERIFY(d.ParPosPktSpeed->Enabled());
            QVERIFY(d.ParPosPktTarget->Enabled());
            QVERIFY(!form.acTarget->isEnabled());
            QVERIFY(d.CfgCtrlMode->SetCode(2));
            offline.Refresh();
            QVERIFY(!d.ParPosPktSpeed->Enabled());
            QVERIFY(!d.CfgUseSyncSignal->Enabled());
        }
    }

    void SwitchesLimitsBrakeAndTheAnalogOffset() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        QVERIFY(d.CfgUseSwLimits->SetBool(false));
        QVERIFY(d.CfgOutRelayMode->SetBool(true));
        QVERIFY(d.ParRampRefMux->SetCode(0));
        QVERIFY(d.ParCurrentRefMux->SetCode(0));
        QVERIFY(d.ParSpeedRefMux->SetCode(0));
        offline.Refresh();
        QVERIFY(!d.ParPosMaxLimit->Enabled());
        QVERIFY(!d.ParPosMinLimit->Enabled());
        QVERIFY(!d.ParBrakeOffTime->Enabled());
        QVERIFY(!d.ParBrakeOnTime->Enabled());
        QVERIFY(!d.ParAnalogRefOffset->Enabled());
        QVERIFY(d.CfgUseSwLimits->SetBool(true));
        QVERIFY(d.CfgOutRelayMode->SetBool(false));
        QVERIFY(d.ParSpeedRefMux->SetCode(2));
        offline.Refresh();
        QVERIFY(d.ParPosMaxLimit->Enabled());
        QVERIFY(d.ParBrakeOnTime->Enabled());
        QVERIFY(d.ParAnalogRefOffset->Enabled());
    }

    void CanProtocolTypeSwitchesTheStandardIdentifiers() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        if (d.CfgCanProtocolType == nullptr) {
            QSKIP("this generation has no CAN protocol selection");
        }
        QVERIFY(d.CfgCanProtocolType->SetBool(false));
        offline.Refresh();
        QVERIFY(offline.Form().sbtnSaveStdCanRxID->isHidden());
        QVERIFY(offline.Form().sbtnSaveStdCanTxID->isHidden());
        QVERIFY(!offline.Form().sbtnSaveCanBusAddress->isHidden());
        QVERIFY(!d.ParEECanStdRxIDbase->Enabled());
        QVERIFY(!d.ParEECanStdTxIDbase->Enabled());
        QVERIFY(d.CfgCanProtocolType->SetBool(true));
        offline.Refresh();
        QVERIFY(!offline.Form().sbtnSaveStdCanRxID->isHidden());
        QVERIFY(!offline.Form().sbtnSaveStdCanTxID->isHidden());
        QVERIFY(d.ParEECanStdRxIDbase->Enabled());
    }

    void AnEditRefreshesAtOnceAndSwapsTheZeroingPicture() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        TkxDeviceQXDRV& d = offline.Drive();
        QVERIFY(d.CfgZeroActiveLevel->SetBool(false));
        QVERIFY(d.CfgZeroDirection->SetBool(true));
        offline.Refresh();
        QCOMPARE(form.ZeroPictureShown(), TSetupForm::ZeroPictureFirst);
        // A click on the other direction is an edit: the picture follows without a refresh.
        TkxRadioGroup* dir = form.rgZeroDir;
        int other = -1;
        for (int i = 0; i < dir->ItemCount(); ++i) {
            if (!dir->Button(i)->isChecked()) {
                other = i;
            }
        }
        QVERIFY(other >= 0);
        dir->DoOnClick(other);
        QVERIFY(!d.CfgZeroDirection->GetBool());
        QCOMPARE(form.ZeroPictureShown(), TSetupForm::ZeroPictureFirst + 1);
        QVERIFY(d.CfgZeroActiveLevel->SetBool(true));
        offline.Refresh();
        QCOMPARE(form.ZeroPictureShown(), TSetupForm::ZeroPictureFirst + 3);
        // An edit also switches dependent rows at once.
        QVERIFY(d.CfgUseSwLimits->SetBool(false));
        offline.Refresh();
        form.rgUseSwLimits->DoOnClick(form.rgUseSwLimits->ItemIndex() == 0 ? 1 : 0);
        QCOMPARE(d.ParPosMaxLimit->Enabled(), d.CfgUseSwLimits->GetBool());
    }

    void AnEditSwitchesRowsOfTheControlWindowToo() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        for (const bool fromBus : {true, false}) {
            QVERIFY(d.CfgCmdFromBus->SetBool(fromBus));
            offline.Form().kxInterface->DoOnEdited(d.CfgCmdFromBus);
            // The enable command goes by the bus or by the hardware input, never both.
            QCOMPARE(d.CmdEnable->Enabled(), fromBus);
            QCOMPARE(d.HwEnable->Enabled(), !fromBus);
        }
    }

    void ZeroingPicturesDifferAndHaveTheirSize() {
        std::vector<QImage> pictures;
        for (int id = TSetupForm::ZeroPictureFirst; id < TSetupForm::ZeroPictureFirst + 4; ++id) {
            const QPixmap picture = TSetupForm::ZeroPicture(id);
            QCOMPARE(picture.size(), QSize(170, 70));
            pictures.push_back(picture.toImage());
        }
        for (std::size_t a = 0; a < pictures.size(); ++a) {
            for (std::size_t b = a + 1; b < pictures.size(); ++b) {
                QVERIFY(pictures[a] != pictures[b]);
            }
        }
        QVERIFY(TSetupForm::ZeroPicture(TSetupForm::ZeroPictureFirst - 1).isNull());
        QVERIFY(TSetupForm::ZeroPicture(TSetupForm::ZeroPictureFirst + 4).isNull());
    }

    void SaveButtonsLogWhatChangesAfterARestart() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        const QString rule(74, QLatin1Char('_'));
        const int before = int(offline.Log().size());
        // Offline the write fails; the lines come all the same.
        form.sbtnSaveModBusBaudRate->click();
        QCOMPARE(
            offline.Log().mid(before),
            QStringList({rule, "\"ModBus BaudRate\" has been modified.",
                         " Warning: This modification takes effect only after restart.", rule}));
        form.sbtnSaveCanBusAddress->click();
        QCOMPARE(offline.Log().value(before + 5),
                 QStringLiteral("\"CanBus Address\" has been modified."));
    }

    void ShowingSelectsTheFirstPagesAndOfflineAsksNothingOnClose() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        form.pcSetup->setCurrentIndex(3);
        form.pcControlMode->setCurrentIndex(2);
        form.show();
        QCOMPARE(form.pcSetup->currentIndex(), 0);
        QCOMPARE(form.pcControlMode->currentIndex(), 0);
        // An edit offline: nothing to lose on the drive, no question.
        QVERIFY(offline.Drive().ParMotorType->SetCode(1));
        QVERIFY(form.close());
        QVERIFY(offline.Warnings.isEmpty());
        QVERIFY(!form.isVisible());
    }

    void ExportThenImportRestoresTheSetupAndSendsNothing() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        TkxDeviceQXDRV& d = offline.Drive();
        const std::string path = offline.Folder().PathOf("drive.460");
        QString title;
        QString extension;
        int index = 0;
        form.ChooseExportFile = [&](const QString& t, const QString& filter, int i,
                                    const QString& e) {
            title = t;
            index = i;
            extension = e;
            Q_UNUSED(filter);
            return QString::fromStdString(path);
        };
        QVERIFY(d.ParMotorType->SetCode(1));
        const double accel = d.ParMotorAccel->GetValueDouble();
        form.acExport->trigger();
        QCOMPARE(title, QStringLiteral("Export configuration to file"));
        QCOMPARE(index, 2);
        QCOMPARE(extension, QStringLiteral("460"));
        QVERIFY(offline.Log().contains(QStringLiteral("Setup exported!")));
        QVERIFY(ReadAll(path).find("[QXDRVCFG]") != std::string::npos);

        QVERIFY(d.ParMotorType->SetCode(2));
        d.ParMotorAccel->SetValueDouble(d.ParMotorAccel->GetMin());
        form.ChooseImportFile = [&](const QString& t, const QString&, int, const QString&) {
            title = t;
            return QString::fromStdString(path);
        };
        form.acImport->trigger();
        QCOMPARE(title, QStringLiteral("Import configuration from file"));
        QCOMPARE(d.ParMotorType->GetCode(), 1);
        QCOMPARE(d.ParMotorAccel->GetValueDouble(), accel);
        const QStringList log = offline.Log();
        QVERIFY(log.contains(QStringLiteral("Setup imported!")));
        QCOMPARE(log.last(), QStringLiteral("Please, VERIFY BEFORE send or SAVE it!"));
        QVERIFY(!d.SendSetup->IsEnabled());
        QVERIFY(offline.Errors.isEmpty());
    }

    void ABadFileIsReportedAndChangesNothing() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        TkxDeviceQXDRV& d = offline.Drive();
        QVERIFY(d.ParMotorType->SetCode(1));
        // A file that is not there.
        const QString missing = QString::fromStdString(offline.Folder().PathOf("none.460"));
        form.ChooseImportFile = [&](const QString&, const QString&, int, const QString&) {
            return missing;
        };
        form.acImport->trigger();
        QCOMPARE(offline.Errors.size(), 1);
        QVERIFY(offline.Errors[0].contains(missing));
        QCOMPARE(d.ParMotorType->GetCode(), 1);
        // A file of something else.
        const std::string other = offline.Folder().Write("notes.460", "just some text\r\n\x01\x02");
        form.ChooseImportFile = [&](const QString&, const QString&, int, const QString&) {
            return QString::fromStdString(other);
        };
        form.acImport->trigger();
        QCOMPARE(offline.Errors.size(), 2);
        QCOMPARE(d.ParMotorType->GetCode(), 1);
        // An export into a folder that is not there.
        form.ChooseExportFile = [&](const QString&, const QString&, int, const QString&) {
            return QString::fromStdString(offline.Folder().PathOf("no/such/dir.460"));
        };
        form.acExport->trigger();
        QCOMPARE(offline.Errors.size(), 3);
        // Cancelled dialogs do nothing.
        const int lines = int(offline.Log().size());
        form.ChooseImportFile = [](const QString&, const QString&, int, const QString&) {
            return QString();
        };
        form.acImport->trigger();
        QCOMPARE(int(offline.Log().size()), lines);
    }
};

// The setup report: what it lists and how it is printed.
class TSetupReportTest : public QObject {
    Q_OBJECT
private slots:
    void ListsVisibleEnabledParametersPageByPage() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TkxDeviceQXDRV& d = offline.Drive();
        QVERIFY(d.CfgUseSwLimits->SetBool(false));
        QVERIFY(d.CfgCtrlMode->SetCode(4));
        offline.Refresh();
        QTextDocument report;
        offline.Form().ComposeReport(report);
        const QString text = report.toPlainText();
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QString(100, QLatin1Char('_')));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\tReport date +\\d\\d/\\d\\d/\\d{4} "))
                     .match(lines[3])
                     .hasMatch(),
                 qPrintable(lines[3]));
        QCOMPARE(lines[1], QStringLiteral("  QX DRIVE - Configuration Terminal 1.31"));
        QCOMPARE(lines.last(), QString(100, QLatin1Char('_')));
        int last = -1;
        for (const char* page : {"Drive Properties",
                                 "Mains",
                                 "Motor setup",
                                 "Transducers",
                                 "Resolver",
                                 "Main Encoder",
                                 "Secondary Encoder",
                                 "Hall Effect",
                                 "Control mode",
                                 "Field Loop",
                                 "Current Loop",
                                 "Speed Loop",
                                 "Ramp",
                                 "Position Loop",
                                 "El. Axis",
                                 "Position Target",
                                 "Zeroing",
                                 "Brake",
                                 "Limits",
                                 "Field Bus"}) {
            const QString heading = QStringLiteral(" %1 ").arg(QString::fromLatin1(page));
            int at = -1;
            for (int i = 0; i < lines.size(); ++i) {
                if (lines[i].startsWith(heading) && lines[i].endsWith(QLatin1String("---"))) {
                    at = i;
                    break;
                }
            }
            QVERIFY2(at > last, page);
            QCOMPARE(lines[at].size(), 100);
            last = at;
        }
        const auto listed = [&](const TkxParValue* par) {
            std::vector<std::string> line;
            par->AddToList(line);
            return lines.contains(QString::fromStdString(line.front()));
        };
        QVERIFY(listed(d.ParMotorUrV));
        QVERIFY(listed(d.ParZeroSpeedMax));
        // Greyed rows are left out; so are the radio groups of the zeroing panel.
        QVERIFY(!d.ParPosMaxLimit->Enabled());
        QVERIFY(!listed(d.ParPosMaxLimit));
        QVERIFY(!listed(d.CfgZeroDirection));
        QVERIFY(listed(d.CfgUseSwLimits));
        // Mode 4 has no target table; mode 3 lists ten.
        QVERIFY(!text.contains(QStringLiteral("Predefined positioning targets")));
        QVERIFY(d.CfgCtrlMode->SetCode(3));
        offline.Refresh();
        offline.Form().ComposeReport(report);
        const QString targets = report.toPlainText();
        QVERIFY(targets.contains(QStringLiteral("Predefined positioning targets")));
        QVERIFY(targets.contains(QStringLiteral("                  Target 1:")));
        QVERIFY(targets.contains(QStringLiteral("                  Target 10:")));
        // A hidden parameter is left out too.
        d.ParMotorUrV->SetVisible(false);
        offline.Form().ComposeReport(report);
        QVERIFY(!report.toPlainText().split(QLatin1Char('\n')).contains([&] {
            std::vector<std::string> line;
            d.ParMotorUrV->AddToList(line);
            return QString::fromStdString(line.front());
        }()));
    }

    void RectanglesFollowTheMarginsInTwips() {
        TkxPrintRtfDoc doc;
        doc.L_Margin = 2;
        doc.R_Margin = 1;
        doc.T_Margin = 1;
        doc.B_Margin = 1;
        // A4 at 600 dpi with a printable area starting 50 pixels in.
        const TkxPrintRtfDoc::TRects rects = doc.Rects({4960, 7016, 600, 600, 50, 50});
        QCOMPARE(rects.Page.right(), (4960 - 50) * 1440 / 600);
        QCOMPARE(rects.Page.bottom(), (7016 - 50) * 1440 / 600);
        QCOMPARE(rects.Print.left(), 1133 - 50);
        QCOMPARE(rects.Print.top(), 566 - 50);
        QCOMPARE(rects.Print.right(), rects.Page.right() - 566);
        QCOMPARE(rects.Print.bottom(), rects.Page.bottom() - 566);
        QVERIFY(doc.Rects({100, 100, 0, 0, 0, 0}).Print.isNull());
    }

    void PrintsToPdfOnSeveralPages() {
        Offline offline("QX460v400");
        QVERIFY(offline.Ok);
        TSetupForm& form = offline.Form();
        TkxDeviceQXDRV& d = offline.Drive();
        QVERIFY(d.CfgUseSwLimits->SetBool(false));
        QVERIFY(d.CfgCtrlMode->SetCode(3));
        offline.Refresh();
        const QString pdf = QString::fromStdString(offline.Folder().PathOf("report.pdf"));
        form.kxPrintDoc->ChoosePrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        form.acPrint->trigger();
        QVERIFY(offline.Log().contains(QStringLiteral("Printing drive setup...")));
        QCOMPARE(offline.Log().last(), QStringLiteral("Drive setup printed."));
        QVERIFY(form.kxPrintDoc->PagesPrinted() > 1);
        QVERIFY(QFileInfo(pdf).size() > 0);
        // A cancelled dialog prints nothing, and says printed all the same.
        form.kxPrintDoc->ChoosePrinter = [](QPrinter&) { return false; };
        form.acPrint->trigger();
        QCOMPARE(form.kxPrintDoc->PagesPrinted(), 0);
        QCOMPARE(offline.Log().last(), QStringLiteral("Drive setup printed."));

        const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (tool.isEmpty()) {
            QSKIP("pdftotext is not installed");
        }
        QProcess process;
        process.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        for (const char* page : {"Drive Properties", "Motor setup", "Hall Effect", "Field Bus",
                                 "Predefined positioning targets"}) {
            QVERIFY2(text.contains(QString::fromLatin1(page)), page);
        }
        const auto printed = [&](const TkxParValue* par) {
            return text.contains(
                QRegularExpression(QRegularExpression::escape(TkxQString(par->GetDescription())) +
                                   QStringLiteral(":\\s+") +
                                   QRegularExpression::escape(TkxQString(par->GetValueString()))));
        };
        QVERIFY(printed(d.ParMotorUrV));
        QVERIFY(printed(d.ParZeroTimeout));
        QVERIFY(!printed(d.ParPosMaxLimit));
    }
};

TKX_UI_TEST(TSetupFormTest);
TKX_UI_TEST(TSetupReportTest);
TKX_UI_TEST(TSetupSessionTest);
#include "tsetupform_test.moc"
