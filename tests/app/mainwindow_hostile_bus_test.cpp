// The window against units that will not behave. One is pulled out and
// plugged back two hundred times around edits, refreshes and the priority
// dialog; another sends every msgID with every cnt, floods, announces
// children of every model under every key and changes its version block
// again and again. Throughout, the device list matches the registry, every
// edit made while a unit was there is in its memory and on screen, and the
// registry holds one record per unit and one child per key announced.
#include "window_on_bus.h"

#include "dialog.h"
#include "firmware_catalogue.h"
#include "latin1_text.h"
#include "level_conversion.h"
#include "report_codec.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>

using namespace zq40;
using namespace window_on_bus;

namespace {

// Runs the event loop until done() holds. QTRY_* and qWaitFor look every 50
// or 10 ms, and the thousands of waits below would spend most of the run
// asleep; here the loop wakes for each event, and the heartbeat wakes it
// when nothing comes.
template <typename Done>
bool settle(Done done, int timeoutMs = 5000)
{
    if (done())
        return true;
    QTimer heartbeat;
    heartbeat.start(1);
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (done())
            return true;
    } while (clock.elapsed() < timeoutMs);
    return false;
}

Dialog* priorityDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<Dialog*>(w))
            return d;
    return nullptr;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// What the unit holds, as the window keeps it.
ParameterBlocks memoryOf(const zq40emu::Unit& unit)
{
    ParameterBlocks blocks;
    for (uint8_t code : zq40emu::kBlockCodes) {
        const std::vector<uint8_t> bytes = unit.block(code);
        blocks.store(code, bytes);
    }
    return blocks;
}

// A paging station and two remotes on the firmware the program carries: the
// status lines read online and nothing locks the controls.
std::vector<zq40emu::ChildConfig> realChildren()
{
    using namespace zq40emu;
    return {pagingStation(firmware::catalogueVersion(kPagingStationModel)),
            remote(260, kRemoteModel200, firmware::catalogueVersion(kRemoteModel200)),
            remote(264, kRemoteModel202, firmware::catalogueVersion(kRemoteModel202))};
}

// The status lines the real children give, in slot order (pager, zones 1-6,
// master).
const QStringList kRealStatusLines{QStringLiteral("Calla2 Online"), QStringLiteral("Not Connected"),
                                   QStringLiteral("Not Connected"), QStringLiteral("Tilo1 Online"),
                                   QStringLiteral("Not Connected"), QStringLiteral("Not Connected"),
                                   QStringLiteral("Not Connected"), QStringLiteral("Tilo3 Online")};
const char* const kStatusLabels[] = {"lbl_dr_status_value_pager", "lbl_dr_status_value_1", "lbl_dr_status_value_2",
                                     "lbl_dr_status_value_3",     "lbl_dr_status_value_4", "lbl_dr_status_value_5",
                                     "lbl_dr_status_value_6",     "lbl_dr_status_value_m"};

// Every model the library names, then some it does not.
constexpr uint32_t kModels[] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   11,        12,  14,
                                15,  16,  18,  23,  200, 201, 202, 901, 902, 150,       300, 151,
                                152, 301, 153, 302, 501, 502, 0,   999, 601, 0xFFFFFFFF};

// The registry holds exactly these children, each as the unit announced it.
bool childrenAre(const QDevice& record, const std::vector<zq40emu::ChildConfig>& children)
{
    if (record.children.size() != qsizetype(children.size()))
        return false;
    for (const auto& c : children) {
        const QChildDevice* held = record.children.value(c.childID, nullptr);
        if (!held || !held->pDeviceInfo || held->pDeviceInfo->model != c.model ||
            std::memcmp(held->pDeviceInfo->info, c.info.data(), c.info.size()) != 0)
            return false;
    }
    return true;
}

// The unit's record is listed and shown online with the unit's memory and
// children.
bool shownOnline(MainWindow& window, const zq40emu::Unit& unit)
{
    const uint32_t serial = unit.config().version.ser;
    QDevice* record = recordOf(window, serial);
    return record && window.currentDevice() == record && record->blocks == memoryOf(unit) &&
        childrenAre(*record, unit.children()) && connectedState(window) == QStringLiteral("true") &&
        child<QComboBox>(window, "comboBox_deviceList")->count() == 2 && listMatchesRegistry(window) &&
        window.windowTitle() ==
        QStringLiteral("%1 - (%2) - Working Online").arg(latin1ToQString(record->blocks.deviceNameText())).arg(serial);
}

