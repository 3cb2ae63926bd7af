// Saves that cannot be completed: the result says so, and a configuration
// saved earlier under the same name is still there, unchanged.
#include "config.h"
#include "config_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace zq40 {
namespace {

using test::defaults;
using test::edited;
using test::readBytes;

class ConfigSave : public testing::Test {
protected:
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // An earlier save under `name`, and the bytes it left on disk.
    QByteArray savedEarlier(const char* name)
    {
        EXPECT_EQ(config().write(path(name), edited(), 0x01000000), 0);
        return readBytes(path(name));
    }

    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

// Files may grow to `bytes` only while this lives: writes beyond that fail
// as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

TEST_F(ConfigSave, FailedWriteKeepsThePreviousFile)
{
    const QByteArray before = savedEarlier("venue.zq40");
    ASSERT_FALSE(before.isEmpty());
    int result = 0;
    {
        FileSizeLimit limit(64);
        result = config().write(path("venue.zq40"), defaults(), 0);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readBytes(path("venue.zq40")), before);
    EXPECT_EQ(entries(), QStringList{"venue.zq40"}); // no half-written file left behind

    ParameterBlocks read = defaults();
    EXPECT_EQ(config().read(path("venue.zq40"), read, true), 0);
    EXPECT_TRUE(read == edited());
}

TEST_F(ConfigSave, PathIsADirectory)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.zq40"));
    test::writeBytes(path("folder.zq40/inside"), "kept");
    EXPECT_EQ(config().write(path("folder.zq40"), defaults(), 0), -1);
    EXPECT_TRUE(QFileInfo(path("folder.zq40")).isDir());
    EXPECT_EQ(readBytes(path("folder.zq40/inside")), "kept");
}

TEST_F(ConfigSave, FolderMissing)
{
    EXPECT_EQ(config().write(path("absent/x.zq40"), defaults(), 0), -1);
    EXPECT_FALSE(QFileInfo::exists(path("absent")));

    test::writeBytes(path("plain"), "kept");
    EXPECT_EQ(config().write(path("plain/x.zq40"), defaults(), 0), -1);
    EXPECT_EQ(readBytes(path("plain")), "kept");
}

// A cancelled save dialog hands over an empty path.
TEST_F(ConfigSave, EmptyPath)
{
    EXPECT_EQ(config().write(QString(), defaults(), 0), -1);
    EXPECT_EQ(config().write(QString(""), defaults(), 0), -1);
}

} // namespace
} // namespace zq40
