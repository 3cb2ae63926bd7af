// The panel's core without a window, as the command-line tool drives it:
// edits, the configuration flows and the firmware flow's refusal against an
// emulated unit, with a scripted Prompter. What the flows ask, in which
// order, and which blocks reach the unit.
#include "panel_core.h"
#include "presentation.h"
#include "report_codec.h"
#include "unit_waiter.h"
#include "zone_links.h"

#include <zq40emu/zq40emu.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <deque>
#include <memory>

using namespace zq40;

namespace {

class ScriptedPrompter : public Prompter {
public:
    QStringList heard; // every question and message, in order
    std::deque<QString> files;
    std::deque<Answer> answers;

    QString fileToOpen(const QString& caption, const QString&, const QString&) override { return file(caption); }
    QString fileToSave(const QString& caption, const QString&, const QString&) override { return file(caption); }
    Answer ask(const QString& question, const std::vector<Answer>&, Answer) override
    {
        heard << question;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void tell(Severity, const QString& title, const QString& text, const QString&) override
    {
        heard << title + ": " + text;
    }
    void tellWithoutWaiting(Severity s, const QString& title, const QString& text) override
    {
        tell(s, title, text, {});
    }

private:
    QString file(const QString& caption)
    {
        heard << caption;
        const QString f = files.front();
        files.pop_front();
        return f;
    }
};

// Zones 1-2 linked, named "Hall".
zq40emu::UnitConfig hall(uint32_t serial, uint32_t word5, uint32_t word1 = 1)
{
    ParameterBlocks b;
    b.setDefaultParameters(false);
    b.setDeviceNameText("Hall");
    b.setZonesLinked(1, true);
    zq40emu::UnitConfig config;
    config.version.ser = serial;
    config.version.word5 = word5;
    config.version.word1 = word1;
    for (uint8_t code : zq40emu::kBlockCodes) {
        const auto block = b.block(code);
        config.blocks[code] = std::vector<uint8_t>(block.begin(), block.end());
    }
    return config;
}

std::vector<int> writtenCodes(const zq40emu::Unit& unit)
{
    std::vector<int> codes;
    for (const auto& r : unit.received())
        if (r.msgId() == OUSB_MSG_PARAMETER_WRITE)
            codes.push_back(r.bytes[kCodeOffset]);
    return codes;
}

template <size_t N>
std::vector<int> codesOf(const std::array<hidr_t, N>& order)
{
    return {order.begin(), order.end()};
}

} // namespace

class CoreFlowsBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;
    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<PanelCore> core;
    QTemporaryDir files;

    // As the command-line tool does: the unit it works on is the current one.
    zq40emu::Unit* plugAndWork(uint32_t word5 = carriedFirmware(kMainUnitModel), uint32_t word1 = 1)
    {
        zq40emu::Unit& unit = bed->plug(hall(7000, word5, word1));
        const bool ready = QTest::qWaitFor(
            [&] {
                QDevice* record = core->session().unitWithSerial(7000);
                return record && record->blocks.deviceNameText() == "Hall" && unit.receivedCount() >= 3;
            },
            5000);
        QTest::qWait(100);
        core->session().setCurrent(core->session().unitWithSerial(7000));
        unit.clearReceived();
        return ready ? &unit : nullptr;
    }

private slots:
    void initTestCase() { bed = std::make_unique<zq40emu::Testbed>(); }

    void init()
    {
        prompter = std::make_unique<ScriptedPrompter>();
        core = std::make_unique<PanelCore>(*prompter);
        connect(&core->session().registry(), &QDevices::DoNewDeviceBootStatus, this,
                [this](QDevice* unit) { core->unitReportedStatus(unit); });
        ousb_EnumerateDevices();
    }

    void cleanup()
    {
        for (zq40emu::Unit* unit : bed->units())
            bed->unplug(*unit);
        QTRY_VERIFY(core->session().registry().all().empty());
        core.reset();
    }

    void editsApplyTogetherOrNotAtAll()
    {
        zq40emu::Unit* unit = plugAndWork();
        QVERIFY(unit);
        UnitSession& session = core->session();
        const ParameterBlocks before = session.currentDevice()->blocks;
        size_t refused = 99;
        const EditResult no = session.editAll(
            {ParameterChange::of(pgmLevel(1), -10), ParameterChange::of(zoneLevel(3, ZoneLevel::MaxLevel), 20)},
            &refused);
        QVERIFY(!no.applied);
        QCOMPARE(refused, size_t(1));
        QVERIFY(QString::fromStdString(no.refusal).contains(QStringLiteral("between -39 and 10")));
        QCOMPARE(session.currentDevice()->blocks, before);

        // Zone 2 follows zone 1's source; block 16 goes once, then block 3.
        const EditResult yes = session.editAll({ParameterChange::of(zoneLevel(1, ZoneLevel::Source), 3),
                                                ParameterChange::of(pgmLevel(1), -10),
                                                ParameterChange::of(zoneLevel(2, ZoneLevel::Level), -20)});
        QVERIFY(yes.applied);
        QVERIFY(unit->waitForReceived([](const auto& all) { return all.size() >= 2; }, std::chrono::seconds(5)));
        QTest::qWait(100);
        QCOMPARE(writtenCodes(*unit), (std::vector<int>{HIDR_ZONE_LEVELS, HIDR_INPUTS_PAGING}));
        const ParameterBlocks& b = session.currentDevice()->blocks;
        QCOMPARE(b.get(zoneLevel(2, ZoneLevel::Source)), 3);
        QCOMPARE(b.get(zoneLevel(2, ZoneLevel::Level)), -20);
        QCOMPARE(b.levelPosition(1), b.levelPosition(2));
        QVERIFY(prompter->heard.isEmpty());
    }

