// The program's image of one main unit (QDevice) and of one child device
// behind it (QChildDevice).
#pragma once

#include "orlousb.h"
#include "parameter_blocks.h"

#include <QByteArray>
#include <QMap>
#include <QObject>

#include <array>
#include <cstdint>

class QChildDevice : public QObject {
    Q_OBJECT
public:
    QChildDevice() = default;

    ousb_handle_t parentDevHandle = nullptr;
    // The child's record as the library announced it: the registry's copy
    // (`info`), or a record owned by whoever made this child.
    const ousb_child_device_info_t* pDeviceInfo = nullptr;
    ousb_child_device_info_t info{};
    QByteArray name; // what info.name points to
};

class QDevice : public QObject {
    Q_OBJECT
public:
    QDevice();
    ~QDevice() override;

    ousb_handle_t devHandle = nullptr;               // null in the offline record
    const ousb_device_info_t* pDeviceInfo = nullptr; // the library's record; valid as long as the handle
    uint8_t status = 0;
    uint8_t bootloaderActive = 0;
    QMap<quint16, QChildDevice*> children; // owned
    zq40::ParameterBlocks blocks;
    uint32_t firmwareVersion = 0;

    // A request for every block reached the unit: one report of each follows.
    void awaitEveryBlock();
    // A write of block `code` reached the unit. The reports of that block
    // still to come for earlier requests left the unit before it.
    void wroteBlock(uint8_t code);
    // Reports of blocks still due to the requests for every block.
    bool awaitingBlocks() const;
    // A parameter report of block `code` came. False when it left the unit
    // before the record's latest write of the block: it is older than the
    // record and must not replace it.
    bool acceptBlockReport(uint8_t code);

private:
    // Per block code (2 counts as 16): reports still to come for requests,
    // and how many of the first of them are older than the latest write.
    std::array<uint32_t, 17> blocksAwaited{};
    std::array<uint32_t, 17> blocksOutdated{};
};