// The registry's one record, whatever identity it was last given.
QDevice* onlyRecord(const MainWindow& window)
{
    const auto& all = window.deviceRegistry().all();
    return all.size() == 1 ? all.begin()->second : nullptr;
}

// A word of a child's info: its revision at 0, its version at 8.
uint32_t infoWord(const ousb_child_device_info_t& info, size_t at)
{
    uint32_t word;
    std::memcpy(&word, info.info + at, sizeof word);
    return word;
}

QSlider* fader(MainWindow& window, int zone)
{
    return child<QSlider>(window, qPrintable(QStringLiteral("hSlider_level_zone_%1").arg(zone)));
}

QComboBox* sourceBox(MainWindow& window, int zone)
{
    return child<QComboBox>(window, qPrintable(QStringLiteral("comboBox_zone%1_source").arg(zone)));
}

// Where the fields this test edits stand on screen against `blocks`; empty
// when they all match.
QString controlsDifferFrom(MainWindow& window, const ParameterBlocks& blocks)
{
    for (int zone = 1; zone <= kZones; ++zone) {
        const int position = levelSliderValue(blocks.levelPosition(zone));
        const int shownPosition = fader(window, zone)->value();
        if (shownPosition != position)
            return QStringLiteral("fader %1 shows %2, not %3").arg(zone).arg(shownPosition).arg(position);
        const int source = blocks.get(zoneLevel(zone, ZoneLevel::Source));
        const int shownSource = sourceBox(window, zone)->currentIndex();
        if (shownSource != source)
            return QStringLiteral("source %1 shows %2, not %3").arg(zone).arg(shownSource).arg(source);
    }
    auto* threshold = priorityDialog()->findChild<QSlider*>(QStringLiteral("vSlider_pgm6_thresh_value"));
    const int level = std::clamp(blocks.get(kPriorityThreshold), threshold->minimum(), threshold->maximum());
    if (threshold->value() != level)
        return QStringLiteral("the threshold shows %1, not %2").arg(threshold->value()).arg(level);
    return {};
}

QString statusLinesDiffer(MainWindow& window)
{
    for (int i = 0; i < kRealStatusLines.size(); ++i) {
        const QString text = child<QLabel>(window, kStatusLabels[i])->text();
        if (text != kRealStatusLines[i])
            return QStringLiteral("%1 reads \"%2\"").arg(QLatin1String(kStatusLabels[i]), text);
    }
    return {};
}

// `wanted`, or the next value of lo..hi when the control already shows it:
// an edit must move the control for its slot to run.
int otherThan(int current, int wanted, int lo, int hi)
{
    return wanted != current ? wanted : lo + (wanted - lo + 1) % (hi - lo + 1);
}

zq40emu::Report versionReport(const zq40emu::VersionWords& v)
{
    auto r = zq40emu::Report::make(zq40emu::msg::kVersion, 0, 24);
    const uint32_t words[] = {v.perID, v.word1, v.word2, v.ver, v.ser, v.word5};
    for (size_t i = 0; i < std::size(words); ++i)
        r.setPayloadU32(4 * i, words[i]);
    return r;
}

size_t parameterWriteCount(const std::vector<zq40emu::Report>& all)
{
    return size_t(
        std::count_if(all.begin(), all.end(), [](const auto& r) { return r.msgId() == OUSB_MSG_PARAMETER_WRITE; }));
}

enum class Pull { BeforeTheEdit, DuringTheDialog, AfterTheRefresh };

enum class Traffic { EveryMsgIdAndCnt, FloodWhileEditing, ChildrenEverywhere, ChangingVersions };

// A child the test announces to tell how far the unit's reports have been
// read: its version counts the announcements. No real child uses the key.
constexpr uint16_t kMarkerKey = 0xABCD;

} // namespace

Q_DECLARE_METATYPE(Traffic)

class MainWindowHostileBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<zq40emu::Testbed> bed;

    // The hostile traffic runs three times against one window, so that
    // whatever it leaves behind would add up.
    std::unique_ptr<MainWindow> panel;
    zq40emu::Unit* hostile = nullptr;
    uint32_t markers = 0;

    // The next unit may get the freed hidraw number: it is plugged only once
    // the library has closed this one's node, which it does before it
    // announces the removal.
    void unplugAndForget(MainWindow& window, zq40emu::Unit& unit)
    {
        bed->unplug(unit);
        QVERIFY(settle([&] { return backOffline(window); }));
    }

    bool hostileUnitShown()
    {
        if (!panel)
            panel = std::make_unique<MainWindow>();
        if (!hostile) {
            zq40emu::UnitConfig config = unitConfig(63002, kRequiredFirmware);
            config.children = realChildren();
            hostile = &bed->plug(config);
        } else if (!hostile->plugged()) {
            // The record of its last appearance goes first, and with it the
            // library's descriptor of the node.
            if (!settle([&] { return backOffline(*panel); }))
                return false;
            bed->replug(*hostile);
        }
        return settle([&] { return shownOnline(*panel, *hostile); });
    }

    // Everything the unit sent before this is through the registry. Reports
    // the unit answers with come after the marker and may still be queued.
    bool readUpTo(int timeoutMs = 5000)
    {
        const uint32_t mark = ++markers;
        hostile->connectChild(zq40emu::remote(kMarkerKey, zq40emu::kRemoteModel202, mark));
        return settle(
            [&] {
                QDevice* record = onlyRecord(*panel);
                const QChildDevice* marker = record ? record->children.value(kMarkerKey, nullptr) : nullptr;
                return marker && marker->pDeviceInfo && marker->pDeviceInfo->model == zq40emu::kRemoteModel202 &&
                    infoWord(*marker->pDeviceInfo, 8) == mark;
            },
            timeoutMs);
    }

    // Edits still reach the unit, once each, and the window shows the result.
    void anEditStillArrives(int value)
    {
        MainWindow& window = *panel;
        zq40emu::Unit& unit = *hostile;
        auto* zone5 = fader(window, 5);
        value = otherThan(zone5->value(), value, 0, 100);
        unit.clearReceived();
        zone5->setValue(value);
        const auto writes = parameterWritesAfterEdit(unit);
        QCOMPARE(writes.size(), size_t(1));
        QCOMPARE(writes[0].bytes[kCodeOffset], uint8_t(HIDR_ZONE_LEVELS));
        QCOMPARE(memoryOf(unit).levelPosition(5), float(value));
        QCOMPARE(window.currentDevice()->blocks, memoryOf(unit));
    }

    void everyMsgIdAndCnt()
    {
        MainWindow& window = *panel;
        zq40emu::Unit& unit = *hostile;
        const uint32_t serial = unit.config().version.ser;
        const std::vector<zq40emu::ChildConfig> children = unit.children();
        std::set<uint16_t> announced; // keys the unit's own msgID 34 reports name
        std::mt19937 random(20240);
        int queued = 0;
        for (int msgId = 0; msgId <= 255; ++msgId) {
            for (uint8_t cnt = 0; cnt <= zq40emu::kCntMask; ++cnt) {
                auto report = zq40emu::Report::make(uint8_t(msgId), uint32_t(random()), cnt, random() & 1);
                for (size_t i = 0; i < zq40emu::kPayloadSize; ++i)
                    report.payload()[i] = uint8_t(random());
                if (msgId == OUSB_MSG_CHILD_CONNECT)
                    announced.insert(uint16_t(report.payload()[0] << 8 | report.payload()[1]));
                unit.sendReport(report);
                // The unit's queue holds 64 reports, like hidraw's: the
                // reports go in turns it holds. A version or status report
                // draws requests whose answers must be read first.
                const bool answered = msgId == OUSB_MSG_VERSION || msgId == OUSB_MSG_STATUS;
                if (++queued == 48 || answered) {
                    QVERIFY2(readUpTo(), qPrintable(QStringLiteral("msgID %1 cnt %2").arg(msgId).arg(cnt)));
                    if (answered)
                        QVERIFY(readUpTo());
                    queued = 0;
                }
            }
        }
        QVERIFY(readUpTo());
        QDevice* record = onlyRecord(window);
        QVERIFY(record);
        QCOMPARE(window.currentDevice(), record);
        QVERIFY(listMatchesRegistry(window));
        // Children: the real ones, the marker and what the reports named.
        QVERIFY(record->children.size() <= qsizetype(children.size() + 1 + announced.size()));

        // The unit takes back what it never said: the children it does not
        // have leave, the real ones are announced again and its own version
        // block brings the registry's requests, whose answers restore the
        // blocks.
        std::vector<uint16_t> strays;
        for (uint16_t key : announced)
            if (std::none_of(children.begin(), children.end(), [&](const auto& c) { return c.childID == key; }))
                strays.push_back(key);
        for (size_t first = 0; first < strays.size(); first += 48) {
            const size_t last = std::min(strays.size(), first + 48);
            for (size_t i = first; i < last; ++i)
                unit.disconnectChild(strays[i]);
            QVERIFY(settle([&] {
                return std::none_of(strays.begin() + first, strays.begin() + last,
                                    [&](uint16_t key) { return record->children.contains(key); });
            }));
        }
        unit.disconnectChild(kMarkerKey);
        for (const auto& c : children)
            unit.connectChild(c);
        unit.sendReport(versionReport(unit.versionWords()));
        QVERIFY2(settle([&] { return shownOnline(window, unit); }), "the unit is not shown as it is");
        QCOMPARE(recordOf(window, serial), record);
        QVERIFY(childrenAre(*record, children));
        const QString lines = statusLinesDiffer(window);
        QVERIFY2(lines.isEmpty(), qPrintable(lines));
        anEditStillArrives(33);
    }

    void floodWhileEditing()
    {
        MainWindow& window = *panel;
        zq40emu::Unit& unit = *hostile;
        auto* zone5 = fader(window, 5);
        auto* eq = child<QSlider>(window, "hSlider_eq_hi_zone5");
        int blocksShown = 0;
        QObject counting;
        connect(
            &window.deviceRegistry(), &QDevices::DoUpdateAllParameters, &counting, [&] { ++blocksShown; },
            Qt::DirectConnection);
        unit.clearReceived();
        // 20,000 reports of the unit's own blocks as they stand, in bursts
        // of 500; the unit's queue keeps 64 of each, like hidraw's, and drops
        // the rest. Each edit is made with the queue a quarter read.
        std::vector<std::pair<uint8_t, int>> edits;
        for (int turn = 0; turn < 40; ++turn) {
            const int shownBefore = blocksShown;
            unit.flood(500);
            QVERIFY(settle([&] { return blocksShown >= shownBefore + 16; }));
            if (turn % 2 == 0) {
                const int value = otherThan(zone5->value(), (turn * 29 + 7) % 101, 0, 100);
                zone5->setValue(value);
                edits.emplace_back(HIDR_ZONE_LEVELS, value);
            } else {
                const int value = otherThan(eq->value(), eq->minimum() + turn % (eq->maximum() - eq->minimum() + 1),
                                            eq->minimum(), eq->maximum());
                eq->setValue(value);
                edits.emplace_back(HIDR_ZONE_PARAMS, value);
            }
        }
        QVERIFY(unit.waitForReceived([&](const auto& all) { return parameterWriteCount(all) >= edits.size(); },
                                     std::chrono::seconds(10)));
        const auto writes = writesOf(unit, OUSB_MSG_PARAMETER_WRITE);
        QCOMPARE(writes.size(), edits.size());
        for (size_t i = 0; i < edits.size(); ++i) {
            ParameterBlocks sent;
            sent.store(writes[i].bytes[kCodeOffset],
                       std::span<const uint8_t>(writes[i].bytes.data() + kBlockOffset, 64 - kBlockOffset));
            QCOMPARE(writes[i].bytes[kCodeOffset], edits[i].first);
            if (edits[i].first == HIDR_ZONE_LEVELS)
                QCOMPARE(sent.levelPosition(5), float(edits[i].second));
            else
                QCOMPARE(sent.get(zoneSetting(5, ZoneSetting::EQHi)), edits[i].second);
        }
        // The last of each stays in the unit.
        std::map<uint8_t, int> lastEdit;
        for (const auto& [code, value] : edits)
            lastEdit[code] = value;
        const ParameterBlocks memory = memoryOf(unit);
        QCOMPARE(memory.levelPosition(5), float(lastEdit[HIDR_ZONE_LEVELS]));
        QCOMPARE(memory.get(zoneSetting(5, ZoneSetting::EQHi)), lastEdit[HIDR_ZONE_PARAMS]);

        // The last burst may have filled the unit's queue, which then drops
        // the marker too: it is sent again until one gets through.
        bool drained = false;
        for (int attempt = 0; attempt < 20 && !drained; ++attempt)
            drained = readUpTo(250);
        QVERIFY(drained);
        // Reports of the flood read after an edit show the unit's state from
        // before it; the unit's next report of the blocks puts the window
        // right.
        unit.pushBlock(HIDR_ZONE_LEVELS);
        unit.pushBlock(HIDR_ZONE_PARAMS);
        unit.disconnectChild(kMarkerKey);
        QVERIFY2(settle([&] { return shownOnline(window, unit); }), "the unit is not shown as it is");
        const QString differ = controlsDifferFrom(window, memory);
        QVERIFY2(differ.isEmpty(), qPrintable(differ));
        QCOMPARE(eq->value(), lastEdit[HIDR_ZONE_PARAMS]);
        anEditStillArrives(61);
    }

    void childrenEverywhere()
    {
        MainWindow& window = *panel;
        zq40emu::Unit& unit = *hostile;
        QDevice* record = onlyRecord(window);
        QVERIFY(record);
        const std::vector<zq40emu::ChildConfig> children = unit.children();
        auto realChild = [&](uint16_t key) -> const zq40emu::ChildConfig* {
            for (const auto& c : children)
                if (c.childID == key)
                    return &c;
            return nullptr;
        };
        // Every key of the first 1024, where the slots and the real children
        // lie, then every 29th key of the rest and the last: all 65,536
        // through the window take 70 s on a two-core machine.
        std::vector<uint16_t> keys;
        for (uint32_t key = 0; key <= 0xFFFF; key += key < 1024 ? 1 : 29)
            keys.push_back(uint16_t(key));
        if (keys.back() != 0xFFFF)
            keys.push_back(0xFFFF);
        size_t modelIndex = 0;
        qsizetype mostEver = 0;
        for (size_t first = 0; first < keys.size(); first += 48) {
            qsizetype most = 0;
            const size_t last = std::min(keys.size(), first + 48);
            // Key, model and the number of the announcement.
            std::map<uint16_t, std::pair<uint32_t, uint32_t>> batch;
            for (size_t i = first; i < last; ++i) {
                const uint32_t model = kModels[modelIndex++ % std::size(kModels)];
                // Versions old and new; the revision numbers the announcement.
                unit.connectChild(zq40emu::remote(keys[i], model, uint32_t(keys[i]) * 0x9E3779B9u, uint32_t(i)));
                batch[keys[i]] = {model, uint32_t(i)};
            }
            std::set<uint16_t> held;
            for (const auto& [key, announced] : batch)
                held.insert(key);
            for (const auto& c : children)
                held.insert(c.childID);
            // Never two records under one key: the registry holds the real
            // children and the batch, each once.
            QVERIFY2(settle([&] {
                         most = std::max(most, record->children.size());
                         if (record->children.size() != qsizetype(held.size()))
                             return false;
                         for (const auto& [key, announced] : batch) {
                             const QChildDevice* c = record->children.value(key, nullptr);
                             if (!c || !c->pDeviceInfo || c->pDeviceInfo->model != announced.first ||
                                 infoWord(*c->pDeviceInfo, 0) != announced.second)
                                 return false;
                         }
                         return true;
                     }),
                     qPrintable(QStringLiteral("keys from %1").arg(keys[first])));
            QVERIFY(most <= qsizetype(held.size()));
            for (const auto& [key, announced] : batch) {
                if (const zq40emu::ChildConfig* real = realChild(key))
                    unit.connectChild(*real);
                else
                    unit.disconnectChild(key);
            }
            QVERIFY2(settle([&] {
                         most = std::max(most, record->children.size());
                         return childrenAre(*record, children);
                     }),
                     qPrintable(QStringLiteral("keys from %1 did not leave").arg(keys[first])));
            mostEver = std::max(mostEver, most);
        }
        QVERIFY(mostEver <= qsizetype(children.size() + 48));
        QVERIFY(shownOnline(window, unit));
        const QString lines = statusLinesDiffer(window);
        QVERIFY2(lines.isEmpty(), qPrintable(lines));
        anEditStillArrives(17);
    }

    void changingVersions()
    {
        MainWindow& window = *panel;
        zq40emu::Unit& unit = *hostile;
        QDevice* record = recordOf(window, unit.config().version.ser);
        QVERIFY(record);
        int announced = 0;
        QObject counting;
        connect(
            &window.deviceRegistry(), &QDevices::DoNewDeviceOnline, &counting, [&](QDevice*) { ++announced; },
            Qt::DirectConnection);
        const zq40emu::VersionWords original = unit.versionWords();
        std::mt19937 random(500);
        zq40emu::VersionWords words = original;
        for (int n = 1; n <= 500; ++n) {
            words.word1 = uint32_t(random());
            words.word2 = uint32_t(n); // never the same block twice
            words.ver = uint32_t(random());
            words.word5 = uint32_t(random());
            unit.setVersionWords(words);
            unit.sendReport(versionReport(words));
            // One at a time: each draws a status request and what follows it.
            QVERIFY2(settle([&] { return announced >= n; }), qPrintable(QString::number(n)));
        }
        QCOMPARE(window.deviceRegistry().all().size(), size_t(1));
        QCOMPARE(recordOf(window, original.ser), record);
        QCOMPARE(window.currentDevice(), record);
        QCOMPARE(child<QComboBox>(window, "comboBox_deviceList")->count(), 2);
        QVERIFY(listMatchesRegistry(window));
        const ousb_device_info_t& info = *record->pDeviceInfo;
        const zq40emu::VersionWords held{info.perID, info.word1, info.word2, info.ver, info.ser, info.word5};
        QVERIFY(held == words);

        // Back on the firmware the program carries.
        unit.setVersionWords(original);
        unit.sendReport(versionReport(original));
        QVERIFY2(settle([&] { return record->pDeviceInfo->word2 == original.word2 && shownOnline(window, unit); }),
                 "the unit is not shown as it is");
        anEditStillArrives(88);
    }