    void openingAFileOntoAUnitConformsThenSendsTheLinksLast()
    {
        zq40emu::Unit* unit = plugAndWork();
        QVERIFY(unit);
        const QString path = files.filePath(QStringLiteral("two.zq40"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Parameters><DeviceName Name=\"Other\"/><Zone2 Source=\"5\" Level=\"-10\"/></Parameters>");
        file.close();
        prompter->files = {path};
        QVERIFY(core->configs().open());
        QCOMPARE(prompter->heard,
                 QStringList({QStringLiteral("Select Config File"),
                              QStringLiteral("Linked Zones: Some settings may have been adjusted to "
                                             "match Linked Zones.")}));
        QCOMPARE(writtenCodes(*unit), codesOf(kOpenConfigSends));
        // Zone 2 takes zone 1's values; the name stays the unit's.
        const ParameterBlocks& b = core->session().currentDevice()->blocks;
        QCOMPARE(b.get(zoneLevel(2, ZoneLevel::Source)), 0);
        QCOMPARE(b.deviceNameText(), std::string("Hall"));
    }

    void newConfigOnAUnitAsksThenSendsTheFactoryDefaults()
    {
        zq40emu::Unit* unit = plugAndWork();
        QVERIFY(unit);
        prompter->answers = {Prompter::Answer::Cancel, Prompter::Answer::Yes};
        core->configs().newConfig();
        QVERIFY(writtenCodes(*unit).empty());
        core->configs().newConfig();
        QCOMPARE(prompter->heard, QStringList(2, QStringLiteral("Would you like to restore Factory Defaults?")));
        QCOMPARE(writtenCodes(*unit), codesOf(kNewConfigSends));
        QCOMPARE(core->session().currentDevice()->blocks.deviceNameText(), std::string("Hall"));
    }

    void aUnitTooNewForThisProgramIsNeverUpdated()
    {
        zq40emu::Unit* unit = plugAndWork(0x01010101, 6);
        QVERIFY(unit);
        const auto outcome = core->firmware().update(core->session().currentDevice());
        QCOMPARE(outcome.result, FirmwareFlow::Result::NewerSoftwareRequired);
        QCOMPARE(prompter->heard,
                 QStringList(QStringLiteral("Orlo ZQ40: A newer version of this Software is required.")));
        QTest::qWait(200);
        for (const auto& r : unit->received())
            QVERIFY(r.msgId() != OUSB_MSG_START_BOOTLOADER && r.msgId() != OUSB_MSG_STATUS);
    }

    // Ready too early, the unit's answer to the front end's enumeration is
    // still coming, and an update's first query reads it for its reply.
    void aUnitWithChildrenIsReadyOnceTheyAnsweredAfterItsBlocks()
    {
        disconnect(&core->session().registry(), &QDevices::DoNewDeviceBootStatus, this, nullptr);
        QDeviceManager& bridge = core->session().registry().bridge();
        std::atomic<int> announced{0}; // counted before the waiter hears of it
        connect(
            &bridge, &QDeviceManager::DoChildDeviceConnect, this, [&] { ++announced; }, Qt::DirectConnection);
        UnitWaiter waiter(*core); // answers the status itself
        // The library's worker dawdles after each report: what comes last comes late.
        connect(
            &bridge, &QDeviceManager::DoDeviceReadReport, this, [] { QThread::msleep(30); }, Qt::DirectConnection);
        int announcedWhenReady = -1;
        connect(&waiter, &UnitWaiter::DoUnitReady, this, [&] { announcedWhenReady = announced; });
        auto config = hall(7000, carriedFirmware(kMainUnitModel), 1);
        config.children = {zq40emu::remote(258, 202, 0x01040023)};
        bed->plug(config);
        QVERIFY(waiter.waitUntil([&] { return announcedWhenReady >= 0; }, 5000));
        QCOMPARE(announcedWhenReady, 2); // to the library at connect, and to the front end
    }
};

QTEST_GUILESS_MAIN(CoreFlowsBusTest)
#include "core_flows_bus_test.moc"
