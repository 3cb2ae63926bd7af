#include "qdevice.h"

namespace {

// Code 2 is another view of block 16.
uint8_t storedBlock(uint8_t code)
{
    return code == zq40::HIDR_ZONE_LEVELS_ALT ? uint8_t(zq40::HIDR_ZONE_LEVELS) : code;
}

} // namespace

QDevice::QDevice()
{
    blocks.setDefaultParameters(false);
}

QDevice::~QDevice()
{
    qDeleteAll(children);
}

void QDevice::awaitEveryBlock()
{
    for (uint8_t code = 1; code < blocksAwaited.size(); ++code)
        if (storedBlock(code) == code && zq40::blockSize(code) > 0)
            ++blocksAwaited[code];
}

bool QDevice::awaitingBlocks() const
{
    for (uint32_t due : blocksAwaited)
        if (due != 0)
            return true;
    return false;
}

void QDevice::wroteBlock(uint8_t code)
{
    code = storedBlock(code);
    if (code < blocksAwaited.size())
        blocksOutdated[code] = blocksAwaited[code];
}

bool QDevice::acceptBlockReport(uint8_t code)
{
    code = storedBlock(code);
    if (code >= blocksAwaited.size() || blocksAwaited[code] == 0)
        return true;
    --blocksAwaited[code];
    if (blocksOutdated[code] == 0)
        return true;
    --blocksOutdated[code];
    return false;
}
