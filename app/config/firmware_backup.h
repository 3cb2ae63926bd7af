// The copy of a unit's settings made just before its firmware is updated and
// read back when the unit returns on the carried firmware. It is kept in the
// user's application data folder, which stays writable however the program
// was started; a copy in the working directory, where earlier releases kept
// it, is still found.
#pragma once

#include "parameter_blocks.h"

#include <QString>

#include <cstdint>

namespace zq40::firmware_backup {

// "<serial>.zq40".
QString fileName(uint32_t serial);

// The folder of the backups: the panel's data folder, shared by every front
// end, so that a backup one of them made is restored by any other.
QString folder();

// Where a new backup of the unit goes.
QString path(uint32_t serial);

// The backup to restore: the data folder's, else the working directory's;
// empty when there is none.
QString existing(uint32_t serial);

enum class WriteResult {
    Written, // written and read back
    Kept,    // one already exists, from an attempt that did not finish
    Failed,  // nothing usable on disk: the update must not start
};

// Never overwrites a backup that exists: it holds the settings from before
// the first attempt.
WriteResult writeOnce(uint32_t serial, const ParameterBlocks& blocks, uint32_t firmwareVersion);

// Reads the file with its device name into `blocks`; false, and `blocks`
// unchanged, when it cannot be read.
bool load(const QString& file, ParameterBlocks& blocks);

bool remove(const QString& file);

} // namespace zq40::firmware_backup
