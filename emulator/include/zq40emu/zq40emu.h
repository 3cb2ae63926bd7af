// Virtual ZQ40 units on a umockdev testbed.
#pragma once

#include "zq40emu/bootloader.h"
#include "zq40emu/config.h"
#include "zq40emu/crc32.h"
#include "zq40emu/report.h"
#include "zq40emu/testbed.h"
#include "zq40emu/unit.h"
