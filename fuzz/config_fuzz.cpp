// Any bytes as a configuration file. Reading must never crash, hang or touch
// memory it should not; a file that fails changes nothing; a file that reads
// writes back a file that reads to the same record.
#include "config.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace {

QString scratch(const char* name)
{
    static QTemporaryDir dir;
    return dir.filePath(QString::fromLatin1(name));
}

zq40::ParameterBlocks start()
{
    zq40::ParameterBlocks b;
    b.setDefaultParameters(false);
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "config_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QString path = scratch("input.zq40");
    {
        std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    for (bool loadName : {false, true}) {
        zq40::ParameterBlocks blocks = start();
        const int result = zq40::config().read(path, blocks, loadName);
        if (result != zq40::config::kOk) {
            if (!(blocks == start()))
                std::abort(); // a failed read changed the record
            continue;
        }
        // What was read survives a round trip through a file of our own.
        const QString again = scratch("again.zq40");
        if (zq40::config().write(again, blocks, 0x0101012F) != zq40::config::kOk)
            std::abort();
        zq40::ParameterBlocks reread = start();
        if (zq40::config().read(again, reread, true) != zq40::config::kOk)
            std::abort();
        zq40::ParameterBlocks expected = blocks;
        if (!loadName)
            expected.setDeviceNameText(reread.deviceNameText());
        // Fader positions are not in a file; they follow the levels.
        for (int zone = 1; zone <= 6; ++zone) {
            expected.setLevelPosition(zone, reread.levelPosition(zone));
        }
        if (!(reread == expected))
            std::abort();
    }
    return 0;
}