private slots:
    void initTestCase() { bed = std::make_unique<zq40emu::Testbed>(); }

    void cleanup() { unplugAll(*bed); }

    void cleanupTestCase()
    {
        panel.reset();
        bed.reset();
    }

    // Two hundred rounds of an edit, the priority dialog and a refresh, the
    // unit pulled before the edit, while the dialog is open or after the
    // refresh, and plugged back each time. What the unit holds is what was
    // edited while it was there, and the window shows it when it is back.
    void pulledAndPluggedBackAroundEdits()
    {
        QElapsedTimer clock;
        clock.start();
        MainWindow window;
        auto* list = child<QComboBox>(window, "comboBox_deviceList");
        Dialog* dialog = priorityDialog();
        QVERIFY(dialog);
        auto* threshold = dialog->findChild<QSlider*>(QStringLiteral("vSlider_pgm6_thresh_value"));
        auto* done = dialog->findChild<QPushButton*>(QStringLiteral("pushButton_done"));
        QVERIFY(threshold && done);
        zq40emu::UnitConfig config = unitConfig(63001, kRequiredFirmware);
        config.children = realChildren();
        zq40emu::Unit& unit = bed->plug(config);
        ParameterBlocks expected = hallBlocks();
        QVERIFY2(settle([&] { return shownOnline(window, unit); }), "never shown");

        for (int round = 0; round < 200; ++round) {
            const auto pull = Pull(round % 3);
            const QString where = QStringLiteral("round %1").arg(round);
            bool present = true;
            auto pullOut = [&] {
                bed->unplug(unit);
                present = false;
            };
            unit.clearReceived();
            size_t writes = 0;
            // An edit made while the unit is there reaches its memory.
            auto arrives = [&] {
                ++writes;
                return unit.waitForReceived([&](const auto& all) { return parameterWriteCount(all) >= writes; },
                                            std::chrono::seconds(5));
            };

            if (pull == Pull::BeforeTheEdit)
                pullOut();
            const int zone = 4 + round % 3;
            if (round % 2 == 0) {
                auto* level = fader(window, zone);
                const int value = otherThan(level->value(), (round * 37 + 11) % 101, 0, 100);
                level->setValue(value);
                if (present) {
                    QVERIFY2(arrives(), qPrintable(where));
                    expected.setLevelPosition(zone, float(value));
                    expected.updateLevel(zone);
                }
            } else {
                auto* source = sourceBox(window, zone);
                const int index = otherThan(source->currentIndex(), round % source->count(), 0, source->count() - 1);
                source->setCurrentIndex(index);
                if (present) {
                    QVERIFY2(arrives(), qPrintable(where));
                    expected.set(zoneLevel(zone, ZoneLevel::Source), index);
                }
            }
            if (present)
                QCOMPARE(memoryOf(unit), expected);

            dialog->show();
            if (pull == Pull::DuringTheDialog)
                pullOut();
            const int span = threshold->maximum() - threshold->minimum() + 1;
            const int level = otherThan(threshold->value(), threshold->minimum() + (round * 13) % span,
                                        threshold->minimum(), threshold->maximum());
            threshold->setValue(level);
            if (present) {
                QVERIFY2(arrives(), qPrintable(where));
                expected.set(kPriorityThreshold, level);
                QCOMPARE(memoryOf(unit), expected);
            }
            QTest::mouseClick(done, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());

            // A refresh: the unit reports two of its blocks, and the user
            // chooses the shown entry again.
            unit.pushBlock(HIDR_ZONE_LEVELS);
            unit.pushBlock(HIDR_INPUTS_PAGING);
            const int entry = list->currentIndex();
            list->setCurrentIndex(0);
            list->setCurrentIndex(entry);
            if (pull == Pull::AfterTheRefresh) {
                QVERIFY2(settle([&] { return shownOnline(window, unit); }), qPrintable(where));
                QCOMPARE(window.currentDevice()->blocks, expected);
                const QString differ = controlsDifferFrom(window, expected);
                QVERIFY2(differ.isEmpty(), qPrintable(where + QStringLiteral(": ") + differ));
                pullOut();
            }

            // Gone: the offline entry is shown, with the offline record.
            QVERIFY2(settle([&] { return backOffline(window); }), qPrintable(where));
            QCOMPARE(list->currentData().value<QDevice*>(), window.currentDevice());
            QString differ = controlsDifferFrom(window, window.currentDevice()->blocks);
            QVERIFY2(differ.isEmpty(), qPrintable(where + QStringLiteral(" offline: ") + differ));
            // Nothing was written once the unit was gone, a refresh wrote
            // nothing at all.
            QCOMPARE(writesOf(unit, OUSB_MSG_PARAMETER_WRITE).size(), writes);
            QCOMPARE(memoryOf(unit), expected);

            // Back: listed and shown with what it holds.
            bed->replug(unit);
            QVERIFY2(settle([&] { return shownOnline(window, unit); }), qPrintable(where + QStringLiteral(" back")));
            QCOMPARE(window.currentDevice()->blocks, expected);
            differ = controlsDifferFrom(window, expected);
            QVERIFY2(differ.isEmpty(), qPrintable(where + QStringLiteral(" back: ") + differ));
            differ = statusLinesDiffer(window);
            QVERIFY2(differ.isEmpty(), qPrintable(where + QStringLiteral(" back: ") + differ));
        }

        // Nothing lost: what the unit holds is what the window shows, edits
        // of the last round included; the list holds the offline entry and
        // the unit.
        QCOMPARE(memoryOf(unit), expected);
        QCOMPARE(window.currentDevice(), recordOf(window, 63001));
        QCOMPARE(window.currentDevice()->blocks, expected);
        QCOMPARE(list->count(), 2);
        QCOMPARE(window.deviceRegistry().all().size(), size_t(1));
        QVERIFY(listMatchesRegistry(window));
        qInfo("200 rounds in %lld ms", clock.elapsed());
        unplugAndForget(window, unit);
    }

    // The window asks a unit for all its blocks whenever the unit reports its
    // status. An edit made while they are on their way is newer than the
    // block of the same code among them: it stays, on screen and in the
    // unit, and the next edit of that block carries it again.
    void editWhileTheBlocksAreOnTheirWay()
    {
        MainWindow window;
        zq40emu::Unit& unit = bed->plug(unitConfig(63003, kRequiredFirmware));
        QVERIFY2(settle([&] { return shownOnline(window, unit); }), "never shown");
        QDevice* record = window.currentDevice();
        // The links come last among the blocks.
        int linksShown = 0;
        QObject counting;
        connect(
            &window.deviceRegistry(), &QDevices::DoUpdateAllParameters, &counting,
            [&](hidr_t code) { linksShown += code == HIDR_ZONE_LINKS; }, Qt::DirectConnection);
        // The answers take a while: the edit comes between the request and
        // the blocks.
        zq40emu::Faults slow;
        slow.delayMs = 300;
        unit.setFaults(slow);
        unit.clearReceived();
        auto status = zq40emu::Report::make(zq40emu::msg::kStatus, 0, 2);
        unit.sendReport(status);
        QVERIFY(settle([&] { return !writesOf(unit, OUSB_MSG_PARAMETER_REPORT).empty(); }));
        auto* zone5 = fader(window, 5);
        const int edited = otherThan(zone5->value(), 70, 0, 100);
        zone5->setValue(edited);
        QVERIFY(unit.waitForReceived([](const auto& all) { return parameterWriteCount(all) == 1; },
                                     std::chrono::seconds(5)));
        QCOMPARE(memoryOf(unit).levelPosition(5), float(edited));
        QVERIFY(settle([&] { return linksShown == 1; }));
        unit.setFaults({});
        QCOMPARE(record->blocks.levelPosition(5), float(edited));
        QCOMPARE(zone5->value(), edited);
        QCOMPARE(record->blocks, memoryOf(unit));

        auto* zone4 = fader(window, 4);
        zone4->setValue(otherThan(zone4->value(), 10, 0, 100));
        QVERIFY(unit.waitForReceived([](const auto& all) { return parameterWriteCount(all) == 2; },
                                     std::chrono::seconds(5)));
        QCOMPARE(memoryOf(unit).levelPosition(5), float(edited));
        QCOMPARE(record->blocks, memoryOf(unit));
        unplugAndForget(window, unit);
    }

    // Each kind of hostile traffic, three times over, against one window.
    void hostileUnit_data()
    {
        QTest::addColumn<Traffic>("traffic");
        QTest::addColumn<int>("repetition");
        for (int repetition = 1; repetition <= 3; ++repetition) {
            QTest::addRow("every msgID and cnt, %d", repetition) << Traffic::EveryMsgIdAndCnt << repetition;
            QTest::addRow("flood while editing, %d", repetition) << Traffic::FloodWhileEditing << repetition;
            QTest::addRow("children everywhere, %d", repetition) << Traffic::ChildrenEverywhere << repetition;
            QTest::addRow("changing versions, %d", repetition) << Traffic::ChangingVersions << repetition;
        }
    }

    void hostileUnit()
    {
        QFETCH(Traffic, traffic);
        QFETCH(int, repetition);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(hostileUnitShown(), "never shown");
        switch (traffic) {
        case Traffic::EveryMsgIdAndCnt:
            everyMsgIdAndCnt();
            break;
        case Traffic::FloodWhileEditing:
            floodWhileEditing();
            break;
        case Traffic::ChildrenEverywhere:
            childrenEverywhere();
            break;
        case Traffic::ChangingVersions:
            changingVersions();
            break;
        }
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(panel->deviceRegistry().all().size(), size_t(1));
        QVERIFY(listMatchesRegistry(*panel));
        qInfo("%lld ms", clock.elapsed());
        // Memory is measured by the benchmarks; this is for a person to see
        // that it stays flat.
        if (traffic == Traffic::ChangingVersions && repetition != 2)
            qInfo("VmRSS after repetition %d of the hostile traffic: %ld KiB", repetition, residentKiB());
    }
};

QTEST_MAIN(MainWindowHostileBusTest)
#include "mainwindow_hostile_bus_test.moc"
