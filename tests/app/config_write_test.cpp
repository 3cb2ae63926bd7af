// Writing configuration files: what a file holds and that reading it back
// gives the record that was written.
#include "config.h"
#include "config_files.h"

#include <QDomDocument>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zq40 {
namespace {

using test::defaults;
using test::edited;
using test::readBytes;

class ConfigWrite : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(ConfigWrite, ReadBackGivesTheSameBlocks)
{
    const ParameterBlocks written = edited();
    ASSERT_EQ(config().write(path("a.zq40"), written, 0x01020304), 0);

    ParameterBlocks read = defaults();
    ASSERT_EQ(config().read(path("a.zq40"), read, true), 0);
    EXPECT_TRUE(read == written);
}

// Names are Latin-1 bytes: accents, XML's own characters and whitespace all
// come back as they were.
TEST_F(ConfigWrite, NamesSurviveTheirCharacters)
{
    ParameterBlocks written = defaults();
    written.setDeviceNameText("Caf\xE9 <&> \"'\xFF");
    written.setLabel(zoneLabel(1), "a\tb\nc\rd");
    written.setLabel(pgmLabel(2), "\xA0\xB0\xC0\xDF");
    ASSERT_EQ(config().write(path("n.zq40"), written, 0), 0);

    ParameterBlocks read = defaults();
    ASSERT_EQ(config().read(path("n.zq40"), read, true), 0);
    EXPECT_EQ(read.deviceNameText(), "Caf\xE9 <&> \"'\xFF");
    EXPECT_EQ(read.label(zoneLabel(1)), "a\tb\nc\rd");
    EXPECT_EQ(read.label(pgmLabel(2)), "\xA0\xB0\xC0\xDF");
}

// A name from the unit may hold any byte; one that XML cannot carry must
// not make the saved file unreadable.
TEST_F(ConfigWrite, ControlBytesInNamesKeepTheFileReadable)
{
    ParameterBlocks written = defaults();
    written.setLabel(groupLabel(3, 4),
                     "A\x01"
                     "B\x1F");
    written.setDeviceNameText("\x07unit");
    ASSERT_EQ(config().write(path("c.zq40"), written, 0), 0);

    ParameterBlocks read = defaults();
    ASSERT_EQ(config().read(path("c.zq40"), read, true), 0);
    EXPECT_EQ(read.label(groupLabel(3, 4)), "A?B?");
    EXPECT_EQ(read.deviceNameText(), "?unit");
}

TEST_F(ConfigWrite, UnterminatedNamesAreWrittenWhole)
{
    ParameterBlocks written = defaults();
    std::fill(written.deviceName.begin(), written.deviceName.end(), 'N');
    std::fill(written.labels[1].begin(), written.labels[1].end(), 'L');
    ASSERT_EQ(config().write(path("u.zq40"), written, 0), 0);

    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(readBytes(path("u.zq40"))));
    const QDomElement root = doc.documentElement();
    EXPECT_EQ(root.firstChildElement("DeviceName").attribute("Name"), QString(30, 'N'));
    EXPECT_EQ(root.firstChildElement("GroupLabels").attribute("Zone4Label"), QString(16, 'L'));
}

TEST_F(ConfigWrite, DocumentLayout)
{
    ASSERT_EQ(config().write(path("l.zq40"), edited(), 0x0A0B0C0D), 0);
    const QByteArray bytes = readBytes(path("l.zq40"));

    EXPECT_TRUE(bytes.startsWith("<Parameters>\n <DeviceName "));
    EXPECT_TRUE(bytes.endsWith("/>\n</Parameters>\n"));

    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(bytes));
    const QDomElement root = doc.documentElement();
    QStringList tags;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        tags << e.tagName();
        EXPECT_FALSE(e.hasChildNodes()) << e.tagName().toStdString();
    }
    EXPECT_EQ(tags,
              QStringList({"DeviceName", "Zone1", "Zone2", "Zone3", "Zone4", "Zone5", "Zone6", "Inputs", "Page1",
                           "Page2", "Misc", "GroupLabels", "PgmLabels", "Firmware"}));
    EXPECT_EQ(root.elementsByTagName("Zone1").size(), 1);

    const QDomElement firmware = root.firstChildElement("Firmware");
    EXPECT_EQ(firmware.attribute("Major"), "10");
    EXPECT_EQ(firmware.attribute("Minor"), "11");
    EXPECT_EQ(firmware.attribute("Sub"), "12");
    EXPECT_EQ(firmware.attribute("Build"), "13");

    // Signed fields with their sign, unsigned ones as 0 to 255.
    const QDomElement zone6 = root.firstChildElement("Zone6");
    EXPECT_EQ(zone6.attribute("DuckerDepth"), "-74");
    EXPECT_EQ(zone6.attribute("HighPassFreq"), "120");
    EXPECT_EQ(zone6.attribute("Level"), "-23");
    EXPECT_FALSE(zone6.hasAttribute("LevelPosition"));
    EXPECT_EQ(root.firstChildElement("Page2").attribute("Group2Zones"), "42");
    EXPECT_EQ(root.firstChildElement("Misc").attribute("PriorityThreshold"), "-7");
    EXPECT_EQ(root.firstChildElement("GroupLabels").attribute("Zones26Label"), "Group 26");
    EXPECT_EQ(root.firstChildElement("GroupLabels").attribute("Zone3Label"), "Zone name 3");
    EXPECT_EQ(root.firstChildElement("PgmLabels").attribute("Pgm6Label"), "Input 6");

    const QDomElement page1 = root.firstChildElement("Page1");
    EXPECT_EQ(page1.attributes().size(), 6);
    EXPECT_EQ(root.firstChildElement("Page2").attributes().size(), 10);
    EXPECT_EQ(zone6.attributes().size(), 12);
    EXPECT_EQ(root.firstChildElement("GroupLabels").attributes().size(), 21);
}

TEST_F(ConfigWrite, FirmwareIsNotApplied)
{
    ASSERT_EQ(config().write(path("f.zq40"), defaults(), 0xFFFFFFFF), 0);
    ParameterBlocks read = defaults();
    ASSERT_EQ(config().read(path("f.zq40"), read, true), 0);
    EXPECT_TRUE(read == defaults());
}

TEST_F(ConfigWrite, ReplacesAnExistingFileWhole)
{
    test::writeBytes(path("r.zq40"), QByteArray(20000, '#'));
    ASSERT_EQ(config().write(path("r.zq40"), defaults(), 0), 0);
    const QByteArray bytes = readBytes(path("r.zq40"));
    EXPECT_TRUE(bytes.endsWith("</Parameters>\n"));
    EXPECT_FALSE(bytes.contains('#'));
}

} // namespace
} // namespace zq40
